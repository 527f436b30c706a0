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
    mDir = MakeTempDir("pelorn-bridge-XXXXXX");
    if (mDir.empty())
        return;
    const std::string pressureFile = mDir + "/memory-pressure";
    g_file_set_contents(pressureFile.c_str(),
                        "some avg10=0.00 avg60=0.00 avg300=0.00 total=0\n"
                        "full avg10=0.00 avg60=0.00 avg300=0.00 total=0\n",
                        -1, nullptr);

    int out = -1;
    mPid = SpawnProgram({BuiltProgram("desktop-bridge")},
                        {"PELORN_MEMORY_PRESSURE_FILE=" + pressureFile,
                         "PELORN_CLOCK_SPEED=" + std::to_string(clockSpeed > 1 ? clockSpeed : 1)},
                        nullptr, &out);
    if (mPid <= 0)
        return;
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
