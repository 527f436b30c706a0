#include "pelorn_trace.h"

#include <glib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

namespace
{
struct Timeline
{
    bool enabled = false;
    bool ended = false;
    double startMs = 0;    // the process's start, on CLOCK_BOOTTIME
    double previousMs = 0; // the last mark
    double previousCpuMs = 0; // the main thread's CPU time at the last mark
};

double ClockMs(clockid_t clock)
{
    struct timespec ts;
    clock_gettime(clock, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

double BootTimeMs()
{
    return ClockMs(CLOCK_BOOTTIME);
}

/* Field 22 of /proc/self/stat: clock ticks since boot when the process
 * began (before the dynamic loader ran). The command name in field 2 may
 * hold spaces and parentheses, so fields are counted after its last ')'. */
double ProcessStartMs()
{
    gchar* stat = nullptr;
    if (!g_file_get_contents("/proc/self/stat", &stat, nullptr, nullptr))
        return BootTimeMs();
    double ms = -1;
    const char* p = strrchr(stat, ')');
    for (int field = 2; p && *p && field < 22; ++p)
        if (*p == ' ')
            ++field;
    if (p && *p)
        ms = g_ascii_strtod(p, nullptr) * 1000.0 / (double)sysconf(_SC_CLK_TCK);
    g_free(stat);
    return ms >= 0 ? ms : BootTimeMs();
}

/* A launcher that knows when it forked (the start-up bench) passes that
 * moment on CLOCK_BOOTTIME, in microseconds: finer than the kernel's record
 * of the start, which counts in clock ticks of 10 ms. */
double LaunchMs()
{
    const char* forked = getenv("PELORN_TRACE_LAUNCH_US");
    if (forked && *forked)
    {
        char* end = nullptr;
        const double us = g_ascii_strtod(forked, &end);
        if (end && !*end && us > 0)
            return us / 1000.0;
    }
    return ProcessStartMs();
}

Timeline& TheTimeline()
{
    static Timeline timeline = []
    {
        Timeline t;
        const char* flag = getenv("PELORN_TRACE_STARTUP");
        t.enabled = flag && strcmp(flag, "1") == 0;
        if (t.enabled)
            t.startMs = t.previousMs = LaunchMs();
        return t;
    }();
    return timeline;
}

/* The first of our code to run: every shared library is loaded and
 * initialised by now. */
__attribute__((constructor)) void MarkLibrariesLoaded()
{
    pelorn_trace_startup("shared libraries loaded, static initialisers run");
}
} // namespace

void pelorn_trace_startup(const char* what)
{
    Timeline& t = TheTimeline();
    if (!t.enabled || t.ended)
        return;
    // Beside the wall clock, the thread's own CPU time: where the two part,
    // the thread waited (on the disk, a lock, another process or the CPU).
    const double now = BootTimeMs();
    const double cpu = ClockMs(CLOCK_THREAD_CPUTIME_ID);
    fprintf(stderr, "startup: +%.2f ms (+%.2f, cpu +%.2f) %s\n", now - t.startMs, now - t.previousMs,
            cpu - t.previousCpuMs, what);
    t.previousMs = now;
    t.previousCpuMs = cpu;
    t.ended = strcmp(what, "first frame") == 0;
}
