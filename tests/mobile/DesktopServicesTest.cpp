#include "FindingScreenProbe.h"
#include "AppScenario.h"
#include "BusSignalRecorder.h"
#include "DBusMock.h"
#include "DesktopBridgeProcess.h"
#include "PelornMain.h"
#include "PelornView.h"
#include "PhoneSimProcess.h"
#include "PrivateBus.h"
#include "TestEnvironment.h"
#include "ViewBasicElements.h"
#include "ViewController.h"
#include "ViewManager.h"
#include "app_preference.h"
#include "pelorn_log_capture.h"
#include "vconf.h"

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string>
#include <unistd.h>
#include <vector>

using PelornTest::AppScenario;
using PelornTest::DBusMock;

using FindingScreenProbe::Screen;
using FindingScreenProbe::Button;
using FindingScreenProbe::Idle;
using FindingScreenProbe::Finding;

namespace
{
const char* const LOGIND = "/org/freedesktop/login1";
const char* const SCREENSAVER = "/org/freedesktop/ScreenSaver";

/* logind's idle inhibitors taken by the application. */
int IdleInhibitors(DBusMock& logind)
{
    GVariant* reply = logind.Call(LOGIND, "org.freedesktop.login1.Manager", "ListInhibitors", nullptr);
    if (!reply)
        return -1;
    int count = 0;
    GVariantIter* iter = nullptr;
    const gchar *what, *who, *why, *mode;
    guint32 uid, pid;
    g_variant_get(reply, "(a(ssssuu))", &iter);
    while (g_variant_iter_loop(iter, "(&s&s&s&suu)", &what, &who, &why, &mode, &uid, &pid))
        count += std::string(what) == "idle" && std::string(who) == "com.quenlor.pelorn" &&
                 std::string(mode) == "block";
    g_variant_iter_free(iter);
    g_variant_unref(reply);
    return count;
}

std::vector<std::string> Printed(const std::vector<GVariant*>& calls)
{
    std::vector<std::string> texts;
    for (GVariant* call : calls)
    {
        gchar* text = g_variant_print(call, FALSE);
        texts.push_back(text);
        g_free(text);
        g_variant_unref(call);
    }
    return texts;
}

class DesktopServices : public ::testing::Test
{
protected:
    void SetUp() override
    {
        vconf_set_bool("db/brig/user_agreement/orzzib", 1);
        preference_set_boolean("WORZ_PREF_BOOL_PERMISSION_CHECKED", true);
        ASSERT_TRUE(mSystemBus.IsRunning()) << "dbus-daemon did not start";
        ASSERT_TRUE(mSessionBus.IsRunning()) << "dbus-daemon did not start";
    }
    void TearDown() override
    {
        unsetenv("PELORN_ANSWER_COM_QUENLOR_NETLY_POPUP");
    }

    PelornTest::ScopedTestDirs mDirs;
    PelornTest::PrivateSystemBus mSystemBus;
    // Empty unless a test puts a screensaver on it, so no desktop of the machine answers.
    PelornTest::PrivateSessionBus mSessionBus;
};
} // namespace

TEST_F(DesktopServices, RingCycleSignalsProcessPriorityAndHoldsLogindIdleInhibitorWhileRinging)
{
    DBusMock logind(mSystemBus.Address(), "org.freedesktop.login1", {"--template", "logind"});
    ASSERT_TRUE(logind.Ready()) << logind.LastError();
    PelornTest::BusSignalRecorder priority(mSystemBus.Address(), "org.tizen.resourced.process",
                                           "ProcExclude");
    ASSERT_TRUE(priority.Ready());
    PelornTest::PhoneSimProcess phone;
    ASSERT_TRUE(phone.Ready());

    AppScenario s;
    s.WaitFor("link up", [&] { return phone.Printed("watch connected") && Idle(); })
        .Then(
            "nothing held while idle", [] {},
            [&] { return IdleInhibitors(logind) == 0 && priority.Bodies().empty(); })
        .TapWhenReady("tap start", Button, [&] { return phone.Printed("ringing:") && Finding(); })
        .WaitFor("idle inhibited while ringing", [&] { return IdleInhibitors(logind) == 1; })
        .WaitFor("raised priority", [&] { return priority.Bodies().size() == 1; })
        .Then(
            "phone found", [&] { phone.Command("found"); },
            [&] { return Idle() && IdleInhibitors(logind) == 0; })
        .WaitFor("priority back", [&] { return priority.Bodies().size() >= 2; });
    s.Run({});
    EXPECT_EQ("", s.FailedStep());
    const std::string pid = std::to_string(getpid());
    EXPECT_EQ(priority.Bodies(),
              (std::vector<std::string>{"('include', " + pid + ")", "('exclude', " + pid + ")"}));
}

