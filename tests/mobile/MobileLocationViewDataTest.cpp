#include "MobileLocationViewData.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>
#include <time.h>
#include <vconf.h>

using NSPelorn::MobileLocationViewData;

namespace
{
// 6 March 2024, 23:59:00 UTC: already 7 March in India.
const time_t LATE_MARCH_6_2024_UTC = 1709769600 - 60;

/* TZ and LC_TIME for one scope, read again once they are put back. */
struct ScopedTimeZone
{
    struct Reread
    {
        ~Reread() { tzset(); }
    } reread;
    PelornTest::ScopedEnv tz, lc;
    ScopedTimeZone(const char* zone, const char* locale) : tz("TZ", zone), lc("LC_TIME", locale) { tzset(); }
};
} // namespace

TEST(MobileLocationViewData, DemoModeAlwaysShowsTheFixedAddress)
{
    PelornTest::ScopedTestDirs dirs;
    MobileLocationViewData data;
    data.SetMobileLocationString("1 Main Street Springfield Freedonia");
    EXPECT_EQ(data.GetMobileLocationString(), "1 Main Street Springfield Freedonia");

    ASSERT_EQ(vconf_set_int("db/retailmode/enabled", 1), 0);
    EXPECT_EQ(data.GetMobileLocationString(), "Messe Berlin GmbH, Messedamm 22, 14055 Berlin, Germany");
    // The stored text itself was replaced, not only the answer.
    ASSERT_EQ(vconf_set_int("db/retailmode/enabled", 0), 0);
    EXPECT_EQ(data.GetMobileLocationString(), "Messe Berlin GmbH, Messedamm 22, 14055 Berlin, Germany");
}

TEST(MobileLocationViewData, FixTimeIsLocalDateAndFollowsThe1224Setting)
{
    PelornTest::ScopedTestDirs dirs;
    ScopedTimeZone india("IST-5:30", "en_US");
    MobileLocationViewData data;

    ASSERT_EQ(vconf_set_int("db/menu_widget/regionformat_time1224", 0), 0);
    EXPECT_EQ(data.ConvertEpochTimeToCurrentFormat(LATE_MARCH_6_2024_UTC), "03/07 05:29");
    ASSERT_EQ(vconf_set_int("db/menu_widget/regionformat_time1224", 1), 0);
    EXPECT_EQ(data.ConvertEpochTimeToCurrentFormat(LATE_MARCH_6_2024_UTC), "03/07 5:29\u202fAM");
}
