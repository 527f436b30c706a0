#include "PreferenceUtil.h"
#include "TestEnvironment.h"

#include <algorithm>
#include <app_preference.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <pelorn_preference_batch.h>
#include <pelorn_store_cleanup.h>
#include <signal.h>
#include <string.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

using NSORZCommon::Coordinate;
using NSORZCommon::PreferenceUtil;
using PelornTest::ScopedTestDirs;

// An unwritable store or an unparsable value is answered by the default, and kept.
TEST(PreferenceUtil, FreshInstallStoresTheDefaultsALocationRoundTripsAndBrokenStoresAnswerThem)
{
    ScopedTestDirs dirs;
    double stored = 0.0;
    ASSERT_EQ(preference_get_double("WORZ_PREF_DOUBLE_LAST_LOCATION_LAT", &stored), PREFERENCE_ERROR_NO_KEY);
    EXPECT_DOUBLE_EQ(PreferenceUtil::GetLastLocationLat(), 500.0);
    EXPECT_DOUBLE_EQ(PreferenceUtil::GetLastLocationLon(), 500.0);
    for (const char* key : {"WORZ_PREF_DOUBLE_LAST_LOCATION_LAT", "WORZ_PREF_DOUBLE_LAST_LOCATION_LON"})
    {
        ASSERT_EQ(preference_get_double(key, &stored), PREFERENCE_ERROR_NONE) << key;
        EXPECT_DOUBLE_EQ(stored, 500.0) << key;
    }
    EXPECT_FALSE(PreferenceUtil::GetPermissionChecked());
    bool existing = false;
    preference_is_existing("WORZ_PREF_BOOL_PERMISSION_CHECKED", &existing);
    EXPECT_TRUE(existing);
    EXPECT_EQ(PreferenceUtil::GetLastLocationAddress(), "");
    // The time's default is answered but never written.
    EXPECT_EQ(PreferenceUtil::GetLastLocationTime(), 0);
    preference_is_existing("WORZ_PREF_STRING_LAST_LOCATION_TIME", &existing);
    EXPECT_FALSE(existing);

    ASSERT_TRUE(PreferenceUtil::SetLastLocationCoordinate(Coordinate(126.978, 37.5665)));
    const Coordinate back = PreferenceUtil::GetLastLocationCoordinate();
    EXPECT_DOUBLE_EQ(back.GetLongitude(), 126.978);
    EXPECT_DOUBLE_EQ(back.GetLatitude(), 37.5665);
    EXPECT_DOUBLE_EQ(PreferenceUtil::GetLastLocationLat(), 37.5665);
    ASSERT_TRUE(PreferenceUtil::SetPermissionChecked(true));
    EXPECT_TRUE(PreferenceUtil::GetPermissionChecked());
    const time_t before = time(NULL);
    ASSERT_TRUE(PreferenceUtil::SetLastLocationTimeNow());
    EXPECT_GE(PreferenceUtil::GetLastLocationTime(), before);
    EXPECT_LE(PreferenceUtil::GetLastLocationTime(), time(NULL));

    {
        ScopedTestDirs unwritable;
        ASSERT_TRUE(g_file_set_contents((unwritable.StateDir() + "/preferences").c_str(), "not a folder", -1,
                                        nullptr));
        EXPECT_DOUBLE_EQ(PreferenceUtil::GetLastLocationLat(), 500.0);
        EXPECT_FALSE(PreferenceUtil::SetPermissionChecked(true));
        EXPECT_FALSE(PreferenceUtil::GetPermissionChecked());
    }
    ScopedTestDirs unparsable;
    const std::string dir = unparsable.StateDir() + "/preferences", file = dir + "/com.quenlor.pelorn.ini";
    g_mkdir_with_parents(dir.c_str(), 0700);
    ASSERT_TRUE(g_file_set_contents(file.c_str(), "[preferences]\nWORZ_PREF_DOUBLE_LAST_LOCATION_LAT=north\n",
                                    -1, nullptr));
    EXPECT_DOUBLE_EQ(PreferenceUtil::GetLastLocationLat(), 500.0);
    EXPECT_NE(PelornTest::ReadFile(file).find("=north"), std::string::npos) << "stored data must not be lost";
}

