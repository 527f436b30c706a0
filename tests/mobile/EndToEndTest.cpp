#include "FindingScreenProbe.h"
#include "AppScenario.h"
#include "PhoneSimProcess.h"
#include "PelornMain.h"
#include "PelornView.h"
#include "PelornViewController.h"
#include "ViewController.h"
#include "ViewManager.h"
#include "pelorn_log_capture.h"
#include "TestEnvironment.h"
#include "ViewBasicElements.h"
#include "app_manager.h"
#include "app_preference.h"
#include "pelorn_clock.h"
#include "vconf.h"

#include <algorithm>
#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <memory>
#include <string.h>
#include <string>
#include <unistd.h>
#include <vector>

using PelornTest::CountLogged;
using PelornTest::AppScenario;
using PelornTest::PhoneSimProcess;

using FindingScreenProbe::AgreeButton;
using FindingScreenProbe::BasicPopup;
using FindingScreenProbe::Button;
using FindingScreenProbe::ButtonText;
using FindingScreenProbe::LEGAL_NOTICE;
using FindingScreenProbe::Screen;
using FindingScreenProbe::ToastShown;
using FindingScreenProbe::ToastSays;

namespace
{
Evas_Object* AppWindow()
{
    return NSORZUiCommon::ViewBasicElements::GetWindow();
}

/* Normal state with the start icon and the button ready for a tap. */
bool ReadyToStart()
{
    return FindingScreenProbe::Idle() && ButtonText() == "Start";
}

/* Finding state: stop icon, the radar running (a stage or the pause between two). */
bool Ringing()
{
    auto view = Screen();
    if (!view || view->IsNormalState() || view->GetButtonIconState() != 0 || ButtonText() != "Stop")
        return false;
    auto radar = view->GetTransitionHelper();
    return radar && (radar->GetRunningRadarTransit() || radar->GetRadarPauseTimer());
}

/* The state of the button's face: "default" idle, "finding" while ringing. */
std::string FaceState()
{
    double value = 0;
    Evas_Object* button = Button();
    const char* state = button ? edje_object_part_state_get(elm_layout_edje_get(button), "bg", &value) : nullptr;
    return state ? state : "";
}

/* The radar is in its turn (the stage between its fades). */
bool RadarTurning()
{
    auto view = Screen();
    auto radar = view ? view->GetTransitionHelper() : nullptr;
    Elm_Transit* stage = radar ? radar->GetRunningRadarTransit() : nullptr;
    return stage && elm_transit_duration_get(stage) > 1.0;
}

/* The platform's key for the phone link: 1 up, 0 down, -1 unset. */
int LinkKey()
{
    int connected = -1;
    vconf_get_bool("memory/brig/brig_connected", &connected);
    return connected;
}

const int TOAST_PHONE_FOUND = 6;
const int TOAST_STOPPED_AFTER_LIMIT = 7;

class EndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        vconf_set_bool("db/brig/user_agreement/orzzib", 1);
        preference_set_boolean("WORZ_PREF_BOOL_PERMISSION_CHECKED", true);
    }
    PelornTest::ScopedTestDirs mDirs;
};

class FirstUse : public ::testing::Test
{
protected:
    void TearDown() override
    {
        unsetenv("PELORN_ANSWER_COM_QUENLOR_PERMISSIONPOPUP");
    }
    PelornTest::ScopedTestDirs mDirs;
};
} // namespace

/* The phone killed mid-ring left the link keys at 1: the radar kept turning
 * and the next launch sent a stop instead of a start. */
