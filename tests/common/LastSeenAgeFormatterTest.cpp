#include "LastSeenAgeFormatter.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string>
#include <time.h>
#include <vconf.h>

using NSORZCommon::LastSeenAgeFormatter;

namespace
{
// Wednesday 6 March 2024, 18:40:00 in Seoul (UTC+9), 09:40 UTC.
const time_t kSeen = 1709718000;
const time_t kMinute = 60;
const time_t kHour = 3600;

class LastSeenAgeFormatterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const char* tz = getenv("TZ");
        mHadTz = tz != nullptr;
        if (tz)
            mTz = tz;
        setenv("TZ", "Asia/Seoul", 1);
        tzset();
    }
    void TearDown() override
    {
        if (mHadTz)
            setenv("TZ", mTz.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

    PelornTest::ScopedTestDirs mDirs;
    bool mHadTz = false;
    std::string mTz;
};
} // namespace

TEST_F(LastSeenAgeFormatterTest, EnglishWordsForEachAge)
{
    EXPECT_EQ("now", LastSeenAgeFormatter::Format(kSeen, kSeen + 59, "en_US", true));
    EXPECT_EQ("12 min. ago", LastSeenAgeFormatter::Format(kSeen, kSeen + 12 * kMinute + 30, "en_US", true));
    EXPECT_EQ("3 hr. ago", LastSeenAgeFormatter::Format(kSeen, kSeen + 3 * kHour + 5, "en_US", true));
    // 18:40 one local day before: the words for yesterday and the time of the fix.
    EXPECT_EQ("yesterday, 18:40", LastSeenAgeFormatter::Format(kSeen, kSeen + 20 * kHour, "en_US", true));
    EXPECT_EQ("yesterday, 6:40\u202fPM",
              LastSeenAgeFormatter::Format(kSeen, kSeen + 20 * kHour, "en_US", false));
    EXPECT_EQ("Mar 6, 18:40", LastSeenAgeFormatter::Format(kSeen, kSeen + 3 * 24 * kHour, "en_US", true));
}

TEST_F(LastSeenAgeFormatterTest, KoreanWordsForEachAge)
{
    EXPECT_EQ("12분 전", LastSeenAgeFormatter::Format(kSeen, kSeen + 12 * kMinute, "ko_KR", true));
    EXPECT_EQ("3시간 전", LastSeenAgeFormatter::Format(kSeen, kSeen + 3 * kHour, "ko_KR", true));
    EXPECT_EQ("어제 18:40", LastSeenAgeFormatter::Format(kSeen, kSeen + 20 * kHour, "ko_KR", true));
    EXPECT_EQ("3월 6일 18:40", LastSeenAgeFormatter::Format(kSeen, kSeen + 3 * 24 * kHour, "ko_KR", true));
}

TEST_F(LastSeenAgeFormatterTest, AClockSetBackAndMidnightDoNotConfuseTheDay)
{
    // A wall clock moved back below the fix still says a moment ago.
    EXPECT_EQ("now", LastSeenAgeFormatter::Format(kSeen, kSeen - 5 * kHour, "en_US", true));
    // Seen at 23:50, an hour and a half later it is another day but still hours ago, not "yesterday".
    const time_t lateEvening = kSeen + 5 * kHour + 10 * kMinute;
    EXPECT_EQ("1 hr. ago",
              LastSeenAgeFormatter::Format(lateEvening, lateEvening + 90 * kMinute, "en_US", true));
    // Noon the next day counts as yesterday even though under 24 hours have passed.
    EXPECT_EQ("yesterday, 23:50",
              LastSeenAgeFormatter::Format(lateEvening, lateEvening + 12 * kHour, "en_US", true));
}

TEST_F(LastSeenAgeFormatterTest, LocaleJoinsTheLanguageWithTheRegionFormatsCountry)
{
    vconf_set_str("db/menu_widget/language", "en_US.UTF-8");
    vconf_set_str("db/menu_widget/regionformat", "ko_KR.UTF-8");
    EXPECT_EQ("en_KR", LastSeenAgeFormatter::CurrentLocale());
    vconf_set_str("db/menu_widget/language", "ko_KR.UTF-8");
    EXPECT_EQ("ko_KR", LastSeenAgeFormatter::CurrentLocale());
}
