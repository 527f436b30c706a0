#include "ICUUtil.h"
#include "TestEnvironment.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <pelorn_log_capture.h>
#include <stdlib.h>
#include <time.h>

using NSORZCommon::ICUUtil;

namespace
{
// Thursday 7 March 2024, 00:00:00 UTC.
const time_t MARCH_7_2024 = 1709769600;

class ICUUtilTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const char* tz = getenv("TZ");
        mHadTz = tz != nullptr;
        if (tz)
            mTz = tz;
    }
    void TearDown() override
    {
        if (mHadTz)
            setenv("TZ", mTz.c_str(), 1);
        else
            unsetenv("TZ");
        unsetenv("LC_TIME");
        tzset();
    }
    void Use(const char* tz, const char* locale)
    {
        setenv("TZ", tz, 1);
        setenv("LC_TIME", locale, 1);
    }

    bool mHadTz = false;
    std::string mTz;
};
} // namespace

TEST_F(ICUUtilTest, HalfHourOffsetsKeepTheirSign)
{
    // POSIX TZ strings count hours west of Greenwich: "IST-5:30" is UTC+5:30.
    Use("IST-5:30", "en_US");
    EXPECT_EQ(ICUUtil::GetFormattedDateTime(MARCH_7_2024, 9), "05:30");
    Use("NST3:30", "en_US");
    EXPECT_EQ(ICUUtil::GetFormattedDateTime(MARCH_7_2024, 9), "20:30") << "GMT-3:30 expected";
    Use("XST0:30", "en_US");
    EXPECT_EQ(ICUUtil::GetFormattedDateTime(MARCH_7_2024, 9), "23:30") << "an offset under an hour lost its sign";
    Use("UTC0", "en_US");
    EXPECT_EQ(ICUUtil::GetFormattedDateTime(MARCH_7_2024, 9), "00:00");
}

// Whole-hour offsets on both sides of UTC, and the minutes just inside an hour:
// the zone id switches form at exactly one hour west.
TEST_F(ICUUtilTest, OffsetsAtTheHourBoundariesOnBothSides)
{
    const struct
    {
        const char* tz;
        const char* expected;
    } cases[] = {
        {"XST1", "23:00"},    {"XST-1", "01:00"},    {"XST0:59", "23:01"},
        {"XST-0:59", "00:59"}, {"XST1:01", "22:59"}, {"XST12", "12:00"},
    };
    for (const auto& c : cases)
    {
        Use(c.tz, "en_US");
        EXPECT_EQ(ICUUtil::GetFormattedDateTime(MARCH_7_2024, 9), c.expected) << c.tz;
    }
}

TEST_F(ICUUtilTest, FormatTypesOutsideTheTableGiveNothing)
{
    Use("UTC0", "en_US");
    EXPECT_EQ(ICUUtil::GetFormattedDateTime(MARCH_7_2024, 25), "Mar 07, 12:00\u202fAM")
        << "the last format type is valid";
    EXPECT_EQ(ICUUtil::GetFormattedDateTime(MARCH_7_2024, 26), "");
    EXPECT_EQ(ICUUtil::GetFormattedDateTime(MARCH_7_2024, -1), "");
}

TEST_F(ICUUtilTest, MonthDayOrderFollowsTheLocale)
{
    Use("UTC0", "lo_LA");
    EXPECT_EQ(ICUUtil::GetFormattedDateTime(MARCH_7_2024, 15), "07/03");
    EXPECT_EQ(ICUUtil::GetLocaleStr(), "lo_LA");
    Use("UTC0", "ko_KR.UTF-8");
    EXPECT_EQ(ICUUtil::GetFormattedDateTime(MARCH_7_2024, 15), "03/07");
    EXPECT_EQ(ICUUtil::GetLocaleStr(), "ko_KR");
    // Outside the two fixed locales the pattern comes from ICU's own data.
    Use("UTC0", "de_DE");
    EXPECT_EQ(ICUUtil::GetFormattedDateTime(MARCH_7_2024, 15), "07.03.");
}

TEST_F(ICUUtilTest, SkeletonsFormatInTheLocaleAsUtf8)
{
    Use("UTC0", "en_US");
    EXPECT_EQ(ICUUtil::GetFormattedDateTime(MARCH_7_2024, 7), "2024");
    EXPECT_EQ(ICUUtil::GetFormattedDateTime(MARCH_7_2024, 11), "Thu");
    EXPECT_EQ(ICUUtil::GetFormattedDateTime(MARCH_7_2024, 16), "03/07/2024");
    Use("UTC0", "ko_KR");
    EXPECT_EQ(ICUUtil::GetFormattedDateTime(MARCH_7_2024, 11), "\xeb\xaa\xa9"); // 목

    pelorn_log_capture_begin();
    EXPECT_EQ(ICUUtil::GetFormattedDateTime(MARCH_7_2024, 26), "");
    EXPECT_EQ(ICUUtil::GetFormattedDateTime(MARCH_7_2024, -1), "");
    EXPECT_TRUE(pelorn_log_captured("pelorn-c", "(formatType < 0 || formatType >= SKELETON_COUNT) [return]"));
    pelorn_log_capture_end();
}