TEST_F(EndToEnd, PhoneKilledMidRingAsksForTheConnectionPopupReturnsToNormalAndTheNextLaunchStartsAgain)
{
    setenv("PELORN_ANSWER_COM_QUENLOR_NETLY_POPUP", "CANCEL", 1);
    setenv("PELORN_ANSWER_COM_QUENLOR_BT_CONNECTION_POPUP", "exit", 1);
    // The permission popup comes first: its yes shows the screen and is stored.
    preference_set_boolean("WORZ_PREF_BOOL_PERMISSION_CHECKED", false);
    vconf_set_bool("db/csc/feature/38", 1);
    setenv("PELORN_ANSWER_COM_QUENLOR_PERMISSIONPOPUP", "yes", 1);
    PhoneSimProcess phone;
    std::unique_ptr<PhoneSimProcess> nextPhone;
    int stopsBeforeStart = -1;
    int launcher = -1;
    pelorn_log_capture_begin();
    AppScenario s;
    s.WaitFor("link up", [&] { return phone.CountPrinted("watch connected") > 0 && ReadyToStart(); })
        .TapWhenReady("tap start", Button, [&] { return phone.Received("rux-startalert-req") == 1 && Ringing(); })
        .Then("phone-sim killed", [&] { phone.Kill(); },
              [&] { return LinkKey() == 0 && ReadyToStart(); })
        .WaitFor("the connection popup answered",
                 [] { return pelorn_log_captured("", "strncmp(popupResult, \"CANCEL\", 6) == 0"); })
        .Then("the phone is back", [&] { nextPhone.reset(new PhoneSimProcess({}, {}, false)); },
              // Back means the watch's link to it is up again, not only the key.
              [&] { return LinkKey() == 1 && nextPhone->CountPrinted("watch connected") > 0; })
        .Then("launch searching",
              [&] { launcher = PelornTest::SpawnProgram({PelornTest::BuiltProgram("pelorn"), "--launch-searching"}); },
              [&] {
                  stopsBeforeStart = nextPhone->Received("rux-stopalert-req");
                  return nextPhone->Received("rux-startalert-req") == 1;
              })
        .WaitFor("finding again", [] { return Ringing(); });
    s.Run({});
    pelorn_log_capture_end();
    unsetenv("PELORN_ANSWER_COM_QUENLOR_NETLY_POPUP");
    unsetenv("PELORN_ANSWER_COM_QUENLOR_BT_CONNECTION_POPUP");
    unsetenv("PELORN_ANSWER_COM_QUENLOR_PERMISSIONPOPUP");
    EXPECT_EQ("", s.FailedStep());
    bool checked = false;
    preference_get_boolean("WORZ_PREF_BOOL_PERMISSION_CHECKED", &checked);
    EXPECT_TRUE(checked) << "the permission answer was not stored";
    EXPECT_EQ(0, stopsBeforeStart) << "the launch sent a stop to a phone that was not ringing";
    EXPECT_TRUE(launcher > 0 && PelornTest::WaitChild(launcher)) << "the launcher never ended";
}

TEST_F(EndToEnd, LaunchSearchingOnAFreshStartAndOnTheRunningAppRingsOnceEach)
{
    PhoneSimProcess phone;
    AppScenario s;
    // What the second start tells the person who typed it goes to a file.
    const std::string said = std::string(g_get_tmp_dir()) + "/pelorn-second-start-" + std::to_string(getpid());
    auto secondStart = [&said] {
        gchar* argv[] = {g_strdup("/bin/sh"), g_strdup("-c"), g_strdup("exec \"$0\" --launch-searching > \"$1\""),
                         g_strdup(PelornTest::BuiltProgram("pelorn").c_str()), g_strdup(said.c_str()), nullptr};
        g_spawn_async(nullptr, argv, nullptr, G_SPAWN_STDERR_TO_DEV_NULL, nullptr, nullptr, nullptr, nullptr);
        for (gchar* arg : argv)
            g_free(arg);
    };
    s.WaitFor("rings at start", [&] { return phone.Received("rux-startalert-req") == 1 && Ringing(); })
        .TapWhenReady("stop", Button, [&] { return phone.Received("rux-stopalert-req") == 1 && ReadyToStart(); })
        .Then("second start", secondStart, [&] { return phone.Received("rux-startalert-req") == 2; })
        .WaitFor("the second start told so and ended",
                 [&] { return PelornTest::ReadFile(said) == "pelorn: handed to the running app\n"; });
    s.Run({"--launch-searching"});
    EXPECT_EQ("", s.FailedStep());
    EXPECT_EQ(2, phone.Received("rux-startalert-req"));
    g_unlink(said.c_str());
}

