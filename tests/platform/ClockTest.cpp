#include "pelorn_clock.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <string>

namespace
{
struct Recorder
{
    std::string fired;
    char name;
    int repeatsLeft = 0;
};

gboolean RecordTimerCb(gpointer data)
{
    Recorder* r = static_cast<Recorder*>(data);
    r->fired.push_back(r->name);
    return r->repeatsLeft-- > 0 ? TRUE : FALSE;
}

class ManualClockTest : public ::testing::Test
{
protected:
    void SetUp() override { pelorn_clock_set_manual(TRUE); }
    void TearDown() override { pelorn_clock_set_manual(FALSE); }
};
} // namespace

TEST_F(ManualClockTest, FiresInDueOrderAndOnlyWhenDue)
{
    std::string order;
    Recorder late{"", 'L'}, early{"", 'E'};
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
}

TEST_F(ManualClockTest, RepeatingTimerRearmsAndRemoveStopsIt)
{
    Recorder r{"", 'R', 100};
    guint id = pelorn_timer_add(1000, RecordTimerCb, &r);
    pelorn_clock_advance_ms(3500);
    EXPECT_EQ(r.fired, "RRR");
    EXPECT_TRUE(pelorn_timer_remove(id));
    EXPECT_FALSE(pelorn_timer_remove(id));
    pelorn_clock_advance_ms(5000);
    EXPECT_EQ(r.fired, "RRR");
}

TEST_F(ManualClockTest, NowAndWallMoveWithAdvance)
{
    gint64 now = pelorn_clock_now_ms();
    gint64 wall = pelorn_clock_wall_ms();
    pelorn_clock_advance_ms(90000);
    EXPECT_EQ(pelorn_clock_now_ms() - now, 90000);
    // Both clocks stand still between advances, however slow the machine.
    EXPECT_EQ(pelorn_clock_wall_ms() - wall, 90000);
    g_usleep(2000);
    EXPECT_EQ(pelorn_clock_wall_ms() - wall, 90000);
}
