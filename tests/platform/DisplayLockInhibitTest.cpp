#include "../../platform/src/desktop_bus.h"
#include "DBusMock.h"
#include "PrivateBus.h"
#include "TestEnvironment.h"
#include "device/power.h"
#include "pelorn_log_capture.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

using PelornTest::CountLogged;
using PelornTest::RunGlibUntil;
using PelornTest::ScopedEnv;

namespace
{
int Inhibitors(PelornTest::DBusMock& logind)
{
    GVariant* reply =
        logind.Call("/org/freedesktop/login1", "org.freedesktop.login1.Manager", "ListInhibitors", nullptr);
    if (!reply)
        return -1;
    GVariant* list = g_variant_get_child_value(reply, 0);
    const int count = (int)g_variant_n_children(list);
    g_variant_unref(list);
    g_variant_unref(reply);
    return count;
}
} // namespace

// The finding screen can take and drop the lock within one main-loop turn
// (start, then stop at once); logind's answer comes later and must not leave
// the screen held on for good.
TEST(DisplayLockInhibit, ReleaseBeforeLogindAnswersGivesTheLockBack)
{
    PelornTest::ScopedTestDirs dirs;
    PelornTest::PrivateSystemBus system;
    ASSERT_TRUE(system.IsRunning());
    ScopedEnv noSession("DBUS_SESSION_BUS_ADDRESS", nullptr); // straight to logind
    ScopedEnv runtime("XDG_RUNTIME_DIR", dirs.RuntimeDir().c_str());
    PelornTest::DBusMock logind(system.Address(), "org.freedesktop.login1", {"--template", "logind"});
    ASSERT_TRUE(logind.Ready()) << logind.LastError();

    pelorn_log_capture_begin();
    ASSERT_EQ(device_power_request_lock(POWER_LOCK_DISPLAY, 0), DEVICE_ERROR_NONE);
    ASSERT_EQ(device_power_release_lock(POWER_LOCK_DISPLAY), DEVICE_ERROR_NONE);
    EXPECT_TRUE(RunGlibUntil([] { return pelorn_log_captured("power", "logind idle inhibitor released"); }));
    EXPECT_TRUE(RunGlibUntil([&] { return Inhibitors(logind) == 0; }));

    // Taken for real this time, and a second request holds no second lock.
    ASSERT_EQ(device_power_request_lock(POWER_LOCK_DISPLAY, 0), DEVICE_ERROR_NONE);
    ASSERT_EQ(device_power_request_lock(POWER_LOCK_DISPLAY, 0), DEVICE_ERROR_NONE);
    EXPECT_TRUE(RunGlibUntil([&] { return Inhibitors(logind) == 1; }));
    PelornTest::RunGlibFor(200);
    EXPECT_EQ(Inhibitors(logind), 1);
    ASSERT_EQ(device_power_release_lock(POWER_LOCK_DISPLAY), DEVICE_ERROR_NONE);
    EXPECT_TRUE(RunGlibUntil([&] { return Inhibitors(logind) == 0; }));
    pelorn_log_capture_end();
}

TEST(DisplayLockInhibit, NothingToInhibitWithIsLoggedOnce)
{
    PelornTest::ScopedTestDirs dirs;
    PelornTest::PrivateSystemBus system; // neither logind nor a screensaver anywhere
    PelornTest::PrivateSessionBus session;
    ASSERT_TRUE(system.IsRunning() && session.IsRunning());

    pelorn_log_capture_begin();
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(device_power_request_lock(POWER_LOCK_DISPLAY, 0), DEVICE_ERROR_NONE);
        RunGlibUntil([] { return pelorn_log_captured("power", "nothing keeps the screen on"); }, 3000);
        EXPECT_EQ(device_power_release_lock(POWER_LOCK_DISPLAY), DEVICE_ERROR_NONE);
    }
    PelornTest::RunGlibFor(200);
    EXPECT_EQ(CountLogged("power|nothing keeps the screen on"), 1);
    pelorn_log_capture_end();
}

// A system bus daemon that takes the connection and never answers (stuck, or
// a socket that is no bus) held the screen still at the first ring. Now the
// first request waits a quarter of a second for it, later ones not at all.
TEST(DisplayLockInhibit, ABusThatNeverAnswersStallsTheFirstRequestBrieflyAndNoOtherOne)
{
    PelornTest::ScopedTestDirs dirs;
    PelornTest::SilentBus bus(dirs.RuntimeDir());
    ASSERT_TRUE(bus.Listening());
    ScopedEnv runtime("XDG_RUNTIME_DIR", dirs.RuntimeDir().c_str());
    PelornTest::HangRescue rescue([&] { bus.Close(); });

    pelorn_log_capture_begin();
    gint64 before = g_get_monotonic_time();
    EXPECT_EQ(device_power_request_lock(POWER_LOCK_DISPLAY, 0), DEVICE_ERROR_NONE);
    const gint64 firstUs = g_get_monotonic_time() - before;
    EXPECT_FALSE(rescue.Rescued()) << "the first request waited for the bus until it went away";
    EXPECT_EQ(device_power_release_lock(POWER_LOCK_DISPLAY), DEVICE_ERROR_NONE);
    before = g_get_monotonic_time();
    EXPECT_EQ(device_power_request_lock(POWER_LOCK_DISPLAY, 0), DEVICE_ERROR_NONE);
    const gint64 laterUs = g_get_monotonic_time() - before;
    // The floor is the first request, timed here: it waited its while for the
    // silent daemon. Waiting again would cost as much again.
    EXPECT_LT(laterUs, firstUs / 2) << "a later request waited for the bus again (floor)";
    EXPECT_EQ(device_power_release_lock(POWER_LOCK_DISPLAY), DEVICE_ERROR_NONE);
    EXPECT_EQ(CountLogged("dbus|the system bus does not answer; going on without it"), 1);
    pelorn_log_capture_end();
}

// A bus that could not be reached, or whose daemon went away, is connected
// to again once it is there: the stand-ins outlive a bus daemon's restart.
TEST(DisplayLockInhibit, BusThatFailedOrRestartedIsConnectedAgain)
{
    PelornTest::ScopedTestDirs dirs;
    g_setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/pelorn-bus", TRUE);
    GDBusConnection* first = pelorn_desktop_bus(G_BUS_TYPE_SYSTEM);
    EXPECT_EQ(first, nullptr);
    {
        PelornTest::PrivateSystemBus bus;
        ASSERT_TRUE(bus.IsRunning());
        ASSERT_TRUE(RunGlibUntil([&] { return (first = pelorn_desktop_bus(G_BUS_TYPE_SYSTEM)) != nullptr; }))
            << "a bus that failed once is never tried again";
        g_object_ref(first);
    }
    ASSERT_TRUE(RunGlibUntil([&] { return g_dbus_connection_is_closed(first); }));
    {
        PelornTest::PrivateSystemBus again;
        ASSERT_TRUE(again.IsRunning());
        EXPECT_TRUE(RunGlibUntil(
            [&]
            {
                GDBusConnection* second = pelorn_desktop_bus(G_BUS_TYPE_SYSTEM);
                return second && second != first && !g_dbus_connection_is_closed(second);
            }))
            << "the closed connection is still handed out";
    }
    g_object_unref(first);
    g_unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}
