#include "StringUtil.h"

#include "OrzLog.h"
#include "pelorn_log_text.h"

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
    return pelorn_log_printable(data, length, LOG_EXCERPT_BYTES);
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
