#include "ChangeableTheme.h"
#include "ElementaryHelper.h"
#include "TestEnvironment.h"
#include "UiTestHarness.h"
#include "pelorn_resources.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <stdlib.h>

using namespace NSORZUiCommon;

namespace
{
/* Top-level objects of the canvas. */
unsigned CanvasObjectCount(Evas* evas)
{
    unsigned n = 0;
    for (Evas_Object* o = evas_object_bottom_get(evas); o; o = evas_object_above_get(o))
        ++n;
    return n;
}

/* The colour's rgba as one number, or -1 when the code has none. */
long long Rgba(const char* code)
{
    int r = -1, g = -1, b = -1, a = -1;
    if (uxt_theme_get_color(code, &r, &g, &b, &a, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL) !=
        UXT_ERROR_NONE)
        return -1;
    return ((long long)r << 24) | (g << 16) | (b << 8) | a;
}

void CountCb(void* data)
{
    ++*static_cast<int*>(data);
}
} // namespace

TEST(ChangeableThemeTest, ShippedTablesAnswerTheCodesTheScreensUseTellListenersAndOutliveABrokenOne)
{
    int colorChanges = 0, fontChanges = 0;
    uxt_theme_add_changed_callback(UXT_THEME_CHANGED_TYPE_COLOR, CountCb, &colorChanges);
    uxt_theme_add_changed_callback(UXT_THEME_CHANGED_TYPE_FONT, CountCb, &fontChanges);
    ChangeableTheme theme;
    theme.InitChangeableTheme();
    EXPECT_EQ(colorChanges, 1);
    EXPECT_EQ(fontChanges, 1);

    EXPECT_EQ(Rgba("AO0022"), 0x4dcfffff);
    for (const char* code : {"AO0023", "ATO001", "AT0110"})
        EXPECT_NE(Rgba(code), -1) << code;
    int sr = 0, sa = 0;
    uxt_theme_get_color("AT0110", NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, &sr, NULL, NULL, &sa);
    EXPECT_EQ(sa, 0x80);
    EXPECT_EQ(Rgba("ZZ9999"), -1);

    // A broken table is refused and the current one stays.
    PelornTest::ScopedTestDirs dirs;
    const std::string broken = dirs.StateDir() + "/broken.xml";
    for (const char* text :
         {"<ChangeableColorTable><color code=\"AO0022\" rgba=\"#12\"/></ChangeableColorTable>",
          "<ChangeableColorTable><color code=\"AO0022\" rgba=\"#4dcfffff\">", ""})
    {
        ASSERT_TRUE(g_file_set_contents(broken.c_str(), text, -1, nullptr));
        EXPECT_EQ(uxt_theme_add_color_table(broken.c_str()), nullptr) << text;
    }
    EXPECT_EQ(Rgba("AO0022"), 0x4dcfffff);

    char* font = nullptr;
    int size = 0;
    ASSERT_EQ(uxt_theme_get_font_info("AT0110", &font, &size), UXT_ERROR_NONE);
    EXPECT_STREQ(font, "Sans:style=Bold");
    EXPECT_EQ(size, 28);
    free(font);

    theme.UnloadColorTable();
    EXPECT_EQ(Rgba("AO0022"), -1);
    theme.UnloadFontTable();
    uxt_theme_delete_changed_callback(UXT_THEME_CHANGED_TYPE_COLOR, CountCb);
    uxt_theme_delete_changed_callback(UXT_THEME_CHANGED_TYPE_FONT, CountCb);
}

TEST(ElementaryHelperTest, MissingGroupLeavesNoLayoutAndTextblockLinesAreCounted)
{
    PelornTest::ScopedTestDirs dirs;
    auto& ui = PelornTest::UiTestHarness::Get();
    ElementaryHelper helper;
    std::string edj = std::string(pelorn_res_dir()) + "contents/mobile/edje/Popup.edj";
    Evas_Object* win = ui.Window();
    ui.Settle();
    unsigned before = CanvasObjectCount(evas_object_evas_get(win));
    EXPECT_EQ(helper.CreateExpandLayout(win, edj, "noSuchGroup"), nullptr);
    ui.Settle();
    EXPECT_EQ(CanvasObjectCount(evas_object_evas_get(win)), before);
    EXPECT_EQ(helper.CreateLayout(nullptr, edj, "popupLayout"), nullptr);

    Evas_Object* layout = helper.CreateLayout(win, edj, "progressing_popup");
    ASSERT_NE(layout, nullptr);
    evas_object_resize(layout, 260, 200);
    evas_object_show(layout);
    elm_object_part_text_set(layout, "text", "one<br>two<br>three");
    ui.Settle();
    EXPECT_EQ(helper.GetTextblockMaxLine(layout, "text"), 3);
    evas_object_del(layout);
}
