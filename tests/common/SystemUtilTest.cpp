#include "SystemUtil.h"
#include "CSCUtil.h"
#include "TestEnvironment.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <vconf.h>

using NSORZCommon::CSCUtil;
using NSORZCommon::SystemUtil;
using PelornTest::ScopedEnv;
using PelornTest::ScopedTestDirs;

TEST(SystemUtil, LocaleComesFromTheLanguageKeyElseTheEnvironmentButNotFromC)
{
    ScopedEnv all("LC_ALL", nullptr), messages("LC_MESSAGES", nullptr), french("LANG", "fr_CA.UTF-8");
    {
        ScopedTestDirs dirs(false);
        vconf_set_str("db/menu_widget/language", "ko_KR.UTF-8");
        EXPECT_EQ(SystemUtil::GetCurrentLocale(), "ko_KR");
        EXPECT_EQ(SystemUtil::GetCurrentLocaleUtf8(), "ko_KR.UTF-8");
        EXPECT_EQ(SystemUtil::GetCurrentSystemLangStr(), "ko");
        EXPECT_EQ(SystemUtil::GetCurrentSystemRegionStr(), "KR");
    }
    ScopedTestDirs dirs(false);
    EXPECT_EQ(SystemUtil::GetCurrentLocale(), "fr_CA");
    ScopedEnv lang("LANG", "C.UTF-8");
    EXPECT_EQ(SystemUtil::GetCurrentLocale(), "");
    EXPECT_EQ(SystemUtil::GetCurrentSystemLangStr(), "");
}

TEST(SystemUtil, FontLocationServiceFeatureFlagAndTimeZoneFromTheirKeys)
{
    ScopedTestDirs dirs(false);
    EXPECT_EQ(SystemUtil::GetCurrentFont(), "");
    EXPECT_FALSE(SystemUtil::IsLocationServiceEnabled());
    vconf_set_str("db/setting/font_name", "DejaVu Sans");
    EXPECT_EQ(SystemUtil::GetCurrentFont(), "DejaVu Sans");
    vconf_set_bool("db/location/setting/enabled", 1);
    EXPECT_TRUE(SystemUtil::IsLocationServiceEnabled());
    EXPECT_EQ(VCONF_ERROR_WRONG_TYPE, vconf_set_int("db/location/setting/enabled", 0)) << "a bool key";
    EXPECT_TRUE(SystemUtil::IsLocationServiceEnabled());
    vconf_set_bool("db/location/setting/enabled", 0);
    EXPECT_FALSE(SystemUtil::IsLocationServiceEnabled());

    EXPECT_FALSE(CSCUtil::IsFeatureEnabled());
    vconf_set_bool("db/csc/feature/38", 1);
    EXPECT_TRUE(CSCUtil::IsFeatureEnabled());
    vconf_set_bool("db/csc/feature/38", 0);
    EXPECT_FALSE(CSCUtil::IsFeatureEnabled());
    vconf_set_bool("db/csc/feature/37", 1);
    EXPECT_FALSE(CSCUtil::IsFeatureEnabled()) << "another feature's flag was read";

    // The time zone drops only the zoneinfo prefix; last, as a machine without
    // a /etc/localtime link skips the rest.
    vconf_set_str("db/setting/timezone_id", "/usr/share/zoneinfo/Asia/Seoul");
    EXPECT_EQ(SystemUtil::GetTimeZone(), "Asia/Seoul");
    vconf_set_str("db/setting/timezone_id", "America/St_Johns");
    EXPECT_EQ(SystemUtil::GetTimeZone(), "America/St_Johns");

    vconf_unset("db/setting/timezone_id");
    {
        ScopedEnv tz("TZ", ":Asia/Kolkata");
        EXPECT_EQ(SystemUtil::GetTimeZone(), "Asia/Kolkata");
    }
    ScopedEnv tz("TZ", nullptr);
    gchar* target = g_file_read_link("/etc/localtime", nullptr);
    if (!target)
        GTEST_SKIP() << "this machine has no /etc/localtime link";
    std::string expected = target;
    g_free(target);
    const std::string prefix = "/usr/share/zoneinfo/";
    if (expected.find(prefix) != std::string::npos)
        expected = expected.substr(expected.find(prefix) + prefix.size());
    EXPECT_EQ(SystemUtil::GetTimeZone(), expected);
}