namespace
{
using Fix = std::tuple<double, double, std::string, time_t>; // latitude, longitude, address, time

Fix Stored()
{
    return Fix{PreferenceUtil::GetLastLocationLat(), PreferenceUtil::GetLastLocationLon(),
               PreferenceUtil::GetLastLocationAddress(), PreferenceUtil::GetLastLocationTime()};
}

int gToTest = -1, gFromTest = -1;

/* In the writer: each step of its file writes is told to the test, which
 * answers to go on or kills it there. */
void ReportStep(const char* step)
{
    char go = 0;
    if (write(gToTest, step, strlen(step) + 1) <= 0 || read(gFromTest, &go, 1) != 1)
        _exit(3);
}

/* Saves `fix` in a child killed after its step `killAt` (from 0), or left to
 * finish when killAt < 0. Answers how many steps it reported (-1: the save failed). */
int SaveInChild(const Fix& fix, int killAt)
{
    int out[2], in[2];
    if (pipe(out) != 0 || pipe(in) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0)
    {
        gToTest = out[1];
        gFromTest = in[0];
        pelorn_preference_set_step_observer(ReportStep);
        _exit(PreferenceUtil::SetLastLocation(Coordinate(std::get<1>(fix), std::get<0>(fix)),
                                              std::get<2>(fix), std::get<3>(fix))
                  ? 0
                  : 2);
    }
    close(out[1]);
    close(in[0]);
    int reported = 0;
    char c = 0;
    while (read(out[0], &c, 1) == 1)
    {
        if (c != '\0')
            continue;
        if (reported++ == killAt)
            kill(child, SIGKILL);
        else if (write(in[1], "g", 1) == 1)
            continue;
        break;
    }
    int status = 0;
    waitpid(child, &status, 0);
    close(out[0]);
    close(in[1]);
    return killAt < 0 && !(WIFEXITED(status) && WEXITSTATUS(status) == 0) ? -1 : reported;
}
} // namespace

/* The last location was saved as four file writes; a crash between them (kill
 * -9, a watchdog, an empty battery) left one place's latitude with another's
 * longitude and address. Killed after every step of the save in turn, the
 * store holds the old place or the new one, whole. */
TEST(PreferenceUtil, LastLocationKilledAtAnyStepOfItsSaveIsAllOldOrAllNew)
{
    ScopedTestDirs dirs;
    const Fix places[] = {Fix{48.8566, 2.3522, "Paris", 1000},
                          Fix{37.5665, 126.978, "Seoul, <b>Jung-gu</b>", 2000}};
    const int steps = SaveInChild(places[0], -1);
    ASSERT_GT(steps, 0) << "the writer reported no step, or failed";
    ASSERT_TRUE(Stored() == places[0]);
    int current = 0, killedOld = 0, killedNew = 0;
    for (int round = 0; round < std::max(50, 3 * (steps + 1)); round++)
    {
        const int next = 1 - current, killAt = round % (steps + 1); // == steps: the writer finishes
        ASSERT_EQ(SaveInChild(places[next], killAt < steps ? killAt : -1),
                  killAt < steps ? killAt + 1 : steps);
        const Fix now = Stored();
        ASSERT_TRUE(now == places[current] || now == places[next])
            << "killed after step " << killAt << " of " << steps << ": " << std::get<0>(now) << ","
            << std::get<1>(now) << " \"" << std::get<2>(now) << "\" at " << std::get<3>(now);
        if (killAt < steps)
            (now == places[next] ? killedNew : killedOld)++;
        current = now == places[next] ? next : current;
    }
    EXPECT_GT(killedOld, 0) << "no kill came before the save took effect";
    EXPECT_GT(killedNew, 0) << "no kill came after the save took effect";
    pelorn_preference_clean_stale();
}
