// bench_tap_to_wire [taps]: runs the app in this process beside a real
// phone-sim, taps the start button, and times until phone-sim reports the
// ring request ("recv@T {...rux-startalert-req...}"); then stops the ringing
// and repeats; then runs bench_tap_floor, the same taps on a bare button that
// writes a frame of the same size to a socket, as the floor. Prints the
// median of each and, on its last line, their ratio.
//
// The moment is when phone-sim read the request's bytes, stamped by
// phone-sim itself: the phone is another device, and that moment must not
// wait for the watch's main loop, or for a thread here, to finish what they
// do after the send.
#include "../common/app_in_process.h"
#include "../common/seeded_watch.h"

#include <algorithm>
#include <stdlib.h>
#include <string.h>

static const char* const HELP = R"HELP(Usage: bench_tap_to_wire [TAPS]

Runs the app in this process beside a real phone-sim, taps the start button
and times until phone-sim read the ring request (its own stamp); stops and
repeats TAPS (20) times. Then the floor, bench_tap_floor beside it: the same
taps on a bare button that writes a 50-byte frame to a local socket, timed
to the moment the peer read it. Prints "tap_to_wire: MEDIAN ms" and "floor: MEDIAN ms"; last
line: "ratio: R", the app's median over the floor's.

Environment: runs in fresh temporary PELORN_STATE_DIR and PELORN_RUNTIME_DIR
folders of its own (any set outside are not touched). Always headless (ELM_ENGINE=buffer).

Example:
  build/bench_tap_to_wire 20
)HELP";

namespace
{
struct Bench
{
    int taps = 20;
    PelornBenchPhone* phone = nullptr;
    int stopSeen = 0;
    bool connected = false;
    enum
    {
        WAIT_LINK,
        TAP,
        WAIT_START,
        WAIT_STOP
    } phase = WAIT_LINK;
    int expected = 0;
    bool stopTapped = false;
    gint64 deadline = 0;
    gint64 tapTime = 0;
    gint64 settleUntil = 0;
    std::vector<double> samples;
};

void TakePhoneLines(Bench* b)
{
    for (const PelornBenchPhone::Line& line : b->phone->Take())
    {
        b->connected = b->connected || line.text.find("watch connected") != std::string::npos;
        if (line.Received("rux-startalert-req") && b->phase == Bench::WAIT_START)
            b->samples.push_back((line.at - b->tapTime) / 1000.0);
        b->stopSeen += line.Received("rux-stopalert-req");
    }
}

gboolean StepCb(gpointer data)
{
    Bench* b = static_cast<Bench*>(data);
    TakePhoneLines(b);
    gint64 now = g_get_monotonic_time();
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
        if ((int)b->samples.size() >= b->taps)
        {
            elm_exit();
            return G_SOURCE_REMOVE;
        }
        b->expected = (int)b->samples.size() + 1;
        b->phase = Bench::WAIT_START;
        b->tapTime = g_get_monotonic_time();
        PelornBenchTap();
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
        if (now < b->settleUntil || (!b->stopTapped && !PelornBenchButtonReady()))
            break;
        if (!b->stopTapped)
        {
            b->stopTapped = true;
            PelornBenchTap(); // the same button, now the stop button
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
    if (!g_spawn_sync(nullptr, argv, nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, &out, nullptr, &status,
                      &error))
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

    {
        PelornBenchPhone phone({"--stamp-reads"});
        if (!phone.Running())
            return 1;
        b.phone = &phone;
        b.deadline = g_get_monotonic_time() + (gint64)(30 + b.taps * 3) * G_USEC_PER_SEC;
        PelornBenchRunApp(StepCb, &b);
    }
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

    const double floor = RunFloor(PelornBenchProgram("bench_tap_floor"), b.taps);
    if (floor <= 0)
        return 1;
    printf("floor: %.2f ms (a bare button writing 50 bytes to a socket)\n", floor);
    printf("ratio: %.2f\n", median / floor);
    g_free(root);
    return 0;
}
