#include "MobileLocationViewData.h"

#include "FileUtil.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>
#include <vconf.h>

using NSPelorn::MobileLocationViewData;

namespace
{
// 6 March 2024, 23:59:00 UTC: already 7 March in India.
const time_t LATE_MARCH_6_2024_UTC = 1709769600 - 60;

class ScopedTimeZone
{
public:
    ScopedTimeZone(const char* tz, const char* locale)
    {
        const char* old = getenv("TZ");
        mHadTz = old != nullptr;
        if (old)
            mTz = old;
        setenv("TZ", tz, 1);
        setenv("LC_TIME", locale, 1);
        tzset();
    }
    ~ScopedTimeZone()
    {
        if (mHadTz)
            setenv("TZ", mTz.c_str(), 1);
        else
            unsetenv("TZ");
        unsetenv("LC_TIME");
        tzset();
    }

private:
    bool mHadTz = false;
    std::string mTz;
};
} // namespace

TEST(MobileLocationViewData, DemoModeAlwaysShowsTheFixedAddress)
{
    PelornTest::ScopedTestDirs dirs;
    MobileLocationViewData data;
    EXPECT_EQ(data.GetTitle(), "Phone location");
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

TEST(MobileLocationViewData, LayoutFileIsTheBuiltOne)
{
    MobileLocationViewData data;
    std::string path = data.GetMobileLocationViewEDJDirectoryPath();
    EXPECT_EQ(path, NSORZCommon::FileUtil::GetResourceDirectoryPath() + "/contents/mobile/edje/MobileLocationView.edj");
    EXPECT_EQ(access(path.c_str(), R_OK), 0) << path;
}
