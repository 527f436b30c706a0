// bench_startup [runs] [rounds]: starts the bare window and the app
// alternately, each in fresh state folders, `runs` times (7) per round, and
// reports per round the median time from spawn to the first rendered frame
// and the resident memory two seconds after it; the headline is the median of
// the rounds (3), which rides out a busy moment of the machine. With
// PELORN_TRACE_STARTUP=1 the app's start-up timeline is let through to
// stderr. One more launch then counts the app's wake-ups over 10 s of idling
// on its finding screen.
#include "../common/seeded_watch.h"
#include "../common/thread_activity.h"
#include "pelorn_paths.h"
#include "vconf.h"

#include <algorithm>
#include <fcntl.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <map>
#include <memory>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

static const char* const HELP = R"HELP(Usage: bench_startup [--fresh] [RUNS [ROUNDS]]

Starts bench_bare_window (an elementary window with one button) and pelorn
alternately, RUNS times each (default 5), and reports the median time from
spawn to the first rendered frame and the resident memory two seconds later.
The start ratio of a round is the median over its launches of pelorn's time
over the bare launch just before it. Launches share one seeded state folder,
as a watch's do; --fresh seeds new folders for every launch, so each is a
first launch that creates them.
Last line: "ratio: start X, rss Y" (pelorn over the bare window).

Environment: runs in fresh temporary PELORN_STATE_DIR and PELORN_RUNTIME_DIR
folders of its own (any set outside are not touched).
  DISPLAY / ELM_ENGINE  draws on the display when there is one, else on the
                        buffer engine
  PELORN_BENCH_APP      the app to start instead of pelorn beside this program,
                        for comparing two builds of it

Example:
  build/bench_startup 9
)HELP";

namespace
{
struct Sample
{
    double startMs = -1;
    double rssKb = -1;
    // Over idleSeconds after the RSS reading (when asked for), all threads.
    long long idleSwitches = -1;
    long long idleTicks = -1;
    int threads = 0;
};

/* Context switches and CPU ticks of all the process's threads. */
void CountActivity(pid_t pid, long long* switches, long long* ticks, int* threads)
{
    const std::map<std::string, PelornBenchThreadCounts> counts =
        PelornBenchCountThreads(std::to_string(pid));
    *switches = *ticks = 0;
    *threads = (int)counts.size();
    for (const auto& thread : counts)
    {
        *switches += thread.second.switches;
        *ticks += thread.second.ticks;
    }
}

double RssKb(pid_t pid)
{
    gchar* status = nullptr;
    if (!g_file_get_contents(("/proc/" + std::to_string(pid) + "/status").c_str(), &status, nullptr, nullptr))
        return -1;
    double kb = -1;
    const char* line = strstr(status, "VmRSS:");
    if (line)
        kb = g_ascii_strtod(line + 6, nullptr);
    g_free(status);
    return kb;
}

/* A seeded watch's folders; launches share them unless every launch is to
 * be a first one. */
struct Watch
{
    Watch() : root(g_dir_make_tmp("pelorn-bench-XXXXXX", nullptr)) {}
    ~Watch()
    {
        PelornBenchRemoveWatch(root);
        g_free(root);
    }
    gchar* root;
};

bool gFreshEveryLaunch = false;
std::unique_ptr<Watch> gKept;

Sample Measure(const std::string& program, int idleSeconds = 0)
{
    Sample s;
    // A watch launches the app many times in the same folders; only the
    // first launch after setup creates them (--fresh measures that one).
    std::unique_ptr<Watch> fresh;
    if (gFreshEveryLaunch || !gKept)
        fresh.reset(new Watch);
    if (!gFreshEveryLaunch && !gKept)
        gKept = std::move(fresh);
    Watch* watch = fresh ? fresh.get() : gKept.get();
    PelornBenchSeedWatch(watch->root);
    int fds[2];
    if (pipe(fds) != 0)
        return s;
    gint64 t0 = g_get_monotonic_time();
    pid_t pid = fork();
    if (pid == 0)
    {
        close(fds[0]);
        setenv("PELORN_FIRST_FRAME_FD", std::to_string(fds[1]).c_str(), 1);
        struct timespec forked;
        clock_gettime(CLOCK_BOOTTIME, &forked);
        setenv("PELORN_TRACE_LAUNCH_US",
               std::to_string(forked.tv_sec * 1000000LL + forked.tv_nsec / 1000).c_str(), 1);
        int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        const char* trace = getenv("PELORN_TRACE_STARTUP");
        if (!trace || strcmp(trace, "1") != 0)
            dup2(null, 2);
        execl(program.c_str(), program.c_str(), (char*)nullptr);
        _exit(127);
    }
    close(fds[1]);
    struct pollfd p = {fds[0], POLLIN, 0};
    char buf[16];
    if (poll(&p, 1, 20000) == 1 && read(fds[0], buf, sizeof(buf)) > 0)
    {
        s.startMs = (g_get_monotonic_time() - t0) / 1000.0;
        // Past the start's last step: the app checks again a second after it
        // resumed, and its log lines are written a moment after they are made.
        g_usleep(2000 * 1000);
        s.rssKb = RssKb(pid);
        if (idleSeconds > 0)
        {
            long long switches0, ticks0, switches1, ticks1;
            int threads = 0;
            CountActivity(pid, &switches0, &ticks0, &threads);
            g_usleep((gulong)idleSeconds * G_USEC_PER_SEC);
            CountActivity(pid, &switches1, &ticks1, &s.threads);
            s.idleSwitches = switches1 - switches0;
            s.idleTicks = ticks1 - ticks0;
        }
    }
    close(fds[0]);
    PelornBenchEndChild(pid, 3000);
    return s;
}

double Median(std::vector<double> v)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}
} // namespace