TEST_F(FirstUse, DecliningTheLegalNoticeEndsTheAppWithNothingStoredAndItsHandlersGone)
{
    pelorn_log_capture_begin();
    AppScenario s;
    s.WaitFor("legal notice", [] { return BasicPopup(LEGAL_NOTICE) != nullptr; })
        .ScreenshotWhenStill(AppWindow, "legal-notice")
        .Then("back declines", [] { AppScenario::PressKey(AppWindow(), "BackSpace"); }, [] { return false; });
    s.Run({});
    EXPECT_TRUE(s.EndedByItself()) << s.FailedStep();
    int agreed = -1;
    EXPECT_NE(VCONF_OK, vconf_get_bool("db/brig/user_agreement/orzzib", &agreed)) << "stored: " << agreed;

    // The ended run's handlers must not be told that memory runs low, nor
    // call into the application that is gone.
    pelorn_log_capture_clear();
    vconf_set_int("memory/sysman/low_memory", 2);
    PelornTest::RunGlibFor(500);
    const int told = CountLogged("AppLowMemoryCb");
    pelorn_log_capture_end();
    EXPECT_EQ(0, told);
}

/* A failed write of the agreement (a full disk) used to be ignored: the
 * notice came back silently on the next start. */
TEST_F(FirstUse, AgreementThatCannotBeSavedIsToldToTheWearer)
{
    // A file where the key's folder belongs makes the write fail, root or not.
    const std::string blocker = mDirs.StateDir() + "/vconf/db/brig/user_agreement";
    ASSERT_EQ(0, g_mkdir_with_parents((mDirs.StateDir() + "/vconf/db/brig").c_str(), 0700));
    ASSERT_TRUE(g_file_set_contents(blocker.c_str(), "", 0, nullptr));
    const int CHOICE_NOT_SAVED = 5;
    AppScenario s;
    s.WaitFor("legal notice", [] { return BasicPopup(LEGAL_NOTICE) != nullptr; })
        .TapWhenReady("agree", AgreeButton,
              [&] { return ToastShown(CHOICE_NOT_SAVED); })
        .ScreenshotWhenStill(AppWindow, "agreement-not-saved");
    s.Run({});
    EXPECT_EQ("", s.FailedStep());
    ASSERT_TRUE(pelorn_log_flush());
    EXPECT_NE(std::string::npos, PelornTest::ReadFile(mDirs.StateDir() + "/pelorn.log").find("the legal agreement could not be saved"));
}

/* A permission popup answered no ends the app before its screen (a yes is
 * shown where the phone is killed mid-ring). */
TEST_F(FirstUse, PermissionRefusedEndsTheAppBeforeItsScreenWithNothingStored)
{
    vconf_set_bool("db/brig/user_agreement/orzzib", 1);
    vconf_set_bool("db/csc/feature/38", 1);
    setenv("PELORN_ANSWER_COM_QUENLOR_PERMISSIONPOPUP", "no", 1);
    AppScenario s;
    bool screenSeen = false;
    s.WaitFor("finding screen", [&] {
        screenSeen = screenSeen || Screen() != nullptr;
        return false;
    });
    s.Run({});
    EXPECT_TRUE(s.EndedByItself()) << s.FailedStep();
    EXPECT_FALSE(screenSeen);
    bool checked = false;
    preference_get_boolean("WORZ_PREF_BOOL_PERMISSION_CHECKED", &checked);
    EXPECT_FALSE(checked);
}

