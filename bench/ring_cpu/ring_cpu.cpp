// bench_ring_cpu [seconds] [rounds]: runs the app in this process beside a
// real phone-sim, taps start and, once the phone rings and the radar turns,
// counts the process's CPU ticks and context switches (from /proc) over
// `seconds` (10); stops the ring, then counts the floor the same way: this
// program again as a bare window turning one picture of the radar's size with
// the same rhythm (a turn, a pause) at the same frame time. Ringing and floor
// alternate for `rounds` (3); the last line is the median of the rounds'
// ratios of ticks, which rides out a busy moment of the machine.
#include "../common/app_in_process.h"
#include "../common/seeded_watch.h"

#include <Elementary.h>
#include <algorithm>
#include <dirent.h>
#include <glib.h>
#include <mutex>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

static const char* const HELP = R"HELP(Usage: bench_ring_cpu [SECONDS] [ROUNDS]

Runs the app in this process beside a real phone-sim, taps start and counts
the CPU ticks and context switches of the whole process over SECONDS (10)
while the phone rings and the radar turns; stops it and makes the same count
for a bare window turning one 320x320 picture (a turn, a pause, as the radar)
at the same frame time. ROUNDS (3) such pairs; last line: "ratio: MEDIAN"
of the pairs' ratios of ticks.

Environment: runs in fresh temporary PELORN_STATE_DIR and PELORN_RUNTIME_DIR
folders of its own (any set outside are not touched). Always headless (ELM_ENGINE=buffer).

Example:
  build/bench_ring_cpu 10 3
)HELP";

