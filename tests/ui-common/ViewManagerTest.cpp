#include "ViewManager.h"
#include "TestEnvironment.h"
#include "UiTestHarness.h"
#include "ViewBasicElements.h"
#include "pelorn_log_capture.h"

#include <gtest/gtest.h>
#include <memory>

using namespace NSORZUiCommon;

namespace
{
/* Every call a screen receives, as "<name>.<operation>". */
std::vector<std::string> gJournal;

int Count(const std::string& entry)
{
    int n = 0;
    for (auto& e : gJournal)
        n += e == entry;
    return n;
}

class FakeViewData : public ViewData
{
public:
    explicit FakeViewData(const std::string& title) : mTitle(title) {}
    std::string GetTitle() override
    {
        return mTitle;
    }
    std::string mTitle;
};

#define JOURNALED(operation)                                                                                 \
    void operation() override                                                                                \
    {                                                                                                        \
        gJournal.push_back(mName + "." #operation);                                                          \
    }

class FakeController : public ViewController
{
public:
    explicit FakeController(const std::string& name, const std::string& title = "")
        : mName(name), mTitle(title.empty() ? name : title)
    {
    }
    void Prepare() override
    {
        gJournal.push_back(mName + ".Prepare");
        // How many deferral ticks had been logged when this screen was built.
        mAnimatorTicksAtPrepare = 0;
        for (auto& line : pelorn_log_captured_lines())
        {
            if (line.find("TransitionFinishedCb") != std::string::npos)
                mAnimatorTicksAtPrepare = 0;
            else if (line.find("PushViewAnimator") != std::string::npos &&
                     line.find("[break]") == std::string::npos)
                ++mAnimatorTicksAtPrepare;
        }
        mViewDataPtr = std::make_shared<FakeViewData>(mTitle);
    }
    Evas_Object* Create(Evas_Object* parent) override
    {
        Evas_Object* rect = evas_object_rectangle_add(evas_object_evas_get(parent));
        evas_object_color_set(rect, 20, 40, 80, 255);
        return rect;
    }
    JOURNALED(Resume)
    JOURNALED(Pause)
    JOURNALED(Destroy)
    JOURNALED(UpdatedByPop)
    bool Pop() override
    {
        gJournal.push_back(mName + ".Pop");
        return mAllowPop;
    }
    void TimeTick() override {}
    void NetworkStateChanged(int) override {}
    void LocationStateChanged(int) override {}
    void ConsumerMsgReceived(int type, void*) override
    {
        gJournal.push_back(mName + ".Msg" + std::to_string(type));
    }
    void KivStateChanged(int) override {}
    JOURNALED(TransitionFinished)

    std::string mName;
    std::string mTitle;
    bool mAllowPop = true;
    int mAnimatorTicksAtPrepare = -1;
};

std::vector<int> StackTypes(ViewManager& manager)
{
    std::vector<int> types;
    for (auto& controller : manager.GetViewList())
        types.push_back(controller->GetViewData()->mViewType);
    return types;
}

class ViewManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mUi.Target(nullptr);
        ASSERT_TRUE(mElements.SetupViewBasicElements());
        mUi.Target(ViewBasicElements::GetWindow());
        mManager.Initialize();
        gJournal.clear();
        pelorn_log_capture_begin();
    }
    void TearDown() override
    {
        // Let a running transition end so that the next case starts idle.
        mUi.RunFor(700);
        mManager.DeleteAllViewExceptSpecificView(-1000);
        mUi.RunFor(100);
        pelorn_log_capture_end();
        mUi.Target(nullptr);
        evas_object_del(ViewBasicElements::GetWindow());
    }
    /* Pushes a screen and waits for its slide-in to end (when it has one). */
    std::shared_ptr<FakeController> PushAndSettle(const std::string& name, int type)
    {
        bool animates = !mManager.GetViewList().empty();
        auto controller = std::make_shared<FakeController>(name);
        mManager.PushView(controller, type, false, false);
        if (animates)
        {
            EXPECT_TRUE(mUi.RunUntil([&] { return Count(name + ".TransitionFinished") > 0; }));
        }
        return controller;
    }

    PelornTest::ScopedTestDirs mDirs;
    PelornTest::UiTestHarness& mUi = PelornTest::UiTestHarness::Get();
    ViewBasicElements mElements;
    ViewManager mManager;
};
} // namespace

