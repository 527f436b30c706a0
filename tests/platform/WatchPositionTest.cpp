#include "../../platform/src/desktop_bus.h"
#include "DBusMock.h"
#include "PrivateBus.h"
#include "TestEnvironment.h"
#include "pelorn_clock.h"
#include "pelorn_compass.h"
#include "pelorn_location.h"
#include "pelorn_log_capture.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

using PelornTest::DBusMock;
using PelornTest::RunGlibUntil;

namespace
{
const char* const CLIENT = "/org/freedesktop/GeoClue2/Client/1";
const char* const SENSORS = "/net/hadess/SensorProxy";

struct Fixes
{
    std::vector<pelorn_location_fix_s> got;
    int none = 0;
    static void Cb(const pelorn_location_fix_s* fix, void* data)
    {
        if (fix)
            static_cast<Fixes*>(data)->got.push_back(*fix);
        else
            static_cast<Fixes*>(data)->none++;
    }
};

std::string ClientProperty(DBusMock& mock, const char* name)
{
    GVariant* reply = mock.Call(CLIENT, "org.freedesktop.DBus.Properties", "Get",
                                g_variant_new("(ss)", "org.freedesktop.GeoClue2.Client", name));
    if (!reply)
        return "(none)";
    g_autofree gchar* text = g_variant_print(reply, FALSE);
    g_variant_unref(reply);
    return text;
}

/* The watch moves: a new fix in the mock's own time stamp. */
void SetLocation(DBusMock& geoclue, double latitude, double longitude, double accuracy)
{
    geoclue.Tell("/org/freedesktop/GeoClue2/Manager", "SetLocation",
                 g_variant_new("(ddd)", latitude, longitude, accuracy));
}

struct Headings
{
    std::vector<double> got;
    static void Cb(double heading, void* data)
    {
        static_cast<Headings*>(data)->got.push_back(heading);
    }
};

void SetHeading(DBusMock& sensors, double heading)
{
    sensors.Tell(SENSORS, "SetInternalProperty",
                 g_variant_new("(ssv)", "net.hadess.SensorProxy.Compass", "CompassHeading",
                               g_variant_new_double(heading)));
}
} // namespace

