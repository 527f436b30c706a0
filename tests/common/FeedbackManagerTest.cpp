#include "FeedbackManager.h"
#include "DeviceUtil.h"
#include "TestEnvironment.h"
#include "VconfUtil.h"

#include <feedback.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <pelorn_feedback.h>
#include <pelorn_log_capture.h>

using NSORZ::FeedbackManager;
using NSORZCommon::DeviceUtil;
using NSORZCommon::VconfUtil;

TEST(FeedbackManager, TapAndAlertReachTheFeedbackService)
{
    int initializedBefore = pelorn_feedback_get_state().initialized;
    FeedbackManager* manager = FeedbackManager::GetInstance();
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(pelorn_feedback_get_state().initialized, initializedBefore + 1);

    int played = pelorn_feedback_get_state().playCount;
    manager->PlayFeedback(false);
    pelorn_feedback_state_t state = pelorn_feedback_get_state();
    EXPECT_EQ(state.playCount, played + 1);
    EXPECT_EQ(state.lastType, FEEDBACK_TYPE_SOUND);
    EXPECT_EQ(state.lastPattern, 0);

    manager->PlayFeedback(true);
    state = pelorn_feedback_get_state();
    EXPECT_EQ(state.playCount, played + 2);
    EXPECT_EQ(state.lastType, FEEDBACK_TYPE_NONE) << "the alert plays through every channel";
    EXPECT_EQ(state.lastPattern, 33);

    FeedbackManager::DestroyInstance();
    EXPECT_FALSE(FeedbackManager::HasInstance());
    EXPECT_EQ(pelorn_feedback_get_state().initialized, initializedBefore);
}

// A wake-up that fails (the settings folder cannot hold the state) takes no lock.
TEST(DeviceUtil, LockKeepsTheDisplayOnReleaseLetsItGoAndAFailedWakeUpStopsBeforeTheLock)
{
    pelorn_log_capture_begin();
    {
        PelornTest::ScopedTestDirs dirs;
        EXPECT_EQ(DeviceUtil::SetLCDLockState(true), 0);
        pelorn_power_state_t state = pelorn_power_get_state();
        EXPECT_EQ(state.displayLocked, 1);
        EXPECT_EQ(state.wakeupState, 1);
        EXPECT_EQ(VconfUtil::GetPMState(), 1) << "the wake-up must be visible to other programs";

        EXPECT_EQ(DeviceUtil::SetLCDLockState(false), 0);
        EXPECT_EQ(pelorn_power_get_state().displayLocked, 0);
        EXPECT_EQ(pelorn_power_get_state().releaseRequests, state.releaseRequests + 1);
    }
    PelornTest::ScopedTestDirs dirs;
    ASSERT_TRUE(g_file_set_contents((dirs.RuntimeDir() + "/vconf").c_str(), "not a folder", -1, nullptr));
    int locksBefore = pelorn_power_get_state().lockRequests;
    EXPECT_NE(DeviceUtil::SetLCDLockState(true), 0);
    EXPECT_TRUE(pelorn_log_captured("pelorn-c", "device_power_wakeup error : ["));
    EXPECT_EQ(pelorn_power_get_state().lockRequests, locksBefore);
    EXPECT_LT(DeviceUtil::SetLCDLockState(false), 0);
    pelorn_log_capture_end();
}
