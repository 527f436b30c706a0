#ifndef EFL_BETA_API_SUPPORT
#define EFL_BETA_API_SUPPORT // the accessibility getters
#endif

#include "NoTitleBody2IconButtonsPopup.h"
#include "ProgressLoadingPopup.h"
#include "TestEnvironment.h"
#include "TextOnlyToastPopup.h"
#include "TitleBody1ButtonPopup.h"
#include "UiTestHarness.h"
#include "pelorn_log_capture.h"

#include <gtest/gtest.h>
#include <utility>
#include <vector>

using namespace NSORZUiCommon;

namespace
{
class CloseRecorder : public BasicPopupCloseEventListener, public ToastPopupCloseEventListener
{
public:
    void OnClosed(int popupType, int reason) override { mReports.emplace_back(popupType, reason); }
    std::vector<std::pair<int, int>> mReports;
};

class PopupTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mUi.Target(nullptr);
        pelorn_log_capture_begin();
    }
    void TearDown() override { pelorn_log_capture_end(); }

    std::shared_ptr<TitleBody1ButtonPopup> MakeNotice(double timeout = 0.0)
    {
        auto popup = std::make_shared<TitleBody1ButtonPopup>(10, mUi.Window());
        popup->SetTitleStringID("Legal notice");
        popup->SetContentStringID("By enabling Pelorn you acknowledge that the location data of your phone "
                                  "is used to show where it is.");
        popup->SetButton1StringID("AGREE");
        popup->SetTimeout(timeout);
        popup->SetCloseEventListener(&mRecorder);
        return popup;
    }
    /* Waits until the popup's widget is gone after its dismissal. */
    bool WaitGone(BasicPopup& popup) { return mUi.RunUntil([&] { return popup.GetPopup() == nullptr; }); }

    PelornTest::ScopedTestDirs mDirs;
    PelornTest::UiTestHarness& mUi = PelornTest::UiTestHarness::Get();
    CloseRecorder mRecorder;
};
} // namespace

TEST_F(PopupTest, TitleBodyPopupReportsBackAsZeroAndGoesAway)
{
    auto popup = MakeNotice();
    popup->Show();
    ASSERT_NE(popup->GetPopup(), nullptr);
    EXPECT_FALSE(mUi.Screenshot("popup_title_body_1button").empty());

    mUi.PressKey("XF86Back");
    ASSERT_TRUE(WaitGone(*popup));
    EXPECT_EQ(mRecorder.mReports, (std::vector<std::pair<int, int>>{{10, 0}}));
    EXPECT_TRUE(popup->GetContentStringID().empty()); // the showing's state is cleared
}

TEST_F(PopupTest, TapInTheScreenCornerOutsideTheDiscReportsFour)
{
    auto popup = MakeNotice();
    popup->Show();
    mUi.Settle();
    mUi.Tap(6, 6);
    ASSERT_TRUE(WaitGone(*popup));
    EXPECT_EQ(mRecorder.mReports, (std::vector<std::pair<int, int>>{{10, 4}}));
}

TEST_F(PopupTest, TapOnTheBottomArcButtonReportsOneAndOnTheBodyNothing)
{
    auto popup = MakeNotice();
    popup->Show();
    mUi.Settle();
    mUi.Tap(180, 150); // the body text is not a button
    mUi.RunFor(100);
    EXPECT_TRUE(mRecorder.mReports.empty());
    mUi.Tap(180, 340);
    ASSERT_TRUE(WaitGone(*popup));
    EXPECT_EQ(mRecorder.mReports, (std::vector<std::pair<int, int>>{{10, 1}}));
}

TEST_F(PopupTest, TimeOutReportsSixOnce)
{
    auto popup = MakeNotice(0.3);
    popup->Show();
    ASSERT_TRUE(WaitGone(*popup));
    mUi.RunFor(200);
    EXPECT_EQ(mRecorder.mReports, (std::vector<std::pair<int, int>>{{10, 6}}));
}

