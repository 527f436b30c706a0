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
    ProgramRun run =
        RunProgram({TestProgram(), "--gtest_filter=EndToEnd.NoAnswerReturnsToNormalAfterTheRingLimit:"
                                   "EndToEnd.RefusedRingShowsTheToastAndReturnsToNormal"},
                   {}, 120000);
    ASSERT_FALSE(run.timedOut) << "the test process hung:\n" << run.out;
    EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) != 0) << run.status;
    EXPECT_NE(std::string::npos,
              run.out.find("[       OK ] EndToEnd.NoAnswerReturnsToNormalAfterTheRingLimit"))
        << run.out;
    EXPECT_NE(std::string::npos, run.out.find("refused: the application already ran in this test process"))
        << run.out;
}

/* The test process took SIGTERM for the application's own request to end and
 * went on with the next test, so `timeout` could not end it. */
TEST(TestProcess, SigtermFromOutsideEndsItDuringAScenario)
{
    std::string program = TestProgram();
    std::string filter = "--gtest_filter=EndToEnd.TapRingsThePhoneAndTheFoundReportEndsIt:EndToEnd."
                         "NoAnswerReturnsToNormalAfterTheRingLimit";
    gchar* argv[] = {&program[0], &filter[0], nullptr};
    GPid pid = 0;
    gint outFd = -1;
    ASSERT_TRUE(g_spawn_async_with_pipes(
        nullptr, argv, nullptr, (GSpawnFlags)(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDERR_TO_DEV_NULL),
        nullptr, nullptr, &pid, nullptr, &outFd, nullptr, nullptr));
    fcntl(outFd, F_SETFL, O_NONBLOCK);
    std::string out;
    auto readSome = [&]
    {
        char buf[4096];
        ssize_t n;
        while ((n = read(outFd, buf, sizeof(buf))) > 0)
            out.append(buf, (size_t)n);
    };
    const gint64 start = g_get_monotonic_time();
    while (out.find("[ RUN      ] EndToEnd.TapRings") == std::string::npos &&
           g_get_monotonic_time() - start < 60 * G_USEC_PER_SEC)
    {
        readSome();
        g_usleep(10000);
    }
    g_usleep(800 * 1000); // the application is up and its toolkit has the signal
    kill(pid, SIGTERM);
    const gint64 termAt = g_get_monotonic_time();
    int status = 0;
    pid_t done = 0;
    while ((done = waitpid(pid, &status, WNOHANG)) == 0 &&
           g_get_monotonic_time() - termAt < 60 * G_USEC_PER_SEC)
    {
        readSome();
        g_usleep(10000);
    }
    if (done == 0)
    {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    readSome();
    close(outFd);
    ASSERT_NE(0, done) << "SIGTERM did not end the test process:\n" << out;
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status << "\n" << out;
    EXPECT_EQ(std::string::npos, out.find("[ RUN      ] EndToEnd.NoAnswer"))
        << "it went on with the next test";
}
