#include "PopupManager.h"
#include "TestEnvironment.h"
#include "UiTestHarness.h"
#include "ViewBasicElements.h"
#include "pelorn_log_capture.h"

#include <gtest/gtest.h>
#include <vector>

using namespace NSPelorn;
using namespace NSORZUiCommon;

namespace
{
class Recorder : public BasicPopupCloseEventListener, public ToastPopupCloseEventListener
{
public:
    void OnClosed(int popupType, int reason) override { mReports.push_back(popupType * 100 + reason); }
    std::vector<int> mReports;
};

class PopupManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(mElements.SetupViewBasicElements());
        mUi.Target(ViewBasicElements::GetWindow());
        pelorn_log_capture_begin();
    }
    void TearDown() override
    {
        pelorn_log_capture_end();
        mUi.Target(nullptr);
        evas_object_del(ViewBasicElements::GetWindow());
    }

    PelornTest::ScopedTestDirs mDirs;
    PelornTest::UiTestHarness& mUi = PelornTest::UiTestHarness::Get();
    ViewBasicElements mElements;
    Recorder mRecorder;
};
} // namespace

TEST_F(PopupManagerTest, TypeTableGivesEachTypeItsClassAndUnusedTypesNothingAndShownTextsRefreshInPlace)
{
    PopupManager manager;
    auto connecting = manager.CreateBasicPopup(8, &mRecorder);
    ASSERT_TRUE(connecting);
    EXPECT_EQ(connecting->GetPopupType(), 8);
    EXPECT_EQ(connecting->GetContentStringID(), "WDS_ORZ_POP_CONNECTING_TO_PHONE_ING_ABB");
    EXPECT_EQ(connecting->GetButton1StringID(), "IDS_ORZ_BUTTON_STOP_ABB2") << "a wait always offers a way out";

    EXPECT_FALSE(manager.CreateBasicPopup(4, &mRecorder));
    EXPECT_TRUE(pelorn_log_captured("pelorn-p", "[ERR] default err : 4"));
    EXPECT_FALSE(manager.GetBasicPopup(4));
    const int basicEnd = (int)ORZBasicPopupType::ORZ_POPUP_TYPE_MAX;
    const int toastEnd = (int)ORZToastPopupType::ORZ_TOAST_POPUP_TYPE_MAX;
    EXPECT_FALSE(manager.GetBasicPopup(basicEnd)) << "one past the last slot";
    EXPECT_FALSE(manager.GetBasicPopup(-1));
    EXPECT_FALSE(manager.GetToastPopup(toastEnd)) << "one past the last slot";
    EXPECT_FALSE(manager.CreateBasicPopup(basicEnd, &mRecorder));
    EXPECT_FALSE(manager.CreateToastPopup(toastEnd, &mRecorder));
    EXPECT_FALSE(manager.CreateToastPopup(4, &mRecorder));
    auto toast = manager.CreateToastPopup(2, &mRecorder);
    ASSERT_TRUE(toast);
    EXPECT_EQ(toast->mContentStringID, "<align=center>WDS_ORZ_TPOP_LOCATION_NOT_AVAILABLE_ABB</align>");
    EXPECT_DOUBLE_EQ(toast->mTimeout, 2.0);

    // A language change refreshes a shown popup's texts in place.
    auto located = manager.CreateBasicPopup(3, &mRecorder);
    located->SetContentStringID("Seoul, Gangnam-gu");
    located->Show();
    Evas_Object* widget = located->GetPopup();
    Evas_Object* shown = elm_object_content_get(widget);
    ASSERT_NE(shown, nullptr);
    // What the screen shows in the language it had before the change.
    elm_object_part_text_set(shown, "elm.text.title", "Standort");
    manager.UpdatePopupTexts();
    EXPECT_EQ(located->GetPopup(), widget);
    EXPECT_EQ(located->GetButton1StringID(), "WDS_ST_BUTTON_OK_ABB");
    Evas_Object* layout = elm_object_content_get(widget);
    ASSERT_NE(layout, nullptr);
    EXPECT_STREQ(elm_object_part_text_get(layout, "elm.text.title"), "WDS_ORZ_HEADER_PHONE_LOCATION_ABB");
    EXPECT_STREQ(elm_object_part_text_get(layout, "elm.text"), "Seoul, Gangnam-gu");
    manager.RemoveAllPopup();
    EXPECT_FALSE(manager.GetBasicPopup(3));
}

TEST_F(PopupManagerTest, RemoveAllExceptKeepsTheNamedPopupAndClosesTheRestWithoutReports)
{
    PopupManager manager;
    manager.CreateBasicPopup(8, &mRecorder)->Show();
    manager.CreateBasicPopup(10, &mRecorder)->Show();
    manager.CreateToastPopup(0, &mRecorder)->Show();
    manager.CreateToastPopup(2, &mRecorder)->Show();
    mUi.Settle();

    manager.RemoveAllPopupsExceptPopupWithId(8, 4);
    EXPECT_TRUE(pelorn_log_captured("pelorn-p", "Remove all of popups"));
    ASSERT_TRUE(manager.GetBasicPopup(8));
    EXPECT_NE(manager.GetBasicPopup(8)->GetPopup(), nullptr);
    EXPECT_FALSE(manager.GetBasicPopup(10));
    EXPECT_FALSE(manager.GetToastPopup(0));
    EXPECT_FALSE(manager.GetToastPopup(2));

    // The kept popup still closes normally: back reaches it, not a removed one. A report of
    // a removed one would have come before.
    mUi.PressKey("BackSpace");
    mUi.RunUntil([&] { return !mRecorder.mReports.empty(); });
    EXPECT_EQ(mRecorder.mReports, std::vector<int>({800}));

    // The two ids name slots of two different tables: a kept toast is found by its own.
    manager.CreateBasicPopup(10, &mRecorder)->Show();
    manager.CreateToastPopup(2, &mRecorder)->Show();
    manager.CreateToastPopup(0, &mRecorder)->Show();
    mUi.Settle();
    manager.RemoveAllPopupsExceptPopupWithId(10, 2);
    EXPECT_TRUE(manager.GetBasicPopup(10));
    EXPECT_TRUE(manager.GetToastPopup(2));
    EXPECT_FALSE(manager.GetToastPopup(0));
    manager.RemoveAllPopup();
}
