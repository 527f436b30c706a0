#include "PreferenceUtil.h"
#include "TestEnvironment.h"

#include <app_preference.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <pelorn_log_capture.h>

using NSORZCommon::Coordinate;
using NSORZCommon::PreferenceUtil;
using PelornTest::ScopedTestDirs;

TEST(PreferenceUtil, FreshInstallReadsNoPositionAndStoresIt)
{
    ScopedTestDirs dirs;
    double stored = 0.0;
    ASSERT_EQ(preference_get_double("WORZ_PREF_DOUBLE_LAST_LOCATION_LAT", &stored), PREFERENCE_ERROR_NO_KEY);

    EXPECT_DOUBLE_EQ(PreferenceUtil::GetLastLocationLat(), 500.0);
    EXPECT_DOUBLE_EQ(PreferenceUtil::GetLastLocationLon(), 500.0);
    ASSERT_EQ(preference_get_double("WORZ_PREF_DOUBLE_LAST_LOCATION_LAT", &stored), PREFERENCE_ERROR_NONE);
    EXPECT_DOUBLE_EQ(stored, 500.0);
    ASSERT_EQ(preference_get_double("WORZ_PREF_DOUBLE_LAST_LOCATION_LON", &stored), PREFERENCE_ERROR_NONE);
    EXPECT_DOUBLE_EQ(stored, 500.0);

    EXPECT_FALSE(PreferenceUtil::GetPermissionChecked());
    bool existing = false;
    preference_is_existing("WORZ_PREF_BOOL_PERMISSION_CHECKED", &existing);
    EXPECT_TRUE(existing);
    EXPECT_EQ(PreferenceUtil::GetLastLocationAddress(), "");

    // The time's default is answered but never written.
    EXPECT_EQ(PreferenceUtil::GetLastLocationTime(), 0);
    preference_is_existing("WORZ_PREF_STRING_LAST_LOCATION_TIME", &existing);
    EXPECT_FALSE(existing);
}

TEST(PreferenceUtil, LastLocationRoundTripsWithoutSwappingAxes)
{
    ScopedTestDirs dirs;
    ASSERT_TRUE(PreferenceUtil::SetLastLocationCoordinate(Coordinate(126.978, 37.5665)));
    Coordinate back = PreferenceUtil::GetLastLocationCoordinate();
    EXPECT_DOUBLE_EQ(back.GetLongitude(), 126.978);
    EXPECT_DOUBLE_EQ(back.GetLatitude(), 37.5665);
    EXPECT_DOUBLE_EQ(PreferenceUtil::GetLastLocationLat(), 37.5665);

    ASSERT_TRUE(PreferenceUtil::SetLastLocationAddress("110 Sejong-daero, Jung-gu, Seoul"));
    EXPECT_EQ(PreferenceUtil::GetLastLocationAddress(), "110 Sejong-daero, Jung-gu, Seoul");
    ASSERT_TRUE(PreferenceUtil::SetPermissionChecked(true));
    EXPECT_TRUE(PreferenceUtil::GetPermissionChecked());

    time_t before = time(NULL);
    ASSERT_TRUE(PreferenceUtil::SetLastLocationTimeNow());
    time_t stored = PreferenceUtil::GetLastLocationTime();
    EXPECT_GE(stored, before);
    EXPECT_LE(stored, time(NULL));
}

TEST(PreferenceUtil, UnwritableStoreLogsAndAnswersDefault)
{
    ScopedTestDirs dirs;
    ASSERT_TRUE(g_file_set_contents((dirs.StateDir() + "/preferences").c_str(), "not a folder", -1, nullptr));
    pelorn_log_capture_begin();
    EXPECT_DOUBLE_EQ(PreferenceUtil::GetLastLocationLat(), 500.0);
    EXPECT_TRUE(pelorn_log_captured("pelorn-c", "preference_set_double failed("));
    EXPECT_FALSE(PreferenceUtil::SetPermissionChecked(true));
    EXPECT_TRUE(pelorn_log_captured("pelorn-c", "preference_set_boolean failed("));
    EXPECT_FALSE(PreferenceUtil::GetPermissionChecked());
    pelorn_log_capture_end();
}

TEST(PreferenceUtil, UnparsableValueIsNotOverwritten)
{
    ScopedTestDirs dirs;
    const std::string dir = dirs.StateDir() + "/preferences";
    g_mkdir_with_parents(dir.c_str(), 0700);
    const std::string file = dir + "/com.quenlor.pelorn.ini";
    ASSERT_TRUE(g_file_set_contents(file.c_str(), "[preferences]\nWORZ_PREF_DOUBLE_LAST_LOCATION_LAT=north\n", -1,
                                    nullptr));
    pelorn_log_capture_begin();
    EXPECT_DOUBLE_EQ(PreferenceUtil::GetLastLocationLat(), 500.0);
    EXPECT_TRUE(pelorn_log_captured("pelorn-c", "preference_get_double failed"));
    pelorn_log_capture_end();
    EXPECT_NE(PelornTest::ReadFile(file).find("=north"), std::string::npos) << "stored data must not be lost";
}
