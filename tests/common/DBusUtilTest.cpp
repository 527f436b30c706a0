#include "BusSignalRecorder.h"
#include "DBusUtil.h"
#include "PrivateBus.h"
#include "TestEnvironment.h"

#include <atomic>
#include <gtest/gtest.h>
#include <pelorn_log_capture.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using NSORZCommon::DBusUtil;

// The previous request is remembered per process, so this is one test: CTest
// gives it a process of its own.
TEST(DBusUtil, RepeatedRequestIsSignalledOnce)
{
    PelornTest::PrivateSystemBus bus;
    ASSERT_TRUE(bus.IsRunning()) << "dbus-daemon did not start";
    // What the resource daemon would see: a second client of the bus.
    PelornTest::BusSignalRecorder daemon(bus.Address(), "org.tizen.resourced.process", "ProcExclude",
                                         "/Org/Tizen/ResourceD/Process");
    ASSERT_TRUE(daemon.Ready());

    DBusUtil util;
    EXPECT_EQ(util.SendProcExclude(), 1);
    EXPECT_EQ(util.SendProcExclude(), 0);
    // A second object shares what was sent last: the daemon keeps one state per process.
    DBusUtil other;
    EXPECT_EQ(other.SendProcExclude(), 0);
    EXPECT_EQ(util.SendProcInclude(), 1);
    EXPECT_EQ(other.SendProcExclude(), 1);

    ASSERT_TRUE(PelornTest::RunGlibUntil([&] { return daemon.Bodies().size() >= 3; }));
    PelornTest::RunGlibFor(100);
    const std::string pid = std::to_string(getpid());
    EXPECT_EQ(daemon.Bodies(), (std::vector<std::string>{"('exclude', " + pid + ")", "('include', " + pid + ")",
                                                        "('exclude', " + pid + ")"}));
    // Left as a process starts, for the next test.
    EXPECT_EQ(util.SendProcInclude(), 1);
    EXPECT_TRUE(PelornTest::RunGlibUntil([&] { return daemon.Bodies().size() >= 4; }));
}

TEST(DBusUtil, NoBusMeansNothingSentAndNothingRemembered)
{
    PelornTest::ScopedEnv noBus("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/pelorn-bus");
    DBusUtil util;
    pelorn_log_capture_begin();
    EXPECT_EQ(util.SendProcExclude(), 1) << "the request waits for the bus";
    ASSERT_TRUE(PelornTest::RunGlibUntil([] { return pelorn_log_captured("pelorn-c", "(err) [return]"); }));
    pelorn_log_capture_clear();
    EXPECT_EQ(util.SendProcExclude(), 1) << "a failed send must not count as sent";
    PelornTest::RunGlibFor(200);
    EXPECT_FALSE(pelorn_log_captured("pelorn-c", "no system bus"))
        << "the missing bus is said once, not per ring";
    pelorn_log_capture_end();

    // A bus that appears later gets the request (once the attempt under way
    // has failed), and so does a bus daemon started again.
    for (const char* which :
         {"a bus that failed once is never tried again", "the old bus's connection is kept"})
    {
        PelornTest::PrivateSystemBus bus;
        ASSERT_TRUE(bus.IsRunning());
        PelornTest::BusSignalRecorder daemon(bus.Address(), "org.tizen.resourced.process", "ProcExclude",
                                             "/Org/Tizen/ResourceD/Process");
        ASSERT_TRUE(daemon.Ready());
        EXPECT_TRUE(PelornTest::RunGlibUntil(
            [&]
            {
                util.SendProcExclude();
                return !daemon.Bodies().empty();
            }))
            << which;
        EXPECT_EQ(util.SendProcInclude(), 1);
        EXPECT_TRUE(PelornTest::RunGlibUntil([&] { return daemon.Bodies().size() >= 2; })) << which;
    }
}

// A bus daemon that takes the connection and never answers (stuck, or not a
// bus at all) must not hold up the press that raised the priority: the
// request waits, the caller goes on.
TEST(DBusUtil, ABusThatNeverAnswersHoldsUpNoRequest)
{
    PelornTest::ScopedTestDirs dirs(false);
    PelornTest::SilentBus silent(dirs.RuntimeDir());
    ASSERT_TRUE(silent.Listening());
    std::atomic<int> sent{0};
    std::thread caller([&] {
        DBusUtil util;
        util.SendProcInclude();
        util.SendProcExclude();
        sent = 2;
    });
    const gint64 until = g_get_monotonic_time() + 60 * G_USEC_PER_SEC; // a hang, not a slow machine
    while (sent < 2 && g_get_monotonic_time() < until)
        g_usleep(10 * 1000);
    EXPECT_EQ(sent, 2) << "a request waited for the bus to answer";
    if (sent == 2)
        caller.join();
    else
        caller.detach(); // stuck for good: the process ends with it
}
