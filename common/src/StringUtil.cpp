#include "StringUtil.h"

#include "OrzLog.h"

#include <iomanip>
#include <locale>
#include <sstream>

namespace
{
template <typename T> T Parse(const std::string& str)
{
    std::istringstream stream(str);
    stream.imbue(std::locale::classic());
    T value = T();
    stream >> value;
    return stream.fail() ? T() : value;
}
} // namespace

namespace NSORZCommon
{
StringUtil::StringUtil()
{
}

StringUtil::~StringUtil()
{
}

int StringUtil::StringToInt(const std::string& str)
{
    RETV_IF(str.length() <= 0, 0);
    return Parse<int>(str);
}

float StringUtil::StringToFloat(const std::string& str)
{
    RETV_IF(str.length() <= 0, 0.0f);
    return Parse<float>(str);
}

int64_t StringUtil::StringToInt64(const std::string& str)
{
    RETV_IF(str.length() <= 0, 0);
    return Parse<int64_t>(str);
}

double StringUtil::StringToDouble(const std::string& str)
{
    RETV_IF(str.length() <= 0, 0.0);
    return Parse<double>(str);
}

std::string StringUtil::LogExcerpt(const char* data, size_t length)
{
    if (data == nullptr)
        length = 0;
    size_t keep = length;
    if (length > LOG_EXCERPT_BYTES)
    {
        keep = LOG_EXCERPT_BYTES;
        // Back up over UTF-8 continuation bytes so no character is cut in two.
        while (keep > 0 && ((unsigned char)data[keep] & 0xC0) == 0x80)
            keep--;
    }
    std::string excerpt;
    excerpt.reserve(keep + 32);
    for (size_t i = 0; i < keep; i++)
    {
        const unsigned char c = (unsigned char)data[i];
        if (c < 0x20 || c == 0x7F)
        {
            static const char HEX[] = "0123456789abcdef";
            excerpt += "\\x";
            excerpt += HEX[c >> 4];
            excerpt += HEX[c & 0xF];
        }
        else
        {
            excerpt += (char)c;
        }
    }
    if (keep < length)
        excerpt += "... (" + std::to_string(length) + " bytes)";
    return excerpt;
}

std::string StringUtil::IntToString(int64_t n)
{
    std::ostringstream stream;
    stream.imbue(std::locale::classic());
    stream << n;
    return stream.str();
}

std::string StringUtil::DoubleToString(double value, int precision)
{
    std::ostringstream stream;
    stream.imbue(std::locale::classic());
    stream << std::fixed << std::setprecision(precision) << value;
    return stream.str();
}
} // namespace NSORZCommon
