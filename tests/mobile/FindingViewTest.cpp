// The finding screen's widgets built by themselves, on the test harness's
// loop: what waits for the screen's first frame, and what does not.
#include "ChangeableTheme.h"
#include "PelornView.h"
#include "PelornViewData.h"
#include "TestEnvironment.h"
#include "TransitionHelper.h"
#include "UiTestHarness.h"
#include "ViewBasicElements.h"

#include <gtest/gtest.h>
#include <memory>

using NSORZUiCommon::ViewBasicElements;
using NSPelorn::PelornView;

namespace
{
class FindingView : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(mElements.SetupViewBasicElements());
        mUi.Target(ViewBasicElements::GetWindow());
        mTheme.InitChangeableTheme(); // the title's colour and face
    }
    void TearDown() override
    {
        mUi.Target(nullptr);
        evas_object_del(ViewBasicElements::GetWindow());
    }

    /* The screen's base, shown in the window as the view stack shows it. */
    Evas_Object* Build(PelornView& view)
    {
        Evas_Object* base =
            view.Create(ViewBasicElements::GetNaviframe(), std::make_shared<NSPelorn::PelornViewData>());
        if (base)
            elm_naviframe_item_push(ViewBasicElements::GetNaviframe(), nullptr, nullptr, nullptr, base,
                                    nullptr);
        return base;
    }

    PelornTest::ScopedTestDirs mDirs;
    PelornTest::UiTestHarness& mUi = PelornTest::UiTestHarness::Get();
    ViewBasicElements mElements;
    NSORZUiCommon::ChangeableTheme mTheme;
};

int AlphaOf(Evas_Object* obj)
{
    int r, g, b, a = -1;
    evas_object_color_get(obj, &r, &g, &b, &a);
    return a;
}
} // namespace

// The radar is transparent until the phone rings: the screen's first frame
// is drawn without it, and it is there, unseen, right after.
TEST_F(FindingView, RadarComesAfterTheFirstFrameUnseen)
{
    PelornView view;
    ASSERT_TRUE(Build(view));
    EXPECT_EQ(nullptr, view.GetRadarLayout()) << "built before the first frame";

    ASSERT_TRUE(mUi.RunUntil([&] { return view.GetRadarLayout() != nullptr; }, 20000)) << "never built";
    Evas_Object* radar = view.GetRadarLayout();
    EXPECT_EQ(radar, elm_object_part_content_get(view.GetMainLayout(), "radarLayoutSwallow"));
    EXPECT_EQ(0, AlphaOf(radar)) << "the idle screen shows its radar";
}

// A ring that comes before the first frame builds the radar there and then,
// turns it, and a stop before any frame stops it.
TEST_F(FindingView, RingBeforeTheFirstFrameTurnsTheRadar)
{
    PelornView view;
    ASSERT_TRUE(Build(view));
    ASSERT_EQ(nullptr, view.GetRadarLayout());

    view.ShowStopButton();
    ASSERT_NE(nullptr, view.GetRadarLayout());
    auto radar = view.GetTransitionHelper();
    ASSERT_TRUE(radar);
    EXPECT_NE(nullptr, radar->GetRunningRadarTransit()) << "the ring does not turn the radar";

    view.ShowStartButton();
    EXPECT_EQ(nullptr, radar->GetRunningRadarTransit());
    EXPECT_EQ(0, AlphaOf(view.GetRadarLayout()));
    // The frame still comes, and with it no second radar.
    Evas_Object* built = view.GetRadarLayout();
    mUi.Settle();
    EXPECT_EQ(built, view.GetRadarLayout());
    EXPECT_EQ(built, elm_object_part_content_get(view.GetMainLayout(), "radarLayoutSwallow"));
}

// A screen that goes before its first frame leaves nothing waiting for that
// frame: the next screen's radar still comes after it (a call into the gone
// one would be a use after free, which the sanitizer build stops at).
TEST_F(FindingView, ScreenGoneBeforeItsFirstFrameLeavesNothingWaiting)
{
    {
        PelornView gone;
        ASSERT_TRUE(Build(gone));
        elm_naviframe_item_pop(ViewBasicElements::GetNaviframe());
    }
    PelornView view;
    ASSERT_TRUE(Build(view));
    ASSERT_TRUE(mUi.RunUntil([&] { return view.GetRadarLayout() != nullptr; }, 20000)) << "never built";
    EXPECT_EQ(0, AlphaOf(view.GetRadarLayout()));
}