namespace
{
const int RADAR_SIDE = 320; // the radar picture's size on the finding screen
const double TURN_S = 2.2;  // fade in, the turn, fade out
const double PAUSE_S = 1.0;

struct Usage
{
    long long ticks = 0;
    long long switches = 0;
};

long long StatusField(const std::string& path, const char* name)
{
    gchar* text = nullptr;
    if (!g_file_get_contents(path.c_str(), &text, nullptr, nullptr))
        return 0;
    const char* at = strstr(text, name);
    const long long value = at ? atoll(at + strlen(name)) : 0;
    g_free(text);
    return value;
}

/* Ticks of every thread of the process, and the switches of each summed. */
Usage UsageOf(pid_t pid)
{
    Usage u;
    const std::string base = "/proc/" + std::to_string(pid);
    gchar* stat = nullptr;
    if (g_file_get_contents((base + "/stat").c_str(), &stat, nullptr, nullptr))
    {
        const char* p = strrchr(stat, ')');
        gchar** fields = p ? g_strsplit(p + 2, " ", 0) : nullptr;
        // After the name: state is field 3, utime 14, stime 15.
        if (fields && g_strv_length(fields) > 12)
            u.ticks = atoll(fields[11]) + atoll(fields[12]);
        g_strfreev(fields);
        g_free(stat);
    }
    if (DIR* tasks = opendir((base + "/task").c_str()))
    {
        while (dirent* e = readdir(tasks))
        {
            if (e->d_name[0] == '.')
                continue;
            const std::string status = base + "/task/" + e->d_name + "/status";
            u.switches += StatusField(status, "\nvoluntary_ctxt_switches:") +
                          StatusField(status, "\nnonvoluntary_ctxt_switches:");
        }
        closedir(tasks);
    }
    return u;
}

/* ---- the floor: a bare window turning one picture ---- */

struct Floor
{
    Evas_Object* picture = nullptr;
    Ecore_Animator* animator = nullptr;
    double turnStart = 0;
    int seconds = 10;
    Usage start;
};

Eina_Bool TurnCb(void* data);

Eina_Bool PauseOverCb(void* data)
{
    Floor* f = static_cast<Floor*>(data);
    f->turnStart = ecore_loop_time_get();
    f->animator = ecore_animator_add(TurnCb, f);
    return ECORE_CALLBACK_CANCEL;
}

Eina_Bool TurnCb(void* data)
{
    Floor* f = static_cast<Floor*>(data);
    const double t = (ecore_loop_time_get() - f->turnStart) / TURN_S;
    Evas_Coord x, y, w, h;
    evas_object_geometry_get(f->picture, &x, &y, &w, &h);
    Evas_Map* map = evas_map_new(4);
    evas_map_util_points_populate_from_object(map, f->picture);
    evas_map_util_rotate(map, 360.0 * std::min(t, 1.0), x + w / 2, y + h / 2);
    evas_object_map_set(f->picture, map);
    evas_object_map_enable_set(f->picture, EINA_TRUE);
    evas_map_free(map);
    if (t < 1.0)
        return ECORE_CALLBACK_RENEW;
    f->animator = nullptr;
    ecore_timer_add(PAUSE_S, PauseOverCb, f);
    return ECORE_CALLBACK_CANCEL;
}

Eina_Bool FloorEndCb(void* data)
{
    Floor* f = static_cast<Floor*>(data);
    const Usage end = UsageOf(getpid());
    printf("%lld %lld\n", end.ticks - f->start.ticks, end.switches - f->start.switches);
    fflush(stdout);
    elm_exit();
    return ECORE_CALLBACK_CANCEL;
}

Eina_Bool FloorSettledCb(void* data)
{
    Floor* f = static_cast<Floor*>(data);
    f->start = UsageOf(getpid());
    ecore_timer_add(f->seconds, FloorEndCb, f);
    return ECORE_CALLBACK_CANCEL;
}

int RunFloor(int argc, char** argv, int seconds)
{
    elm_init(argc, argv);
    Floor f;
    f.seconds = seconds;
    Evas_Object* win = elm_win_add(nullptr, "floor", ELM_WIN_BASIC);
    Evas_Object* bg = elm_bg_add(win);
    elm_win_resize_object_add(win, bg);
    evas_object_show(bg);
    f.picture = evas_object_image_filled_add(evas_object_evas_get(win));
    evas_object_image_size_set(f.picture, RADAR_SIDE, RADAR_SIDE);
    evas_object_image_alpha_set(f.picture, EINA_TRUE);
    unsigned int* pixels = static_cast<unsigned int*>(evas_object_image_data_get(f.picture, EINA_TRUE));
    for (int i = 0; pixels && i < RADAR_SIDE * RADAR_SIDE; ++i)
        pixels[i] = (i % RADAR_SIDE) < RADAR_SIDE / 2 ? 0x80a00023 : 0x20000000;
    evas_object_image_data_set(f.picture, pixels);
    evas_object_move(f.picture, (360 - RADAR_SIDE) / 2, (360 - RADAR_SIDE) / 2);
    evas_object_resize(f.picture, RADAR_SIDE, RADAR_SIDE);
    evas_object_show(f.picture);
    evas_object_resize(win, 360, 360);
    evas_object_show(win);
    PauseOverCb(&f);
    ecore_timer_add(1.0, FloorSettledCb, &f);
    elm_run();
    elm_shutdown();
    return 0;
}

/* ---- the app ringing ---- */

struct Bench
{
    int seconds = 10;
    int rounds = 3;
    int round = 0;
    std::string self;
    PelornBenchPhone* phone = nullptr;
    bool connected = false;
    int startSeen = 0;
    int stopSeen = 0;
    enum
    {
        WAIT_LINK,
        TAP,
        WAIT_RING,
        COUNTING,
        WAIT_STOP,
        FLOOR
    } phase = WAIT_LINK;
    gint64 settleUntil = 0;
    gint64 deadline = 0;
    Usage start;
    std::vector<Usage> ringing;
    std::vector<Usage> floors;
    bool failed = false;
};

void TakePhoneLines(Bench* b)
{
    for (const PelornBenchPhone::Line& line : b->phone->Take())
    {
        b->connected = b->connected || line.text.find("watch connected") != std::string::npos;
        b->startSeen += line.Received("rux-startalert-req");
        b->stopSeen += line.Received("rux-stopalert-req");
    }
}

std::shared_ptr<NSPelorn::PelornView> FindingView()
{
    return std::dynamic_pointer_cast<NSPelorn::PelornView>(PelornBenchTopView());
}

gboolean StepCb(gpointer data);
bool StartFloor(Bench* b);

/* The counted stretch is over: no timer of this bench ran inside it. */
gboolean CountedCb(gpointer data)
{
    Bench* b = static_cast<Bench*>(data);
    const Usage end = UsageOf(getpid());
    b->ringing.push_back({end.ticks - b->start.ticks, end.switches - b->start.switches});
    auto view = FindingView();
    if (!view || view->IsNormalState())
    {
        fprintf(stderr, "round %d: the ring ended before the count did\n", b->round + 1);
        b->failed = true;
    }
    b->phase = Bench::WAIT_STOP;
    PelornBenchTap();
    g_timeout_add(5, StepCb, b);
    return G_SOURCE_REMOVE;
}

gboolean StepCb(gpointer data)
{
    Bench* b = static_cast<Bench*>(data);
    TakePhoneLines(b);
    const gint64 now = g_get_monotonic_time();
    if (PelornBenchGaveUp(now, b->deadline, (int)b->phase))
        return G_SOURCE_REMOVE;
    switch (b->phase)
    {
    case Bench::WAIT_LINK:
        if (b->connected)
        {
            b->phase = Bench::TAP;
            b->settleUntil = now + 500 * 1000;
        }
        break;
    case Bench::TAP:
        if (now < b->settleUntil || !PelornBenchButtonReady())
            break;
        b->phase = Bench::WAIT_RING;
        b->settleUntil = 0;
        PelornBenchTap();
        break;
    case Bench::WAIT_RING:
        if (b->startSeen <= b->round)
            break;
        if (!b->settleUntil)
            b->settleUntil = now + 1000 * 1000; // the radar's first fade in is under way
        if (now < b->settleUntil)
            break;
        b->phase = Bench::COUNTING;
        b->start = UsageOf(getpid());
        g_timeout_add((guint)b->seconds * 1000, CountedCb, b);
        return G_SOURCE_REMOVE;
    case Bench::COUNTING:
        break;
    case Bench::WAIT_STOP:
        if (b->stopSeen <= b->round)
            break;
        if (b->failed || !StartFloor(b))
        {
            elm_exit();
            return G_SOURCE_REMOVE;
        }
        b->phase = Bench::FLOOR;
        break;
    case Bench::FLOOR:
        break;
    }
    return G_SOURCE_CONTINUE;
}

/* The floor, run as this program's second mode, counted in the same way,
 * while the app waits idle on its finding screen. */
struct FloorRun
{
    Bench* bench;
    GString* out;
};

gboolean FloorOutCb(GIOChannel* channel, GIOCondition, gpointer data)
{
    FloorRun* run = static_cast<FloorRun*>(data);
    char buf[256];
    gsize n = 0;
    if (g_io_channel_read_chars(channel, buf, sizeof(buf), &n, nullptr) == G_IO_STATUS_NORMAL && n > 0)
    {
        g_string_append_len(run->out, buf, (gssize)n);
        return G_SOURCE_CONTINUE;
    }
    return G_SOURCE_REMOVE;
}

void FloorEndedCb(GPid pid, gint, gpointer data)
{
    FloorRun* run = static_cast<FloorRun*>(data);
    Bench* b = run->bench;
    g_spawn_close_pid(pid);
    Usage floor;
    if (sscanf(run->out->str, "%lld %lld", &floor.ticks, &floor.switches) != 2)
    {
        fprintf(stderr, "round %d: the floor window gave no count\n", b->round + 1);
        b->failed = true;
    }
    g_string_free(run->out, TRUE);
    delete run;
    b->floors.push_back(floor);
    if (b->failed || ++b->round >= b->rounds)
    {
        elm_exit();
        return;
    }
    b->phase = Bench::TAP;
    b->settleUntil = g_get_monotonic_time() + 500 * 1000;
}

bool StartFloor(Bench* b)
{
    const std::string secs = std::to_string(b->seconds);
    gchar* argv[] = {(gchar*)b->self.c_str(), (gchar*)"--floor", (gchar*)secs.c_str(), nullptr};
    GPid pid = 0;
    gint out = -1;
    if (!g_spawn_async_with_pipes(nullptr, argv, nullptr,
                                  (GSpawnFlags)(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDERR_TO_DEV_NULL),
                                  nullptr, nullptr, &pid, nullptr, &out, nullptr, nullptr))
        return false;
    FloorRun* run = new FloorRun{b, g_string_new(nullptr)};
    GIOChannel* channel = g_io_channel_unix_new(out);
    g_io_channel_set_close_on_unref(channel, TRUE);
    g_io_channel_set_encoding(channel, nullptr, nullptr);
    g_io_add_watch(channel, (GIOCondition)(G_IO_IN | G_IO_HUP), FloorOutCb, run);
    g_io_channel_unref(channel);
    g_child_watch_add(pid, FloorEndedCb, run);
    return true;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}
} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && (!strcmp(argv[1], "--help") || !strcmp(argv[1], "-h")))
    {
        fputs(HELP, stdout);
        return 0;
    }
    setenv("ECORE_NO_SYSTEM_MODULES", "1", 0);
    setenv("EINA_LOG_BACKTRACE", "-1", 0);
    setenv("PELORN_LOG_STDERR", "0", 1);
    setenv("ELM_ENGINE", "buffer", 1);
    if (argc > 2 && !strcmp(argv[1], "--floor"))
        return RunFloor(1, argv, std::max(1, atoi(argv[2])));
    Bench b;
    if (argc > 1)
        b.seconds = std::max(1, atoi(argv[1]));
    if (argc > 2)
        b.rounds = std::max(1, atoi(argv[2]));
    gchar* root = g_dir_make_tmp("pelorn-bench-XXXXXX", nullptr);
    PelornBenchSeedWatch(root);
    b.self = PelornBenchProgram("bench_ring_cpu");
    {
        PelornBenchPhone phone;
        if (!phone.Running())
            return 1;
        b.phone = &phone;
        b.deadline = g_get_monotonic_time() + (gint64)(60 + 3 * b.seconds * b.rounds) * G_USEC_PER_SEC;
        PelornBenchRunApp(StepCb, &b);
    }
    PelornBenchRemoveWatch(root);
    g_free(root);
    if (b.failed || (int)b.floors.size() < b.rounds)
        return 1;
    std::vector<double> ratios;
    for (int r = 0; r < b.rounds; ++r)
    {
        const Usage& app = b.ringing[(size_t)r];
        const Usage& floor = b.floors[(size_t)r];
        ratios.push_back((double)app.ticks / (double)std::max(1LL, floor.ticks));
        printf("round %d: ringing %lld ticks, %lld context switches; floor %lld ticks, %lld context switches "
               "(ratio %.2f)\n",
               r + 1, app.ticks, app.switches, floor.ticks, floor.switches, ratios.back());
    }
    std::vector<double> appTicks, floorTicks;
    for (int r = 0; r < b.rounds; ++r)
    {
        appTicks.push_back((double)b.ringing[(size_t)r].ticks);
        floorTicks.push_back((double)b.floors[(size_t)r].ticks);
    }
    printf("ringing: %.0f ticks in %d s (median, the whole process)\n", Median(appTicks), b.seconds);
    printf("floor: %.0f ticks in %d s (median, a bare window turning one %dx%d picture)\n",
           Median(floorTicks), b.seconds, RADAR_SIDE, RADAR_SIDE);
    printf("ratio: %.2f\n", Median(ratios));
    return 0;
}
