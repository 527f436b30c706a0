// bench_frame_stall [cycles]: runs the app in this process beside a real
// phone-sim and map-server and drives every flow a wearer meets: the start to
// the idle finding screen, then per cycle: a ring the phone ends ("found",
// with its toast), a ring the wearer stops, the more-option menu, Locate and
// its map, the bezel's zoom, back, a lost phone's last-seen screen (through
// the connecting popup), and a change of language and back.
// Every busy stretch of the main loop (from waking to waiting again) is
// timed; the figures are the longest and the 99th percentile, first for the
// same loop idling on the finding screen (the floor: what this machine's
// scheduling alone costs), then for each flow. The last line is
// "stall: max X ms, p99 Y ms" over all the flows.
// After the cycles, three quiet states are each left alone for 10 s with this
// bench's own polling stopped: the finding screen, the last-seen screen, and
// the app hidden with the phone out of reach. For each, the loop's wake-ups
// and the context switches and CPU ticks of the app's threads (not this
// bench's) are printed as "quiet STATE: ...".
#include "../common/app_in_process.h"
#include "../common/seeded_watch.h"
#include "../common/thread_activity.h"
#include "MobileLocationView.h"
#include "MobileLocationViewController.h"
#include "PopupTypes.h"
#include "pelorn_mainloop.h"
#include "pelorn_paths.h"
#include "vconf.h"

