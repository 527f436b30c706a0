#include "Catalogue.h"

#include "TestEnvironment.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>

namespace PelornTest
{
std::vector<std::string> ShippedLanguages()
{
    std::vector<std::string> languages;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(PELORN_TEST_SOURCE_DIR "/res/contents/po", error))
        if (entry.path().extension() == ".po")
            languages.push_back(entry.path().stem());
    std::sort(languages.begin(), languages.end());
    return languages;
}

std::map<std::string, std::string> ReadCatalogue(const std::string& language)
{
    std::map<std::string, std::string> texts;
    const std::string data =
        ReadFile(std::string(PELORN_TEST_BUILD_DIR) + "/res/locale/" + language + "/LC_MESSAGES/pelorn-phone.mo");
    auto word = [&data](size_t at) {
        uint32_t v = 0;
        if (at + 4 <= data.size())
            memcpy(&v, data.data() + at, 4);
        return v;
    };
    if (word(0) != 0x950412de)
        return texts;
    const uint32_t count = word(8), ids = word(12), strs = word(16);
    for (uint32_t i = 0; i < count; ++i)
    {
        const uint32_t idLen = word(ids + 8 * i), idAt = word(ids + 8 * i + 4);
        const uint32_t strLen = word(strs + 8 * i), strAt = word(strs + 8 * i + 4);
        if ((size_t)idAt + idLen > data.size() || (size_t)strAt + strLen > data.size())
            break;
        if (idLen > 0)
            texts[data.substr(idAt, idLen)] = data.substr(strAt, strLen);
    }
    return texts;
}
} // namespace PelornTest
