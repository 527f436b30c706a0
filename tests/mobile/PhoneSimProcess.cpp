#include "PhoneSimProcess.h"

#include "TestEnvironment.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <errno.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

namespace PelornTest
{
PhoneSimProcess::PhoneSimProcess(const std::vector<std::string>& args, const std::vector<std::string>& env,
                                 bool waitListening)
{
    std::vector<std::string> argv{BuiltProgram("phone-sim")};
    argv.insert(argv.end(), args.begin(), args.end());
    mPid = SpawnProgram(argv, env, nullptr, &mStdoutFd, &mStdinFd);
    if (mPid <= 0)
        return;
    fcntl(mStdoutFd, F_SETFL, fcntl(mStdoutFd, F_GETFL) | O_NONBLOCK);
    mReady = !waitListening || WaitFor("listening ");
}

PhoneSimProcess::~PhoneSimProcess()
{
    Terminate();
    if (mStdinFd >= 0)
        close(mStdinFd);
    if (mStdoutFd >= 0)
        close(mStdoutFd);
}

const std::string& PhoneSimProcess::Output()
{
    if (mStdoutFd >= 0)
        PelornTest::AppendAvailable(mStdoutFd, mOutput);
    return mOutput;
}

size_t PhoneSimProcess::CountPrinted(const std::string& needle)
{
    const std::string& out = Output();
    size_t count = 0;
    for (size_t pos = out.find(needle); pos != std::string::npos; pos = out.find(needle, pos + 1))
        count++;
    return count;
}

int PhoneSimProcess::Received(const std::string& msgId)
{
    const std::string& out = Output();
    int count = 0;
    for (size_t start = 0; start < out.size();)
    {
        size_t end = out.find('\n', start);
        if (end == std::string::npos)
            end = out.size();
        count += out.compare(start, 4, "recv") == 0 &&
                 out.substr(start, end - start).find("\"" + msgId + "\"") != std::string::npos;
        start = end + 1;
    }
    return count;
}

bool PhoneSimProcess::WaitFor(const std::string& needle, int timeoutMs)
{
    return RunGlibUntil([this, &needle] { return Printed(needle); }, timeoutMs);
}

void PhoneSimProcess::Command(const std::string& line)
{
    const std::string text = line + "\n";
    if (mReady && write(mStdinFd, text.data(), text.size()) != (ssize_t)text.size())
        ADD_FAILURE() << "phone-sim did not take the command " << line;
}

void PhoneSimProcess::Kill()
{
    if (!mReady)
        return;
    mReady = false;
    kill(mPid, SIGKILL);
    while (waitpid(mPid, nullptr, 0) < 0 && errno == EINTR)
        ;
    Output();
}

void PhoneSimProcess::Terminate()
{
    if (!mReady)
        return;
    mReady = false;
    // Waited for directly: once the application has run in this process,
    // ecore's SIGCHLD handling can keep GLib from ever seeing the exit.
    EXPECT_TRUE(EndChild(mPid)) << "phone-sim did not end on SIGTERM";
    Output();
}
} // namespace PelornTest
