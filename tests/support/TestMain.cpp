#include "TerminationWatch.h"

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
    setenv("GSETTINGS_BACKEND", "memory", 1);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new EndOnTermination());
    return RUN_ALL_TESTS();
}
