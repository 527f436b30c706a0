#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <map>
#include <regex>
#include <set>
#include <string>

#include "TestEnvironment.h"

namespace
{
// The compiled catalogue (GNU .mo) as id -> text, read straight from the
// file so the test needs no installed system locale.
std::map<std::string, std::string> ReadCatalogue(const std::string& path)
{
    std::map<std::string, std::string> texts;
    std::string data = PelornTest::ReadFile(path);
    auto word = [&data](size_t at) {
        uint32_t v = 0;
        if (at + 4 <= data.size())
            memcpy(&v, data.data() + at, 4);
        return v;
    };
    if (word(0) != 0x950412de)
        return texts;
    uint32_t count = word(8), ids = word(12), strs = word(16);
    for (uint32_t i = 0; i < count; ++i)
    {
        uint32_t idLen = word(ids + 8 * i), idAt = word(ids + 8 * i + 4);
        uint32_t strLen = word(strs + 8 * i), strAt = word(strs + 8 * i + 4);
        if (idAt + idLen > data.size() || strAt + strLen > data.size())
            break;
        texts[data.substr(idAt, idLen)] = data.substr(strAt, strLen);
    }
    return texts;
}

void CollectIds(const std::string& dir, std::set<std::string>& ids)
{
    DIR* d = opendir(dir.c_str());
    if (!d)
        return;
    static const std::regex idPattern("\"((IDS|WDS)_[A-Z0-9_]+)\"");
    while (dirent* e = readdir(d))
    {
        std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        std::string path = dir + "/" + name;
        if (e->d_type == DT_DIR)
            CollectIds(path, ids);
        else if (name.size() > 4 && (name.substr(name.size() - 4) == ".cpp" || name.substr(name.size() - 2) == ".h"))
        {
            // Adjacent literals ("A_" "B") are one text to the compiler.
            static const std::regex adjacent("\"\\s*\"");
            std::string text = std::regex_replace(PelornTest::ReadFile(path), adjacent, "");
            for (std::sregex_iterator it(text.begin(), text.end(), idPattern), end; it != end; ++it)
                ids.insert((*it)[1]);
        }
    }
    closedir(d);
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

    for (const char* lang : {"en_US", "ko_KR"})
    {
        auto texts = ReadCatalogue(std::string(PELORN_TEST_BUILD_DIR) + "/res/locale/" + lang +
                                   "/LC_MESSAGES/pelorn-phone.mo");
        ASSERT_FALSE(texts.empty()) << lang;
        for (const std::string& id : ids)
        {
            auto it = texts.find(id);
            ASSERT_NE(texts.end(), it) << id << " has no " << lang << " text";
            EXPECT_FALSE(it->second.empty()) << id;
            EXPECT_EQ(std::string::npos, it->second.find("_ABB")) << id << " looks untranslated";
        }
    }
}

// The legal notice puts the joined application name into both placeholders.
TEST(TranslationCatalogue, LegalNoticeKeepsBothPlaceholders)
{
    for (const char* lang : {"en_US", "ko_KR"})
    {
        auto texts = ReadCatalogue(std::string(PELORN_TEST_BUILD_DIR) + "/res/locale/" + lang +
                                   "/LC_MESSAGES/pelorn-phone.mo");
        const std::string& legal =
            texts["WDS_ORZ_BODY_BY_ENABLING_P1SS_YOU_ACKNOWLEDGE_THAT_LOCATION_DATA_ASSOCIATED_WITH_YOUR_MOBILE_PHONE_"
                  "DISCLAIMER_LEGALPHRASE"];
        EXPECT_NE(std::string::npos, legal.find("%1$s")) << lang;
        EXPECT_NE(std::string::npos, legal.find("%2$s")) << lang;
    }
}
