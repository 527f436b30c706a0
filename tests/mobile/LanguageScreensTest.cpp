#include "AppScenario.h"
#include "Catalogue.h"
#include "DiscGeometry.h"
#include "FindingScreenProbe.h"
#include "TestEnvironment.h"
#include "ViewBasicElements.h"
#include "vconf.h"

#include <Ecore_Evas.h>
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <glib.h>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

using PelornTest::AppScenario;

using FindingScreenProbe::AgreeButton;
using FindingScreenProbe::BasicPopup;
using FindingScreenProbe::LEGAL_NOTICE;
using FindingScreenProbe::ButtonText;
using FindingScreenProbe::Screen;

namespace
{
// The app's window, as a function the scenario can look at again.
auto* const LanguageWindow = &NSORZUiCommon::ViewBasicElements::GetWindow;

/* The textblock a part of a widget's layout shows its text with. */
Evas_Object* TextPart(Evas_Object* layout, const char* part)
{
    Evas_Object* edje = layout ? elm_layout_edje_get(layout) : nullptr;
    return edje ? const_cast<Evas_Object*>(edje_object_part_object_get(edje, part)) : nullptr;
}

Evas_Object* TitleLabel()
{
    auto view = Screen();
    Evas_Object* titleLayout =
        view ? elm_object_part_content_get(view->GetMainLayout(), "titieLayoutSwallow") : nullptr;
    return titleLayout ? elm_object_part_content_get(titleLayout, "title") : nullptr;
}

/* One character drawn white, over the black backdrop the caller laid on the
 * window: the size of its text object, then the pixels inside it as the canvas
 * rendered them. */
std::vector<uint32_t> DrawCharacter(Evas* evas, const char* font, int size, gunichar c)
{
    char utf8[8] = {0};
    g_unichar_to_utf8(c, utf8);
    Evas_Object* text = evas_object_text_add(evas);
    evas_object_text_font_set(text, font, size);
    evas_object_text_text_set(text, utf8);
    evas_object_color_set(text, 255, 255, 255, 255);
    evas_object_move(text, 4, 4);
    evas_object_layer_set(text, EVAS_LAYER_MAX);
    evas_object_show(text);
    Ecore_Evas* ee = ecore_evas_ecore_evas_get(evas);
    ecore_evas_manual_render(ee);
    int width = 0, height = 0;
    ecore_evas_geometry_get(ee, nullptr, nullptr, &width, &height);
    const uint32_t* pixels = static_cast<const uint32_t*>(ecore_evas_buffer_pixels_get(ee));
    Evas_Coord x = 0, y = 0, w = 0, h = 0;
    evas_object_geometry_get(text, &x, &y, &w, &h);
    std::vector<uint32_t> drawn{(uint32_t)w, (uint32_t)h};
    for (int row = y; pixels && row < y + h && row < height; ++row)
        for (int col = x; col < x + w && col < width; ++col)
            drawn.push_back(pixels[row * width + col]);
    evas_object_del(text);
    return drawn;
}

/* Every character of the language's texts, blanks and controls left out. */
std::vector<gunichar> CharactersOf(const std::map<std::string, std::string>& texts)
{
    std::set<gunichar> seen;
    for (const auto& entry : texts)
        for (const gchar* p = entry.second.c_str(); *p; p = g_utf8_next_char(p))
        {
            const gunichar c = g_utf8_get_char(p);
            if (!g_unichar_isspace(c) && !g_unichar_iscntrl(c))
                seen.insert(c);
        }
    return std::vector<gunichar>(seen.begin(), seen.end());
}

/* The characters of the texts that the canvas draws as the replacement box
 * ("tofu") in any font the theme and the screens ask for. A character is a box
 * when it comes out pixel for pixel like the last private-use code point,
 * which no installed font has. Empty when every character has a glyph; an
 * invisible box (the check could not fail) is reported as well. */
std::vector<std::string> BoxedCharacters(const std::vector<gunichar>& chars)
{
    static const char* const kFonts[] = {"Sans", "Sans:style=Bold", "DejaVuSans", "DejaVuSans:style=Bold"};
    const int kSize = 28;
    std::vector<std::string> boxed;
    Evas* evas = evas_object_evas_get(LanguageWindow());
    Evas_Object* backdrop = evas_object_rectangle_add(evas);
    evas_object_color_set(backdrop, 0, 0, 0, 255);
    evas_object_geometry_set(backdrop, 0, 0, 360, 360);
    evas_object_layer_set(backdrop, EVAS_LAYER_MAX - 1);
    evas_object_show(backdrop);
    for (const char* font : kFonts)
    {
        const std::vector<uint32_t> box = DrawCharacter(evas, font, kSize, 0x10FFFD);
        const bool lit = std::any_of(box.begin() + 2, box.end(), [](uint32_t p) { return (p & 0x00ffffff) != 0; });
        if (!lit)
            boxed.push_back(std::string("(no visible replacement box in ") + font + ")");
        for (size_t i = 0; lit && i < chars.size(); ++i)
            if (DrawCharacter(evas, font, kSize, chars[i]) == box)
            {
                char name[64];
                char utf8[8] = {0};
                g_unichar_to_utf8(chars[i], utf8);
                snprintf(name, sizeof(name), "U+%04X %s in %s", chars[i], utf8, font);
                boxed.push_back(name);
            }
    }
    evas_object_del(backdrop);
    return boxed;
}

/* A language and the catalogue its screens speak: German has no texts of its own, so English, never raw ids.
 */
struct Language
{
    std::string name;
    std::string catalogue;
};

void PrintTo(const Language& language, std::ostream* out)
{
    *out << language.name;
}

std::vector<Language> Languages()
{
    std::vector<Language> all{{"de_DE", "en_US"}};
    for (const std::string& shipped : PelornTest::ShippedLanguages())
        all.push_back({shipped, shipped});
    return all;
}

class LanguageScreens : public ::testing::TestWithParam<Language>
{
protected:
    void SetUp() override
    {
        vconf_set_str("db/menu_widget/language", (GetParam().name + ".UTF-8").c_str());
    }
    PelornTest::ScopedTestDirs mDirs;
};
} // namespace