TEST_F(PopupTest, ShowingTwiceIsRefusedAndKeepsTheFirstWidget)
{
    auto popup = MakeNotice();
    popup->Show();
    Evas_Object* first = popup->GetPopup();
    popup->Show();
    EXPECT_TRUE(pelorn_log_captured("pelorn-UI", "mPopup is already exist"));
    EXPECT_EQ(popup->GetPopup(), first);
    popup->Clear();
    EXPECT_EQ(popup->GetPopup(), nullptr);
    mUi.RunFor(100);
    EXPECT_TRUE(mRecorder.mReports.empty()); // a clear is not a close
}

TEST_F(PopupTest, IconButtonsOnTheEdgesReportOneAndTwo)
{
    for (int reason : {1, 2})
    {
        auto popup = std::make_shared<NoTitleBody2IconButtonsPopup>(0, mUi.Window());
        popup->SetContentStringID("Turn on location on your phone?");
        popup->SetButton1IconPath("core_button_icon_cancel.png");
        popup->SetButton2IconPath("core_button_icon_done.png");
        popup->SetCloseEventListener(&mRecorder);
        popup->Show();
        if (reason == 1)
            EXPECT_FALSE(mUi.Screenshot("popup_no_title_2_icon_buttons").empty());
        else
            mUi.Settle();
        mUi.Tap(reason == 1 ? 30 : 330, 180);
        ASSERT_TRUE(WaitGone(*popup));
    }
    EXPECT_EQ(mRecorder.mReports, (std::vector<std::pair<int, int>>{{0, 1}, {0, 2}}));
}

TEST_F(PopupTest, ProgressPopupShowsItsTextAndStopButtonAndReportsBack)
{
    auto popup = std::make_shared<ProgressLoadingPopup>(8, mUi.Window());
    popup->SetContentStringID("Connecting to phone...");
    popup->SetButton1StringID("STOP");
    popup->SetCloseEventListener(&mRecorder);
    popup->Show();
    mUi.RunFor(400); // the spinner turns
    EXPECT_FALSE(mUi.Screenshot("popup_progress_loading").empty());
    mUi.PressKey("BackSpace");
    ASSERT_TRUE(WaitGone(*popup));
    EXPECT_EQ(mRecorder.mReports, (std::vector<std::pair<int, int>>{{8, 0}}));
}

TEST_F(PopupTest, ToastReportsTimeOutThenDismissed)
{
    TextOnlyToastPopup toast(2, mUi.Window());
    toast.SetContentText("Location not available.");
    toast.SetTimeout(0.4);
    toast.mCloseEventListener = &mRecorder;
    toast.Show();
    EXPECT_TRUE(toast.IsShowing());
    // What a screen reader announces as it appears.
    EXPECT_STREQ("Location not available.", efl_access_object_i18n_name_get(toast.GetPopup()));
    EXPECT_EQ(EFL_ACCESS_ROLE_NOTIFICATION, efl_access_object_role_get(toast.GetPopup()));
    EXPECT_FALSE(mUi.Screenshot("popup_toast").empty());
    ASSERT_TRUE(mUi.RunUntil([&] { return !toast.IsShowing(); }));
    mUi.RunFor(100);
    EXPECT_EQ(mRecorder.mReports, (std::vector<std::pair<int, int>>{{2, 3}, {2, 0}}));
}

TEST_F(PopupTest, TappedToastReportsOneThenDismissed)
{
    TextOnlyToastPopup toast(1, mUi.Window());
    toast.SetContentText("Failed. Try again later.");
    toast.mCloseEventListener = &mRecorder;
    toast.Show();
    mUi.Settle();
    mUi.Tap(180, 180);
    ASSERT_TRUE(mUi.RunUntil([&] { return !toast.IsShowing(); }));
    EXPECT_EQ(mRecorder.mReports, (std::vector<std::pair<int, int>>{{1, 1}, {1, 0}}));
}
