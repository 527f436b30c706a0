#include "DesktopBridgeProcess.h"

#include "TestEnvironment.h"

#include <glib.h>
#include <string>
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
    // "ready", or the end of its output when it gives up.
    mReady = ReadLine(out, HANG_MS).rfind("ready", 0) == 0;
    close(out);
}

DesktopBridgeProcess::~DesktopBridgeProcess()
{
    if (mPid > 0)
        EndChild(mPid, 3000);
    if (!mDir.empty())
        RemoveTree(mDir);
}
} // namespace PelornTest
