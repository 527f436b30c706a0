/* Memory pressure, from the kernel's pressure stall information: a trigger
 * wakes us when stalls pass a threshold, a slow recheck notices the end. */

#include "system_events_internal.h"

#include "dlog.h"
#include "pelorn_clock.h"
#include "vconf.h"

#include <errno.h>
#include <fcntl.h>
#include <glib-unix.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

namespace PelornSystemEvents
{
namespace
{
const char* const LOW_MEMORY_KEY = "memory/sysman/low_memory";
const char* const PSI_MEMORY_FILE = "/proc/pressure/memory";
// Stalls of 10% of a 2 s window: "some" task waiting is a soft warning, "full"
// (every task waiting) a hard one. Unprivileged triggers need whole 2 s windows.
const char* const PSI_SOME_TRIGGER = "some 200000 2000000";
const char* const PSI_FULL_TRIGGER = "full 200000 2000000";
const double PSI_WARNING_AVG10 = 10.0;
const guint PSI_RECHECK_SECONDS = 10;
const gsize PSI_FILE_LIMIT = 4096;

enum
{
    MEMORY_NORMAL = 1,
    MEMORY_SOFT_WARNING = 2,
    MEMORY_HARD_WARNING = 4,
};

/* The level the pressure file shows now, or 0 when it cannot be read. */
int ReadPressureLevel()
{
    int fd = open(gEvents.pressureFile.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return 0;
    char text[PSI_FILE_LIMIT];
    ssize_t n = read(fd, text, sizeof(text) - 1);
    close(fd);
    if (n <= 0)
        return 0;
    text[n] = '\0';
    double some = -1.0, full = -1.0;
    for (char* line = text; line && *line;)
    {
        char* next = strchr(line, '\n');
        if (next)
            *next++ = '\0';
        const char* avg = strstr(line, "avg10=");
        if (avg)
        {
            double value = g_ascii_strtod(avg + 6, nullptr);
            if (!strncmp(line, "some ", 5))
                some = value;
            else if (!strncmp(line, "full ", 5))
                full = value;
        }
        line = next;
    }
    if (some < 0.0)
        return 0;
    if (full >= PSI_WARNING_AVG10)
        return MEMORY_HARD_WARNING;
    return some >= PSI_WARNING_AVG10 ? MEMORY_SOFT_WARNING : MEMORY_NORMAL;
}

gboolean PressureRecheckTimerCb(gpointer data)
{
    int level = ReadPressureLevel();
    if (level == 0 || level == MEMORY_NORMAL)
    {
        gEvents.pressureRecheck = 0;
        Publish(LOW_MEMORY_KEY, MEMORY_NORMAL, "memory pressure");
        return G_SOURCE_REMOVE;
    }
    Publish(LOW_MEMORY_KEY, level, "memory pressure");
    return G_SOURCE_CONTINUE;
}

void WarnMemory(int level)
{
    Publish(LOW_MEMORY_KEY, level, "memory pressure");
    // Triggers only speak when pressure rises; its fall is seen by looking again.
    if (!gEvents.pressureRecheck)
        gEvents.pressureRecheck =
            pelorn_timer_add_seconds(PSI_RECHECK_SECONDS, PressureRecheckTimerCb, nullptr);
}

gboolean PressureTriggeredCb(gint fd, GIOCondition condition, gpointer data)
{
    PressureTrigger* trigger = static_cast<PressureTrigger*>(data);
    if (condition & G_IO_ERR)
    {
        // The pressure file went away (its cgroup was removed): nothing more will come.
        dlog_print(DLOG_ERROR, EVENTS_LOG_TAG, "memory pressure trigger closed");
        trigger->watch = 0;
        close(trigger->fd);
        trigger->fd = -1;
        return G_SOURCE_REMOVE;
    }
    WarnMemory(trigger == &gEvents.full ? MEMORY_HARD_WARNING : MEMORY_SOFT_WARNING);
    return G_SOURCE_CONTINUE;
}

bool ArmTrigger(PressureTrigger& trigger, const char* threshold)
{
    trigger.fd = open(gEvents.pressureFile.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (trigger.fd >= 0 && write(trigger.fd, threshold, strlen(threshold) + 1) > 0)
    {
        trigger.watch =
            g_unix_fd_add(trigger.fd, (GIOCondition)(G_IO_PRI | G_IO_ERR), PressureTriggeredCb, &trigger);
        return true;
    }
    dlog_print(DLOG_ERROR, EVENTS_LOG_TAG, "no memory pressure trigger on %s: %s",
               gEvents.pressureFile.c_str(), g_strerror(errno));
    if (trigger.fd >= 0)
        close(trigger.fd);
    trigger.fd = -1;
    return false;
}

} // namespace

void DisarmTrigger(PressureTrigger& trigger)
{
    if (trigger.watch)
        g_source_remove(trigger.watch);
    trigger.watch = 0;
    if (trigger.fd >= 0)
        close(trigger.fd);
    trigger.fd = -1;
}

void WatchMemoryPressure()
{
    const char* file = getenv("PELORN_MEMORY_PRESSURE_FILE");
    gEvents.pressureFile = file && *file ? file : PSI_MEMORY_FILE;
    int level = ReadPressureLevel();
    if (level == 0)
    {
        dlog_print(DLOG_ERROR, EVENTS_LOG_TAG, "no memory pressure information in %s",
                   gEvents.pressureFile.c_str());
        return;
    }
    if (level == MEMORY_NORMAL)
        Publish(LOW_MEMORY_KEY, level, "memory pressure");
    else
        WarnMemory(level);
    if (ArmTrigger(gEvents.some, PSI_SOME_TRIGGER))
        ArmTrigger(gEvents.full, PSI_FULL_TRIGGER);
}
} // namespace PelornSystemEvents
