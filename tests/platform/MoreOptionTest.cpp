#include "TestEnvironment.h"
#include "UiTestHarness.h"
#include "efl_extension.h"
#include "pelorn_resources.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace
{
struct Events
{
    std::vector<std::string> names;
    std::vector<void*> infos;
};

/* data is the event's name; the menu carries the list it is written down in. */
void RecordCb(void* data, Evas_Object* more, void* eventInfo)
{
    Events* events = static_cast<Events*>(evas_object_data_get(more, "recorded"));
    events->names.push_back(static_cast<const char*>(data));
    events->infos.push_back(eventInfo);
}

class MoreOptionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mUi.Target(nullptr);
        mMore = eext_more_option_add(mUi.Window());
        eext_more_option_direction_set(mMore, EEXT_MORE_OPTION_DIRECTION_RIGHT);
        elm_win_resize_object_add(mUi.Window(), mMore);
        Evas_Object* label = elm_label_add(mMore);
        elm_object_text_set(
            label, "<align=center><font_size=30><color=#ffffff>Find my phone</color></font_size></align>");
        elm_object_part_content_set(mMore, "elm.swallow.content", label);
        evas_object_data_set(mMore, "recorded", &mEvents);
        for (const char* name : {"item,clicked", "item,selected", "more,option,opened", "more,option,closed"})
            evas_object_smart_callback_add(mMore, name, RecordCb, const_cast<char*>(name));
    }
    void TearDown() override
    {
        evas_object_del(mMore);
    }

    Eext_Object_Item* AddItem(const char* text, const char* icon)
    {
        Eext_Object_Item* item = eext_more_option_item_append(mMore);
        eext_more_option_item_part_text_set(item, "selector,main_text", text);
        if (icon)
        {
            Evas_Object* image = elm_image_add(mMore);
            std::string edj = std::string(pelorn_res_dir()) + "contents/mobile/edje/MobileResources.edj";
            elm_image_file_set(image, edj.c_str(), icon);
            eext_more_option_item_part_content_set(item, "item,icon", image);
        }
        return item;
    }
    bool Saw(const std::string& name)
    {
        return std::count(mEvents.names.begin(), mEvents.names.end(), name) > 0;
    }

    PelornTest::ScopedTestDirs mDirs;
    PelornTest::UiTestHarness& mUi = PelornTest::UiTestHarness::Get();
    Evas_Object* mMore = nullptr;
    Events mEvents;
};
} // namespace

// The cue fades out and takes no tap once the fade has ended, however long
// that took; shown again, it opens the menu. (Tapping an item is the finding
// screen's daily use, in the end-to-end cases.)
TEST_F(MoreOptionTest, OnlyAShownCueOpensTheMenuTheBezelAndTheMiddleChooseAndBackClosesItKeepingItsItems)
{
    Eext_Object_Item* first = AddItem("Locate phone", "orz_more_icon_locate_device.png");
    Eext_Object_Item* second = AddItem("Help", "core_button_icon_done.png");
    auto cueShown = [this]
    { return evas_object_visible_get(edje_object_part_object_get(elm_layout_edje_get(mMore), "cue.event")); };
    elm_object_signal_emit(mMore, "cue,hide", "elm");
    ASSERT_TRUE(mUi.RunUntil([&] { return !cueShown(); }));
    mUi.Settle();
    mUi.Tap(352, 180);
    mUi.Settle();
    EXPECT_FALSE(eext_more_option_opened_get(mMore));
    elm_object_signal_emit(mMore, "cue,show", "elm");
    ASSERT_TRUE(mUi.RunUntil(cueShown));
    mUi.Settle();
    mUi.Tap(352, 180); // the cue on the right edge
    mUi.Settle();
    ASSERT_TRUE(eext_more_option_opened_get(mMore));
    EXPECT_TRUE(Saw("more,option,opened"));
    EXPECT_FALSE(mUi.Screenshot("more_option_open").empty());

    mUi.Rotate(true);
    ASSERT_EQ(mEvents.names.back(), "item,selected");
    EXPECT_EQ(mEvents.infos.back(), second);
    mUi.Tap(180, 180);
    mUi.Settle();
    EXPECT_EQ(mEvents.names.back(), "item,clicked");
    EXPECT_EQ(mEvents.infos.back(), second);
    mUi.Rotate(true); // wraps round to the first
    EXPECT_EQ(mEvents.infos.back(), first);

    mUi.PressKey("BackSpace");
    EXPECT_FALSE(eext_more_option_opened_get(mMore));
    EXPECT_TRUE(Saw("more,option,closed"));
    EXPECT_EQ(eina_list_count(eext_more_option_items_get(mMore)), 2u);
    EXPECT_NE(eext_more_option_item_part_content_get(first, "item,icon"), nullptr);
    EXPECT_STREQ(eext_more_option_item_part_text_get(first, "selector,main_text"), "Locate phone");
}
