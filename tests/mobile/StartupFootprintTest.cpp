#include "TestEnvironment.h"
#include "app_preference.h"
#include "vconf.h"

#include <fcntl.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
/* The real program, started as the watch starts it, in this test's folders. */
class RunningApp
{
public:
    RunningApp()
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        const std::string program = PelornTest::BuiltProgram("pelorn");
        mPid = fork();
        if (mPid == 0)
        {
            close(fds[0]);
            setenv("PELORN_FIRST_FRAME_FD", std::to_string(fds[1]).c_str(), 1);
            setenv("PELORN_LOG_STDERR", "0", 1);
            execl(program.c_str(), program.c_str(), (char*)nullptr);
            _exit(127);
        }
        close(fds[1]);
        mFrameFd = fds[0];
    }
    ~RunningApp()
    {
        if (mFrameFd >= 0)
            close(mFrameFd);
        if (mPid > 0)
        {
            kill(mPid, SIGKILL);
            waitpid(mPid, nullptr, 0);
        }
    }
    /* True once the first frame is out, false when it did not come in time. */
    bool WaitForFirstFrame(int ms)
    {
        struct pollfd p = {mFrameFd, POLLIN, 0};
        char buf[16];
        return mPid > 0 && poll(&p, 1, ms) == 1 && read(mFrameFd, buf, sizeof(buf)) > 0;
    }
    std::string Maps() const
    {
        return PelornTest::ReadFile("/proc/" + std::to_string(mPid) + "/maps");
    }

private:
    pid_t mPid = -1;
    int mFrameFd = -1;
};
} // namespace

// The map fetch is the only user of libcurl, the location screen's times the
// only user of ICU, the phone's messages the only JSON, event sounds the
// only use of libcanberra and settings watches no longer need GIO; all of
// them used to be loaded by every launch. The
// location, time-format, phone-link and feedback tests show they still load
// when wanted.
TEST(StartupFootprint, FindingScreenComesUpWithoutLoadingLibrariesOnlyLaterScreensNeed)
{
    PelornTest::ScopedTestDirs dirs;
    vconf_set_bool("db/brig/user_agreement/orzzib", 1);
    vconf_set_str("db/menu_widget/language", "en_US.UTF-8");
    preference_set_boolean("WORZ_PREF_BOOL_PERMISSION_CHECKED", true);
    RunningApp app;
    ASSERT_TRUE(app.WaitForFirstFrame(20000)) << "no first frame";
    const std::string maps = app.Maps();
    ASSERT_NE(std::string::npos, maps.find("libelementary")) << "not the running program's map:\n" << maps;
    // Settings are watched with inotify itself: GIO waits for the bus, the
    // network monitor or a missing phone socket.
    for (const char* library :
         {"libcurl", "libgnutls", "libicu", "libjson-glib", "libcanberra", "libvorbis", "libgio-2.0"})
        EXPECT_EQ(std::string::npos, maps.find(library)) << library << " loaded:\n" << maps;
}
