#include "TestEnvironment.h"
#include "feedback.h"
#include "pelorn_log_capture.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string>

using PelornTest::CountLogged;

// A desktop with no sound card (a server, a container) must not fill the log
// with one error per tap.
TEST(FeedbackSound, NoAudioDeviceIsLoggedOnceAndVibrationStaysALoggedEvent)
{
    PelornTest::ScopedTestDirs dirs;
    // An empty sound configuration: no device at all, whatever this machine has.
    const std::string config = dirs.StateDir() + "/asound.conf";
    ASSERT_TRUE(g_file_set_contents(config.c_str(), "", 0, nullptr));
    setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
    setenv("CANBERRA_DRIVER", "alsa", 1);

    ASSERT_EQ(feedback_initialize(), FEEDBACK_ERROR_NONE);
    pelorn_log_capture_begin();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(feedback_play_type(FEEDBACK_TYPE_SOUND, FEEDBACK_PATTERN_TAP), FEEDBACK_ERROR_NONE);
    EXPECT_EQ(feedback_play(FEEDBACK_PATTERN_GENERAL), FEEDBACK_ERROR_NONE);
    EXPECT_EQ(CountLogged("feedback|no event sound: audio-volume-change"), 1)
        << "the first tap's sound fails, and only that one is told";
    EXPECT_EQ(CountLogged("no event sound"), 1);

    pelorn_log_capture_clear();
    EXPECT_EQ(feedback_play_type(FEEDBACK_TYPE_VIBRATION, FEEDBACK_PATTERN_GENERAL), FEEDBACK_ERROR_NONE);
    EXPECT_EQ(CountLogged("feedback|play pattern 33 through vibration"), 1);
    pelorn_log_capture_end();
    feedback_deinitialize();
    unsetenv("ALSA_CONFIG_PATH");
    unsetenv("CANBERRA_DRIVER");
}