TEST_F(DesktopServices, SessionScreenSaverIsInhibitedWhileRingingAndLogindLeftAlone)
{
    DBusMock logind(mSystemBus.Address(), "org.freedesktop.login1", {"--template", "logind"});
    ASSERT_TRUE(logind.Ready()) << logind.LastError();
    DBusMock screensaver(
        mSessionBus.Address(), "org.freedesktop.ScreenSaver",
        {"--session", "org.freedesktop.ScreenSaver", SCREENSAVER, "org.freedesktop.ScreenSaver"});
    ASSERT_TRUE(screensaver.Ready()) << screensaver.LastError();
    for (GVariant* method : {g_variant_new("(sssss)", "", "Inhibit", "ss", "u", "ret = 4242"),
                             g_variant_new("(sssss)", "", "UnInhibit", "u", "", "")})
    {
        GVariant* reply = screensaver.Mock(SCREENSAVER, "AddMethod", method);
        ASSERT_TRUE(reply) << screensaver.LastError();
        g_variant_unref(reply);
    }
    PelornTest::PhoneSimProcess phone;
    ASSERT_TRUE(phone.Ready());

    auto inhibits = [&] { return Printed(screensaver.CallsOf(SCREENSAVER, "Inhibit")); };
    auto releases = [&] { return Printed(screensaver.CallsOf(SCREENSAVER, "UnInhibit")); };
    AppScenario s;
    s.WaitFor("link up", [&] { return phone.Printed("watch connected") && Idle(); })
        .TapWhenReady("tap start", Button, [&] { return Finding() && inhibits().size() == 1; })
        .Then(
            "still ringing", [] {}, [&] { return phone.Printed("ringing:") && IdleInhibitors(logind) == 0; })
        .Then(
            "escape stops it", [] { AppScenario::KeyUp("Escape"); },
            [&] { return Idle() && !releases().empty(); });
    s.Run({});
    EXPECT_EQ("", s.FailedStep());
    EXPECT_EQ(inhibits(), (std::vector<std::string>{"[<'com.quenlor.pelorn'>, <'ringing the phone'>]"}));
    EXPECT_EQ(releases(), (std::vector<std::string>{"[<uint32 4242>]"})) << "the cookie the screensaver gave";
}

TEST_F(DesktopServices, CriticalBatteryFromUPowerEndsTheApp)
{
    DBusMock upower(mSystemBus.Address(), "org.freedesktop.UPower", {"--template", "upower"});
    ASSERT_TRUE(upower.Ready()) << upower.LastError();
    PelornTest::DesktopBridgeProcess bridge;
    ASSERT_TRUE(bridge.Ready());
    PelornTest::PhoneSimProcess phone;
    ASSERT_TRUE(phone.Ready());

    auto setDisplayDevice = [&](double percent, guint32 warningLevel)
    {
        GVariant* reply = upower.Mock("/org/freedesktop/UPower", "SetupDisplayDevice",
                                      g_variant_new("(uuddddxxbsu)", 2u, 2u, percent, 10.0, 50.0, 5.0,
                                                    (gint64)600, (gint64)0, TRUE, "battery", warningLevel));
        if (reply)
            g_variant_unref(reply);
    };
    pelorn_log_capture_begin();
    AppScenario s;
    s.WaitFor("link up", [&] { return phone.Printed("watch connected") && Idle(); })
        .Then(
            "battery low, not yet critical", [&] { setDisplayDevice(12.0, 3); },
            []
            {
                int level = 0;
                return vconf_get_int("memory/sysman/battery_status_low", &level) == VCONF_OK && level == 3;
            })
        .Wait("the app keeps running", 300)
        .Then(
            "battery critical", [&] { setDisplayDevice(4.0, 4); }, [] { return false; });
    s.Run({});
    const bool exited = pelorn_log_captured("pelorn-p", "AppLowBatteryCb exit app");
    pelorn_log_capture_end();
    EXPECT_TRUE(s.EndedByItself());
    EXPECT_EQ("battery critical (the application ended first)", s.FailedStep());
    EXPECT_TRUE(exited);
}

TEST_F(DesktopServices, NetworkManagerGoingOfflineReachesTheFindingScreen)
{
    setenv("PELORN_ANSWER_COM_QUENLOR_NETLY_POPUP", "CANCEL", 1);
    DBusMock networkManager(mSystemBus.Address(), "org.freedesktop.NetworkManager",
                            {"--template", "networkmanager"});
    ASSERT_TRUE(networkManager.Ready()) << networkManager.LastError();
    PelornTest::DesktopBridgeProcess bridge;
    ASSERT_TRUE(bridge.Ready());
    ASSERT_TRUE(PelornTest::RunGlibUntil(
        []
        {
            int status = -1;
            return vconf_get_int("memory/dnet/status", &status) == VCONF_OK && status == 3;
        }))
        << "NetworkManager's wired network never reached the status key";
    // A phone reached through the remote connection service: the watch's own network matters.
    PelornTest::PhoneSimProcess phone({"--conn-type", "16"});
    ASSERT_TRUE(phone.Ready());

    pelorn_log_capture_begin();
    AppScenario s;
    s.WaitFor("link up", [&] { return phone.Printed("watch connected") && Idle(); })
        .TapWhenReady("tap start", Button, [&] { return phone.Printed("ringing:") && Finding(); })
        .Then(
            "NetworkManager loses the network",
            [&]
            {
                GVariant* reply = networkManager.Call("/org/freedesktop/NetworkManager",
                                                      "org.freedesktop.DBus.Properties", "Set",
                                                      g_variant_new("(ssv)", "org.freedesktop.NetworkManager",
                                                                    "State", g_variant_new_uint32(20)));
                if (reply)
                    g_variant_unref(reply);
            },
            [] { return pelorn_log_captured("pelorn-p", "ConnectionChanged") && Idle(); })
        .WaitFor("the connection popup answered",
                 [] { return pelorn_log_captured("", "strncmp(popupResult, \"CANCEL\", 6) == 0"); });
    s.Run({});
    pelorn_log_capture_end();
    EXPECT_EQ("", s.FailedStep());
    int status = -1;
    EXPECT_EQ(VCONF_OK, vconf_get_int("memory/dnet/status", &status));
    EXPECT_EQ(0, status);
}
