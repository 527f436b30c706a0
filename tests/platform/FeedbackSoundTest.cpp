#include "TestEnvironment.h"
#include "feedback.h"
#include "pelorn_log_capture.h"

#include <fcntl.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

using PelornTest::CountLogged;
using PelornTest::ScopedEnv;

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
    g_usleep(300 * 1000); // the player left behind gets its device and ends
    done = true;
    drain.join();
    close(reader);
}