namespace
{
/* Position of the first captured line holding needle at or after `from`, or -1. */
int CapturedAt(const std::string& needle, int from = 0)
{
    const std::vector<std::string> lines = pelorn_log_captured_lines();
    for (int i = std::max(from, 0); i < (int)lines.size(); ++i)
        if (lines[i].find(needle) != std::string::npos)
            return i;
    return -1;
}

/* Edge cases of the finding screen seen from outside: the phone-sim on the
 * far end of the link, the platform popups answering, the usage log on disk. */
class FindingScreen : public EndToEnd
{
protected:
    void SetUp() override
    {
        EndToEnd::SetUp();
        pelorn_log_capture_begin();
    }
    void TearDown() override
    {
        pelorn_log_capture_end();
        pelorn_clock_set_manual(FALSE);
        unsetenv("PELORN_ANSWER_COM_QUENLOR_NETLY_POPUP");
    }
};

/* What the screen looked like when the start press had been handled: this
 * runs right after the application's own "clicked" handler. */
struct AfterPress
{
    int presses = 0;
    bool normal = true;
    bool buttonDisabled = false;
    int linesLogged = 0;
};

/* Presses as the button's own theme, the layout it is swallowed in and the
 * layouts above that saw them. */
struct PressSignals
{
    int button = 0;
    int holder = 0;
    int above = 0;
    std::vector<Evas_Object*> watched;
};

void CountPressCb(void* data, Evas_Object*, const char*, const char*)
{
    ++*static_cast<int*>(data);
}

void WatchPressSignals(Evas_Object* button, PressSignals& signals)
{
    // The button's theme is the one edje among its members.
    Evas_Object* own = nullptr;
    Eina_List* members = evas_object_smart_members_get(button);
    void* member;
    EINA_LIST_FREE(members, member)
    {
        const char* type = evas_object_type_get(static_cast<Evas_Object*>(member));
        if (type && !strcmp(type, "edje"))
            own = static_cast<Evas_Object*>(member);
    }
    for (Evas_Object* o = own; o; o = evas_object_smart_parent_get(o))
    {
        const char* type = evas_object_type_get(o);
        if (!type || strcmp(type, "edje") != 0)
            continue;
        int* counter = o == own                      ? &signals.button
                       : signals.watched.size() == 1 ? &signals.holder
                                                     : &signals.above;
        edje_object_signal_callback_add(o, "mouse,down,*", "*", CountPressCb, counter);
        signals.watched.push_back(o);
    }
}

void UnwatchPressSignals(PressSignals& signals)
{
    for (Evas_Object* o : signals.watched)
    {
        for (int* counter : {&signals.button, &signals.holder, &signals.above})
            edje_object_signal_callback_del_full(o, "mouse,down,*", "*", CountPressCb, counter);
    }
}

void AfterPressCb(void* data, Evas_Object* button, void*)
{
    auto* seen = static_cast<AfterPress*>(data);
    seen->presses++;
    seen->normal = Screen()->IsNormalState();
    seen->buttonDisabled = elm_object_disabled_get(button);
    seen->linesLogged = (int)pelorn_log_captured_lines().size();
}
} // namespace

// Cancel and back on the connection popup both mean "not now": the screen's
// own popups go with it. OK leaves them alone, and on Locate leaves the
// connecting popup waiting with its Stop button. The question left
// unanswered once stayed over the screen after the link was back.
class ConnectionPopupNotNow : public FindingScreen, public ::testing::WithParamInterface<const char*>
{
};

