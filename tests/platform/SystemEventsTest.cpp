#include "DBusMock.h"
#include "DesktopBridgeProcess.h"
#include "PrivateBus.h"
#include "TestEnvironment.h"
#include "pelorn_clock.h"
#include "pelorn_system_events.h"
#include "vconf.h"

#include <gio/gio.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

using PelornTest::DBusMock;
using PelornTest::RunGlibUntil;

namespace
{
const char* const NM_MANAGER = "/org/freedesktop/NetworkManager";
const char* const NM_INTERFACE = "org.freedesktop.NetworkManager";
const char* const UPOWER = "/org/freedesktop/UPower";

/* The key's value, or -1 when it is not set. */
int Key(const char* key)
{
    int value = -1;
    return vconf_get_int(key, &value) == VCONF_OK ? value : -1;
}

::testing::AssertionResult KeyBecomes(const char* key, int value)
{
    if (RunGlibUntil([&] { return Key(key) == value; }, 5000))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << key << " is " << Key(key) << ", not " << value;
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
    void SetUpDisplayDevice(double percent, guint32 warningLevel, gboolean present = TRUE)
    {
        // type battery, state discharging, ..., present, icon, warning level
        GVariant* reply = mUPower->Mock(UPOWER, "SetupDisplayDevice",
                                        g_variant_new("(uuddddxxbsu)", 2u, 2u, percent, 10.0, 50.0, 5.0,
                                                      (gint64)600, (gint64)0, present, "battery", warningLevel));
        ASSERT_TRUE(reply) << mUPower->LastError();
        g_variant_unref(reply);
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
} // namespace

TEST_F(SystemEvents, NetworkManagerStateAndConnectionTypeBecomeTheNetworkStatus)
{
    mNetworkManager.reset(
        new DBusMock(mBus.Address(), "org.freedesktop.NetworkManager", {"--template", "networkmanager"}));
    ASSERT_TRUE(mNetworkManager->Ready()) << mNetworkManager->LastError();
    GVariant* added = mNetworkManager->Mock(NM_MANAGER, "AddProperty",
                                            g_variant_new("(ssv)", NM_INTERFACE, "PrimaryConnectionType",
                                                          g_variant_new_string("802-11-wireless")));
    ASSERT_TRUE(added) << mNetworkManager->LastError();
    g_variant_unref(added);

    ASSERT_EQ(pelorn_system_events_start(), 0);
    EXPECT_TRUE(KeyBecomes("memory/dnet/status", 2)) << "connected over Wi-Fi";
    SetNetworkManager("PrimaryConnectionType", g_variant_new_string("gsm"));
    EXPECT_TRUE(KeyBecomes("memory/dnet/status", 1));
    SetNetworkManager("PrimaryConnectionType", g_variant_new_string("802-3-ethernet"));
    EXPECT_TRUE(KeyBecomes("memory/dnet/status", 3));
    SetNetworkManager("PrimaryConnectionType", g_variant_new_string("bluetooth"));
    EXPECT_TRUE(KeyBecomes("memory/dnet/status", 4));
    // NM_STATE_CONNECTED_LOCAL: a link, but no route out.
    SetNetworkManager("State", g_variant_new_uint32(50));
    EXPECT_TRUE(KeyBecomes("memory/dnet/status", 0));
    SetNetworkManager("State", g_variant_new_uint32(70));
    EXPECT_TRUE(KeyBecomes("memory/dnet/status", 4));
}

TEST_F(SystemEvents, NetworkManagerStartingLaterTakesOverFromTheNetworkMonitor)
{
    ASSERT_EQ(pelorn_system_events_start(), 0);
    // Without NetworkManager the monitor's answer is published at once.
    EXPECT_NE(Key("memory/dnet/status"), -1);
    PelornTest::RunGlibFor(300);

    mNetworkManager.reset(
        new DBusMock(mBus.Address(), "org.freedesktop.NetworkManager", {"--template", "networkmanager"}));
    ASSERT_TRUE(mNetworkManager->Ready()) << mNetworkManager->LastError();
    SetNetworkManager("State", g_variant_new_uint32(20));
    EXPECT_TRUE(KeyBecomes("memory/dnet/status", 0));
    SetNetworkManager("State", g_variant_new_uint32(70));
    EXPECT_TRUE(KeyBecomes("memory/dnet/status", 3));
}

TEST_F(SystemEvents, UPowerDisplayDeviceBecomesTheBatteryKeys)
{
    mUPower.reset(new DBusMock(mBus.Address(), "org.freedesktop.UPower", {"--template", "upower"}));
    ASSERT_TRUE(mUPower->Ready()) << mUPower->LastError();
    ASSERT_EQ(pelorn_system_events_start(), 0);
    // The mock's display device starts as "no battery": nothing to report.
    PelornTest::RunGlibFor(300);
    EXPECT_EQ(Key("memory/sysman/battery_status_low"), -1);

    SetUpDisplayDevice(64.4, 1);
    EXPECT_TRUE(KeyBecomes("memory/sysman/battery_capacity", 64));
    EXPECT_EQ(Key("memory/sysman/battery_status_low"), 4);
    SetUpDisplayDevice(12.0, 3);
    EXPECT_TRUE(KeyBecomes("memory/sysman/battery_status_low", 3));
    SetUpDisplayDevice(4.0, 4);
    EXPECT_TRUE(KeyBecomes("memory/sysman/battery_status_low", 2));
    EXPECT_EQ(Key("memory/sysman/battery_capacity"), 4);
    SetUpDisplayDevice(1.0, 5);
    EXPECT_TRUE(KeyBecomes("memory/sysman/battery_status_low", 1));
    // No warning level from the daemon: the charge left decides.
    SetUpDisplayDevice(3.0, 0);
    EXPECT_TRUE(KeyBecomes("memory/sysman/battery_status_low", 2));
    // The battery taken out: whatever it said last no longer holds.
    SetUpDisplayDevice(0.0, 0, FALSE);
    EXPECT_TRUE(KeyBecomes("memory/sysman/battery_status_low", 4));
}

TEST_F(SystemEvents, MemoryPressureWarnsAtStartAndCalmsDownOnTheClock)
{
    pelorn_clock_set_manual(TRUE);
    WritePressure(25.0, 0.0);
    ASSERT_EQ(pelorn_system_events_start(), 0);
    EXPECT_EQ(Key("memory/sysman/low_memory"), 2) << "a quarter of the time some task waited for memory";

    WritePressure(40.0, 15.0);
    pelorn_clock_advance_ms(10000);
    EXPECT_TRUE(KeyBecomes("memory/sysman/low_memory", 4)) << "every task waited: hard warning";

    WritePressure(0.5, 0.0);
    pelorn_clock_advance_ms(9000);
    PelornTest::RunGlibFor(100);
    EXPECT_EQ(Key("memory/sysman/low_memory"), 4) << "looked again before its 10 s";
    pelorn_clock_advance_ms(1000);
    EXPECT_TRUE(KeyBecomes("memory/sysman/low_memory", 1));
}

TEST_F(SystemEvents, UnreadablePressureFileLeavesTheMemoryKeyAlone)
{
    for (const char* text : {"", "garbage without numbers\n", "full avg10=99.00\n"})
    {
        g_file_set_contents(mPressureFile.c_str(), text, -1, nullptr);
        ASSERT_EQ(pelorn_system_events_start(), 0);
        EXPECT_EQ(Key("memory/sysman/low_memory"), -1) << "from \"" << text << "\"";
        pelorn_system_events_stop();
    }
}

TEST_F(SystemEvents, ReplacedTimeZoneLinkBecomesTheZoneSetting)
{
    const std::string link = mDirs.RuntimeDir() + "/localtime";
    ASSERT_EQ(symlink("/usr/share/zoneinfo/Europe/Berlin", link.c_str()), 0);
    setenv("PELORN_LOCALTIME_FILE", link.c_str(), 1);
    vconf_set_str("db/setting/timezone_id", "Asia/Tokyo");
    ASSERT_EQ(pelorn_system_events_start(), 0);
    auto zone = []
    {
        char* value = vconf_get_str("db/setting/timezone_id");
        std::string text = value ? value : "";
        free(value);
        return text;
    };
    PelornTest::RunGlibFor(200);
    EXPECT_EQ(zone(), "Asia/Tokyo") << "the watch's own choice stands until the desktop's zone changes";

    // As timedatectl does it: a new link renamed over the old one.
    const std::string fresh = link + ".new";
    ASSERT_EQ(symlink("../usr/share/zoneinfo/Asia/Seoul", fresh.c_str()), 0);
    ASSERT_EQ(rename(fresh.c_str(), link.c_str()), 0);
    EXPECT_TRUE(RunGlibUntil([&] { return zone() == "Asia/Seoul"; })) << zone();
    unsetenv("PELORN_LOCALTIME_FILE");
}

TEST_F(SystemEvents, DesktopClockFormatChangeBecomesTheTimeFormatSetting)
{
    // The desktop's settings in a key file another process writes with gsettings.
    setenv("GSETTINGS_BACKEND", "keyfile", 1);
    setenv("XDG_CONFIG_HOME", mDirs.StateDir().c_str(), 1);
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        source ? g_settings_schema_source_lookup(source, "org.gnome.desktop.interface", TRUE) : nullptr;
    if (!schema)
        GTEST_SKIP() << "gsettings-desktop-schemas is not installed";
    g_settings_schema_unref(schema);

    vconf_set_int("db/menu_widget/regionformat_time1224", 2);
    ASSERT_EQ(pelorn_system_events_start(), 0);
    auto gsettingsSet = [](const char* value)
    {
        const gchar* argv[] = {"gsettings",    "set", "org.gnome.desktop.interface",
                               "clock-format", value, nullptr};
        gint status = -1;
        return g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr, G_SPAWN_SEARCH_PATH, nullptr,
                            nullptr, nullptr, nullptr, &status, nullptr) &&
               status == 0;
    };
    ASSERT_TRUE(gsettingsSet("12h"));
    EXPECT_TRUE(KeyBecomes("db/menu_widget/regionformat_time1224", 1));
    ASSERT_TRUE(gsettingsSet("24h"));
    EXPECT_TRUE(KeyBecomes("db/menu_widget/regionformat_time1224", 2));
    unsetenv("XDG_CONFIG_HOME");
}

TEST_F(SystemEvents, OneBridgePerRuntimeFolder)
{
    ASSERT_EQ(pelorn_system_events_start(), 0);
    PelornTest::DesktopBridgeProcess second;
    EXPECT_FALSE(second.Ready());
    EXPECT_TRUE(RunGlibUntil([&] { return second.ExitStatus() >= 0; }, 5000));
    EXPECT_EQ(second.ExitStatus(), 1);

    pelorn_system_events_stop();
    PelornTest::DesktopBridgeProcess third;
    EXPECT_TRUE(third.Ready()) << "the lock must go with the stop";
}

namespace
{
/* Times the process's threads gave the processor up of their own accord:
 * each wake-up of a sleeping thread counts one. */
long VoluntarySwitches(pid_t pid)
{
    long total = 0;
    GDir* tasks = g_dir_open(("/proc/" + std::to_string(pid) + "/task").c_str(), 0, nullptr);
    if (!tasks)
        return -1;
    while (const gchar* task = g_dir_read_name(tasks))
    {
        std::string status =
            PelornTest::ReadFile("/proc/" + std::to_string(pid) + "/task/" + task + "/status");
        size_t at = status.find("\nvoluntary_ctxt_switches:");
        if (at != std::string::npos)
            total += atol(status.c_str() + at + strlen("\nvoluntary_ctxt_switches:"));
    }
    g_dir_close(tasks);
    return total;
}
} // namespace

// The bridge runs for the life of the desktop session: a polling timer would
// wake it (and drain a battery) for nothing.
TEST_F(SystemEvents, BridgeSleepsWhileNothingChanges)
{
    mNetworkManager.reset(
        new DBusMock(mBus.Address(), "org.freedesktop.NetworkManager", {"--template", "networkmanager"}));
    mUPower.reset(new DBusMock(mBus.Address(), "org.freedesktop.UPower", {"--template", "upower"}));
    ASSERT_TRUE(mNetworkManager->Ready() && mUPower->Ready());
    PelornTest::DesktopBridgeProcess bridge;
    ASSERT_TRUE(bridge.Ready());
    ASSERT_TRUE(KeyBecomes("memory/dnet/status", 3)) << "NetworkManager not heard";
    g_usleep(300 * 1000);

    const long before = VoluntarySwitches(bridge.Pid());
    g_usleep(3 * G_USEC_PER_SEC);
    const long after = VoluntarySwitches(bridge.Pid());
    ASSERT_GE(before, 0);
    EXPECT_LE(after - before, 1) << "woke up " << after - before << " times in 3 s with nothing happening";
}
