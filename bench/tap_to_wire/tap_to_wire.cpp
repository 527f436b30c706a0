// bench_tap_to_wire [taps]: runs the app in this process beside a real
// phone-sim, taps the start button, and times until phone-sim reports the
// ring request ("recv {...rux-startalert-req...}"); then stops the ringing
// and repeats; then runs bench_tap_floor, the same taps on a bare button that
// writes a frame of the same size to a socket, as the floor. Prints the
// median of each and, on its last line, their ratio.
//
// phone-sim's report is read and stamped on a thread of its own: the phone is
// another device, and the moment the request reached it must not wait for
// the watch's main loop to finish what it does after the send.
#include "PelornApplication.h"
#include "PelornMain.h"
#include "PelornView.h"
#include "ViewController.h"
#include "ViewManager.h"
#include "../common/seeded_watch.h"
#include "pelorn_paths.h"
#include "vconf.h"
#include "ViewBasicElements.h"

#include <Elementary.h>
#include <algorithm>
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

static const char* const HELP = R"HELP(Usage: bench_tap_to_wire [TAPS]

Runs the app in this process beside a real phone-sim, taps the start button
and times until phone-sim prints the ring request; stops and repeats TAPS
(20) times. Then the floor, bench_tap_floor beside it: the same taps on a
bare button that writes a 50-byte frame to a local socket, timed to the
peer's line. Prints "tap_to_wire: MEDIAN ms" and "floor: MEDIAN ms"; last
line: "ratio: R", the app's median over the floor's.

Environment: runs in fresh temporary PELORN_STATE_DIR and PELORN_RUNTIME_DIR
folders of its own (any set outside are not touched). Always headless (ELM_ENGINE=buffer).

Example:
  build/bench_tap_to_wire 20
)HELP";

namespace
{
struct PhoneLine
{
    gint64 at;
    std::string text;
};

struct Bench
{
    int taps = 20;
    GPid phone = 0;
    std::mutex linesLock;
    std::vector<PhoneLine> lines; // read by the reader thread, not yet looked at
    int startSeen = 0;
    int stopSeen = 0;
    bool connected = false;
    enum { WAIT_LINK, TAP, WAIT_START, WAIT_STOP } phase = WAIT_LINK;
    int expected = 0;
    bool stopTapped = false;
    gint64 deadline = 0;
    gint64 tapTime = 0;
    gint64 settleUntil = 0;
    std::vector<double> samples;
};

void ReadPhoneOutput(Bench* b, int fd)
{
    std::string pending;
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof(buf))) > 0)
    {
        const gint64 now = g_get_monotonic_time();
        pending.append(buf, (size_t)n);
        size_t eol;
        std::lock_guard<std::mutex> hold(b->linesLock);
        while ((eol = pending.find('\n')) != std::string::npos)
        {
            b->lines.push_back({now, pending.substr(0, eol)});
            pending.erase(0, eol + 1);
        }
    }
    close(fd);
}

void TakePhoneLines(Bench* b)
{
    std::vector<PhoneLine> lines;
    {
        std::lock_guard<std::mutex> hold(b->linesLock);
        lines.swap(b->lines);
    }
    for (const PhoneLine& line : lines)
    {
        if (line.text.find("watch connected") != std::string::npos)
            b->connected = true;
        if (line.text.rfind("recv", 0) == 0 && line.text.find("rux-startalert-req") != std::string::npos)
        {
            b->startSeen++;
            if (b->phase == Bench::WAIT_START)
                b->samples.push_back((line.at - b->tapTime) / 1000.0);
        }
        if (line.text.rfind("recv", 0) == 0 && line.text.find("rux-stopalert-req") != std::string::npos)
            b->stopSeen++;
    }
}

void TapCentre()
{
    Evas_Object* win = NSORZUiCommon::ViewBasicElements::GetWindow();
    Evas* e = evas_object_evas_get(win);
    unsigned int t = (unsigned int)(ecore_loop_time_get() * 1000);
    evas_event_feed_mouse_move(e, 180, 180, t, nullptr);
    evas_event_feed_mouse_down(e, 1, EVAS_BUTTON_NONE, t + 1, nullptr);
    evas_event_feed_mouse_up(e, 1, EVAS_BUTTON_NONE, t + 50, nullptr);
}

/* The finding button takes a tap: its icon change (0.3 s) is over. */
bool ButtonReady()
{
    auto viewManager = NSPelorn::PelornMain::GetInstance()->GetViewManager();
    if (!viewManager || viewManager->GetViewList().empty() || !viewManager->GetViewList().back())
        return false;
    auto view = std::dynamic_pointer_cast<NSPelorn::PelornView>(viewManager->GetViewList().back()->GetView());
    return view && view->GetButton() && !elm_object_disabled_get(view->GetButton());
}

