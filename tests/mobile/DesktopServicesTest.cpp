#include "AppScenario.h"
#include "BusSignalRecorder.h"
#include "DBusMock.h"
#include "DesktopBridgeProcess.h"
#include "FindingScreenProbe.h"
#include "PhoneSimProcess.h"
#include "PrivateBus.h"
#include "TestEnvironment.h"
#include "app_preference.h"
#include "pelorn_log_capture.h"
#include "vconf.h"

#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

using PelornTest::AppScenario;
using PelornTest::DBusMock;

using FindingScreenProbe::Button;
using FindingScreenProbe::Finding;
using FindingScreenProbe::Idle;

namespace
{
const char* const LOGIND = "/org/freedesktop/login1";
const char* const SCREENSAVER = "/org/freedesktop/ScreenSaver";

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

/* logind's idle inhibitors taken by the application, as blocks, with the reason it gives. */
int IdleInhibitors(DBusMock& logind)
{
    GVariant* reply = logind.Call(LOGIND, "org.freedesktop.login1.Manager", "ListInhibitors", nullptr);
    if (!reply)
        return -1;
    const std::string listed = Printed({reply}).at(0);
    const std::string ours = "('idle', 'com.quenlor.pelorn', 'ringing the phone', 'block',";
    int count = 0;
    for (size_t at = listed.find(ours); at != std::string::npos; at = listed.find(ours, at + 1))
        count++;
    return count;
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
    PelornTest::ScopedTestDirs mDirs;
    PelornTest::PrivateSystemBus mSystemBus;
    // Empty unless a test puts a screensaver on it, so no desktop of the machine answers.
    PelornTest::PrivateSessionBus mSessionBus;
};
} // namespace

/* Ringing holds the idle lock and raises the process's priority: through logind while the session has
 * no screensaver to take it, through the screensaver (logind left alone) once it has one. The watch's
 * network, as NetworkManager sees it, reaches the finding screen; a critical battery from UPower ends
 * the app, a low one does not. */
