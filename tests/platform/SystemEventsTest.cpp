#include "DBusMock.h"
#include "DesktopBridgeProcess.h"
#include "PrivateBus.h"
#include "TestEnvironment.h"
#include "net_connection.h"
#include "pelorn_clock.h"
#include "pelorn_system_events.h"
#include "vconf.h"

#include <gio/gio.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <memory>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

using PelornTest::DBusMock;
using PelornTest::IntKey;
using PelornTest::RunGlibUntil;

namespace
{
const char* const NM_MANAGER = "/org/freedesktop/NetworkManager";
const char* const NM_INTERFACE = "org.freedesktop.NetworkManager";
const char* const NET_STATUS = "memory/dnet/status";
const char* const BATTERY_LOW = "memory/sysman/battery_status_low";
const char* const LOW_MEMORY = "memory/sysman/low_memory";

void RecordTypeCb(connection_type_e type, void* userData)
{
    static_cast<std::vector<connection_type_e>*>(userData)->push_back(type);
}

connection_type_e TypeOf(connection_h connection)
{
    connection_type_e type = CONNECTION_TYPE_NET_PROXY;
    EXPECT_EQ(connection_get_type(connection, &type), CONNECTION_ERROR_NONE);
    return type;
}

::testing::AssertionResult KeyBecomes(const char* key, int value)
{
    if (RunGlibUntil([&] { return IntKey(key) == value; }, 5000))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << key << " is " << IntKey(key) << ", not " << value;
}

/* Every test gets fresh folders, a private system bus and a calm pressure
 * file, so nothing of this machine's own state leaks in. */
class SystemEvents : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(mBus.IsRunning()) << "dbus-daemon did not start";
        mPressureFile = mDirs.RuntimeDir() + "/pressure";
        WritePressure(0.0, 0.0);
        setenv("PELORN_MEMORY_PRESSURE_FILE", mPressureFile.c_str(), 1);
    }
    void TearDown() override
    {
        pelorn_system_events_stop();
        unsetenv("PELORN_MEMORY_PRESSURE_FILE");
        pelorn_clock_set_manual(FALSE);
    }
    void WritePressure(double some, double full)
    {
        gchar* text = g_strdup_printf("some avg10=%.2f avg60=0.00 avg300=0.00 total=1\n"
                                      "full avg10=%.2f avg60=0.00 avg300=0.00 total=1\n",
                                      some, full);
        g_file_set_contents(mPressureFile.c_str(), text, -1, nullptr);
        g_free(text);
    }
    /* Whether the desktop service played by dbusmock's template came up. */
    bool Start(std::unique_ptr<DBusMock>& mock, const char* name, const char* templateName)
    {
        mock.reset(new DBusMock(mBus.Address(), name, {"--template", templateName}));
        EXPECT_TRUE(mock->Ready()) << mock->LastError();
        return mock->Ready();
    }
    void SetNetworkManager(const char* name, GVariant* value)
    {
        GVariant* reply = mNetworkManager->Call(NM_MANAGER, "org.freedesktop.DBus.Properties", "Set",
                                                g_variant_new("(ssv)", NM_INTERFACE, name, value));
        ASSERT_TRUE(reply) << mNetworkManager->LastError();
        g_variant_unref(reply);
    }

    PelornTest::ScopedTestDirs mDirs;
    PelornTest::PrivateSystemBus mBus;
    std::string mPressureFile;
    std::unique_ptr<DBusMock> mUPower;
    std::unique_ptr<DBusMock> mNetworkManager;
};

/* Times the process's threads gave the processor up of their own accord:
 * each wake-up of a sleeping thread counts one. */
long VoluntarySwitches(pid_t pid)
{
    long total = 0;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    GDir* dir = g_dir_open(tasks.c_str(), 0, nullptr);
    if (!dir)
        return -1;
    const char* const field = "\nvoluntary_ctxt_switches:";
    while (const gchar* task = g_dir_read_name(dir))
    {
        std::string status = PelornTest::ReadFile(tasks + "/" + task + "/status");
        size_t at = status.find(field);
        if (at != std::string::npos)
            total += atol(status.c_str() + at + strlen(field));
    }
    g_dir_close(dir);
    return total;
}
} // namespace

