#include "MapServerProcess.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdlib>

namespace PelornTest
{
MapServerProcess::MapServerProcess(const std::vector<std::string>& extraArgs) : mPid(0), mPort(0)
{
    mDir = MakeTempDir("pelorn-map-server-XXXXXX");
    if (mDir.empty())
        return;

    const std::string program = BuiltProgram("map-server");
    const std::string portFile = mDir + "/port";
    const std::string logFile = mDir + "/requests.log";
    std::vector<std::string> args = {program, "--port", "0", "--port-file", portFile, "--log", logFile,
                                     "--ca-file", CaFile()};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    mPid = SpawnProgram(args);
    if (mPid <= 0)
        return;
    const gint64 deadline = g_get_monotonic_time() + 60 * G_USEC_PER_SEC;
    while (g_get_monotonic_time() < deadline)
    {
        std::string text = ReadFile(portFile);
        if (!text.empty())
        {
            mPort = std::atoi(text.c_str());
            break;
        }
        g_usleep(5000);
    }
}

MapServerProcess::~MapServerProcess()
{
    if (mPid > 0)
    {
        EXPECT_TRUE(EndChild(mPid)) << "map-server did not end on SIGTERM";
    }
    if (!mDir.empty())
        RemoveTree(mDir);
}

std::string MapServerProcess::CaFile() const
{
    return mDir + "/ca.pem";
}

std::string MapServerProcess::ProxyAddress() const
{
    return "http://127.0.0.1:" + std::to_string(mPort);
}

std::vector<std::string> MapServerProcess::LoggedUrls() const
{
    std::vector<std::string> urls;
    gchar** lines = g_strsplit(ReadFile(mDir + "/requests.log").c_str(), "\n", -1);
    for (gchar** line = lines; *line; ++line)
        if (**line)
            urls.push_back(*line);
    g_strfreev(lines);
    return urls;
}
} // namespace PelornTest
