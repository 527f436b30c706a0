#include "PreferenceUtil.h"
#include "TestEnvironment.h"

#include <algorithm>
#include <app_preference.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <pelorn_log_capture.h>
#include <pelorn_preference_batch.h>
#include <pelorn_store_cleanup.h>
#include <signal.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

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

namespace
{
struct StoredFix
{
    double latitude;
    double longitude;
    std::string address;
    time_t time;
    bool operator==(const StoredFix& o) const
    {
        return latitude == o.latitude && longitude == o.longitude && address == o.address && time == o.time;
    }
};

StoredFix Stored()
{
    return {PreferenceUtil::GetLastLocationLat(), PreferenceUtil::GetLastLocationLon(),
            PreferenceUtil::GetLastLocationAddress(), PreferenceUtil::GetLastLocationTime()};
}

int gStepOut = -1;
int gStepIn = -1;

/* In the writer: each step is told to the test, which answers to go on (or kills). */
void ReportStep(const char* step)
{
    char line[64];
    const int n = snprintf(line, sizeof(line), "%s\n", step);
    if (write(gStepOut, line, (size_t)n) != n)
        _exit(3);
    char go = 0;
    if (read(gStepIn, &go, 1) != 1)
        _exit(4);
}

/* Saves `fix` in a child that stops after each step of its writes; killed
 * after step `killAt` (counting from 0), or left to finish. Answers how many
 * steps it reported. */
int SaveInChild(const StoredFix& fix, int killAt)
{
    int out[2], in[2];
    if (pipe(out) != 0 || pipe(in) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0)
    {
        close(out[0]);
        close(in[1]);
        gStepOut = out[1];
        gStepIn = in[0];
        pelorn_preference_set_step_observer(ReportStep);
        const bool saved = PreferenceUtil::SetLastLocation(Coordinate(fix.longitude, fix.latitude), fix.address,
                                                           fix.time);
        _exit(saved ? 0 : 2);
    }
    close(out[1]);
    close(in[0]);
    FILE* steps = fdopen(out[0], "r");
    int reported = 0;
    char line[64];
    while (fgets(line, sizeof(line), steps))
    {
        if (reported++ == killAt)
        {
            kill(child, SIGKILL);
            break;
        }
        if (write(in[1], "g", 1) != 1)
            break;
    }
    int status = 0;
    waitpid(child, &status, 0);
    fclose(steps);
    close(in[1]);
    if (killAt < 0 && !(WIFEXITED(status) && WEXITSTATUS(status) == 0))
        return -1;
    return reported;
}
} // namespace

/* The last location was saved as four file writes; a crash between them (kill
 * -9, a watchdog, an empty battery) left one place's latitude with another's
 * longitude and address. Killed after every step of the save in turn, the
 * store holds the old place or the new one, whole. */
TEST(PreferenceUtil, LastLocationKilledAtAnyStepOfItsSaveIsAllOldOrAllNew)
{
    ScopedTestDirs dirs;
    const StoredFix places[] = {{48.8566, 2.3522, "Paris", 1000}, {37.5665, 126.978, "Seoul, <b>Jung-gu</b>", 2000}};
    ASSERT_TRUE(PreferenceUtil::SetLastLocation(Coordinate(places[0].longitude, places[0].latitude),
                                                places[0].address, places[0].time));
    ASSERT_TRUE(Stored() == places[0]);

    const int steps = SaveInChild(places[1], -1);
    ASSERT_GT(steps, 0) << "the writer reported no step, or failed";
    ASSERT_TRUE(Stored() == places[1]);
    int current = 1;
    int killedOld = 0, killedNew = 0;
    for (int round = 0; round < std::max(50, 3 * (steps + 1)); round++)
    {
        const int next = 1 - current;
        const int killAt = round % (steps + 1); // == steps: the writer finishes
        ASSERT_EQ(SaveInChild(places[next], killAt < steps ? killAt : -1), killAt < steps ? killAt + 1 : steps);
        const StoredFix now = Stored();
        ASSERT_TRUE(now == places[current] || now == places[next])
            << "killed after step " << killAt << " of " << steps << ": " << now.latitude << "," << now.longitude
            << " \"" << now.address << "\" at " << now.time;
        if (killAt < steps)
            (now == places[next] ? killedNew : killedOld)++;
        if (now == places[next])
            current = next;
    }
    EXPECT_GT(killedOld, 0) << "no kill came before the save took effect";
    EXPECT_GT(killedNew, 0) << "no kill came after the save took effect";
    pelorn_preference_clean_stale();
}
