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

    /* What a log line may carry of a text another device sent: the first
     * LOG_EXCERPT_BYTES bytes (cut at a character boundary) followed by
     * "... (N bytes)" when it is longer, control characters written as \xNN
     * so that the text cannot start log lines of its own. */
    static constexpr size_t LOG_EXCERPT_BYTES = 256;
    static std::string LogExcerpt(const char* data, size_t length);
    static std::string LogExcerpt(const std::string& text) { return LogExcerpt(text.data(), text.size()); }

    static std::string IntToString(int64_t n);
    /* Fixed notation with exactly precision decimals: (37.5665, 6) -> "37.566500". */
    static std::string DoubleToString(double value, int precision);
};
} // namespace NSORZCommon

#endif