// Back on the only screen lowers the window; during a slide it is ignored, then
// it pops unless the screen refuses (the screen stays, and back works again).
TEST_F(ViewManagerTest, BackLowersTheWindowOnTheOnlyScreenIsIgnoredDuringASlideAndPopsUnlessRefused)
{
    auto home = std::make_shared<FakeController>("home", std::string(200, 'T'));
    mManager.PushView(home, 0, true, false);
    Elm_Object_Item* item = home->GetViewData()->mNaviframeItem;
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(std::string(elm_object_item_text_get(item)), std::string(127, 'T'));

    mManager.ResumeView();
    mUi.PressKey("Escape"); // the application's own key, not back
    mUi.RunFor(50);
    EXPECT_EQ(Count("home.Pop"), 0);

    mUi.PressKey("XF86Back");
    mUi.RunFor(50);
    EXPECT_EQ(Count("home.Pop"), 1);
    EXPECT_EQ(Count("home.Pause"), 1);
    EXPECT_TRUE(pelorn_log_captured("pelorn-UI", "elm_win_lower"));
    EXPECT_EQ(StackTypes(mManager), std::vector<int>({0}));
    mManager.UpdateViewForConsumerMsgReceived(2, nullptr);
    EXPECT_EQ(Count("home.Msg2"), 1);

    auto locate = std::make_shared<FakeController>("locate");
    mManager.PushView(locate, 5, false, false);
    EXPECT_EQ(Count("home.Pause"), 2);
    mUi.PressKey("BackSpace");
    EXPECT_EQ(Count("locate.Pop"), 0);
    EXPECT_EQ(StackTypes(mManager), std::vector<int>({0, 5}));

    ASSERT_TRUE(mUi.RunUntil([] { return Count("locate.TransitionFinished") == 1; }));
    mUi.PressKey("BackSpace");
    EXPECT_EQ(Count("locate.Pop"), 1);
    EXPECT_EQ(Count("home.UpdatedByPop"), 1);
    EXPECT_EQ(StackTypes(mManager), std::vector<int>({0}));

    auto sticky = PushAndSettle("sticky", 5);
    sticky->mAllowPop = false;
    mUi.PressKey("BackSpace");
    EXPECT_EQ(StackTypes(mManager), std::vector<int>({0, 5}));
    sticky->mAllowPop = true;
    mUi.PressKey("BackSpace"); // not blocked by a stale transition flag
    EXPECT_EQ(Count("sticky.Pop"), 2);
    EXPECT_EQ(StackTypes(mManager), std::vector<int>({0}));
}

TEST_F(ViewManagerTest, TwoPushesDuringOneTransitionRunOnlyTheSecondOnTheSecondTickAfterIt)
{
    auto home = PushAndSettle("home", 0);
    auto second = std::make_shared<FakeController>("second");
    mManager.PushView(second, 1, false, false);
    auto dropped = std::make_shared<FakeController>("dropped");
    auto last = std::make_shared<FakeController>("last");
    mManager.PushView(dropped, 2, false, false);
    mManager.PushView(last, 3, false, false);
    EXPECT_EQ(Count("dropped.Prepare") + Count("last.Prepare"), 0);

    ASSERT_TRUE(mUi.RunUntil([] { return Count("last.Prepare") == 1; }));
    EXPECT_EQ(Count("second.TransitionFinished"), 1);
    // Each idle tick logs the animator's name: the first only counts, the
    // second runs the push.
    EXPECT_EQ(last->mAnimatorTicksAtPrepare, 2);
    ASSERT_TRUE(mUi.RunUntil([] { return Count("last.TransitionFinished") == 1; }));
    mUi.RunFor(200);
    EXPECT_EQ(Count("dropped.Prepare"), 0);
    EXPECT_EQ(StackTypes(mManager), std::vector<int>({0, 1, 3}));
    EXPECT_EQ(Count("second.Pause"), 1);
}

// Pop-to keeps the target and drops only what lies above.
TEST_F(ViewManagerTest, InsertLandsBelowTheNamedScreenOrOnTopPopToKeepsItsTargetAndDeleteAllKeepsOneType)
{
    PushAndSettle("home", 0);
    PushAndSettle("locate", 5);
    auto inserted = std::make_shared<FakeController>("inserted");
    mManager.InsertView(inserted, 3, 5, false, false);
    EXPECT_EQ(StackTypes(mManager), std::vector<int>({0, 3, 5}));
    Eina_List* items = elm_naviframe_items_get(ViewBasicElements::GetNaviframe());
    ASSERT_EQ(eina_list_count(items), 3u);
    EXPECT_EQ(eina_list_nth(items, 1), inserted->GetViewData()->mNaviframeItem)
        << "the naviframe and the stack must agree on the order";
    eina_list_free(items);

    auto orphan = std::make_shared<FakeController>("orphan");
    mManager.InsertView(orphan, 8, 42, false, false);
    EXPECT_EQ(StackTypes(mManager), std::vector<int>({0, 3, 5, 8}));
    ASSERT_TRUE(mUi.RunUntil([] { return Count("orphan.TransitionFinished") == 1; }))
        << "it slides in on top";

    mManager.PopToView(3);
    EXPECT_EQ(StackTypes(mManager), std::vector<int>({0, 3}));
    EXPECT_EQ(Count("inserted.UpdatedByPop"), 1);
    EXPECT_EQ(elm_naviframe_top_item_get(ViewBasicElements::GetNaviframe()),
              inserted->GetViewData()->mNaviframeItem);
    mManager.PopToView(9); // nothing of that type: the stack stays
    mUi.RunFor(700);
    EXPECT_EQ(StackTypes(mManager), std::vector<int>({0, 3}));

    // Deleting all but one type keeps those screens, without destroying the others.
    PushAndSettle("home2", 0);
    PushAndSettle("locate2", 5);
    ASSERT_TRUE(mManager.CheckExistOrNot(5));
    mManager.DeleteAllViewExceptSpecificView(0);
    EXPECT_EQ(StackTypes(mManager), std::vector<int>({0, 0}));
    EXPECT_FALSE(mManager.CheckExistOrNot(5));
    EXPECT_EQ(Count("inserted.Destroy") + Count("locate2.Destroy") + Count("locate2.Pause"), 0);
    EXPECT_EQ(elm_naviframe_top_item_get(ViewBasicElements::GetNaviframe()),
              mManager.GetViewList().back()->GetViewData()->mNaviframeItem);
    mManager.DeleteToSpecificView(7);
    EXPECT_EQ(StackTypes(mManager), std::vector<int>({0, 0}));
}
