#ifndef ORZ_COMMON_STRING_UTIL_H
#define ORZ_COMMON_STRING_UTIL_H

#include <string>

namespace NSORZCommon
{
/* Text to number conversions: the leading number of the text, 0 when the
 * text is empty or does not start with one. */
class StringUtil
{
public:
    static int StringToInt(const std::string& str);
    static float StringToFloat(const std::string& str);
    static long long StringToInt64(const std::string& str);
    static double StringToDouble(const std::string& str);
    static std::string IntToString(int value);
};
} // namespace NSORZCommon

#endif
