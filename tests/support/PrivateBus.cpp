#include "PrivateBus.h"

#include "TestEnvironment.h"

#include <glib.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

namespace PelornTest
{
PrivateBus::PrivateBus(Kind kind)
{
    mDir = MakeTempDir("pelorn-bus-XXXXXX");
    if (mDir.empty())
        return;
    const std::string config = mDir + "/bus.conf";
    std::string contents =
        "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
        " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
        "<busconfig>\n"
        "  <type>" + std::string(kind == Kind::SYSTEM ? "system" : "session") + "</type>\n"
        "  <listen>unix:path=" + mDir + "/bus</listen>\n"
        "  <auth>EXTERNAL</auth>\n"
        "  <policy context=\"default\">\n    <allow user=\"*\"/>\n    <allow own=\"*\"/>\n";
    for (const char* way : {"send", "receive"})
        for (const char* type : {"method_call", "method_return", "error", "signal"})
            contents += std::string("    <allow ") + way + "_type=\"" + type + "\"/>\n";
    contents += "  </policy>\n</busconfig>\n";
    if (!g_file_set_contents(config.c_str(), contents.c_str(), -1, nullptr))
        return;

    int out = -1;
    mPid = SpawnProgram({"dbus-daemon", "--nofork", "--print-address", "--config-file=" + config}, {}, nullptr,
                        &out);
    if (mPid <= 0)
        return;
    // The daemon prints its address once it listens.
    const std::string line = ReadLine(out, HANG_MS);
    close(out);
    if (line.empty())
        return;
    mAddress = line;
    mVariable.reset(new ScopedEnv(
        kind == Kind::SYSTEM ? "DBUS_SYSTEM_BUS_ADDRESS" : "DBUS_SESSION_BUS_ADDRESS", mAddress.c_str()));
}

PrivateBus::~PrivateBus()
{
    if (mPid > 0)
    {
        kill(mPid, SIGTERM);
        waitpid(mPid, nullptr, 0);
    }
    if (!mDir.empty())
        RemoveTree(mDir);
}
} // namespace PelornTest
