#include "TestEnvironment.h"
#include "pelorn_clock.h"

#include <glib.h>
#include <gtest/gtest.h>

namespace
{
struct TimerRecorder
{
    std::string fired;
    char name;
    int repeatsLeft = 0;
};

gboolean RecordTimerCb(gpointer data)
{
    TimerRecorder* r = static_cast<TimerRecorder*>(data);
    r->fired.push_back(r->name);
    return r->repeatsLeft-- > 0 ? TRUE : FALSE;
}
} // namespace

// Timers fire in due order, only when due and exactly at their moment; both
// clocks move with an advance and stand still between advances, however slow
// the machine; a repeating timer rearms until removed.
TEST(ManualClock, TimersFireWhenDueAndTimeMovesOnlyWithAdvance)
{
    pelorn_clock_set_manual(TRUE);
    const gint64 now = pelorn_clock_now_ms(), wall = pelorn_clock_wall_ms();
    TimerRecorder late{"", 'L'}, early{"", 'E'}, repeating{"", 'R', 100};
    pelorn_timer_add_seconds(180, RecordTimerCb, &late);
    pelorn_timer_add(200, RecordTimerCb, &early);
    pelorn_clock_advance_ms(199);
    EXPECT_EQ(early.fired, "");
    pelorn_clock_advance_ms(1);
    EXPECT_EQ(early.fired, "E");
    pelorn_clock_advance_ms(179798);
    EXPECT_EQ(late.fired, "");
    pelorn_clock_advance_ms(2);
    EXPECT_EQ(late.fired, "L");
    EXPECT_EQ(pelorn_clock_pending(), 0u);
    EXPECT_EQ(pelorn_clock_now_ms() - now, 180000);
    EXPECT_EQ(pelorn_clock_wall_ms() - wall, 180000);
    g_usleep(2000);
    EXPECT_EQ(pelorn_clock_wall_ms() - wall, 180000);

    guint id = pelorn_timer_add(1000, RecordTimerCb, &repeating);
    pelorn_clock_advance_ms(3500);
    EXPECT_EQ(repeating.fired, "RRR");
    EXPECT_TRUE(pelorn_timer_remove(id));
    EXPECT_FALSE(pelorn_timer_remove(id));
    pelorn_clock_advance_ms(5000);
    EXPECT_EQ(repeating.fired, "RRR");
    pelorn_clock_set_manual(FALSE);
}