// Whether NetworkManager is there from the start or comes after the network
// monitor answered, its state and connection type decide the status, and the
// status the connection type the application sees (the monitor's until then).
// UPower's display device is there from the start, as a device with no
// battery: nothing to report until it says otherwise.
TEST_F(SystemEvents, NetworkManagerAndUPowerBecomeTheNetworkAndBatteryKeysAndOneBridgeSleepsWhileNothingChanges)
{
    ASSERT_TRUE(Start(mUPower, "org.freedesktop.UPower", "upower"));
    connection_h connection = nullptr;
    ASSERT_EQ(connection_create(&connection), CONNECTION_ERROR_NONE);
    const bool available = g_network_monitor_get_network_available(g_network_monitor_get_default());
    EXPECT_EQ(TypeOf(connection) == CONNECTION_TYPE_DISCONNECTED, !available);
    std::vector<connection_type_e> heard;
    ASSERT_EQ(connection_set_type_changed_cb(connection, RecordTypeCb, &heard), CONNECTION_ERROR_NONE);
    ASSERT_EQ(pelorn_system_events_start(), 0);
    EXPECT_NE(IntKey(NET_STATUS), -1) << "without NetworkManager the monitor's answer is published at once";
    ASSERT_TRUE(Start(mNetworkManager, "org.freedesktop.NetworkManager", "networkmanager"));
    ASSERT_TRUE(mNetworkManager->Tell(NM_MANAGER, "AddProperty",
                                      g_variant_new("(ssv)", NM_INTERFACE, "PrimaryConnectionType",
                                                    g_variant_new_string("802-3-ethernet"))));
    const struct
    {
        const char* property;
        GVariant* value;
        int status;
        connection_type_e type;
    } steps[] = {
        {"State", g_variant_new_uint32(20), 0, CONNECTION_TYPE_DISCONNECTED},
        {"State", g_variant_new_uint32(70), 3, CONNECTION_TYPE_ETHERNET},
        {"PrimaryConnectionType", g_variant_new_string("802-11-wireless"), 2, CONNECTION_TYPE_WIFI},
        {"PrimaryConnectionType", g_variant_new_string("gsm"), 1, CONNECTION_TYPE_CELLULAR},
        {"PrimaryConnectionType", g_variant_new_string("802-3-ethernet"), 3, CONNECTION_TYPE_ETHERNET},
        {"PrimaryConnectionType", g_variant_new_string("bluetooth"), 4, CONNECTION_TYPE_BT},
        // connected locally: a link, but no route out
        {"State", g_variant_new_uint32(50), 0, CONNECTION_TYPE_DISCONNECTED},
        {"State", g_variant_new_uint32(70), 4, CONNECTION_TYPE_BT},
    };
    for (const auto& step : steps)
    {
        SCOPED_TRACE("step " + std::to_string(&step - steps) + ", " + step.property);
        SetNetworkManager(step.property, step.value);
        EXPECT_TRUE(KeyBecomes(NET_STATUS, step.status));
        EXPECT_EQ(TypeOf(connection), step.type);
        // The first step may leave the type as the monitor had it: nothing to tell.
        EXPECT_TRUE(&step == steps || RunGlibUntil([&] { return !heard.empty() && heard.back() == step.type; }));
    }

    // UPower answered long before all that.
    EXPECT_EQ(IntKey(BATTERY_LOW), -1);

    const size_t told = heard.size();
    EXPECT_EQ(connection_unset_type_changed_cb(connection), CONNECTION_ERROR_NONE);
    SetNetworkManager("State", g_variant_new_uint32(20));
    EXPECT_TRUE(KeyBecomes(NET_STATUS, 0));
    PelornTest::RunGlibFor(200);
    EXPECT_EQ(heard.size(), told) << "told after its callback was unset";
    EXPECT_EQ(connection_destroy(connection), CONNECTION_ERROR_NONE);

    const struct
    {
        double percent;
        guint32 warningLevel;
        gboolean present;
        int low;
    } charges[] = {
        {64.4, 1, TRUE, 4}, {12.0, 3, TRUE, 3}, {4.0, 4, TRUE, 2},
        {1.0, 5, TRUE, 1},  {3.0, 0, TRUE, 2}, // no warning level from the daemon: the charge left decides
        {0.0, 0, FALSE, 4},                    // the battery taken out: whatever it said last no longer holds
    };
    for (const auto& step : charges)
    {
        SCOPED_TRACE(std::to_string(step.percent) + "%, level " + std::to_string(step.warningLevel));
        // type battery, state discharging, ..., present, icon, warning level
        ASSERT_TRUE(mUPower->Tell("/org/freedesktop/UPower", "SetupDisplayDevice",
                                  g_variant_new("(uuddddxxbsu)", 2u, 2u, step.percent, 10.0, 50.0, 5.0,
                                                (gint64)600, (gint64)0, step.present, "battery",
                                                step.warningLevel)))
            << mUPower->LastError();
        EXPECT_TRUE(KeyBecomes(BATTERY_LOW, step.low));
        EXPECT_TRUE(!step.present || IntKey("memory/sysman/battery_capacity") == (int)step.percent)
            << IntKey("memory/sysman/battery_capacity");
    }

    // The bridge runs for the life of the desktop session: a polling timer
    // would wake it (and drain a battery) for nothing.
    pelorn_system_events_stop();
    SetNetworkManager("State", g_variant_new_uint32(70));
    PelornTest::DesktopBridgeProcess bridge;
    ASSERT_TRUE(bridge.Ready());
    ASSERT_TRUE(KeyBecomes(NET_STATUS, 4)) << "NetworkManager not heard";
    // One bridge per runtime folder (that a stop gives the folder up, the memory case shows).
    EXPECT_NE(pelorn_system_events_start(), 0) << "a second bridge started beside the running one";

    // Its start (and the writing of its log lines) may run on into the first
    // window on a busy machine: the bridge passes once one whole window of 3 s
    // holds at most one wake-up. A timer polling each second or faster fails
    // every window.
    long woke = -1;
    for (int window = 0; window < 10 && (woke < 0 || woke > 1); window++)
    {
        const long before = VoluntarySwitches(bridge.Pid());
        g_usleep(3 * G_USEC_PER_SEC);
        const long after = VoluntarySwitches(bridge.Pid());
        ASSERT_GE(before, 0);
        woke = after - before;
    }
    EXPECT_LE(woke, 1) << "woke up " << woke << " times in the last 3 s with nothing happening";
}

