#include "LostContactRecorder.h"
#include "PreferenceUtil.h"

#include "DBusMock.h"
#include "PrivateBus.h"
#include "TestEnvironment.h"
#include "pelorn_clock.h"
#include "pelorn_log_capture.h"

#include <app_common.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <vconf.h>

using NSORZCommon::LostContactRecord;
using NSORZCommon::LostContactRecorder;
using NSORZCommon::LostContactStore;
using PelornTest::DBusMock;
using PelornTest::RunGlibUntil;

namespace
{
const char* const KEY_CONNECTED = "memory/brig/brig_connected";
const char* const MANAGER = "/org/freedesktop/GeoClue2/Manager";
const char* const CLIENT = "/org/freedesktop/GeoClue2/Client/1";

/* A recorder on a private bus with a mocked GeoClue, the clock in the test's
 * hands and the link up; the link keys are set by hand (no phone here). */
class LostContactRecorderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(mBus.IsRunning());
        ASSERT_TRUE(mGeoClue.Ready()) << mGeoClue.LastError();
        pelorn_clock_set_manual(TRUE);
        char* data = app_get_data_path();
        mDir = data;
        free(data);
        vconf_set_bool(KEY_CONNECTED, 1);
        mRecorder.Start();
    }

    void Link(bool up)
    {
        vconf_set_bool(KEY_CONNECTED, up);
    }
    size_t Calls(const char* method)
    {
        return mGeoClue.CallsOf(CLIENT, method).size();
    }
    void MoveWatch(double lat, double lon, double accuracy)
    {
        mGeoClue.Tell(MANAGER, "SetLocation", g_variant_new("(ddd)", lat, lon, accuracy));
    }
    bool Stored(LostContactRecord& record)
    {
        return LostContactStore(mDir).Load(record);
    }

    PelornTest::ScopedTestDirs mDirs;
    PelornTest::PrivateSystemBus mBus;
    DBusMock mGeoClue{
        mBus.Address(), "org.freedesktop.GeoClue2", {"--template", DBusMock::GeoClueTemplate()}};
    std::string mDir;
    LostContactRecorder mRecorder;
};
} // namespace

// A link back within 10 s is no loss, an unreadable record is ignored and a
// loss before GeoClue knows any position is recorded without one. Then a drop
// asks GeoClue only until a good fix and records it once the link stayed down.
TEST_F(LostContactRecorderTest, ADropAsksGeoClueOnlyUntilAGoodFixAndRecordsItOnceTheLinkStayedDown)
{
    EXPECT_EQ(0u, Calls("Start")) << "no location service while connected";
    Link(false);
    ASSERT_TRUE(RunGlibUntil([&] { return Calls("Start") == 1; }));
    pelorn_clock_advance_ms(5000);
    Link(true);
    ASSERT_TRUE(RunGlibUntil([&] { return Calls("Stop") == 1; }));
    pelorn_clock_advance_ms(LostContactRecorder::FIX_WINDOW_S * 1000);
    LostContactRecord record;
    EXPECT_FALSE(g_file_test(LostContactStore(mDir).Path().c_str(), G_FILE_TEST_EXISTS));

    ASSERT_TRUE(g_file_set_contents(LostContactStore(mDir).Path().c_str(), "[lost-contact]\nsequence=x\n", -1,
                                    nullptr));
    pelorn_log_capture_begin();
    EXPECT_FALSE(Stored(record));
    EXPECT_TRUE(pelorn_log_captured("", "no lost-contact record that makes sense"));
    Link(false);
    ASSERT_TRUE(RunGlibUntil([&] { return Calls("Start") == 2; }));
    pelorn_clock_advance_ms(LostContactRecorder::FIX_WINDOW_S * 1000);
    ASSERT_TRUE(Stored(record));
    EXPECT_EQ(1, record.sequence);
    EXPECT_FALSE(record.hasFix);
    EXPECT_TRUE(RunGlibUntil([&] { return Calls("Stop") == 2; }));
    pelorn_log_capture_clear();
    Link(true);
    ASSERT_TRUE(RunGlibUntil([] { return pelorn_log_captured("", "the link to the phone is up"); }));
    pelorn_log_capture_end();

    NSORZCommon::PreferenceUtil::SetLastLocationLat(37.5);
    NSORZCommon::PreferenceUtil::SetLastLocationLon(127.0);
    const gint64 beforeMs = pelorn_clock_wall_ms();
    Link(false);
    ASSERT_TRUE(RunGlibUntil([&] { return Calls("Start") == 3; }));
    const gint64 afterMs = pelorn_clock_wall_ms();
    MoveWatch(37.51, 127.01, 250.0); // not good enough: kept asking
    MoveWatch(37.52, 127.02, 40.0);
    ASSERT_TRUE(RunGlibUntil([&] { return Calls("Stop") == 3; })) << "released after the good fix";
    ASSERT_TRUE(Stored(record));
    EXPECT_EQ(1, record.sequence) << "nothing is a loss before the link stayed down";

    pelorn_clock_advance_ms(LostContactRecorder::GRACE_S * 1000);
    ASSERT_TRUE(Stored(record));
    EXPECT_EQ(2, record.sequence);
    EXPECT_GE(record.timeMs, beforeMs);
    EXPECT_LE(record.timeMs, afterMs);
    EXPECT_TRUE(record.hasFix && record.accurate);
    EXPECT_DOUBLE_EQ(37.52, record.latitude);
    EXPECT_DOUBLE_EQ(40.0, record.accuracyM);
    EXPECT_TRUE(record.hasPhone);
    EXPECT_DOUBLE_EQ(127.0, record.phoneLongitude);

    // Back and lost again: the reconnect keeps it, the next loss replaces it
    // with the best fix the window gave, marked as such.
    pelorn_log_capture_begin();
    Link(true);
    ASSERT_TRUE(RunGlibUntil([] { return pelorn_log_captured("", "the link to the phone is up"); }));
    pelorn_log_capture_end();
    ASSERT_TRUE(Stored(record));
    EXPECT_EQ(2, record.sequence);
    MoveWatch(37.6, 127.1, 900.0); // what GeoClue knows when asked next
    pelorn_log_capture_begin();
    Link(false);
    MoveWatch(37.7, 127.2, 300.0);
    ASSERT_TRUE(RunGlibUntil([] { return pelorn_log_captured("", "a fix of 300 m"); }));
    pelorn_log_capture_end();
    pelorn_clock_advance_ms(LostContactRecorder::FIX_WINDOW_S * 1000);
    ASSERT_TRUE(RunGlibUntil([&] { return Stored(record) && record.sequence == 3; }));
    EXPECT_TRUE(record.hasFix);
    EXPECT_FALSE(record.accurate);
    EXPECT_DOUBLE_EQ(300.0, record.accuracyM);
    EXPECT_TRUE(RunGlibUntil([&] { return Calls("Stop") == 4; }));
}
