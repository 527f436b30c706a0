#ifndef PELORN_PLATFORM_LOOP_TURN_H
#define PELORN_PLATFORM_LOOP_TURN_H

/* Between the main loop's wake-up and its next wait, work is in hand on the
 * loop's thread (a tap on its way to the phone): what can wait for the loop
 * to be idle again, such as waking the log's writer, is left until then. */

/* Whether the calling thread is the loop's, in a turn (mainloop.cpp). */
bool pelorn_loop_turn_running(void);
/* Called as the loop is about to wait: wakes the log's writer if a line
 * logged in the turn left it asleep (dlog.cpp). */
void pelorn_log_loop_waits(void);

#endif