#include "pelorn_log_capture.h"
#include <Elementary.h>
#include <algorithm>
#include <atomic>
#include <efl_extension.h>
#include <glib.h>
#include <map>
#include <mutex>
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace
{
using NSPelorn::ORZBasicPopupType;

struct Iteration
{
    double wallMs;
    double cpuMs;
    const char* phase;
};

struct Bench
{
    int cycles = 3;
    int cycle = 0;
    PelornBenchPhone* phone = nullptr;
    int connected = 0;
    int startsReceived = 0;
    int stopsReceived = 0;
    int foundAnswers = 0;
    int mark = 0; // a count a step waits to see grow

    // The loop's busy stretches, recorded while `recording` points at a list.
    std::vector<Iteration>* recording = nullptr;
    std::vector<Iteration> floor;
    std::vector<Iteration> flows;
    gint64 wokeAt = 0;
    double wokeCpuMs = 0;

    const char* phase = "start";
    size_t step = 0;
    gint64 stepSince = 0;
    gint64 lastBack = 0;
    bool backing = false;
    gint64 deadline = 0;
    bool failed = false;
    std::thread settings; // the settings app's write of the language

    // The quiet states: while one is measured, no step runs.
    std::atomic<long long> loopWakes{0};
    bool quietBegun = false;
    std::thread quiet;
    std::vector<std::string> quietReports;
};

/* The app's threads by id, leaving out the bench's own ("bench-..."). */
std::map<std::string, PelornBenchThreadCounts> CountAppThreads()
{
    std::map<std::string, PelornBenchThreadCounts> threads = PelornBenchCountThreads("self");
    for (auto it = threads.begin(); it != threads.end();)
        it = g_str_has_prefix(it->second.name.c_str(), "bench-") ? threads.erase(it) : std::next(it);
    return threads;
}

double ThreadCpuMs()
{
    struct timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

void LoopWaitCb(int waiting, void* data)
{
    Bench* b = static_cast<Bench*>(data);
    if (!waiting)
    {
        b->loopWakes++;
        b->wokeAt = g_get_monotonic_time();
        b->wokeCpuMs = ThreadCpuMs();
        return;
    }
    if (!b->recording || !b->wokeAt)
        return;
    const Iteration it{(g_get_monotonic_time() - b->wokeAt) / 1000.0, ThreadCpuMs() - b->wokeCpuMs, b->phase};
    b->recording->push_back(it);
    // To find a stretch in a profile (perf record -k CLOCK_MONOTONIC): where it began.
    static const double traceMs =
        g_getenv("PELORN_BENCH_TRACE_MS") ? atof(g_getenv("PELORN_BENCH_TRACE_MS")) : 0;
    if (traceMs > 0 && it.wallMs >= traceMs)
        fprintf(stderr, "stretch %.1f ms (%s) from %.6f s\n", it.wallMs, it.phase, b->wokeAt / 1e6);
}

void TakePhoneLines(Bench* b)
{
    for (const PelornBenchPhone::Line& line : b->phone->Take())
    {
        b->connected += line.text.find("watch connected") != std::string::npos;
        b->startsReceived += line.Received("\"rux-startalert-req\"");
        b->stopsReceived += line.Received("\"rux-stopalert-req\"");
        b->foundAnswers += line.Received("\"rux-founddevice-rsp\"");
    }
}

Evas_Object* Window()
{
    return NSORZUiCommon::ViewBasicElements::GetWindow();
}

bool InPlace(Evas_Object* obj)
{
    Evas_Coord x = -1, y = -1, w = 0, h = 0;
    if (obj)
        evas_object_geometry_get(obj, &x, &y, &w, &h);
    return x == 0 && y == 0 && w == 360 && h == 360;
}

/* The finding screen on top, slid in, idle, its button ready. */
bool FindingIdle()
{
    auto view = std::dynamic_pointer_cast<NSPelorn::PelornView>(PelornBenchTopView());
    return view && view->IsNormalState() && view->GetButton() &&
           !elm_object_disabled_get(view->GetButton()) && view->GetButtonIconState() == 1 &&
           InPlace(view->GetMoreOption());
}

/* The "Phone found" toast is up: a tap would only dismiss it. */
bool FoundToastUp()
{
    auto view = std::dynamic_pointer_cast<NSPelorn::PelornView>(PelornBenchTopView());
    auto popups = view ? view->GetPopupManager() : nullptr;
    auto toast =
        popups ? popups->GetToastPopup((int)NSPelorn::ORZToastPopupType::ORZ_TOAST_POPUP_TYPE_PHONE_FOUND)
               : nullptr;
    return toast && toast->IsShowing();
}

bool Ringing()
{
    auto view = std::dynamic_pointer_cast<NSPelorn::PelornView>(PelornBenchTopView());
    return view && !view->IsNormalState() && view->GetButtonIconState() == 0 &&
           !elm_object_disabled_get(view->GetButton());
}

bool MenuOpen()
{
    auto view = PelornBenchTopView();
    return view && view->GetMoreOption() && eext_more_option_opened_get(view->GetMoreOption());
}

/* The fetched map decoded and in place, no popup left. */
bool MapShown()
{
    auto view = std::dynamic_pointer_cast<NSPelorn::MobileLocationView>(PelornBenchTopView());
    if (!view || !InPlace(view->GetLayout()) ||
        view->GetBasicPopup((int)ORZBasicPopupType::ORZ_POPUP_TYPE_CONNECTING_TO_PHONE) ||
        view->GetBasicPopup((int)ORZBasicPopupType::ORZ_POPUP_TYPE_PLEASE_WAIT))
        return false;
    Evas_Object* image = elm_object_part_content_get(view->GetLayout(), "mapContentSwallow");
    int w = 0, h = 0;
    if (image)
        evas_object_image_size_get(image, &w, &h);
    return w == 360 && h == 360 && evas_object_image_load_error_get(image) == EVAS_LOAD_ERROR_NONE;
}

void PressBack()
{
    Evas* e = evas_object_evas_get(Window());
    unsigned int t = (unsigned int)(ecore_loop_time_get() * 1000);
    evas_event_feed_key_down(e, "BackSpace", "BackSpace", nullptr, nullptr, t, nullptr);
    evas_event_feed_key_up(e, "BackSpace", "BackSpace", nullptr, nullptr, t + 40, nullptr);
}

bool LinkDown()
{
    int connected = 1;
    return vconf_get_bool("memory/brig/brig_connected", &connected) == VCONF_OK && !connected;
}

/* The map shown, and the zoom the bezel asked for fetched and in place. */
bool ZoomSettled()
{
    auto controller =
        std::dynamic_pointer_cast<NSPelorn::MobileLocationViewController>(PelornBenchTopController());
    if (!controller || !MapShown())
        return false;
    const NSPelorn::MapZoomStepper& zoom = controller->GetZoomStepper();
    return zoom.Shown() == zoom.Wanted() && !zoom.InFlight();
}

/* The last-seen screen up with its map, the connecting popup gone. */
bool LastSeenShown()
{
    auto view = std::dynamic_pointer_cast<NSPelorn::MobileLocationView>(PelornBenchTopView());
    return view && view->IsLastSeen() && MapShown();
}

/* One bezel detent over the middle of the screen. */
void Turn()
{
    Evas* e = evas_object_evas_get(Window());
    unsigned int t = (unsigned int)(ecore_loop_time_get() * 1000);
    evas_event_feed_mouse_move(e, 180, 180, t, nullptr);
    evas_event_feed_mouse_wheel(e, 0, 1, t + 1, nullptr);
}

/* One step of a cycle: once `ready` holds (given the ms since the step
 * before), it acts, and the stretches from then on count to its flow. A
 * step without an act presses back until the finding screen is back. */
struct Step
{
    const char* flow;
    bool (*ready)(Bench*, gint64 sinceMs);
    void (*act)(Bench*);
};

void TapMiddle(Bench*)
{
    PelornBenchTap(180, 180);
}
void TapMoreCue(Bench*)
{
    PelornBenchTap(352, 180);
}
void TapStart(Bench* b)
{
    b->mark = b->startsReceived;
    PelornBenchTap(180, 180);
}
void TapStop(Bench* b)
{
    b->mark = b->stopsReceived;
    PelornBenchTap(180, 180);
}
void Found(Bench* b)
{
    b->mark = b->foundAnswers;
    b->phone->Command("found");
}
void Detach(Bench* b)
{
    b->phone->Command("detach");
}
void Attach(Bench* b)
{
    b->mark = b->connected;
    b->phone->Command("attach");
}
void Wait(Bench*) {}

/* The wearer picks a language in the settings app, another process: its
 * write and the file's sync are not the app's to wait for, so they are kept
 * off this loop, the fork included. */
void SetLanguage(Bench* b, const char* language)
{
    if (b->settings.joinable())
        b->settings.join();
    b->settings = std::thread(
        [language]
        {
            pthread_setname_np(pthread_self(), "bench-settings");
            const std::string tool = PelornBenchProgram("vconftool");
            gchar* argv[] = {(gchar*)tool.c_str(), (gchar*)"set", (gchar*)"-t", (gchar*)"string",
                             (gchar*)"db/menu_widget/language", (gchar*)language, nullptr};
            gint status = 0;
            if (!g_spawn_sync(nullptr, argv, nullptr, G_SPAWN_STDOUT_TO_DEV_NULL, nullptr, nullptr, nullptr,
                              nullptr, &status, nullptr) ||
                !g_spawn_check_wait_status(status, nullptr))
                fprintf(stderr, "vconftool could not set the language to %s\n", language);
        });
}

bool Idle(Bench*, gint64 since)
{
    return FindingIdle() && since >= 300;
}
bool RingUp(Bench* b, gint64 since)
{
    return b->startsReceived > b->mark && Ringing() && since >= 1500;
}
/* The menu open and laid out, so that a tap in the middle reaches its centre:
 * under load the panel can still be unsized when it counts as open, and the
 * tap would fall through to the finding button below. */
bool MenuUp(Bench*, gint64 since)
{
    auto view = PelornBenchTopView();
    Evas_Object* mo = view && MenuOpen() ? view->GetMoreOption() : nullptr;
    Evas_Object* panel = mo ? elm_object_part_content_get(mo, "elm.swallow.panel") : nullptr;
    Evas_Object* theme = panel ? elm_layout_edje_get(panel) : nullptr;
    if (!theme || since < 300)
        return false;
    Evas* e = evas_object_evas_get(theme);
    edje_message_signal_process();
    evas_smart_objects_calculate(e);
    const Evas_Object* centre = edje_object_part_object_get(theme, "center.event");
    Eina_List* under = evas_tree_objects_at_xy_get(e, nullptr, 180, 180);
    bool reached = false;
    for (Eina_List* l = under; l && !reached; l = eina_list_next(l))
    {
        auto* leaf = static_cast<Evas_Object*>(eina_list_data_get(l));
        reached = leaf == centre;
        if (!evas_object_repeat_events_get(leaf))
            break;
    }
    eina_list_free(under);
    return reached;
}
const Step kCycle[] = {
    {"ring", Idle, TapStart},
    {"found", RingUp, Found},
    {"found", [](Bench* b, gint64) { return b->foundAnswers > b->mark && FindingIdle() && !FoundToastUp(); },
     Wait},
    {"ring", Idle, TapStart},
    {"stop", RingUp, TapStop},
    {"stop", [](Bench* b, gint64) { return b->stopsReceived > b->mark && FindingIdle(); }, Wait},
    {"menu", Idle, TapMoreCue},
    {"locate", MenuUp, TapMiddle},
    {"zoom", [](Bench*, gint64 since) { return MapShown() && since >= 500; },
     [](Bench*)
     {
         Turn();
         Turn();
     }},
    {"back", [](Bench*, gint64 since) { return ZoomSettled() && since >= 300; }, nullptr},
    {"last seen", Idle, Detach},
    {"last seen", [](Bench*, gint64 since) { return LinkDown() && Idle(nullptr, since); }, TapMoreCue},
    {"last seen", MenuUp, TapMiddle},
    {"back", [](Bench*, gint64 since) { return LastSeenShown() && since >= 500; }, nullptr},
    {"last seen", Idle, Attach},
    {"language", [](Bench* b, gint64 since) { return b->connected > b->mark && Idle(b, since); },
     [](Bench* b) { SetLanguage(b, "ko_KR.UTF-8"); }},
    {"language", [](Bench*, gint64 since) { return since >= 1000; },
     [](Bench* b) { SetLanguage(b, "en_US.UTF-8"); }},
    {"language", [](Bench* b, gint64 since) { return since >= 1000 && Idle(b, since); }, Wait},
};

gboolean StepCb(gpointer data);

gboolean EndQuietCb(gpointer data)
{
    Bench* b = static_cast<Bench*>(data);
    if (b->quiet.joinable())
        b->quiet.join();
    b->quietBegun = false;
    b->stepSince = g_get_monotonic_time();
    g_timeout_add(5, StepCb, b);
    return G_SOURCE_REMOVE;
}

/* Leaves the app alone for 10 s: the step that calls this stops the
 * polling, a thread of the bench's counts, and the steps go on after. */
void BeginQuiet(Bench* b, const char* state)
{
    b->recording = nullptr;
    b->quietBegun = true;
    b->quiet = std::thread(
        [b, state]
        {
            pthread_setname_np(pthread_self(), "bench-quiet");
            // From when the loop has gone to sleep after this step, not before.
            g_usleep(G_USEC_PER_SEC / 5);
            const long long wakes0 = b->loopWakes;
            const std::map<std::string, PelornBenchThreadCounts> before = CountAppThreads();
            g_usleep(10 * G_USEC_PER_SEC);
            const long long wakes = b->loopWakes - wakes0;
            // A thread that ended meanwhile is not counted; one that began is, from its start.
            long long switches = 0, ticks = 0;
            std::string busy;
            for (const auto& [tid, now] : CountAppThreads())
            {
                auto was = before.find(tid);
                const long long s = now.switches - (was != before.end() ? was->second.switches : 0);
                const long long t = now.ticks - (was != before.end() ? was->second.ticks : 0);
                switches += s;
                ticks += t;
                if (s > 0 || t > 0)
                    busy += " " + (tid == std::to_string(getpid()) ? std::string("main") : now.name) + " " +
                            std::to_string(s) + "/" + std::to_string(t) + ",";
            }
            char line[240];
            snprintf(line, sizeof(line),
                     "quiet %s: %lld loop wake-ups, %lld context switches, %lld CPU ticks in 10 s", state,
                     wakes, switches, ticks);
            b->quietReports.push_back(line +
                                      (busy.empty() ? "" : " (" + busy.substr(1, busy.size() - 2) + ")"));
            g_idle_add(EndQuietCb, b);
        });
}

bool Hidden(Bench*, gint64 since)
{
    return pelorn_log_captured("", "> AppPause") && since >= 3000;
}
const Step kQuiet[] = {
    {"quiet", [](Bench*, gint64 since) { return FindingIdle() && since >= 3000; },
     [](Bench* b) { BeginQuiet(b, "finding screen"); }},
    {"quiet", Idle, Detach},
    {"quiet", [](Bench*, gint64 since) { return LinkDown() && Idle(nullptr, since); }, TapMoreCue},
    {"quiet", MenuUp, TapMiddle},
    // The screen's arrival (its slide, the map's fade) ends within a second
    // or so; about five seconds after it the toolkit wakes once to let go of
    // the finding screen's pictures it no longer shows (the button's icon
    // frames). Idling is what comes after.
    {"quiet", [](Bench*, gint64 since) { return LastSeenShown() && since >= 8000; },
     [](Bench* b) { BeginQuiet(b, "last-seen screen"); }},
    {"quiet", [](Bench*, gint64) { return true; }, nullptr},
    {"quiet", Idle,
     [](Bench*)
     {
         pelorn_log_capture_begin();
         elm_win_lower(Window());
     }},
    {"quiet", Hidden, [](Bench* b) { BeginQuiet(b, "hidden, phone out of reach"); }},
};
const size_t kCycleSteps = sizeof(kCycle) / sizeof(kCycle[0]);
const size_t kQuietSteps = sizeof(kQuiet) / sizeof(kQuiet[0]);

gboolean StepCb(gpointer data)
{
    Bench* b = static_cast<Bench*>(data);
    TakePhoneLines(b);
    const gint64 now = g_get_monotonic_time();
    const gint64 since = (now - b->stepSince) / 1000;
    if (now > b->deadline)
    {
        fprintf(stderr, "gave up in cycle %d at step %zu (%s)\n", b->cycle, b->step, b->phase);
        b->failed = true;
        elm_exit();
        return G_SOURCE_REMOVE;
    }
    if (b->step == 0) // the start, to the link up and the screen settled
    {
        if (!b->connected || !FindingIdle())
            return G_SOURCE_CONTINUE;
        // The floor: the same loop, idle on the finding screen.
        b->phase = "idle";
        b->recording = &b->floor;
        b->step = 1;
        b->stepSince = now;
        return G_SOURCE_CONTINUE;
    }
    if (b->step == 1)
    {
        if (since >= 3000)
        {
            b->step = 2;
            b->stepSince = now;
        }
        return G_SOURCE_CONTINUE;
    }
    const bool quieting = b->cycle == b->cycles;
    if (quieting && b->step - 2 == kQuietSteps)
    {
        pelorn_log_capture_end();
        elm_exit();
        return G_SOURCE_REMOVE;
    }
    const Step& step = quieting ? kQuiet[b->step - 2] : kCycle[b->step - 2];
    if (!b->backing && step.ready(b, since))
    {
        b->recording = quieting ? nullptr : &b->flows;
        b->phase = step.flow;
        b->backing = !step.act;
        if (step.act)
        {
            step.act(b);
            b->step++;
            b->stepSince = now;
        }
    }
    if (b->backing && FindingIdle())
    {
        b->backing = false;
        b->step++;
        b->stepSince = now;
    }
    else if (b->backing && (now - b->lastBack) / 1000 > 400)
    {
        // Back is ignored while a screen still finishes its slide-in.
        b->lastBack = now;
        PressBack();
    }
    if (!quieting && b->step - 2 == kCycleSteps)
    {
        b->step = 2;
        if (++b->cycle == b->cycles)
            b->recording = nullptr; // on to the quiet states
    }
    return b->quietBegun ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
}

void Report(const char* name, std::vector<Iteration> v)
{
    if (v.empty())
    {
        printf("%s: no iterations\n", name);
        return;
    }
    std::vector<double> cpu;
    for (const Iteration& i : v)
        cpu.push_back(i.cpuMs);
    std::sort(cpu.begin(), cpu.end());
    std::sort(v.begin(), v.end(), [](const Iteration& a, const Iteration& c) { return a.wallMs < c.wallMs; });
    const size_t p99 = std::min(v.size() - 1, (size_t)(v.size() * 0.99));
    printf("%s: %zu iterations, max %.1f ms, p99 %.1f ms (on the CPU: max %.1f ms, p99 %.1f ms)\n", name,
           v.size(), v.back().wallMs, v[p99].wallMs, cpu.back(), cpu[p99]);
    printf("  longest:");
    for (size_t i = 0; i < 5 && i < v.size(); ++i)
    {
        const Iteration& it = v[v.size() - 1 - i];
        printf(" %.1f (%.1f on CPU, %s)%s", it.wallMs, it.cpuMs, it.phase,
               i + 1 < 5 && i + 1 < v.size() ? "," : "\n");
    }
}

double P99(std::vector<Iteration> v)
{
    std::sort(v.begin(), v.end(), [](const Iteration& a, const Iteration& c) { return a.wallMs < c.wallMs; });
    return v[std::min(v.size() - 1, (size_t)(v.size() * 0.99))].wallMs;
}
} // namespace

int main(int argc, char** argv)
{
    Bench b;
    if (argc > 1)
        b.cycles = std::max(1, atoi(argv[1]));
    PelornBenchRunHeadless();
    gchar* root = g_dir_make_tmp("pelorn-bench-XXXXXX", nullptr);
    PelornBenchSeedWatch(root);
    vconf_set_str("db/csc/country_iso", "US");
    vconf_set_int("memory/dnet/status", 2);

    const std::string portFile = std::string(root) + "/map-port";
    // The map providers are https: the app trusts map-server's own authority.
    const std::string caFile = std::string(root) + "/map-server-ca.pem";
    g_setenv("PELORN_CA_FILE", caFile.c_str(), TRUE);
    const GPid maps = PelornBenchSpawn(
        {PelornBenchProgram("map-server"), "--port", "0", "--port-file", portFile, "--ca-file", caFile});
    gchar* port = nullptr;
    for (int i = 0; maps && i < 500 && !g_file_get_contents(portFile.c_str(), &port, nullptr, nullptr); ++i)
        g_usleep(10 * 1000);
    if (!port)
    {
        fprintf(stderr, "map-server gave no port\n");
        PelornBenchEnd(maps);
        return 1;
    }
    vconf_set_str("memory/dnet/proxy", (std::string("http://127.0.0.1:") + g_strstrip(port)).c_str());
    g_free(port);
    {
        PelornBenchPhone phone({"--latitude", "40.7128", "--longitude", "-74.006"});
        if (!phone.Running())
            return 1;
        b.phone = &phone;
        b.recording = &b.flows;
        pelorn_mainloop_set_wait_observer(LoopWaitCb, &b);
        b.deadline = g_get_monotonic_time() + (gint64)(120 + b.cycles * 60) * G_USEC_PER_SEC;
        PelornBenchRunApp(StepCb, &b);
        pelorn_mainloop_set_wait_observer(nullptr, nullptr);
        if (b.settings.joinable())
            b.settings.join();
        if (b.quiet.joinable())
            b.quiet.join();
    }
    PelornBenchEnd(maps);
    PelornBenchRemoveWatch(root);
    g_free(root);
    if (b.failed || b.flows.empty() || b.floor.empty())
        return 1;
    printf("cycles: %d (ring, found, stop, menu, locate, zoom, back, last seen, language), engine buffer\n",
           b.cycles);
    Report("floor, idle finding screen for 3 s", b.floor);
    std::vector<std::string> names;
    for (const Iteration& it : b.flows)
        if (std::find(names.begin(), names.end(), it.phase) == names.end())
            names.push_back(it.phase);
    for (const std::string& name : names)
    {
        std::vector<Iteration> one;
        std::copy_if(b.flows.begin(), b.flows.end(), std::back_inserter(one),
                     [&](const Iteration& it) { return name == it.phase; });
        Report(("flow " + name).c_str(), one);
    }
    for (const std::string& line : b.quietReports)
        printf("%s\n", line.c_str());
    auto longest =
        std::max_element(b.flows.begin(), b.flows.end(),
                         [](const Iteration& a, const Iteration& c) { return a.wallMs < c.wallMs; });
    printf("stall: max %.1f ms, p99 %.1f ms\n", longest->wallMs, P99(b.flows));
    return 0;
}
