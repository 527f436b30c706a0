#include "StringUtil.h"

#include "OrzLog.h"

#include <locale>
#include <sstream>

namespace NSORZCommon
{
namespace
{
template <typename T> T ExtractLeading(const std::string& str)
{
    RETV_IF(str.length() <= 0, 0);
    std::istringstream stream(str);
    stream.imbue(std::locale::classic());
    T value = 0;
    stream >> value;
    if (stream.fail())
        return 0;
    return value;
}
} // namespace

int StringUtil::StringToInt(const std::string& str)
{
    return ExtractLeading<int>(str);
}

float StringUtil::StringToFloat(const std::string& str)
{
    return ExtractLeading<float>(str);
}

long long StringUtil::StringToInt64(const std::string& str)
{
    return ExtractLeading<long long>(str);
}

double StringUtil::StringToDouble(const std::string& str)
{
    return ExtractLeading<double>(str);
}

std::string StringUtil::IntToString(int value)
{
    std::ostringstream stream;
    stream.imbue(std::locale::classic());
    stream << value;
    return stream.str();
}
} // namespace NSORZCommon
