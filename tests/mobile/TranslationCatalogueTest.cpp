#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>

#include "Catalogue.h"
#include "TestEnvironment.h"

namespace
{
void CollectIds(const std::string& dir, std::set<std::string>& ids)
{
    static const std::regex idPattern("\"((IDS|WDS)_[A-Z0-9_]+)\"");
    // Adjacent literals ("A_" "B") are one text to the compiler.
    static const std::regex adjacent("\"\\s*\"");
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir, error))
    {
        const std::string extension = entry.path().extension();
        if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h"))
            continue;
        const std::string text = std::regex_replace(PelornTest::ReadFile(entry.path()), adjacent, "");
        for (std::sregex_iterator it(text.begin(), text.end(), idPattern), end; it != end; ++it)
            ids.insert((*it)[1]);
    }
}
} // namespace

// Every text ID the code asks the "pelorn-phone" domain for has an English
// and a Korean translation; an untranslated ID would show as its raw name.
TEST(TranslationCatalogue, EveryTextIdOfTheCodeIsTranslated)
{
    std::set<std::string> ids;
    for (const char* area : {"mobile", "ui-common", "common"})
        CollectIds(std::string(PELORN_TEST_SOURCE_DIR) + "/" + area, ids);
    // The finding screen's own texts are there whoever else is built.
    for (const char* id : {"WDS_ORZ_HEADER_RUX_ABB", "IDS_ORZ_BUTTON_START", "IDS_ORZ_BUTTON_STOP_ABB2"})
        ids.insert(id);

    const std::vector<std::string> languages = PelornTest::ShippedLanguages();
    ASSERT_NE(languages.end(), std::find(languages.begin(), languages.end(), "en_US"));
    ASSERT_NE(languages.end(), std::find(languages.begin(), languages.end(), "ko_KR"));
    for (const std::string& lang : languages)
    {
        auto texts = PelornTest::ReadCatalogue(lang);
        ASSERT_FALSE(texts.empty()) << lang;
        for (const std::string& id : ids)
        {
            auto it = texts.find(id);
            ASSERT_NE(texts.end(), it) << id << " has no " << lang << " text";
            EXPECT_FALSE(it->second.empty()) << id;
            EXPECT_EQ(std::string::npos, it->second.find("_ABB")) << id << " looks untranslated";
        }
        // The legal notice puts the joined application name into both placeholders.
        const std::string& legal =
            texts["WDS_ORZ_BODY_BY_ENABLING_P1SS_YOU_ACKNOWLEDGE_THAT_LOCATION_DATA_ASSOCIATED_WITH_YOUR_MOBILE_PHONE_"
                  "DISCLAIMER_LEGALPHRASE"];
        EXPECT_NE(std::string::npos, legal.find("%1$s")) << lang;
        EXPECT_NE(std::string::npos, legal.find("%2$s")) << lang;
    }
}
