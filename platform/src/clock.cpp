#include "pelorn_clock.h"

#include <map>
#include <stdlib.h>

namespace
{
struct ManualTimer
{
    gint64 due;
    guint interval;
    GSourceFunc func;
    gpointer data;
};

struct ManualClock
{
    bool manual = false;
    gint64 now = 0;
    // Manual wall time stands still between advances, as the monotonic time
    // does: a duration measured across an advance is the advance, however
    // long the test itself took to run.
    gint64 wallAtSet = 0;
    gint64 wallOffset = 0;
    guint nextId = 1u << 30; // far above GLib's source ids, so the two never meet
    std::map<guint, ManualTimer> timers;
};

ManualClock& Clock()
{
    static ManualClock clock;
    return clock;
}

guint SpeedFactor()
{
    static guint speed = 0;
    if (speed == 0)
    {
        const char* env = getenv("PELORN_CLOCK_SPEED");
        long value = env ? strtol(env, nullptr, 10) : 1;
        speed = value > 1 ? (guint)value : 1;
    }
    return speed;
}
} // namespace

guint pelorn_timer_add(guint interval_ms, GSourceFunc func, gpointer data)
{
    ManualClock& clock = Clock();
    if (clock.manual)
    {
        guint id = clock.nextId++;
        clock.timers[id] = ManualTimer{clock.now + interval_ms, interval_ms, func, data};
        return id;
    }
    guint scaled = interval_ms / SpeedFactor();
    if (scaled == 0 && interval_ms > 0)
        scaled = 1;
    return g_timeout_add(scaled, func, data);
}

guint pelorn_timer_add_seconds(guint seconds, GSourceFunc func, gpointer data)
{
    if (!Clock().manual && SpeedFactor() == 1)
        return g_timeout_add_seconds(seconds, func, data);
    return pelorn_timer_add(seconds * 1000u, func, data);
}

gboolean pelorn_timer_remove(guint id)
{
    if (id == 0)
        return FALSE;
    ManualClock& clock = Clock();
    auto it = clock.timers.find(id);
    if (it != clock.timers.end())
    {
        clock.timers.erase(it);
        return TRUE;
    }
    GSource* source = g_main_context_find_source_by_id(nullptr, id);
    if (!source)
        return FALSE;
    g_source_destroy(source);
    return TRUE;
}

gint64 pelorn_clock_now_ms(void)
{
    ManualClock& clock = Clock();
    if (clock.manual)
        return clock.now;
    return g_get_monotonic_time() / 1000 * SpeedFactor();
}

gint64 pelorn_clock_wall_ms(void)
{
    const ManualClock& clock = Clock();
    if (clock.manual)
        return clock.wallAtSet + clock.wallOffset;
    return g_get_real_time() / 1000;
}

void pelorn_clock_set_manual(gboolean manual)
{
    ManualClock& clock = Clock();
    clock.manual = manual;
    clock.timers.clear();
    clock.now = g_get_monotonic_time() / 1000;
    clock.wallAtSet = g_get_real_time() / 1000;
    clock.wallOffset = 0;
}

gboolean pelorn_clock_is_manual(void)
{
    return Clock().manual;
}

void pelorn_clock_advance_ms(guint64 ms)
{
    ManualClock& clock = Clock();
    const gint64 target = clock.now + (gint64)ms;
    for (;;)
    {
        auto next = clock.timers.end();
        for (auto it = clock.timers.begin(); it != clock.timers.end(); ++it)
            if (it->second.due <= target && (next == clock.timers.end() || it->second.due < next->second.due))
                next = it;
        if (next == clock.timers.end())
            break;

        const guint id = next->first;
        const ManualTimer timer = next->second;
        clock.wallOffset += timer.due - clock.now;
        clock.now = timer.due;
        // The callback may remove this timer or add others; look it up again afterwards.
        const gboolean again = timer.func(timer.data);
        auto self = clock.timers.find(id);
        if (self == clock.timers.end())
            continue;
        if (again)
            self->second.due = clock.now + (timer.interval > 0 ? timer.interval : 1);
        else
            clock.timers.erase(self);
    }
    clock.wallOffset += target - clock.now;
    clock.now = target;
}

guint pelorn_clock_pending(void)
{
    return (guint)Clock().timers.size();
}
