#include "Catalogue.h"
#include "TestEnvironment.h"
#include "vconf.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <string>
#include <unistd.h>
#include <vector>

using PelornTest::ProgramRun;

namespace
{
void OwnGroupCb(gpointer)
{
    PelornTest::UnblockSignalsInChild(nullptr);
    setpgid(0, 0);
}

/* A private session bus whose accessibility bus (started on demand by
 * at-spi-bus-launcher, with the registry) lives in a folder of its own. The
 * bus and everything it starts share one process group, ended together. */
class PrivateSessionBus
{
public:
    PrivateSessionBus()
    {
        mDir = PelornTest::MakeTempDir("pelorn-session-XXXXXX");
        mAddress = "unix:path=" + mDir + "/bus";
        std::vector<std::string> args = {"dbus-daemon", "--session", "--nofork", "--address=" + mAddress};
        gchar** env = g_environ_setenv(g_get_environ(), "XDG_RUNTIME_DIR", mDir.c_str(), TRUE);
        std::vector<char*> argv = PelornTest::ArgvOf(args);
        g_spawn_async(
            nullptr, argv.data(), env,
            GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDOUT_TO_DEV_NULL),
            OwnGroupCb, nullptr, &mPid, nullptr);
        g_strfreev(env);
        PelornTest::RunGlibUntil([this] { return g_file_test((mDir + "/bus").c_str(), G_FILE_TEST_EXISTS); }, 5000);
    }
    ~PrivateSessionBus()
    {
        if (mPid > 0)
        {
            kill(-mPid, SIGTERM);
            PelornTest::EndChild(mPid, 5000);
            kill(-mPid, SIGKILL); // whatever the bus started and outlived it
        }
        PelornTest::RunProgram({"rm", "-rf", mDir});
    }
    bool IsRunning() const { return mPid > 0 && g_file_test((mDir + "/bus").c_str(), G_FILE_TEST_EXISTS); }
    const std::string& Address() const { return mAddress; }

private:
    std::string mDir;
    std::string mAddress;
    pid_t mPid = -1;
};

/* What a screen reader (tests/mobile/scripts) reads of the application
 * started as a wearer starts it, on a bus of its own. */
ProgramRun ReadScreen(bool screenReaderSetting, int waitSeconds)
{
    PrivateSessionBus bus;
    EXPECT_TRUE(bus.IsRunning());
    vconf_set_bool("db/setting/accessibility/tts", screenReaderSetting);
    const std::string onBus = "DBUS_SESSION_BUS_ADDRESS=" + bus.Address();
    const int app = PelornTest::SpawnProgram({PelornTest::BuiltProgram("pelorn")}, {onBus, "PELORN_LOG_STDERR=0"});
    EXPECT_GT(app, 0);
    const ProgramRun reading = PelornTest::RunProgram(
        {"/usr/bin/python3", PELORN_TEST_SOURCE_DIR "/tests/mobile/scripts/read_finding_screen.py", "pelorn",
         std::to_string(waitSeconds)},
        {onBus}, (waitSeconds + 20) * 1000);
    PelornTest::EndChild(app, 5000);
    return reading;
}
} // namespace

/* A screen reader on the accessibility bus reads the finding screen title,
 * then the button, then the more-option cue, and round again; backwards the
 * other way. With the setting off the application stays off the bus. */
TEST(ScreenReader, ReadsTheFindingScreenTitleButtonCueInOrder)
{
    PelornTest::ScopedTestDirs dirs;
    vconf_set_bool("db/brig/user_agreement/orzzib", 1);
    vconf_set_str("db/menu_widget/language", "en_US.UTF-8");
    const auto texts = PelornTest::ReadCatalogue("en_US");
    ASSERT_FALSE(texts.empty());
    const std::string title = texts.at("WDS_ORZ_HEADER_RUX_ABB");
    const std::string button = texts.at("IDS_ORZ_BUTTON_START");
    const std::string cue = texts.at("WDS_ORZ_ACCS_MORE_OPTIONS");

    const ProgramRun off = ReadScreen(false, 4);
    EXPECT_EQ("", off.out) << "the screen reader setting is off";
    EXPECT_FALSE(off.Exited(0)) << off.err;

    const ProgramRun on = ReadScreen(true, 20);
    ASSERT_TRUE(on.Exited(0)) << on.err << "the app's log:\n"
                              << PelornTest::ReadFile(dirs.StateDir() + "/pelorn.log");
    EXPECT_EQ("forward: " + title + " | " + button + " | " + cue + " | " + title + "\n" + "backward: " + title +
                  " | " + cue + " | " + button + " | " + title + "\n",
              on.out);
}