gboolean StepCb(gpointer data)
{
    Bench* b = static_cast<Bench*>(data);
    TakePhoneLines(b);
    gint64 now = g_get_monotonic_time();
    if (now > b->deadline)
    {
        fprintf(stderr, "gave up waiting (phase %d)\n", (int)b->phase);
        elm_exit();
        return G_SOURCE_REMOVE;
    }
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
        if (now < b->settleUntil || !ButtonReady())
            break;
        if ((int)b->samples.size() >= b->taps)
        {
            elm_exit();
            return G_SOURCE_REMOVE;
        }
        b->expected = (int)b->samples.size() + 1;
        b->phase = Bench::WAIT_START;
        b->tapTime = g_get_monotonic_time();
        TapCentre();
        break;
    case Bench::WAIT_START:
        if ((int)b->samples.size() >= b->expected)
        {
            b->phase = Bench::WAIT_STOP;
            b->settleUntil = now + 300 * 1000;
            b->stopTapped = false;
        }
        break;
    case Bench::WAIT_STOP:
        if (now < b->settleUntil || (!b->stopTapped && !ButtonReady()))
            break;
        if (!b->stopTapped)
        {
            b->stopTapped = true;
            TapCentre(); // the same button, now the stop button
        }
        if (b->stopSeen >= b->expected)
        {
            b->phase = Bench::TAP;
            b->settleUntil = now + 400 * 1000;
        }
        break;
    }
    return G_SOURCE_CONTINUE;
}
/* The floor's median in ms, or 0 when it did not run. */
double RunFloor(const std::string& program, int taps)
{
    const std::string count = std::to_string(taps);
    gchar* argv[] = {(gchar*)program.c_str(), (gchar*)count.c_str(), nullptr};
    gchar* out = nullptr;
    gint status = 0;
    GError* error = nullptr;
    if (!g_spawn_sync(nullptr, argv, nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, &out, nullptr, &status, &error))
    {
        fprintf(stderr, "cannot start %s: %s\n", program.c_str(), error->message);
        g_error_free(error);
        return 0;
    }
    double floor = 0;
    const char* line = out ? strstr(out, "floor: ") : nullptr;
    if (!g_spawn_check_wait_status(status, nullptr) || !line || sscanf(line, "floor: %lf", &floor) != 1)
        fprintf(stderr, "%s gave no floor:\n%s\n", program.c_str(), out ? out : "");
    g_free(out);
    return floor;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && (!strcmp(argv[1], "--help") || !strcmp(argv[1], "-h")))
    {
        fputs(HELP, stdout);
        return 0;
    }
    Bench b;
    if (argc > 1)
        b.taps = std::max(1, atoi(argv[1]));
    PelornBenchRunHeadless();
    gchar* root = g_dir_make_tmp("pelorn-bench-XXXXXX", nullptr);
    PelornBenchSeedWatch(root);

    gchar* self = g_file_read_link("/proc/self/exe", nullptr);
    gchar* dir = g_path_get_dirname(self);
    std::string phoneSim = std::string(dir) + "/phone-sim";
    gchar* phoneArgv[] = {(gchar*)phoneSim.c_str(), nullptr};
    gint phoneOut = -1;
    GError* error = nullptr;
    if (!g_spawn_async_with_pipes(nullptr, phoneArgv, nullptr, G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr, &b.phone,
                                  nullptr, &phoneOut, nullptr, &error))
    {
        fprintf(stderr, "cannot start %s: %s\n", phoneSim.c_str(), error->message);
        return 1;
    }
    std::thread reader(ReadPhoneOutput, &b, phoneOut);
    b.deadline = g_get_monotonic_time() + (gint64)(30 + b.taps * 3) * G_USEC_PER_SEC;
    g_timeout_add(5, StepCb, &b);
    char arg0[] = "pelorn";
    char* appArgv[] = {arg0, nullptr};
    RunPelornApplication(1, appArgv);

    kill(b.phone, SIGTERM);
    waitpid(b.phone, nullptr, 0);
    reader.join();
    PelornBenchRemoveWatch(root);
    if (b.samples.empty())
    {
        fprintf(stderr, "no ring request reached the phone\n");
        return 1;
    }
    std::vector<double> s = b.samples;
    std::sort(s.begin(), s.end());
    const double median = s[s.size() / 2];
    printf("taps: %zu, fastest %.2f ms, slowest %.2f ms\n", s.size(), s.front(), s.back());
    printf("tap_to_wire: %.2f ms\n", median);
    fflush(stdout);

    const double floor = RunFloor(std::string(dir) + "/bench_tap_floor", b.taps);
    if (floor <= 0)
        return 1;
    printf("floor: %.2f ms (a bare button writing 50 bytes to a socket)\n", floor);
    printf("ratio: %.2f\n", median / floor);
    g_free(dir);
    g_free(self);
    g_free(root);
    return 0;
}
