#ifndef PELORN_PLATFORM_CLOCK_H
#define PELORN_PLATFORM_CLOCK_H

#include <glib.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Every timer the application starts goes through this seam.
 *
 * Production: the timers are GLib timeout sources on the default main
 * context, so the ids are real source ids and the callback's result means
 * what it means for g_timeout_add (TRUE: fire again, FALSE: done).
 * PELORN_CLOCK_SPEED=N (an environment variable) makes every timer N times
 * shorter, so a separate process (the app under an end-to-end test) can live
 * through 180 s in a fraction of a second.
 *
 * Manual: a test calls pelorn_clock_set_manual(TRUE); from then on timers
 * fire only from pelorn_clock_advance_ms(), in due order, on the caller's
 * thread, and pelorn_clock_now_ms() moves only with it. */

guint pelorn_timer_add(guint interval_ms, GSourceFunc func, gpointer data);
guint pelorn_timer_add_seconds(guint seconds, GSourceFunc func, gpointer data);
/* Removes a pending timer; FALSE when the id is unknown (already fired). */
gboolean pelorn_timer_remove(guint id);

/* Monotonic milliseconds. */
gint64 pelorn_clock_now_ms(void);
/* Wall-clock milliseconds since the epoch (in manual mode, the real time when
 * manual mode began plus the advanced time, standing still in between). */
gint64 pelorn_clock_wall_ms(void);

void pelorn_clock_set_manual(gboolean manual);
gboolean pelorn_clock_is_manual(void);
/* Moves manual time forward, firing every timer that falls due, in order. */
void pelorn_clock_advance_ms(guint64 ms);
/* Number of timers pending in manual mode. */
guint pelorn_clock_pending(void);

#ifdef __cplusplus
}
#endif

#endif
