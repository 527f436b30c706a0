#ifndef EFL_BETA_API_SUPPORT
#define EFL_BETA_API_SUPPORT // the accessibility getters
#endif

#include "NoTitleBody2IconButtonsPopup.h"
#include "ProgressLoadingPopup.h"
#include "TestEnvironment.h"
#include "TextOnlyToastPopup.h"
#include "TitleBody1ButtonPopup.h"
#include "UiTestHarness.h"

#include <gtest/gtest.h>
#include <utility>

using namespace NSORZUiCommon;

namespace
{
class CloseRecorder : public BasicPopupCloseEventListener, public ToastPopupCloseEventListener
{
public:
    void OnClosed(int popupType, int reason) override
    {
        mReports.emplace_back(popupType, reason);
    }
    std::vector<std::pair<int, int>> mReports;
};

class PopupTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mUi.Target(nullptr);
    }

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
    bool WaitGone(BasicPopup& popup)
    {
        return mUi.RunUntil([&] { return popup.GetPopup() == nullptr; });
    }
    using Reports = std::vector<std::pair<int, int>>;

    PelornTest::ScopedTestDirs mDirs;
    PelornTest::UiTestHarness& mUi = PelornTest::UiTestHarness::Get();
    CloseRecorder mRecorder;
};
} // namespace

// Back reports 0, a tap in the screen's corner outside the disc 4, the bottom
// arc button 1 (a tap on the body text nothing), the time-out 6; once each,
// and the showing's state is cleared. Showing twice keeps the first widget,
// and a clear is not a close.
TEST_F(PopupTest, TitleBodyPopupReportsHowItWasClosedOnceAndGoesAway)
{
    auto twice = MakeNotice();
    twice->Show();
    Evas_Object* first = twice->GetPopup();
    twice->Show();
    EXPECT_EQ(twice->GetPopup(), first);
    twice->Clear();
    EXPECT_EQ(twice->GetPopup(), nullptr);
    mUi.RunFor(100);
    EXPECT_TRUE(mRecorder.mReports.empty()) << "a clear is not a close";

    const struct
    {
        std::string how;
        double timeout;
        int reason;
    } cases[] = {{"back", 0.0, 0}, {"corner", 0.0, 4}, {"button", 0.0, 1}, {"timeout", 0.3, 6}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.how);
        mRecorder.mReports.clear();
        auto popup = MakeNotice(c.timeout);
        popup->Show();
        ASSERT_NE(popup->GetPopup(), nullptr);
        if (c.how == "back")
        {
            EXPECT_FALSE(mUi.Screenshot("popup_title_body_1button").empty());
            mUi.PressKey("XF86Back");
        }
        else if (c.how == "corner")
        {
            mUi.Settle();
            mUi.Tap(6, 6);
        }
        else if (c.how == "button")
        {
            mUi.Settle();
            mUi.Tap(180, 150);
            mUi.RunFor(100);
            EXPECT_TRUE(mRecorder.mReports.empty()) << "the body text is not a button";
            mUi.Tap(180, 340);
        }
        ASSERT_TRUE(WaitGone(*popup));
        mUi.RunFor(200);
        EXPECT_EQ(mRecorder.mReports, (Reports{{10, c.reason}}));
        EXPECT_TRUE(popup->GetContentStringID().empty());
    }
}

// The icon buttons on the edges report 1 and 2; the progress popup, its
// spinner turning, reports back as 0.
TEST_F(PopupTest, IconButtonsOnTheEdgesProgressPopupsBackAndToastsReportThemselves)
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
    auto progress = std::make_shared<ProgressLoadingPopup>(8, mUi.Window());
    progress->SetContentStringID("Connecting to phone...");
    progress->SetButton1StringID("STOP");
    progress->SetCloseEventListener(&mRecorder);
    progress->Show();
    mUi.RunFor(400);
    EXPECT_FALSE(mUi.Screenshot("popup_progress_loading").empty());
    mUi.PressKey("BackSpace");
    ASSERT_TRUE(WaitGone(*progress));
    EXPECT_EQ(mRecorder.mReports, (Reports{{0, 1}, {0, 2}, {8, 0}}));
    Evas_Object* bystander = elm_layout_add(mUi.Window());
    ASSERT_TRUE(elm_layout_theme_set(bystander, "layout", "application", "default"));
    int rethemed = 0;
    evas_object_smart_callback_add(
        bystander, "theme,changed", [](void* n, Evas_Object*, void*) { ++*static_cast<int*>(n); }, &rethemed);
    ProgressLoadingPopup(8, mUi.Window()).Show();
    EXPECT_EQ(0, rethemed) << "the popup's styles were added again, re-theming every widget on the screen";

    // A toast reports its time-out (3) or a tap (1), then that it was dismissed (0).
    for (int type : {2, 1})
    {
        mRecorder.mReports.clear();
        TextOnlyToastPopup toast(type, mUi.Window());
        const char* const text = type == 2 ? "Location not available." : "Failed. Try again later.";
        toast.SetContentText(text);
        if (type == 2)
            toast.SetTimeout(0.4);
        toast.mCloseEventListener = &mRecorder;
        toast.Show();
        EXPECT_TRUE(toast.IsShowing());
        // What a screen reader announces as it appears.
        EXPECT_STREQ(text, efl_access_object_i18n_name_get(toast.GetPopup()));
        EXPECT_EQ(EFL_ACCESS_ROLE_NOTIFICATION, efl_access_object_role_get(toast.GetPopup()));
        if (type == 2)
        {
            EXPECT_FALSE(mUi.Screenshot("popup_toast").empty());
        }
        else
        {
            mUi.Settle();
            mUi.Tap(180, 180);
        }
        ASSERT_TRUE(mUi.RunUntil([&] { return !toast.IsShowing(); }));
        mUi.RunFor(100);
        EXPECT_EQ(mRecorder.mReports, (Reports{{type, type == 2 ? 3 : 1}, {type, 0}}));
    }
}
