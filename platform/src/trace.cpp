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
};

double BootTimeMs()
{
    struct timespec ts;
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
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

Timeline& TheTimeline()
{
    static Timeline timeline = []
    {
        Timeline t;
        const char* flag = getenv("PELORN_TRACE_STARTUP");
        t.enabled = flag && strcmp(flag, "1") == 0;
        if (t.enabled)
            t.startMs = t.previousMs = ProcessStartMs();
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
    const double now = BootTimeMs();
    fprintf(stderr, "startup: +%.2f ms (+%.2f) %s\n", now - t.startMs, now - t.previousMs, what);
    t.previousMs = now;
    t.ended = strcmp(what, "first frame") == 0;
}
