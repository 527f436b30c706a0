#include "PhoneSimProcess.h"

#include "TestEnvironment.h"

#include <fcntl.h>
#include <gio/gunixinputstream.h>
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
    std::vector<const gchar*> argv;
    const std::string program = BuiltProgram("phone-sim");
    argv.push_back(program.c_str());
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    argv.push_back(nullptr);
    GError* error = nullptr;
    GSubprocessLauncher* launcher = g_subprocess_launcher_new(
        (GSubprocessFlags)(G_SUBPROCESS_FLAGS_STDIN_PIPE | G_SUBPROCESS_FLAGS_STDOUT_PIPE));
    for (const std::string& entry : env)
    {
        const size_t eq = entry.find('=');
        if (eq != std::string::npos)
            g_subprocess_launcher_setenv(launcher, entry.substr(0, eq).c_str(), entry.c_str() + eq + 1, TRUE);
    }
    g_subprocess_launcher_set_child_setup(launcher, UnblockSignalsInChild, nullptr, nullptr);
    mProcess = g_subprocess_launcher_spawnv(launcher, argv.data(), &error);
    g_object_unref(launcher);
    if (!mProcess)
    {
        g_clear_error(&error);
        return;
    }
    mStdin = g_subprocess_get_stdin_pipe(mProcess);
    mStdoutFd = g_unix_input_stream_get_fd(G_UNIX_INPUT_STREAM(g_subprocess_get_stdout_pipe(mProcess)));
    fcntl(mStdoutFd, F_SETFL, fcntl(mStdoutFd, F_GETFL) | O_NONBLOCK);
    mReady = !waitListening || WaitFor("listening ");
}

PhoneSimProcess::~PhoneSimProcess()
{
    Terminate();
    if (mProcess)
        g_object_unref(mProcess);
}

const std::string& PhoneSimProcess::Output()
{
    if (mStdoutFd < 0)
        return mOutput;
    char buffer[4096];
    ssize_t n;
    while ((n = read(mStdoutFd, buffer, sizeof(buffer))) > 0)
        mOutput.append(buffer, (size_t)n);
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
    if (!mStdin)
        return;
    const std::string text = line + "\n";
    g_output_stream_write_all(mStdin, text.data(), text.size(), nullptr, nullptr, nullptr);
    g_output_stream_flush(mStdin, nullptr, nullptr);
}

namespace
{
pid_t PidOf(GSubprocess* process)
{
    const char* id = process ? g_subprocess_get_identifier(process) : nullptr;
    return id ? (pid_t)atoi(id) : 0;
}
} // namespace

void PhoneSimProcess::Kill()
{
    const pid_t pid = mReady ? PidOf(mProcess) : 0;
    mReady = false;
    if (pid <= 0)
        return;
    kill(pid, SIGKILL);
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR)
        ;
    Output();
}

void PhoneSimProcess::Terminate()
{
    if (!mProcess || !mReady)
        return;
    mReady = false;
    // Waited for directly: once the application has run in this process,
    // ecore's SIGCHLD handling can keep GLib from ever seeing the exit.
    const pid_t pid = PidOf(mProcess);
    if (pid > 0)
        EXPECT_TRUE(EndChild(pid)) << "phone-sim did not end on SIGTERM";
    else
        g_subprocess_send_signal(mProcess, SIGTERM);
    Output();
}
} // namespace PelornTest
