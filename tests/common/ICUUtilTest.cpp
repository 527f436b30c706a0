#include "ICUUtil.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>
#include <time.h>

using NSORZCommon::ICUUtil;

namespace
{
// Thursday 7 March 2024, 00:00:00 UTC.
const time_t MARCH_7_2024 = 1709769600;

struct Case
{
    const char* tz;
    const char* locale;
    int format;
    const char* expected;
    const char* why;
};
} // namespace

// POSIX TZ strings count hours west of Greenwich: "IST-5:30" is UTC+5:30.
// Whole hours on both sides of UTC, and the minutes just inside an hour: the
// zone id switches form at exactly one hour west. Skeletons and the order of
// month and day follow the locale; types outside the table give nothing.
TEST(ICUUtil, OffsetsKeepTheirSignAndSkeletonsAndMonthDayOrderFollowTheLocale)
{
    const Case cases[] = {
        {"IST-5:30", "en_US", 9, "05:30", ""},
        {"NST3:30", "en_US", 9, "20:30", "GMT-3:30"},
        {"XST0:30", "en_US", 9, "23:30", "an offset under an hour lost its sign"},
        {"UTC0", "en_US", 9, "00:00", ""},
        {"XST1", "en_US", 9, "23:00", ""},
        {"XST-1", "en_US", 9, "01:00", ""},
        {"XST0:59", "en_US", 9, "23:01", ""},
        {"XST-0:59", "en_US", 9, "00:59", ""},
        {"XST1:01", "en_US", 9, "22:59", ""},
        {"XST12", "en_US", 9, "12:00", ""},
        {"UTC0", "en_US", 25, "Mar 07, 12:00\u202fAM", "the last format type is valid"},
        {"UTC0", "en_US", 7, "2024", ""},
        {"UTC0", "en_US", 11, "Thu", ""},
        {"UTC0", "en_US", 16, "03/07/2024", ""},
        {"UTC0", "ko_KR", 11, "\xeb\xaa\xa9", "UTF-8"}, // 목
        {"UTC0", "de_DE", 15, "07.03.", "outside the two fixed locales the pattern is ICU's own"},
        {"UTC0", "lo_LA", 15, "07/03", "day first"},
        {"UTC0", "ko_KR.UTF-8", 15, "03/07", "month first"},
        {"UTC0", "ko_KR.UTF-8", 26, "", "one past the last type"},
        {"UTC0", "ko_KR.UTF-8", -1, "", ""},
    };
    for (const Case& c : cases)
    {
        PelornTest::ScopedEnv tz("TZ", c.tz), time("LC_TIME", c.locale);
        EXPECT_EQ(ICUUtil::GetFormattedDateTime(MARCH_7_2024, c.format), c.expected)
            << c.tz << " " << c.locale << " " << c.format << ": " << c.why;
    }

    PelornTest::ScopedEnv time("LC_TIME", "ko_KR.UTF-8");
    EXPECT_EQ(ICUUtil::GetLocaleStr(), "ko_KR");
}