/* The first-run screens in each language, saved as pictures; every character of the texts has a glyph
 * in the theme's fonts. The agreement is stored and survives a restart. */
TEST_P(LanguageScreens, ShowEveryTextWithARealGlyph)
{
    const std::string language = GetParam().name;
    const std::map<std::string, std::string> texts = PelornTest::ReadCatalogue(GetParam().catalogue);
    ASSERT_FALSE(texts.empty()) << language;
    const std::vector<gunichar> chars = CharactersOf(texts);
    std::vector<std::string> boxed{"(not looked at)"};
    std::string buttonText, titleText;
    // Each text as laid out on its screen, and how far it reaches past the disc.
    std::map<std::string, std::vector<PelornTest::TextLine>> laidOut;
    AppScenario s;
    s.WaitFor("legal notice", [] { return AppScenario::AcceptsEvents(AgreeButton()); })
        .ScreenshotWhenStill(LanguageWindow, "legal-notice-" + language)
        .Do("legal notice texts",
            [&]
            {
                Evas_Object* content = elm_object_content_get(BasicPopup(LEGAL_NOTICE)->GetPopup());
                laidOut["legal notice title"] = PelornTest::TextLines(TextPart(content, "elm.text.title"));
                laidOut["legal notice body"] = PelornTest::TextLines(TextPart(content, "elm.text"));
            })
        .Do("look at every glyph", [&] { boxed = BoxedCharacters(chars); })
        .TapWhenReady("agree", AgreeButton,
                      [] { return !BasicPopup(LEGAL_NOTICE) && Screen() && Screen()->IsNormalState() &&
                                  AppScenario::AcceptsEvents(Screen()->GetButton()); })
        .ScreenshotWhenStill(LanguageWindow, "finding-" + language)
        .Do("finding screen texts",
            [&]
            {
                buttonText = ButtonText();
                const char* title = TitleLabel() ? elm_object_text_get(TitleLabel()) : nullptr;
                titleText = title ? title : "";
                laidOut["finding screen title"] = PelornTest::TextLines(TextPart(TitleLabel(), "elm.text"));
                laidOut["finding button text"] = PelornTest::TextLines(TextPart(Screen()->GetTextLayout(), "text"));
            })
        .Then(
            "open the menu", [] { AppScenario::Tap(LanguageWindow(), 352, 180); },
            [] { return eext_more_option_opened_get(Screen()->GetMoreOption()); })
        .ScreenshotWhenStill(LanguageWindow, "more-option-" + language);
    s.Run({});
    ASSERT_EQ("", s.FailedStep());
    int agreed = 0;
    ASSERT_EQ(VCONF_OK, vconf_get_bool("db/brig/user_agreement/orzzib", &agreed));
    EXPECT_EQ(1, agreed);
    EXPECT_EQ(texts.at("IDS_ORZ_BUTTON_START"), buttonText) << "the screen is not in " << language;
    EXPECT_NE(std::string::npos, titleText.find(texts.at("WDS_ORZ_HEADER_RUX_ABB"))) << titleText;
    EXPECT_EQ(std::vector<std::string>{}, boxed) << "drawn as replacement boxes";
    for (const auto& text : laidOut)
    {
        EXPECT_FALSE(text.second.empty()) << text.first << " shows nothing";
        EXPECT_LE(PelornTest::PixelsOutsideDisc(text.second), 0.0)
            << text.first << " crosses the edge of the screen:\n"
            << PelornTest::Describe(text.second);
    }

    // A fresh process reads the stored agreement and shows no notice.
    const std::string logPath = mDirs.StateDir() + "/pelorn.log";
    std::ofstream(logPath, std::ios::trunc).close();
    const int pid = PelornTest::SpawnProgram({PelornTest::BuiltProgram("pelorn")});
    ASSERT_GT(pid, 0);
    const bool built = PelornTest::RunGlibUntil(
        [&] { return PelornTest::ReadFile(logPath).find("ShowLegalAgreementPopup") != std::string::npos; }, 20000);
    PelornTest::EndChild(pid);
    ASSERT_TRUE(built) << "the restarted app never built its screen";
    EXPECT_EQ(std::string::npos, PelornTest::ReadFile(logPath).find("User didn't agree for Orz"));
}

INSTANTIATE_TEST_SUITE_P(Shipped, LanguageScreens, ::testing::ValuesIn(Languages()),
                         [](const ::testing::TestParamInfo<Language>& info) { return info.param.name; });
