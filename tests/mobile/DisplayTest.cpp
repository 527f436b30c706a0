// The application on a real X server rather than the in-memory canvas.
#include "TestEnvironment.h"

#include <gio/gio.h>
#include <glib-unix.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <unistd.h>

using PelornTest::BuiltProgram;
using PelornTest::ScopedTestDirs;

namespace
{
/* Reads what arrives on fd until a newline, the writer closing it, or the time-out. */
std::string ReadLineFrom(int fd, int timeoutMs)
{
    std::string text;
    const gint64 deadline = g_get_monotonic_time() + (gint64)timeoutMs * 1000;
    char c;
    while (true)
    {
        int left = (int)((deadline - g_get_monotonic_time()) / 1000);
        struct pollfd p = {fd, POLLIN, 0};
        if (left <= 0 || poll(&p, 1, left) <= 0 || read(fd, &c, 1) != 1 || c == '\n')
            return text;
        text.push_back(c);
    }
}

/* A program started with the write end of a fresh pipe as its descriptor 3;
 * the test reads the other end. Ended with SIGTERM when the object goes. */
class PipedProcess
{
public:
    PipedProcess(const std::vector<std::string>& argv, const std::vector<std::pair<std::string, std::string>>& env,
                 const std::vector<std::string>& unset)
    {
        int fds[2];
        if (!g_unix_open_pipe(fds, FD_CLOEXEC, nullptr))
            return;
        mReadFd = fds[0];
        GSubprocessLauncher* launcher = g_subprocess_launcher_new(
            (GSubprocessFlags)(G_SUBPROCESS_FLAGS_STDOUT_SILENCE | G_SUBPROCESS_FLAGS_STDERR_SILENCE));
        for (const auto& kv : env)
            g_subprocess_launcher_setenv(launcher, kv.first.c_str(), kv.second.c_str(), TRUE);
        for (const auto& name : unset)
            g_subprocess_launcher_unsetenv(launcher, name.c_str());
        g_subprocess_launcher_take_fd(launcher, fds[1], 3);
        std::vector<const gchar*> args;
        for (const auto& a : argv)
            args.push_back(a.c_str());
        args.push_back(nullptr);
        mProcess = g_subprocess_launcher_spawnv(launcher, args.data(), nullptr);
        g_object_unref(launcher);
    }

    ~PipedProcess()
    {
        if (mProcess)
        {
            g_subprocess_send_signal(mProcess, SIGTERM);
            g_subprocess_wait(mProcess, nullptr, nullptr);
            g_object_unref(mProcess);
        }
        if (mReadFd >= 0)
            close(mReadFd);
    }

    bool Started() const { return mProcess != nullptr; }
    std::string ReadLine(int timeoutMs) { return ReadLineFrom(mReadFd, timeoutMs); }

private:
    GSubprocess* mProcess = nullptr;
    int mReadFd = -1;
};
} // namespace

// A bare X server (Xvfb here, Xephyr on a desktop) has no window manager to
// mark the window normal; elementary then takes it for withdrawn and would
// never draw it.
TEST(Display, OnAnXServerWithoutAWindowManagerTheAppDrawsItsFirstFrame)
{
    gchar* xvfb = g_find_program_in_path("Xvfb");
    if (!xvfb)
        GTEST_SKIP() << "Xvfb is not installed (./scripts/install-deps installs it)";
    PipedProcess server({xvfb, "-displayfd", "3", "-screen", "0", "400x400x24", "-nolisten", "tcp"}, {}, {});
    g_free(xvfb);
    ASSERT_TRUE(server.Started());
    const std::string display = server.ReadLine(15000);
    if (display.empty())
        GTEST_SKIP() << "Xvfb could not start a display here";

    ScopedTestDirs dirs;
    PipedProcess app({BuiltProgram("pelorn")},
                     {{"DISPLAY", ":" + display}, {"PELORN_FIRST_FRAME_FD", "3"}, {"PELORN_LOG_STDERR", "0"}},
                     {"ELM_ENGINE", "WAYLAND_DISPLAY"});
    ASSERT_TRUE(app.Started());
    EXPECT_EQ("frame", app.ReadLine(20000));
    // Drawing is not all: the screen's own animation must run to its end too.
    std::string log;
    const gint64 deadline = g_get_monotonic_time() + 60 * G_USEC_PER_SEC;
    while (log.find("TransitionFinished") == std::string::npos && g_get_monotonic_time() < deadline)
    {
        g_usleep(50 * 1000);
        log = PelornTest::ReadFile(dirs.StateDir() + "/pelorn.log");
    }
    EXPECT_NE(std::string::npos, log.find("TransitionFinished")) << log;
    EXPECT_NE(std::string::npos, log.find("no window manager: the window is marked normal"));
}