TEST_P(ConnectionPopupNotNow, StartWithoutThePhoneAsksForTheConnectionPopupOnceAndItsAnswerDecidesThePopups)
{
    // No phone: the link keys are unset. The legal notice stands for "the
    // popups on this screen" and shows what each answer does to them.
    vconf_unset("db/brig/user_agreement/orzzib");
    setenv("PELORN_ANSWER_COM_QUENLOR_NETLY_POPUP", "OK", 1);
    AppScenario s;
    // A real tap would land on the notice over the button.
    auto press = [] {
        auto top = NSPelorn::PelornMain::GetInstance()->GetViewManager()->Top();
        std::dynamic_pointer_cast<NSPelorn::PelornViewController>(top)->OnFindingButtonClicked();
    };
    const int connecting = 8;
    auto stopButton = [connecting] { return FindingScreenProbe::PopupButton(connecting); };
    auto questionUp = [] {
        bool running = false;
        return app_manager_is_running("com.quenlor.netly-popup", &running) == APP_MANAGER_ERROR_NONE && running;
    };
    std::unique_ptr<PhoneSimProcess> phone;
    bool noticeKeptAfterOk = false;
    bool normalAfterOk = false;
    int queuedWithoutPhone = -1;
    s.WaitFor("legal notice", [] { return BasicPopup(LEGAL_NOTICE) != nullptr && ReadyToStart(); })
        .Then("start without the phone", press, [] { return CountLogged("> OnReplieded") == 1; })
        .WaitFor("the first question gone", [&] { return !questionUp(); })
        .Then("start again, not now",
              [&] {
                  // The answer is handled in the turn that logs it: what it left is on the screen by now.
                  noticeKeptAfterOk = BasicPopup(LEGAL_NOTICE) != nullptr;
                  normalAfterOk = ReadyToStart();
                  setenv("PELORN_ANSWER_COM_QUENLOR_NETLY_POPUP", GetParam(), 1);
                  press();
              },
              [] { return CountLogged("> OnReplieded") == 2; })
        .WaitFor("popups removed", [] { return BasicPopup(LEGAL_NOTICE) == nullptr && ReadyToStart(); })
        .Then("open the menu",
              [] {
                  setenv("PELORN_ANSWER_COM_QUENLOR_NETLY_POPUP", "OK", 1);
                  AppScenario::Tap(AppWindow(), 352, 180);
              },
              [] { return eext_more_option_opened_get(Screen()->GetMoreOption()); })
        .ScreenshotWhenStill(AppWindow, "more-option")
        .TapWhenReady("tap Locate", [] { return AppScenario::MenuCentre(Screen()->GetMoreOption()); },
                      [] { return CountLogged("> OnReplieded") == 3; })
        .WaitFor("connecting popup with Stop", [&] { return AppScenario::AcceptsEvents(stopButton()); })
        .ScreenshotWhenStill(AppWindow, "finding-connecting")
        .WaitFor("the button says Stop",
                 [&] {
                     const char* text = elm_object_text_get(stopButton());
                     return text && std::string(text) == "Stop";
                 })
        .TapWhenReady("stop", stopButton, [&] { return !BasicPopup(connecting) && ReadyToStart(); })
        .Do("nobody answers now",
            [&] {
                unsetenv("PELORN_ANSWER_COM_QUENLOR_NETLY_POPUP");
                queuedWithoutPhone = CountLogged("SendMessageType:0");
            })
        .TapWhenReady("start, the question stays up", Button, questionUp)
        .Then("the phone is back", [&] { phone.reset(new PhoneSimProcess({}, {}, false)); },
              [&] { return phone->CountPrinted("watch connected") > 0; })
        .WaitFor("the question withdrawn", [&] { return !questionUp(); })
        .TapWhenReady("ring", Button, [&] { return phone->Received("rux-startalert-req") == 1 && Ringing(); });
    s.Run({});
    ASSERT_EQ("", s.FailedStep());
    EXPECT_TRUE(noticeKeptAfterOk) << "an OK answer must leave the popups alone";
    EXPECT_TRUE(normalAfterOk) << "no phone, no finding state";
    EXPECT_EQ(4, CountLogged("> BUTTON_TAB_START"));
    EXPECT_EQ(3, CountLogged("> OnReplieded"))
        << "one connection popup per press and one for Locate; the withdrawn question's closing is no answer";
    EXPECT_EQ(1, CountLogged("the remote-connection question is withdrawn"));
    EXPECT_EQ(0, queuedWithoutPhone) << "nothing may be queued for an unreachable phone";
    EXPECT_EQ(1, CountLogged("SendMessageType:6")) << "Stop frees the link's queue as back does";
    int agreed = -1;
    EXPECT_NE(VCONF_OK, vconf_get_bool("db/brig/user_agreement/orzzib", &agreed))
        << "not now closes the notice without an answer; stored: " << agreed;
}

INSTANTIATE_TEST_SUITE_P(Answers, ConnectionPopupNotNow, ::testing::Values("CANCEL", "BACK"));

namespace
{
/* Watches the finding button on every pass of the main loop: a button that
 * takes presses while its 0.3 s icon change still runs is a fault. */
class ButtonDuringChangeProbe
{
public:
    ButtonDuringChangeProbe() { mSource = g_timeout_add(1, LookCb, this); }
    ~ButtonDuringChangeProbe()
    {
        if (mSource)
            g_source_remove(mSource);
        Unwatch();
    }
    /* Counts the changes as they begin, by the disabling each begins with: a
     * loop that stalls past a change's 0.3 s may run it whole between two
     * looks, so the looks could not count them. */
    void Watch(Evas_Object* button)
    {
        mButton = button;
        elm_layout_signal_callback_add(mButton, "elm,state,disabled", "elm", DisabledCb, this);
        // A scenario that fails early ends the app, and the button with it, before the probe goes.
        evas_object_event_callback_add(mButton, EVAS_CALLBACK_DEL, ButtonDelCb, this);
    }
    void Unwatch()
    {
        if (!mButton)
            return;
        elm_layout_signal_callback_del(mButton, "elm,state,disabled", "elm", DisabledCb);
        evas_object_event_callback_del_full(mButton, EVAS_CALLBACK_DEL, ButtonDelCb, this);
        mButton = nullptr;
    }
    int changesSeen = 0;
    int enabledDuringChange = 0;

private:
    static void DisabledCb(void* data, Evas_Object* obj, const char* emission, const char* source)
    {
        static_cast<ButtonDuringChangeProbe*>(data)->changesSeen++;
    }
    static void ButtonDelCb(void* data, Evas* e, Evas_Object* obj, void* eventInfo)
    {
        static_cast<ButtonDuringChangeProbe*>(data)->mButton = nullptr;
    }
    static gboolean LookCb(gpointer data)
    {
        auto* self = static_cast<ButtonDuringChangeProbe*>(data);
        auto view = Screen();
        if (view && view->IsButtonChanging() && !elm_object_disabled_get(view->GetButton()))
            self->enabledDuringChange++;
        return G_SOURCE_CONTINUE;
    }
    guint mSource = 0;
    Evas_Object* mButton = nullptr;
};
} // namespace