TEST_F(DesktopServices, RingingHoldsIdleAndPriorityAndTheDesktopsNetworkAndBatteryReachTheApp)
{
    PelornTest::ScopedEnv answer("PELORN_ANSWER_COM_QUENLOR_NETLY_POPUP", "CANCEL");
    DBusMock logind(mSystemBus.Address(), "org.freedesktop.login1", {"--template", "logind"});
    ASSERT_TRUE(logind.Ready()) << logind.LastError();
    PelornTest::BusSignalRecorder priority(mSystemBus.Address(), "org.tizen.resourced.process",
                                           "ProcExclude");
    ASSERT_TRUE(priority.Ready());
    // On the bus from the start, but without its methods until the second ring.
    DBusMock screensaver(
        mSessionBus.Address(), "org.freedesktop.ScreenSaver",
        {"--session", "org.freedesktop.ScreenSaver", SCREENSAVER, "org.freedesktop.ScreenSaver"});
    ASSERT_TRUE(screensaver.Ready()) << screensaver.LastError();
    DBusMock networkManager(mSystemBus.Address(), "org.freedesktop.NetworkManager",
                            {"--template", "networkmanager"});
    ASSERT_TRUE(networkManager.Ready()) << networkManager.LastError();
    DBusMock upower(mSystemBus.Address(), "org.freedesktop.UPower", {"--template", "upower"});
    ASSERT_TRUE(upower.Ready()) << upower.LastError();
    PelornTest::DesktopBridgeProcess bridge;
    ASSERT_TRUE(bridge.Ready());
    int status = -1;
    ASSERT_TRUE(PelornTest::RunGlibUntil([] { return PelornTest::IntKey("memory/dnet/status") == 3; }))
        << "NetworkManager's wired network never reached the status key";
    // A phone reached through the remote connection service: the watch's own network matters.
    PelornTest::PhoneSimProcess phone({"--conn-type", "16"});
    ASSERT_TRUE(phone.Ready());

    auto inhibits = [&] { return Printed(screensaver.CallsOf(SCREENSAVER, "Inhibit")); };
    auto releases = [&] { return Printed(screensaver.CallsOf(SCREENSAVER, "UnInhibit")); };
    auto bodies = [&priority](size_t n) { return [&priority, n] { return priority.Bodies().size() == n; }; };
    auto setDisplayDevice = [&](double percent, guint32 warningLevel)
    {
        upower.Tell("/org/freedesktop/UPower", "SetupDisplayDevice",
                    g_variant_new("(uuddddxxbsu)", 2u, 2u, percent, 10.0, 50.0, 5.0, (gint64)600, (gint64)0,
                                  TRUE, "battery", warningLevel));
    };
    bool methodsAdded = false;
    std::vector<std::string> twoRings;
    pelorn_log_capture_begin();
    AppScenario s;
    s.WaitFor("link up", [&] { return phone.Printed("watch connected") && Idle(); })
        .WaitFor("nothing held while idle",
                 [&] { return IdleInhibitors(logind) == 0 && priority.Bodies().empty(); })
        .TapWhenReady("tap start", Button, [&] { return phone.Printed("ringing:") && Finding(); })
        .WaitFor("idle inhibited while ringing", [&] { return IdleInhibitors(logind) == 1; })
        .WaitFor("raised priority", bodies(1))
        .Do("phone found", [&] { phone.Command("found"); })
        .WaitFor("idle again", [&] { return Idle() && IdleInhibitors(logind) == 0; })
        .WaitFor("priority back", bodies(2))
        .Do("the screensaver answers",
            [&]
            {
                methodsAdded =
                    screensaver.Tell(SCREENSAVER, "AddMethod",
                                     g_variant_new("(sssss)", "", "Inhibit", "ss", "u", "ret = 4242")) &&
                    screensaver.Tell(SCREENSAVER, "AddMethod",
                                     g_variant_new("(sssss)", "", "UnInhibit", "u", "", ""));
            })
        .TapWhenReady("tap start again", Button, [&] { return Finding() && inhibits().size() == 1; })
        .WaitFor("still ringing, logind left alone",
                 [&] { return phone.CountPrinted("ringing:") > 0 && IdleInhibitors(logind) == 0; })
        .Do("escape stops it", [] { AppScenario::KeyUp("Escape"); })
        .WaitFor("released", [&] { return Idle() && releases().size() == 1; })
        .WaitFor("priority back again", bodies(4))
        .Do("two rings", [&] { twoRings = priority.Bodies(); })
        .TapWhenReady("a third ring", Button, [&] { return Finding() && inhibits().size() == 2; })
        // The app hears settings in the order written: still there for the network change
        // and the popup after it, it did not end on the low battery.
        .Do("battery low, not yet critical", [&] { setDisplayDevice(12.0, 3); })
        .WaitFor("told", [] { return PelornTest::IntKey("memory/sysman/battery_status_low") == 3; })
        .Do("NetworkManager loses the network",
            [&]
            {
                GVariant* reply = networkManager.Call("/org/freedesktop/NetworkManager",
                                                      "org.freedesktop.DBus.Properties", "Set",
                                                      g_variant_new("(ssv)", "org.freedesktop.NetworkManager",
                                                                    "State", g_variant_new_uint32(20)));
                if (reply)
                    g_variant_unref(reply);
            })
        .WaitFor("the finding screen hears it",
                 [] { return pelorn_log_captured("pelorn-p", "ConnectionChanged") && Idle(); })
        .WaitFor("the connection popup answered",
                 [] { return pelorn_log_captured("", "strncmp(popupResult, \"CANCEL\", 6) == 0"); })
        .Do("offline", [&] { status = PelornTest::IntKey("memory/dnet/status"); })
        .Then(
            "battery critical", [&] { setDisplayDevice(4.0, 4); }, [] { return false; });
    s.Run({});
    const bool exited = pelorn_log_captured("pelorn-p", "AppLowBatteryCb exit app");
    pelorn_log_capture_end();
    EXPECT_EQ("battery critical (the application ended first)", s.FailedStep());
    EXPECT_TRUE(s.EndedByItself());
    EXPECT_TRUE(exited);
    EXPECT_EQ(0, status);
    EXPECT_TRUE(methodsAdded) << screensaver.LastError();
    const std::string include = "('include', " + std::to_string(getpid()) + ")";
    const std::string exclude = "('exclude', " + std::to_string(getpid()) + ")";
    EXPECT_EQ(twoRings, (std::vector<std::string>{include, exclude, include, exclude}))
        << ::testing::PrintToString(priority.Bodies());
    const std::string inhibit = "[<'com.quenlor.pelorn'>, <'ringing the phone'>]", cookie = "[<uint32 4242>]";
    EXPECT_EQ(inhibits(), (std::vector<std::string>{inhibit, inhibit}));
    EXPECT_EQ(releases(), (std::vector<std::string>{cookie, cookie})) << "the cookie the screensaver gave";
}
