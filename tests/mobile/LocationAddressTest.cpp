#include "Catalogue.h"
#include "DiscGeometry.h"
#include "UiTestHarness.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{
/* The location screen's address band, the layout the screen swallows over
 * the map, filling the round screen. */
class LocationAddress : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mOverlay = elm_layout_add(mUi.Window());
        ASSERT_TRUE(elm_layout_file_set(
            mOverlay, PELORN_TEST_BUILD_DIR "/res/contents/mobile/edje/MobileLocationView.edj", "mapContentOverlayLayout"));
        evas_object_geometry_set(mOverlay, 0, 0, 360, 360);
        evas_object_show(mOverlay);
    }
    void TearDown() override { evas_object_del(mOverlay); }

    std::vector<PelornTest::TextLine> Show(const std::string& text)
    {
        elm_object_part_text_set(mOverlay, "mobileLocationText", text.c_str());
        mUi.Settle();
        return PelornTest::TextLines(
            const_cast<Evas_Object*>(edje_object_part_object_get(elm_layout_edje_get(mOverlay), "mobileLocationText")));
    }

    PelornTest::UiTestHarness& mUi = PelornTest::UiTestHarness::Get();
    Evas_Object* mOverlay = nullptr;
};
} // namespace

/* Everything the band is given: each catalogue's address-unavailable text, the
 * demonstration address with its time line, an address that wraps to three
 * full lines, and one too long for three. Up to three lines keep the 18 px
 * size; every line stays on the disc and nothing is cut off. */
TEST_F(LocationAddress, EveryAddressStaysOnTheDiscInThreeLinesOfEighteenPixels)
{
    const std::vector<PelornTest::TextLine> reference = Show("Hg");
    ASSERT_EQ(1u, reference.size()) << PelornTest::Describe(reference);
    const int lineHeight = reference[0].h; // one line of the 18 px style, nothing shrunk
    ASSERT_GE(lineHeight, 18);

    struct Case
    {
        std::string name;
        std::string text;
        size_t lines; // as laid out at 18 px
    };
    std::vector<Case> cases = {
        {"demonstration address", "Messe Berlin GmbH, Messedamm 22, 14055 Berlin, Germany", 3},
        {"three full lines", "1200 Harbour Boulevard, Port Elizabeth, Springfield 62701, Freedonia", 3},
        {"phone-sim's address", "1 Main Street, Springfield, Freedonia", 2},
    };
    for (const std::string& language : PelornTest::ShippedLanguages())
    {
        const auto texts = PelornTest::ReadCatalogue(language);
        ASSERT_TRUE(texts.count("WDS_ORZ_NPBODY_ADDRESS_IS_UNAVAILABLE")) << language;
        cases.push_back({language + " address unavailable", texts.at("WDS_ORZ_NPBODY_ADDRESS_IS_UNAVAILABLE"), 1});
    }
    for (const Case& c : cases)
    {
        const std::vector<PelornTest::TextLine> lines = Show(c.text);
        const std::string layout = c.name + "\n" + PelornTest::Describe(lines);
        EXPECT_EQ(c.lines, lines.size()) << layout;
        for (const PelornTest::TextLine& line : lines)
            EXPECT_EQ(lineHeight, line.h) << "shrunk below 18 px: " << layout;
        EXPECT_LE(PelornTest::PixelsOutsideDisc(lines), 0.0) << layout;
        if (c.lines == 3)
            mUi.Screenshot("location-address-three-lines");
    }

    // More than three lines at 18 px (the demonstration address with its time,
    // a long address): smaller, but whole and on the disc.
    const std::string tooLong = "Building C, Floor 12, Unit 1204, 1200 Harbour Boulevard, Port Elizabeth Industrial "
                                "Park, North Springfield, Springfield County 62701, Freedonia";
    const std::vector<PelornTest::TextLine> withTime = Show("Messe Berlin GmbH, Messedamm 22, 14055 Berlin, Germany<br/>12/31 23:59");
    ASSERT_FALSE(withTime.empty());
    EXPECT_LT(withTime[0].h, lineHeight) << PelornTest::Describe(withTime);
    EXPECT_LE(PelornTest::PixelsOutsideDisc(withTime), 0.0) << PelornTest::Describe(withTime);
    const std::vector<PelornTest::TextLine> lines = Show(tooLong);
    ASSERT_FALSE(lines.empty());
    EXPECT_LT(lines[0].h, lineHeight) << "a text this long can only stay whole by shrinking";
    EXPECT_LE(PelornTest::PixelsOutsideDisc(lines), 0.0) << PelornTest::Describe(lines);
    Evas_Object* textblock =
        const_cast<Evas_Object*>(edje_object_part_object_get(elm_layout_edje_get(mOverlay), "mobileLocationText"));
    Evas_Textblock_Cursor* last = evas_object_textblock_cursor_new(textblock);
    evas_textblock_cursor_paragraph_last(last);
    evas_textblock_cursor_paragraph_char_last(last);
    Evas_Coord x = 0, y = 0, w = 0, h = 0, ox = 0, oy = 0, ow = 0, oh = 0;
    evas_textblock_cursor_char_geometry_get(last, &x, &y, &w, &h);
    evas_textblock_cursor_free(last);
    evas_object_geometry_get(textblock, &ox, &oy, &ow, &oh);
    EXPECT_LE(y + h, oh) << "the end of the address falls below its band:\n" << PelornTest::Describe(lines);
    char* plain = evas_textblock_text_markup_to_utf8(textblock, evas_object_textblock_text_markup_get(textblock));
    EXPECT_EQ(tooLong, plain ? plain : "") << "no ellipsis, nothing dropped";
    free(plain);
    mUi.Screenshot("location-address-long");
}
