#include "DesktopBridgeProcess.h"

#include "TestEnvironment.h"

#include <glib.h>
#include <string>
#include <poll.h>
#include <unistd.h>

namespace PelornTest
{
DesktopBridgeProcess::DesktopBridgeProcess(int clockSpeed)
{
    gchar* dir = g_dir_make_tmp("pelorn-bridge-XXXXXX", nullptr);
    if (!dir)
        return;
    mDir = dir;
    g_free(dir);
    const std::string pressureFile = mDir + "/memory-pressure";
    g_file_set_contents(pressureFile.c_str(),
                        "some avg10=0.00 avg60=0.00 avg300=0.00 total=0\n"
                        "full avg10=0.00 avg60=0.00 avg300=0.00 total=0\n",
                        -1, nullptr);

    std::string program = BuiltProgram("desktop-bridge");
    gchar* argv[] = {&program[0], nullptr};
    gchar** envp =
        g_environ_setenv(g_get_environ(), "PELORN_MEMORY_PRESSURE_FILE", pressureFile.c_str(), TRUE);
    envp = g_environ_setenv(envp, "PELORN_CLOCK_SPEED", std::to_string(clockSpeed > 1 ? clockSpeed : 1).c_str(), TRUE);
    GPid pid = 0;
    gint out = -1;
    bool spawned = g_spawn_async_with_pipes(nullptr, argv, envp, G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr,
                                            &pid, nullptr, &out, nullptr, nullptr);
    g_strfreev(envp);
    if (!spawned)
        return;
    mPid = pid;
    // "ready\n", or the end of its output when it gives up.
    std::string line;
    const gint64 deadline = g_get_monotonic_time() + 60 * G_USEC_PER_SEC;
    while (line.find('\n') == std::string::npos && g_get_monotonic_time() < deadline)
    {
        struct pollfd p = {out, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        char buf[64];
        ssize_t n = read(out, buf, sizeof(buf));
        if (n <= 0)
            break;
        line.append(buf, (size_t)n);
    }
    close(out);
    mReady = line.rfind("ready", 0) == 0;
}

DesktopBridgeProcess::~DesktopBridgeProcess()
{
    if (mPid > 0)
        EndChild(mPid, 3000);
    if (!mDir.empty())
        RemoveTree(mDir);
}
} // namespace PelornTest
