#ifndef ORZ_COMMON_STRING_UTIL_H
#define ORZ_COMMON_STRING_UTIL_H

#include <stdint.h>
#include <string>

namespace NSORZCommon
{
/* Text and number conversions in the "C" locale, whatever the user's locale:
 * the leading number of the text counts ("12abc" is 12); text that does not
 * start with a number is 0. */
class StringUtil
{
public:
    StringUtil();
    virtual ~StringUtil();

    static int StringToInt(const std::string& str);
    static float StringToFloat(const std::string& str);
    static int64_t StringToInt64(const std::string& str);
    static double StringToDouble(const std::string& str);

    static std::string IntToString(int64_t n);
    /* Fixed notation with exactly precision decimals: (37.5665, 6) -> "37.566500". */
    static std::string DoubleToString(double value, int precision);
};
} // namespace NSORZCommon

#endif
