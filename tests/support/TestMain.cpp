#include "TerminationWatch.h"
#include "TestEnvironment.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <stdlib.h>

namespace
{
/* A termination asked for from outside while the toolkit had the signal ends
 * the process once the running test has cleaned up. */
class EndOnTermination : public ::testing::EmptyTestEventListener
{
    void OnTestEnd(const ::testing::TestInfo&) override { PelornTest::TerminationWatch::EndIfRequested(); }
};
} // namespace

/* Logs stay out of the test output unless PELORN_TEST_VERBOSE is set; they
 * are still captured for assertions and written to each test's state folder. */
int main(int argc, char** argv)
{
    if (!getenv("PELORN_TEST_VERBOSE"))
        setenv("PELORN_LOG_STDERR", "0", 1);
    setenv("ECORE_NO_SYSTEM_MODULES", "1", 0);
    setenv("EINA_LOG_BACKTRACE", "-1", 0);
    if (!getenv("ELM_ENGINE"))
        setenv("ELM_ENGINE", "buffer", 1);
    // The desktop this runs on stays out of it: no test inhibits its
    // screensaver or signals its daemons unless it starts a bus of its own
    // (PrivateBus), no sound card is opened and no desktop setting is read.
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/pelorn-test-no-system-bus", 1);
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/pelorn-test-no-session-bus", 1);
    setenv("CANBERRA_DRIVER", "null", 1);
    // What a test that makes no folders of its own writes (logs, settings)
    // stays in a folder of this run's own, and so do the desktop's settings,
    // a key file: GLib takes its settings backend and that file's folder once
    // per process, so every test of the program shares them, and another
    // process (gsettings) that writes there is heard as the desktop would be.
    // A test's helper started as a program of its own keeps its test's run.
    const bool ownRun = !getenv("PELORN_TEST_RUN_DIR");
    const std::string run =
        ownRun ? PelornTest::MakeTempDir("pelorn-test-run-XXXXXX") : getenv("PELORN_TEST_RUN_DIR");
    if (ownRun)
    {
        for (const char* folder : {"state", "run", "config"})
            g_mkdir_with_parents((run + "/" + folder).c_str(), 0700);
        setenv("PELORN_TEST_RUN_DIR", run.c_str(), 1);
        setenv("PELORN_STATE_DIR", (run + "/state").c_str(), 1);
        setenv("PELORN_RUNTIME_DIR", (run + "/run").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (run + "/config").c_str(), 1);
    }
    setenv("GSETTINGS_BACKEND", "keyfile", 1);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new EndOnTermination());
    const int result = RUN_ALL_TESTS();
    if (ownRun)
        PelornTest::RemoveTree(run);
    return result;
}