struct Round
{
    double bareStart, bareRss, appStart, appRss;
};

int main(int argc, char** argv)
{
    if (argc > 1 && (!strcmp(argv[1], "--help") || !strcmp(argv[1], "-h")))
    {
        fputs(HELP, stdout);
        return 0;
    }
    if (argc > 1 && !strcmp(argv[1], "--fresh"))
    {
        gFreshEveryLaunch = true;
        --argc;
        ++argv;
    }
    int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
    setenv("ECORE_NO_SYSTEM_MODULES", "1", 0);
    setenv("EINA_LOG_BACKTRACE", "-1", 0);
    setenv("PELORN_LOG_STDERR", "0", 1);
    if (!getenv("DISPLAY") && !getenv("WAYLAND_DISPLAY"))
        setenv("ELM_ENGINE", "buffer", 0);
    const std::string bare = PelornBenchProgram("bench_bare_window");
    const char* appOverride = getenv("PELORN_BENCH_APP");
    const std::string app = appOverride && *appOverride ? appOverride : PelornBenchProgram("pelorn");
    if (access(app.c_str(), X_OK) != 0)
    {
        fprintf(stderr, "%s is not built\n", app.c_str());
        return 1;
    }

    printf("%d rounds of %d alternating launches (medians per round, engine %s, %s)\n", rounds, runs,
           getenv("ELM_ENGINE") ? getenv("ELM_ENGINE") : "default",
           gFreshEveryLaunch ? "new folders every launch" : "folders kept between launches");
    std::vector<double> startRatios, rssRatios, rssExtraMb;
    for (int r = 0; r < rounds; ++r)
    {
        std::vector<double> bareStart, bareRss, appStart, appRss, pairRatios;
        for (int i = 0; i < runs; ++i)
        {
            Sample b = Measure(bare);
            Sample a = Measure(app);
            if (b.startMs < 0 || a.startMs < 0)
            {
                fprintf(stderr, "run %d: no first frame (bare %.1f, app %.1f)\n", i, b.startMs, a.startMs);
                return 1;
            }
            bareStart.push_back(b.startMs);
            bareRss.push_back(b.rssKb);
            appStart.push_back(a.startMs);
            appRss.push_back(a.rssKb);
            pairRatios.push_back(a.startMs / b.startMs);
        }
        Round m = {Median(bareStart), Median(bareRss), Median(appStart), Median(appRss)};
        // This machine's speed drifts by a third within a minute; a launch
        // compared with the bare one just before it cancels the drift, which a
        // ratio of the round's two medians does not.
        const double paired = Median(pairRatios);
        printf("round %d: first frame bare %.1f ms, pelorn %.1f ms (ratio of pairs %.2f); "
               "idle RSS bare %.1f MB, pelorn %.1f MB (+%.1f MB)\n",
               r + 1, m.bareStart, m.appStart, paired, m.bareRss / 1024.0, m.appRss / 1024.0,
               (m.appRss - m.bareRss) / 1024.0);
        startRatios.push_back(paired);
        rssRatios.push_back(m.appRss / m.bareRss);
        rssExtraMb.push_back((m.appRss - m.bareRss) / 1024.0);
    }
    // Nothing on the finding screen may wake the process while nobody touches it.
    Sample idle = Measure(app, 10);
    printf("pelorn idle on the finding screen for 10 s: %lld context switches, %lld CPU ticks, %d threads\n",
           idle.idleSwitches, idle.idleTicks, idle.threads);
    printf("idle RSS above the bare window: %.1f MB (median of rounds)\n", Median(rssExtraMb));
    gKept.reset();
    printf("ratio: start %.2f, rss %.2f\n", Median(startRatios), Median(rssRatios));
    return 0;
}
