/* The test program itself, run as a person or `timeout` would run it. */

#include "TestEnvironment.h"

#include <fcntl.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using PelornTest::BuiltProgram;
using PelornTest::ProgramRun;
using PelornTest::RunProgram;

namespace
{
std::string TestProgram()
{
    return BuiltProgram("tests/mobile_tests");
}
} // namespace

/* Two scenarios in one process used to hang for good: the second never got
 * its link confirmed and its phone-sim could not be stopped. */
TEST(TestProcess, SecondScenarioInOneProcessFailsAtOnceInsteadOfHanging)
{
    ProgramRun run = RunProgram({TestProgram(), "--gtest_filter=FirstUse.*"}, {}, 120000);
    ASSERT_FALSE(run.timedOut) << "the test process hung:\n" << run.out;
    EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) != 0) << run.status;
    EXPECT_NE(std::string::npos, run.out.find("[       OK ] FirstUse.DecliningTheLegalNotice"))
        << run.out;
    EXPECT_NE(std::string::npos, run.out.find("refused: the application already ran in this test process"))
        << run.out;
}

/* The test process took SIGTERM for the application's own request to end and
 * went on with the next test, so `timeout` could not end it. */
TEST(TestProcess, SigtermFromOutsideEndsItDuringAScenario)
{
    // Its report goes to the pipe the support library gives a child's stderr.
    int outFd = -1;
    const int pid = PelornTest::SpawnProgram(
        {"/bin/sh", "-c", "exec \"$0\" \"$1\" >&2", TestProgram(),
         "--gtest_filter=EndToEnd.PhoneKilled*:FirstUse.Declining*"},
        {}, &outFd);
    ASSERT_GT(pid, 0);
    fcntl(outFd, F_SETFL, O_NONBLOCK);
    std::string out;
    auto readSome = [&]
    {
        PelornTest::AppendAvailable(outFd, out);
        return out;
    };
    EXPECT_TRUE(PelornTest::RunGlibUntil(
        [&] { return readSome().find("[ RUN      ] EndToEnd.PhoneKilled") != std::string::npos; }, 60000));
    // The application is up once its toolkit catches the signal.
    const std::string procStatus = "/proc/" + std::to_string(pid) + "/status";
    EXPECT_TRUE(PelornTest::RunGlibUntil(
        [&] {
            const std::string text = PelornTest::ReadFile(procStatus);
            const size_t at = text.find("SigCgt:");
            return at != std::string::npos && (std::stoull(text.substr(at + 7), nullptr, 16) >> (SIGTERM - 1) & 1);
        },
        60000));
    kill(pid, SIGTERM);
    int status = 0;
    const bool ended = PelornTest::WaitChild(pid, &status);
    readSome();
    close(outFd);
    ASSERT_TRUE(ended) << "SIGTERM did not end the test process:\n" << out;
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status << "\n" << out;
    EXPECT_EQ(std::string::npos, out.find("[ RUN      ] FirstUse"))
        << "it went on with the next test";
}
