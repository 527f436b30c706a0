#include "AppLauncher.h"
#include "TestEnvironment.h"
#include "pelorn_log_capture.h"
#include "vconf.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <memory>
#include <stdlib.h>
#include <string>
#include <vector>

using NSORZCommon::AppLauncher;
using NSORZCommon::AppLauncherReplyListener;
using PelornTest::ExtraOf;

namespace
{
struct Answer
{
    int requestId;
    app_control_result_e result;
    std::string permission;
    std::string popupResponse;
};

class ReplyRecorder : public AppLauncherReplyListener
{
public:
    void OnReplieded(app_control_h request, app_control_h reply, app_control_result_e result,
                     int requestId) override
    {
        mAnswers.push_back({requestId, result, ExtraOf(reply, ORZ_APP_CONTROL_DATA_PERMISSION_CONTROL),
                            ExtraOf(reply, ORZ_APP_CONTROL_POPUP_RESPONSE)});
    }
    std::vector<Answer> mAnswers;
};

class AppLauncherTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mLauncher.SetReplyListener(&mRecorder);
        pelorn_log_capture_begin();
    }
    void TearDown() override
    {
        pelorn_log_capture_end();
    }
    // The popups are other processes; they log into the same state folder.
    bool PopupLogged(const std::string& text)
    {
        return PelornTest::ReadFile(mDirs.StateDir() + "/pelorn.log").find(text) != std::string::npos;
    }
    bool PopupUp(const char* appId)
    {
        return g_file_test((mDirs.RuntimeDir() + "/apps/" + appId + ".launch").c_str(), G_FILE_TEST_EXISTS);
    }

    PelornTest::ScopedTestDirs mDirs;
    PelornTest::ScopedEnv mApps{"PELORN_APPS_DIR", PelornTest::BuiltProgram("").c_str()};
    PelornTest::ScopedEnv mPermission{"PELORN_ANSWER_COM_QUENLOR_PERMISSIONPOPUP", "yes"};
    PelornTest::ScopedEnv mNetly{"PELORN_ANSWER_COM_QUENLOR_NETLY_POPUP", "CANCEL"};
    PelornTest::ScopedEnv mBt{"PELORN_ANSWER_COM_QUENLOR_BT_CONNECTION_POPUP", "OK"};
    PelornTest::ScopedEnv mDelay{"PELORN_ANSWER_DELAY_MS", nullptr};
    ReplyRecorder mRecorder;
    AppLauncher mLauncher;
};
} // namespace

// A retail demonstration watch launches nothing, and the reply tag stays.
TEST_F(AppLauncherTest, PermissionAnswerReachesTheListenerTaggedWithTheRequestIdAndRetailDemoLaunchesNothing)
{
    ASSERT_EQ(APP_CONTROL_ERROR_NONE, mLauncher.RequestPermissionPopup(4));
    EXPECT_EQ(4, mLauncher.GetRequestId());
    ASSERT_TRUE(PelornTest::RunGlibUntil([&] { return !mRecorder.mAnswers.empty(); }, 20000));
    EXPECT_EQ(4, mRecorder.mAnswers[0].requestId);
    EXPECT_EQ(APP_CONTROL_RESULT_SUCCEEDED, mRecorder.mAnswers[0].result);
    EXPECT_EQ("yes", mRecorder.mAnswers[0].permission);
    // The popup's log is written behind its answer: the line may come after it.
    EXPECT_TRUE(PelornTest::RunGlibUntil(
        [&] { return PopupLogged("asks: Allow com.quenlor.pelorn-phone to: Use data network?"); }, 20000));

    vconf_set_int("db/retailmode/enabled", 1);
    EXPECT_EQ(APP_CONTROL_ERROR_NONE, mLauncher.RequestPermissionPopup(5));
    EXPECT_EQ(APP_CONTROL_ERROR_NONE, mLauncher.RequestDovConnectionPopup(6));
    EXPECT_EQ(4, mLauncher.GetRequestId());
    PelornTest::RunGlibFor(700);
    EXPECT_EQ(1u, mRecorder.mAnswers.size());
}

TEST_F(AppLauncherTest, ConnectionPopupIsNotLaunchedTwiceBtPopupNeedsItsTextsAndOutlivesItsLauncher)
{
    g_setenv("PELORN_ANSWER_DELAY_MS", "1500", TRUE);
    ASSERT_EQ(APP_CONTROL_ERROR_NONE, mLauncher.RequestDovConnectionPopup(0));
    ASSERT_TRUE(PelornTest::RunGlibUntil([&] { return PopupUp(ORZ_APP_ID_NETLY_POPUP); }, 10000));
    EXPECT_EQ(APP_CONTROL_ERROR_NONE, mLauncher.RequestDovConnectionPopup(7));
    EXPECT_EQ(0, mLauncher.GetRequestId()) << "a request that was not sent must not retag the replies";
    ASSERT_TRUE(PelornTest::RunGlibUntil([&] { return !mRecorder.mAnswers.empty(); }, 20000));
    PelornTest::RunGlibFor(300);
    ASSERT_EQ(1u, mRecorder.mAnswers.size());
    EXPECT_EQ("CANCEL", mRecorder.mAnswers[0].popupResponse);

    EXPECT_NE(APP_CONTROL_ERROR_NONE, mLauncher.RequestBTConnectionUserDefinedPopup(3, "", "body"));
    EXPECT_NE(APP_CONTROL_ERROR_NONE, mLauncher.RequestBTConnectionUserDefinedPopup(3, "title", ""));

    // A screen may go away while its popup is still up: the reply is dropped.
    g_setenv("PELORN_ANSWER_DELAY_MS", "300", TRUE);
    ReplyRecorder recorder;
    {
        auto launcher = std::make_shared<AppLauncher>();
        launcher->SetReplyListener(&recorder);
        ASSERT_EQ(APP_CONTROL_ERROR_NONE, launcher->RequestBTConnectionUserDefinedPopup(3, "Title", "Body"));
    }
    ASSERT_TRUE(PelornTest::RunGlibUntil(
        [&] { return pelorn_log_captured("pelorn-c", "launcher already gone"); }, 20000));
    EXPECT_TRUE(recorder.mAnswers.empty());
    EXPECT_TRUE(PelornTest::RunGlibUntil([&] { return PopupLogged("asks: Title\\x0aBody"); }, 20000));
}
