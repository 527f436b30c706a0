// bench_tap_floor [taps]: bench_tap_to_wire's yardstick, the least a tap that
// sends a frame can cost. A bare window holds one elementary button; on
// "clicked" it writes a 50-byte frame, the size of the app's ring request,
// to a local stream socket. The peer, a process of its own as the phone is,
// prints one line per frame with the moment it read it, just as phone-sim
// does for bench_tap_to_wire. Taps are fed to the canvas
// the same way. Last line: "floor: MEDIAN ms".
#include <Elementary.h>
#include <algorithm>
#include <glib.h>
#include <mutex>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{
const size_t FRAME_BYTES = 50;

struct Floor
{
    int taps = 20;
    int socketFd = -1;
    Evas_Object* window = nullptr;
    std::mutex lock;
    std::vector<gint64> arrivals; // stamped by the reader thread
    size_t seen = 0;
    bool waiting = false;
    gint64 tapTime = 0;
    gint64 settleUntil = 0;
    gint64 deadline = 0;
    std::vector<double> samples;
};

// The peer: reads whole frames and says so, one line each.
void RunPeer(int fd)
{
    char frame[FRAME_BYTES];
    size_t have = 0;
    ssize_t n;
    while ((n = read(fd, frame + have, sizeof(frame) - have)) > 0)
    {
        have += (size_t)n;
        if (have < sizeof(frame))
            continue;
        have = 0;
        printf("recv@%" G_GINT64_FORMAT " %zu bytes\n", g_get_monotonic_time(), sizeof(frame));
        fflush(stdout);
    }
    _exit(0);
}

void ReadPeerLines(Floor* f, int fd)
{
    char buf[4096];
    std::string pending;
    ssize_t n;
    while ((n = read(fd, buf, sizeof(buf))) > 0)
    {
        pending.append(buf, (size_t)n);
        size_t eol;
        std::lock_guard<std::mutex> hold(f->lock);
        while ((eol = pending.find('\n')) != std::string::npos)
        {
            long long readAt = 0;
            if (sscanf(pending.c_str(), "recv@%lld ", &readAt) == 1)
                f->arrivals.push_back((gint64)readAt);
            pending.erase(0, eol + 1);
        }
    }
    close(fd);
}

void ClickedCb(void* data, Evas_Object*, void*)
{
    Floor* f = static_cast<Floor*>(data);
    char frame[FRAME_BYTES];
    memset(frame, 'x', sizeof(frame));
    if (write(f->socketFd, frame, sizeof(frame)) != (ssize_t)sizeof(frame))
        fprintf(stderr, "short write to the peer\n");
}

void TapCentre(Evas_Object* window)
{
    Evas* e = evas_object_evas_get(window);
    const unsigned int t = (unsigned int)(ecore_loop_time_get() * 1000);
    evas_event_feed_mouse_move(e, 180, 180, t, nullptr);
    evas_event_feed_mouse_down(e, 1, EVAS_BUTTON_NONE, t + 1, nullptr);
    evas_event_feed_mouse_up(e, 1, EVAS_BUTTON_NONE, t + 50, nullptr);
}

Eina_Bool StepCb(void* data)
{
    Floor* f = static_cast<Floor*>(data);
    const gint64 now = g_get_monotonic_time();
    if (now > f->deadline)
    {
        fprintf(stderr, "gave up waiting for the peer\n");
        elm_exit();
        return ECORE_CALLBACK_CANCEL;
    }
    if (f->waiting)
    {
        std::lock_guard<std::mutex> hold(f->lock);
        if (f->arrivals.size() <= f->seen)
            return ECORE_CALLBACK_RENEW;
        f->samples.push_back((f->arrivals[f->seen] - f->tapTime) / 1000.0);
        f->seen = f->arrivals.size();
        f->waiting = false;
        f->settleUntil = now + 100 * 1000; // a button pressed again at once is not a tap
        return ECORE_CALLBACK_RENEW;
    }
    if (now < f->settleUntil)
        return ECORE_CALLBACK_RENEW;
    if ((int)f->samples.size() >= f->taps)
    {
        elm_exit();
        return ECORE_CALLBACK_CANCEL;
    }
    f->waiting = true;
    f->tapTime = g_get_monotonic_time();
    TapCentre(f->window);
    return ECORE_CALLBACK_RENEW;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && (!strcmp(argv[1], "--help") || !strcmp(argv[1], "-h")))
    {
        puts("Usage: bench_tap_floor [TAPS]\n\n"
             "bench_tap_to_wire's yardstick: a bare window whose one button, on \"clicked\",\n"
             "writes a 50-byte frame to a local stream socket; a peer process prints a line\n"
             "per frame, stamped here as it arrives. TAPS (20) taps fed to the canvas, each\n"
             "timed from the tap to the peer's line. Last line: \"floor: MEDIAN ms\".\n"
             "Uses no PELORN_STATE_DIR or PELORN_RUNTIME_DIR.\n\n"
             "Example:\n  ELM_ENGINE=buffer build/bench_tap_floor 20");
        return 0;
    }
    Floor f;
    if (argc > 1)
        f.taps = std::max(1, atoi(argv[1]));

    int pair[2];
    int lines[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0 || pipe(lines) != 0)
    {
        perror("bench_tap_floor");
        return 1;
    }
    // The peer forks before the toolkit starts any thread of its own.
    const pid_t peer = fork();
    if (peer < 0)
    {
        perror("fork");
        return 1;
    }
    if (peer == 0)
    {
        close(pair[0]);
        close(lines[0]);
        dup2(lines[1], STDOUT_FILENO);
        RunPeer(pair[1]);
    }
    close(pair[1]);
    close(lines[1]);
    f.socketFd = pair[0];
    std::thread reader(ReadPeerLines, &f, lines[0]);

    elm_init(argc, argv);
    f.window = elm_win_util_standard_add("floor", "floor");
    Evas_Object* button = elm_button_add(f.window);
    elm_object_text_set(button, "Start");
    evas_object_size_hint_weight_set(button, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    elm_win_resize_object_add(f.window, button);
    evas_object_smart_callback_add(button, "clicked", ClickedCb, &f);
    evas_object_show(button);
    evas_object_resize(f.window, 360, 360);
    evas_object_show(f.window);

    f.deadline = g_get_monotonic_time() + (gint64)(30 + f.taps) * G_USEC_PER_SEC;
    f.settleUntil = g_get_monotonic_time() + 500 * 1000; // the first frame is drawn
    // The toolkit's own loop, as a bare program has it: no GLib in between.
    ecore_timer_add(0.005, StepCb, &f);
    elm_run();
    elm_shutdown();

    close(f.socketFd); // the peer sees the end and exits
    waitpid(peer, nullptr, 0);
    reader.join();
    if (f.samples.empty())
    {
        fprintf(stderr, "no frame reached the peer\n");
        return 1;
    }
    std::vector<double> s = f.samples;
    std::sort(s.begin(), s.end());
    printf("taps: %zu, fastest %.2f ms, slowest %.2f ms\n", s.size(), s.front(), s.back());
    printf("floor: %.2f ms\n", s[s.size() / 2]);
    return 0;
}