TEST_F(SystemEvents, MemoryPressureCalmsDownOnTheClockAndTheDesktopZoneAndClockFormatBecomeTheWatchSettings)
{
    for (const char* text : {"", "garbage without numbers\n", "full avg10=99.00\n"})
    {
        g_file_set_contents(mPressureFile.c_str(), text, -1, nullptr);
        ASSERT_EQ(pelorn_system_events_start(), 0);
        EXPECT_EQ(IntKey(LOW_MEMORY), -1) << "from \"" << text << "\"";
        pelorn_system_events_stop();
    }

    pelorn_clock_set_manual(TRUE);
    WritePressure(25.0, 0.0);
    ASSERT_EQ(pelorn_system_events_start(), 0);
    EXPECT_EQ(IntKey(LOW_MEMORY), 2) << "a quarter of the time some task waited for memory";
    WritePressure(40.0, 15.0);
    pelorn_clock_advance_ms(10000);
    EXPECT_TRUE(KeyBecomes(LOW_MEMORY, 4)) << "every task waited: hard warning";
    WritePressure(0.5, 0.0);
    pelorn_clock_advance_ms(9000);
    PelornTest::RunGlibFor(100);
    EXPECT_EQ(IntKey(LOW_MEMORY), 4) << "looked again before its 10 s";
    pelorn_clock_advance_ms(1000);
    EXPECT_TRUE(KeyBecomes(LOW_MEMORY, 1));
    pelorn_system_events_stop();
    pelorn_clock_set_manual(FALSE);

    // The desktop's zone comes as a link another program replaces, its clock
    // format from a key file another process writes with gsettings.
    const std::string link = mDirs.RuntimeDir() + "/localtime";
    ASSERT_EQ(symlink("/usr/share/zoneinfo/Europe/Berlin", link.c_str()), 0);
    setenv("PELORN_LOCALTIME_FILE", link.c_str(), 1);
    vconf_set_str("db/setting/timezone_id", "Asia/Tokyo");
    vconf_set_int("db/menu_widget/regionformat_time1224", 2);
    ASSERT_EQ(pelorn_system_events_start(), 0);
    auto zone = [] { return PelornTest::StrKey("db/setting/timezone_id"); };
    PelornTest::RunGlibFor(200);
    EXPECT_EQ(zone(), "Asia/Tokyo") << "the watch's own choice stands until the desktop's zone changes";
    // As timedatectl does it: a new link renamed over the old one.
    const std::string fresh = link + ".new";
    ASSERT_EQ(symlink("../usr/share/zoneinfo/Asia/Seoul", fresh.c_str()), 0);
    ASSERT_EQ(rename(fresh.c_str(), link.c_str()), 0);
    EXPECT_TRUE(RunGlibUntil([&] { return zone() == "Asia/Seoul"; })) << zone();
    unsetenv("PELORN_LOCALTIME_FILE");

    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        source ? g_settings_schema_source_lookup(source, "org.gnome.desktop.interface", TRUE) : nullptr;
    if (!schema)
        GTEST_SKIP() << "gsettings-desktop-schemas is not installed: the zone alone was checked";
    g_settings_schema_unref(schema);
    for (const auto& format : {std::make_pair("12h", 1), std::make_pair("24h", 2)})
    {
        ASSERT_TRUE(PelornTest::RunProgram(
                        {"gsettings", "set", "org.gnome.desktop.interface", "clock-format", format.first})
                        .Exited(0));
        EXPECT_TRUE(KeyBecomes("db/menu_widget/regionformat_time1224", format.second)) << format.first;
    }
}