// At first the bus has a sensor service and no GeoClue at all: there is no
// fix, said in one log line however often asked.
TEST(WatchPosition, NoGeoClueIsSaidOnceExactFixesAreAskedForAndHeadingsReachTheCallerTenTimesASecond)
{
    PelornTest::ScopedTestDirs dirs;
    PelornTest::PrivateSystemBus bus;
    ASSERT_TRUE(bus.IsRunning());
    DBusMock sensors(bus.Address(), "net.hadess.SensorProxy",
                     {"--template", "iio-sensors-proxy", "--parameters", "{\"has_compass\": true}"});
    ASSERT_TRUE(sensors.Ready()) << sensors.LastError();
    pelorn_log_capture_begin();
    Fixes fixes;
    pelorn_location_h location = pelorn_location_create("com.quenlor.pelorn", Fixes::Cb, &fixes);
    for (int round = 1; round <= 3; round++)
    {
        pelorn_location_start(location);
        ASSERT_TRUE(RunGlibUntil([&] { return fixes.none == round; })) << "round " << round;
        EXPECT_EQ(PELORN_LOCATION_UNAVAILABLE, pelorn_location_get_state(location));
        pelorn_location_stop(location);
    }
    EXPECT_EQ(1, PelornTest::CountLogged("no position"));
    pelorn_location_destroy(location);
    EXPECT_TRUE(fixes.got.empty());

    // GeoClue comes: exact fixes are asked for on start, and it is stopped on stop.
    DBusMock geoclue(bus.Address(), "org.freedesktop.GeoClue2", {"--template", DBusMock::GeoClueTemplate()});
    ASSERT_TRUE(geoclue.Ready()) << geoclue.LastError();
    // The service stamps the fix when it is made; our clock is read around that, in ms.
    const gint64 beforeFixMs = g_get_real_time() / 1000;
    SetLocation(geoclue, 37.5665, 126.978, 30.0);
    const gint64 afterFixMs = g_get_real_time() / 1000;

    fixes = Fixes();
    location = pelorn_location_create("com.quenlor.pelorn", Fixes::Cb, &fixes);
    pelorn_location_fix_s last;
    EXPECT_EQ(-1, pelorn_location_get_last_fix(location, &last)) << "nothing before a start";
    EXPECT_TRUE(geoclue.CallsOf(CLIENT, "Start").empty()) << "creating asks nothing";
    ASSERT_EQ(0, pelorn_location_start(location));
    ASSERT_TRUE(RunGlibUntil([&] { return fixes.got.size() == 1; }));
    EXPECT_EQ(PELORN_LOCATION_RUNNING, pelorn_location_get_state(location));
    EXPECT_DOUBLE_EQ(37.5665, fixes.got[0].latitude);
    EXPECT_DOUBLE_EQ(126.978, fixes.got[0].longitude);
    EXPECT_DOUBLE_EQ(30.0, fixes.got[0].accuracy_m);
    EXPECT_TRUE(beforeFixMs - 1 <= fixes.got[0].time_ms && fixes.got[0].time_ms <= afterFixMs + 1)
        << "the service's own time stamp, in ms: " << fixes.got[0].time_ms;
    EXPECT_EQ("(<'com.quenlor.pelorn'>,)", ClientProperty(geoclue, "DesktopId"));
    EXPECT_EQ("(<uint32 8>,)", ClientProperty(geoclue, "RequestedAccuracyLevel"));

    // A walk: each new fix is heard; one that is no place on Earth is not.
    SetLocation(geoclue, 91.0, 0.0, 5.0);
    SetLocation(geoclue, 37.567, 126.979, 8.0);
    ASSERT_TRUE(RunGlibUntil([&] { return fixes.got.size() == 2; }));
    EXPECT_DOUBLE_EQ(8.0, fixes.got[1].accuracy_m);
    ASSERT_EQ(0, pelorn_location_get_last_fix(location, &last));
    EXPECT_DOUBLE_EQ(126.979, last.longitude);

    pelorn_location_stop(location);
    ASSERT_TRUE(RunGlibUntil([&] { return geoclue.CallsOf(CLIENT, "Stop").size() == 1; }));
    EXPECT_EQ("(<false>,)", ClientProperty(geoclue, "Active"));
    EXPECT_EQ(0, pelorn_location_get_last_fix(location, &last)) << "the last fix outlives the stop";
    pelorn_location_destroy(location);
    EXPECT_EQ(0, fixes.none);

    pelorn_clock_set_manual(TRUE);
    Headings headings;
    pelorn_compass_h compass = pelorn_compass_create(Headings::Cb, &headings);
    pelorn_compass_start(compass);
    // The sensor answers our ping after all it sent us before: drained after it, all that is handled.
    auto answered = []
    {
        if (GVariant* ping =
                g_dbus_connection_call_sync(pelorn_desktop_bus(G_BUS_TYPE_SYSTEM), "net.hadess.SensorProxy",
                                            SENSORS, "org.freedesktop.DBus.Peer", "Ping", nullptr, nullptr,
                                            G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr))
            g_variant_unref(ping);
        while (g_main_context_iteration(nullptr, FALSE))
        {
        }
    };
    ASSERT_TRUE(RunGlibUntil([&] { return sensors.CallsOf(SENSORS, "ClaimCompass").size() == 1; }));
    answered(); // the claim's answer, which reads the heading
    answered(); // that heading, unknown: it must not hold back the first real one
    SetHeading(sensors, 90.0);
    ASSERT_TRUE(RunGlibUntil([&] { return headings.got.size() == 1; }));
    EXPECT_DOUBLE_EQ(90.0, headings.got[0]);

    // Two more within the same tenth of a second: only the newest goes on,
    // once the tenth is over.
    SetHeading(sensors, 100.0);
    SetHeading(sensors, 110.0);
    answered();
    EXPECT_EQ(1u, headings.got.size());
    pelorn_clock_advance_ms(100);
    ASSERT_EQ(2u, headings.got.size());
    EXPECT_DOUBLE_EQ(110.0, headings.got[1]);
    EXPECT_DOUBLE_EQ(110.0, pelorn_compass_get_heading(compass));

    pelorn_compass_stop(compass);
    EXPECT_TRUE(RunGlibUntil([&] { return sensors.CallsOf(SENSORS, "ReleaseCompass").size() == 1; }));
    pelorn_compass_destroy(compass);

    // A sensor service without a compass: north is up, and nothing is claimed.
    ASSERT_TRUE(sensors.Tell(SENSORS, "SetInternalProperty",
                             g_variant_new("(ssv)", "net.hadess.SensorProxy.Compass", "HasCompass",
                                           g_variant_new_boolean(FALSE))));
    compass = pelorn_compass_create(Headings::Cb, &headings);
    pelorn_compass_start(compass);
    ASSERT_TRUE(RunGlibUntil([] { return pelorn_log_captured("", "no compass, north is up"); }));
    pelorn_log_capture_end();
    EXPECT_LT(pelorn_compass_get_heading(compass), 0.0);
    EXPECT_EQ(1u, sensors.CallsOf(SENSORS, "ClaimCompass").size());
    pelorn_compass_destroy(compass);
}
