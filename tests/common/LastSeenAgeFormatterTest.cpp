#include "LastSeenAgeFormatter.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>
#include <memory>
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
    void SetUp() override { tzset(); }
    void TearDown() override
    {
        mTz.reset();
        tzset();
    }

    PelornTest::ScopedTestDirs mDirs;
    std::unique_ptr<PelornTest::ScopedEnv> mTz{new PelornTest::ScopedEnv("TZ", "Asia/Seoul")};
};
} // namespace

// A wall clock moved back below the fix still says a moment ago; seen at
// 23:50, an hour and a half later is another day but still hours ago, and
// noon the next day is yesterday though under 24 hours have passed.
TEST_F(LastSeenAgeFormatterTest, EnglishAndKoreanWordsForEachAgeAndMidnightDoesNotConfuseTheDay)
{
    const time_t lateEvening = kSeen + 5 * kHour + 10 * kMinute;
    const struct
    {
        time_t seen, age;
        const char* locale;
        bool h24;
        const char* expected;
    } cases[] = {
        {kSeen, 59, "en_US", true, "now"},
        {kSeen, 12 * kMinute + 30, "en_US", true, "12 min. ago"},
        {kSeen, 3 * kHour + 5, "en_US", true, "3 hr. ago"},
        // 18:40 one local day before: the words for yesterday and the time of the fix.
        {kSeen, 20 * kHour, "en_US", true, "yesterday, 18:40"},
        {kSeen, 20 * kHour, "en_US", false, "yesterday, 6:40\u202fPM"},
        {kSeen, 3 * 24 * kHour, "en_US", true, "Mar 6, 18:40"},
        {kSeen, 12 * kMinute, "ko_KR", true, "12분 전"},
        {kSeen, 3 * kHour, "ko_KR", true, "3시간 전"},
        {kSeen, 20 * kHour, "ko_KR", true, "어제 18:40"},
        {kSeen, 3 * 24 * kHour, "ko_KR", true, "3월 6일 18:40"},
        {kSeen, -5 * kHour, "en_US", true, "now"},
        {lateEvening, 90 * kMinute, "en_US", true, "1 hr. ago"},
        {lateEvening, 12 * kHour, "en_US", true, "yesterday, 23:50"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, LastSeenAgeFormatter::Format(c.seen, c.seen + c.age, c.locale, c.h24))
            << c.seen << " + " << c.age << " s, " << c.locale;

    vconf_set_str("db/menu_widget/language", "en_US.UTF-8");
    vconf_set_str("db/menu_widget/regionformat", "ko_KR.UTF-8");
    EXPECT_EQ("en_KR", LastSeenAgeFormatter::CurrentLocale()) << "the language, the region's country";
    vconf_set_str("db/menu_widget/language", "ko_KR.UTF-8");
    EXPECT_EQ("ko_KR", LastSeenAgeFormatter::CurrentLocale());
}