/* One ring, start press to stop press. Each press begins its whole change
 * within itself, its request on the wire first; the button stays disabled
 * while its icon changes, whatever arrives meanwhile (the phone's answer
 * within the start's change, the radar's end at once after the stop). A
 * second ring ends with the phone's found report, a third with the limit
 * of 3 minutes; neither sends a stop, each is told to the wearer. Then
 * Escape and the power key stop the ringing, another key does not; leaving
 * the app stops it too (and sends nothing while idle), and a key released
 * while paused waits for the next resume. */
TEST_F(FindingScreen, PressesSendFirstChangeWithinThemselvesHoldTheButtonAndRecordTheRingTime)
{
    // A demo watch, which must never stop at the legal notice.
    vconf_unset("db/brig/user_agreement/orzzib");
    vconf_set_int("db/retailmode/enabled", 1);
    PhoneSimProcess phone;
    AfterPress seen;
    PressSignals pressSignals;
    ButtonDuringChangeProbe probe;
    Evas_Object* watched = nullptr;
    gint64 sinceStartPress = 0;
    int changesAtStop = 0;
    int enabledDuringChangeAtStop = -1;
    size_t ringsBefore = 0;
    int pauses = 0;
    int escapes = 0;
    auto lower = [&] {
        pauses = CountLogged("> AppPause");
        elm_win_lower(AppWindow());
    };
    auto paused = [&] { return CountLogged("> AppPause") > pauses; };
    // The home screen handing the screen back: the window is shown again.
    auto resume = [] {
        evas_object_hide(AppWindow());
        evas_object_show(AppWindow());
    };
    auto ringing = [&phone](int starts) {
        return [&phone, starts] { return phone.Received("rux-startalert-req") == starts && Ringing(); };
    };
    auto stopped = [&phone](int stops) {
        return [&phone, stops] { return phone.Received("rux-stopalert-req") == stops && ReadyToStart(); };
    };
    std::string usage;
    AppScenario s;
    bool noticeSeen = false;
    int radarAlphaWhileIdle = -1;
    bool radarSwallowed = false;
    s.WaitFor("link up",
              [&] {
                  noticeSeen = noticeSeen || BasicPopup(LEGAL_NOTICE) != nullptr;
                  return phone.CountPrinted("watch connected") > 0 && ReadyToStart();
              })
        .ScreenshotWhenStill(AppWindow, "normal")
        // Built after the screen's first frame, unseen until the phone rings.
        .WaitFor("the radar built, unseen",
                 [&] {
                     Evas_Object* radar = Screen()->GetRadarLayout();
                     if (!radar)
                         return false;
                     int r, g, b;
                     evas_object_color_get(radar, &r, &g, &b, &radarAlphaWhileIdle);
                     Evas_Object* holder = Screen()->GetMainLayout();
                     radarSwallowed = elm_object_part_content_get(holder, "radarLayoutSwallow") == radar;
                     return true;
                 })
        .Do("watch the press",
            [&] {
                pelorn_clock_set_manual(TRUE);
                watched = Button();
                evas_object_smart_callback_priority_add(watched, "clicked", EVAS_CALLBACK_PRIORITY_AFTER, AfterPressCb,
                                                        &seen);
                WatchPressSignals(watched, pressSignals);
                probe.Watch(watched);
                sinceStartPress = g_get_monotonic_time();
            })
        .TapWhenReady("tap start", Button,
                      [&] {
                          return phone.CountPrinted("\"msgId\":\"rux-startalert-req\",\"time\":\"180\"") == 1 &&
                                 Ringing();
                      })
        .Do("stop watching",
            [&] {
                evas_object_smart_callback_del_full(watched, "clicked", AfterPressCb, &seen);
                UnwatchPressSignals(pressSignals);
            })
        .WaitFor("the phone's answer handled", [] { return pelorn_log_captured("", "ConsumerMsgReceived : 0"); })
        .WaitFor("start change over",
                 [] { return !Screen()->IsButtonChanging() && AppScenario::AcceptsEvents(Button()); })
        .WaitFor("the face takes the ringing colour", [] { return FaceState() == "finding"; })
        .WaitFor("phone rings",
                 [&] { return phone.CountPrinted("ringing:") > 0 && Screen()->IsFindingLimitRunning(); })
        .WaitFor("radar turning", RadarTurning)
        .Wait("text faded in, radar mid-turn", 700)
        .Do("finding screen", [] { AppScenario::Screenshot(AppWindow(), "finding"); })
        .Do("the phone rings for 2.5 s",
            [&] {
                pelorn_clock_advance_ms(2500);
                sinceStartPress = g_get_monotonic_time() - sinceStartPress;
            })
        .TapWhenReady("tap stop", Button, [&] { return phone.Received("rux-stopalert-req") == 1 && ReadyToStart(); })
        .WaitFor("the face is idle again", [] { return FaceState() == "default"; })
        .Do("look",
            [&] {
                noticeSeen = noticeSeen || BasicPopup(LEGAL_NOTICE) != nullptr;
                changesAtStop = probe.changesSeen;
                enabledDuringChangeAtStop = probe.enabledDuringChange;
                probe.Unwatch();
                usage = PelornTest::ReadFile(mDirs.StateDir() + "/usage-log.txt");
            })
        .TapWhenReady("tap start again", Button,
                      [&] { return phone.Received("rux-startalert-req") == 2 && Ringing(); })
        .WaitFor("the face rings again", [] { return FaceState() == "finding"; })
        .Then("phone found", [&] { phone.Command("found"); },
              [&] { return phone.Received("rux-founddevice-rsp") == 1 && ReadyToStart(); })
        .WaitFor("the watch says so", [] { return ToastSays(TOAST_PHONE_FOUND, "Phone found"); })
        .WaitFor("radar cleared", [] {
            auto radar = Screen()->GetTransitionHelper();
            return !radar->GetRunningRadarTransit() && !radar->GetRadarPauseTimer() &&
                   !Screen()->IsFindingLimitRunning();
        })
        .Do("count the phone's rings", [&] { ringsBefore = phone.CountPrinted("ringing:"); })
        .TapWhenReady("a third ring", Button,
                      [&] {
                          return phone.Received("rux-startalert-req") == 3 && Ringing() &&
                                 phone.CountPrinted("ringing:") > ringsBefore && Screen()->IsFindingLimitRunning();
                      })
        // Timers due fire inside the advance: the state right after it is the verdict.
        .Then("179 s pass", [] { pelorn_clock_advance_ms(179000); }, Ringing)
        .Then("the limit passes", [] { pelorn_clock_advance_ms(2000); },
              [] { return ReadyToStart() && ToastSays(TOAST_STOPPED_AFTER_LIMIT, "Stopped after 3 min"); })
        .Do("real time again", [] { pelorn_clock_set_manual(FALSE); })
        .Do("a key while idle does nothing", [] { AppScenario::KeyUp("Escape"); })
        .Then("pause while idle", lower, paused)
        .Then("resume", resume, [&] { return phone.CountPrinted("watch connected") > 1 && ReadyToStart(); })
        .TapWhenReady("ring for the keys", Button, ringing(4))
        .Then("another key is ignored", [] { AppScenario::KeyUp("Return"); },
              [] { return CountLogged("> key up - Return") == 1 && Ringing(); })
        .Then("escape", [] { AppScenario::KeyUp("Escape"); }, stopped(2))
        .TapWhenReady("ring for the power key", Button, ringing(5))
        .Then("power key", [] { AppScenario::KeyUp("XF86PowerOff"); }, stopped(3))
        .TapWhenReady("ring for the pause", Button, ringing(6))
        .Then("pause while ringing", lower,
              [&] { return paused() && phone.Received("rux-stopalert-req") == 4 && Screen()->IsNormalState(); })
        .Do("escape while paused",
            [&] {
                escapes = CountLogged("> key up - Escape");
                AppScenario::KeyUp("Escape");
            })
        // Each step begins a turn of the loop after the last one, which handed the key over.
        .Then("resume again", resume, ReadyToStart)
        .Then("escape after resume", [] { AppScenario::KeyUp("Escape"); },
              [&] { return CountLogged("> key up - Escape") > escapes; });
    s.Run({});
    ASSERT_EQ("", s.FailedStep());
    EXPECT_FALSE(noticeSeen) << "a demo watch stopped at the legal notice";
    EXPECT_EQ(0, radarAlphaWhileIdle) << "the idle screen shows its radar";
    EXPECT_TRUE(radarSwallowed) << "the radar is not behind the button";
    EXPECT_EQ(2, changesAtStop) << "one icon change per press";
    EXPECT_EQ(0, enabledDuringChangeAtStop) << "loop passes that found the button enabled during its change";
    EXPECT_EQ(6, phone.Received("rux-startalert-req"));
    EXPECT_EQ(4, phone.Received("rux-stopalert-req"))
        << "the found report, the limit, pausing while idle or another key sent a stop";
    EXPECT_EQ(escapes + 1, CountLogged("> key up - Escape")) << "the key released while paused must not be handled";

    // The wearer sees what the press always did, all of it begun by the press.
    ASSERT_EQ(1, seen.presses);
    EXPECT_FALSE(seen.normal) << "the finding state must be entered by the press itself";
    EXPECT_TRUE(seen.buttonDisabled) << "the button change must start in the press";
    // The press went no further than the layout holding the button: each
    // layout around that would have made signals of its own of it, handled
    // before the button's "clicked".
    EXPECT_GT(pressSignals.watched.size(), 3u);
    EXPECT_EQ(1, pressSignals.button);
    EXPECT_EQ(1, pressSignals.holder);
    EXPECT_EQ(0, pressSignals.above) << "a layout around the button's own handled its press";

    // The request was handed to the socket before any of that was set up: the
    // finding state's last step (the screen-on lock) comes after the send,
    // and so do the press's own lines.
    const int press = CapturedAt("OnFindingButtonClicked");
    ASSERT_GE(press, 0);
    // Another thread's line (a bus being reached) may fall between, so the
    // order is what counts: the send ended before the screen-on lock.
    const int success = CapturedAt("> DATA_SUCCESS", press);
    ASSERT_GE(success, 0);
    const int sent = CapturedAt("SendMessageToHost, message:{\"msgId\":\"rux-startalert-req\"", press);
    ASSERT_GE(sent, 0);
    EXPECT_LT(success, sent) << "the request's line was written before the request";
    const int locked = CapturedAt("display lock held", press);
    ASSERT_GE(locked, 0);
    EXPECT_LT(success, locked);
    EXPECT_LT(success, CapturedAt("> BUTTON_TAB_START"));
    EXPECT_LT(locked, CapturedAt("> ButtonClickedCb")) << "the press's line came before its work";
    EXPECT_LT(locked, seen.linesLogged) << "the lock is part of the press";
    // So does the process-priority signal, which may first have to connect to the system bus.
    const int raised = CapturedAt("process priority: include", press);
    ASSERT_GE(raised, 0);
    EXPECT_LT(sent, raised);

    // Entering the normal state releases the screen-on lock; that has to
    // happen before the core is handed the stop request.
    const int stopPress = CapturedAt("OnFindingButtonClicked", press + 1);
    ASSERT_GT(stopPress, press);
    const int released = CapturedAt("display lock released", stopPress);
    const int stopSent = CapturedAt("SendMessageType:1", stopPress);
    ASSERT_GE(released, 0);
    ASSERT_GE(stopSent, 0);
    EXPECT_LT(released, stopSent);

    EXPECT_NE(std::string::npos, usage.find("feature=1000\t")) << "the start press is recorded: " << usage;
    // The wall clock went on with real time besides the 2.5 s moved by hand.
    const size_t at = usage.find("feature=1001\textra=duration_for_finding\tvalue=");
    ASSERT_NE(std::string::npos, at) << usage;
    // The usage log keeps thousandths of the value it is given (milliseconds).
    const long long ms = std::stoll(usage.substr(at + strlen("feature=1001\textra=duration_for_finding\tvalue="))) / 1000;
    EXPECT_GE(ms, 2500);
    EXPECT_LE(ms, 2500 + sinceStartPress / 1000 + 50); // the floor: real time between the presses, timed here
    EXPECT_EQ(usage.find("feature=1001"), usage.rfind("feature=1001")) << "one stop press, one ring-time record";
}
