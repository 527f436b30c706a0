#include "Catalogue.h"
#include "TestEnvironment.h"
#include "vconf.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{
/* Ends a child by id, waiting at most a few seconds before killing it. */
void EndChild(pid_t pid, pid_t group = 0)
{
    if (pid <= 0)
        return;
    kill(group ? -group : pid, SIGTERM);
    for (int i = 0; i < 100; ++i)
    {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        g_usleep(50 * 1000);
    }
    kill(group ? -group : pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

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
        gchar* dir = g_dir_make_tmp("pelorn-session-XXXXXX", nullptr);
        mDir = dir ? dir : "";
        g_free(dir);
        mAddress = "unix:path=" + mDir + "/bus";
        std::vector<std::string> args = {"dbus-daemon", "--session", "--nofork", "--address=" + mAddress};
        std::vector<char*> argv = PelornTest::ArgvOf(args);
        gchar** env = g_environ_setenv(g_get_environ(), "XDG_RUNTIME_DIR", mDir.c_str(), TRUE);
        GPid pid = 0;
        if (g_spawn_async(nullptr, argv.data(), env,
                          GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDOUT_TO_DEV_NULL),
                          OwnGroupCb, nullptr, &pid, nullptr))
            mPid = pid;
        g_strfreev(env);
        PelornTest::RunGlibUntil([this] { return g_file_test((mDir + "/bus").c_str(), G_FILE_TEST_EXISTS); }, 5000);
    }
    ~PrivateSessionBus()
    {
        EndChild(mPid, mPid);
        RemoveTree(mDir);
    }
    bool IsRunning() const { return mPid > 0 && g_file_test((mDir + "/bus").c_str(), G_FILE_TEST_EXISTS); }
    const std::string& Address() const { return mAddress; }

private:
    static void RemoveTree(const std::string& path)
    {
        GDir* dir = g_dir_open(path.c_str(), 0, nullptr);
        if (!dir)
        {
            g_unlink(path.c_str());
            return;
        }
        while (const gchar* name = g_dir_read_name(dir))
            RemoveTree(path + "/" + name);
        g_dir_close(dir);
        g_rmdir(path.c_str());
    }

    std::string mDir;
    std::string mAddress;
    pid_t mPid = -1;
};

/* The application started as a wearer starts it, on the given session bus. */
pid_t StartApp(const std::string& busAddress)
{
    gchar* argv[] = {g_strdup(PelornTest::BuiltProgram("pelorn").c_str()), nullptr};
    gchar** env = g_environ_setenv(g_get_environ(), "DBUS_SESSION_BUS_ADDRESS", busAddress.c_str(), TRUE);
    env = g_environ_setenv(env, "PELORN_LOG_STDERR", "0", TRUE);
    GPid pid = 0;
    g_spawn_async(nullptr, argv, env,
                  GSpawnFlags(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL),
                  PelornTest::UnblockSignalsInChild, nullptr, &pid, nullptr);
    g_strfreev(env);
    g_free(argv[0]);
    return pid;
}

struct Reading
{
    int status = -1;
    std::string out;
    std::string err;
};

/* The AT-SPI client (a screen reader's view, tests/mobile/scripts), bounded in time. */
Reading ReadScreen(const std::string& busAddress, int waitSeconds)
{
    std::vector<std::string> args = {"timeout", std::to_string(waitSeconds + 20), "/usr/bin/python3",
                                     PELORN_TEST_SOURCE_DIR "/tests/mobile/scripts/read_finding_screen.py", "pelorn",
                                     std::to_string(waitSeconds)};
    std::vector<char*> argv = PelornTest::ArgvOf(args);
    gchar** env = g_environ_setenv(g_get_environ(), "DBUS_SESSION_BUS_ADDRESS", busAddress.c_str(), TRUE);
    gchar *out = nullptr, *err = nullptr;
    Reading reading;
    GError* error = nullptr;
    if (!g_spawn_sync(nullptr, argv.data(), env, G_SPAWN_SEARCH_PATH, PelornTest::UnblockSignalsInChild, nullptr,
                      &out, &err, &reading.status, &error))
    {
        reading.err = error ? error->message : "cannot run the reader";
        g_clear_error(&error);
    }
    reading.out = out ? out : "";
    reading.err += err ? err : "";
    g_free(out);
    g_free(err);
    g_strfreev(env);
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

    {
        PrivateSessionBus bus;
        ASSERT_TRUE(bus.IsRunning());
        vconf_set_bool("db/setting/accessibility/tts", 0);
        const pid_t app = StartApp(bus.Address());
        ASSERT_GT(app, 0);
        const Reading off = ReadScreen(bus.Address(), 4);
        EndChild(app);
        EXPECT_EQ("", off.out) << "the screen reader setting is off";
        EXPECT_NE(0, off.status) << off.err;
    }

    PrivateSessionBus bus;
    ASSERT_TRUE(bus.IsRunning());
    vconf_set_bool("db/setting/accessibility/tts", 1);
    const pid_t app = StartApp(bus.Address());
    ASSERT_GT(app, 0);
    const Reading on = ReadScreen(bus.Address(), 20);
    EndChild(app);
    ASSERT_TRUE(WIFEXITED(on.status) && WEXITSTATUS(on.status) == 0) << on.err;
    EXPECT_EQ("forward: " + title + " | " + button + " | " + cue + " | " + title + "\n" + "backward: " + title +
                  " | " + cue + " | " + button + " | " + title + "\n",
              on.out);
}
