/* What keeps the screen on and what sounds a tap, on machines that have
 * neither a logind, nor a bus that answers, nor a sound card. */

#include "../../platform/src/desktop_bus.h"
#include "DBusMock.h"
#include "PrivateBus.h"
#include "TestEnvironment.h"
#include "device/power.h"
#include "feedback.h"
#include "pelorn_log_capture.h"

#include <fcntl.h>
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

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
// The finding screen can take and drop the lock within one main-loop turn
// (start, then stop at once); logind's answer comes later and must not leave
// the screen held on for good.
TEST(DisplayLockInhibit, BusThatFailedOrRestartedIsConnectedAgainAndALockDroppedBeforeLogindAnswersGoesBack)
{
    PelornTest::ScopedTestDirs dirs;
    ScopedEnv noSession("DBUS_SESSION_BUS_ADDRESS", nullptr); // straight to logind
    ScopedEnv runtime("XDG_RUNTIME_DIR", dirs.RuntimeDir().c_str());
    g_setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/pelorn-bus", TRUE);
    GDBusConnection* first = pelorn_desktop_bus(G_BUS_TYPE_SYSTEM);
    EXPECT_EQ(first, nullptr);
    {
        PelornTest::PrivateSystemBus bus;
        ASSERT_TRUE(bus.IsRunning());
        ASSERT_TRUE(RunGlibUntil([&] { return (first = pelorn_desktop_bus(G_BUS_TYPE_SYSTEM)) != nullptr; }))
            << "a bus that failed once is never tried again";
        g_object_ref(first);

        // Neither logind nor a screensaver anywhere: said once, however often asked.
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

        // A bus daemon that came back is a new try, worth its line again.
        pelorn_log_capture_begin();
        EXPECT_EQ(device_power_request_lock(POWER_LOCK_DISPLAY, 0), DEVICE_ERROR_NONE);
        EXPECT_TRUE(RunGlibUntil([] { return pelorn_log_captured("power", "nothing keeps the screen on"); }))
            << "a failure on the old bus silenced the new one";
        EXPECT_EQ(device_power_release_lock(POWER_LOCK_DISPLAY), DEVICE_ERROR_NONE);
        pelorn_log_capture_end();

        PelornTest::DBusMock logind(again.Address(), "org.freedesktop.login1", {"--template", "logind"});
        ASSERT_TRUE(logind.Ready()) << logind.LastError();
        pelorn_log_capture_begin();
        ASSERT_EQ(device_power_request_lock(POWER_LOCK_DISPLAY, 0), DEVICE_ERROR_NONE);
        ASSERT_EQ(device_power_release_lock(POWER_LOCK_DISPLAY), DEVICE_ERROR_NONE);
        EXPECT_TRUE(
            RunGlibUntil([] { return pelorn_log_captured("power", "logind idle inhibitor released"); }));
        EXPECT_TRUE(RunGlibUntil([&] { return Inhibitors(logind) == 0; }));

        // Taken for real this time, and a second request holds no second lock.
        ASSERT_EQ(device_power_request_lock(POWER_LOCK_DISPLAY, 0), DEVICE_ERROR_NONE);
        ASSERT_EQ(device_power_request_lock(POWER_LOCK_DISPLAY, 0), DEVICE_ERROR_NONE);
        EXPECT_TRUE(RunGlibUntil([&] { return Inhibitors(logind) == 1; }));
        ASSERT_EQ(device_power_release_lock(POWER_LOCK_DISPLAY), DEVICE_ERROR_NONE);
        EXPECT_TRUE(RunGlibUntil([&] { return Inhibitors(logind) == 0; }))
            << "a second lock outlived the release";
        pelorn_log_capture_end();
    }
    g_object_unref(first);
    g_unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

// A desktop with no sound card (a server, a container) must not fill the log
// with one error per tap.
TEST(FeedbackSound, NoAudioDeviceIsLoggedOnceAndVibrationStaysALoggedEvent)
{
    PelornTest::ScopedTestDirs dirs;
    // An empty sound configuration: no device at all, whatever this machine has.
    const std::string config = dirs.StateDir() + "/asound.conf";
    ASSERT_TRUE(g_file_set_contents(config.c_str(), "", 0, nullptr));
    ScopedEnv alsa("ALSA_CONFIG_PATH", config.c_str()), driver("CANBERRA_DRIVER", "alsa");
    ASSERT_EQ(feedback_initialize(), FEEDBACK_ERROR_NONE);
    pelorn_log_capture_begin();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(feedback_play_type(FEEDBACK_TYPE_SOUND, FEEDBACK_PATTERN_TAP), FEEDBACK_ERROR_NONE);
    ASSERT_TRUE(PelornTest::RunGlibUntil([] { return CountLogged("no event sound") > 0; }));
    EXPECT_EQ(CountLogged("feedback|no event sound: audio-volume-change"), 1)
        << "the first tap's sound fails";
    EXPECT_EQ(feedback_play(FEEDBACK_PATTERN_GENERAL), FEEDBACK_ERROR_NONE);
    EXPECT_EQ(feedback_play_type(FEEDBACK_TYPE_VIBRATION, FEEDBACK_PATTERN_GENERAL), FEEDBACK_ERROR_NONE);
    EXPECT_EQ(CountLogged("feedback|play pattern 33 through vibration"), 1);
    feedback_deinitialize(); // the player plays what is still asked for, then ends
    EXPECT_EQ(CountLogged("no event sound"), 1) << "only the first failure is told";

    // Started again, feedback tries the device again: it may have been busy.
    ASSERT_EQ(feedback_initialize(), FEEDBACK_ERROR_NONE);
    EXPECT_EQ(feedback_play_type(FEEDBACK_TYPE_SOUND, FEEDBACK_PATTERN_TAP), FEEDBACK_ERROR_NONE);
    EXPECT_TRUE(PelornTest::RunGlibUntil([] { return CountLogged("no event sound") == 2; }))
        << "one failure silenced every later start";
    feedback_deinitialize();
    pelorn_log_capture_end();
}

// A sound device whose opening never completes (here a pipe nobody reads: the
// sound library waits for a reader as it would for a busy device) must not
// hold up the tap that asked for the sound, nor the next one, nor the end.
TEST(FeedbackSound, ADeviceThatNeverOpensHoldsUpNoTap)
{
    PelornTest::ScopedTestDirs dirs;
    const std::string pipe = dirs.StateDir() + "/speaker";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::string config = dirs.StateDir() + "/asound.conf";
    const std::string text = "pcm.!default { type file slave.pcm \"null\" file \"" + pipe +
                             "\" format \"raw\" }\npcm.null { type null }\n";
    ASSERT_TRUE(g_file_set_contents(config.c_str(), text.c_str(), -1, nullptr));
    ScopedEnv alsa("ALSA_CONFIG_PATH", config.c_str()), driver("CANBERRA_DRIVER", "alsa");
    // The sound library's own thread may still write to the pipe after the test closed it.
    signal(SIGPIPE, SIG_IGN);
    ASSERT_EQ(feedback_initialize(), FEEDBACK_ERROR_NONE);

    // Should a call wait for the device after all, a reader opened a minute
    // on lets it through, so the test fails instead of hanging.
    int rescueReader = -1;
    PelornTest::HangRescue rescue([&]
                                  { rescueReader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); });
    std::atomic<int> taps{0};
    std::thread tapper(
        [&]
        {
            feedback_play_type(FEEDBACK_TYPE_SOUND, FEEDBACK_PATTERN_TAP);
            taps++;
            g_usleep(200 * 1000); // the player is inside the device's opening by now
            feedback_play_type(FEEDBACK_TYPE_SOUND, FEEDBACK_PATTERN_TAP);
            taps++;
        });
    while (taps < 2 && !rescue.Rescued())
        g_usleep(10 * 1000);
    EXPECT_FALSE(rescue.Rescued()) << "a tap waited for the sound device";

    // Nor is the app kept from ending: the player is given a second, then left.
    pelorn_log_capture_begin();
    feedback_deinitialize();
    EXPECT_TRUE(rescue.End()) << "ending waited for the sound device";
    if (rescueReader >= 0)
        close(rescueReader);
    EXPECT_EQ(CountLogged("feedback|the sound device does not answer; no more sounds"), 1);
    pelorn_log_capture_end();

    // A reader lets the device open: whatever was waiting finishes, the test too.
    int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    std::atomic<bool> done{false};
    std::thread drain(
        [&]
        {
            char buffer[4096];
            while (!done)
                if (read(reader, buffer, sizeof(buffer)) <= 0)
                    g_usleep(5 * 1000);
        });
    tapper.join();
    done = true; // the player left behind, should it write again, is told the device went away
    drain.join();
    close(reader);
}
