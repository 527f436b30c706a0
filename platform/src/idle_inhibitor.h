#ifndef PELORN_PLATFORM_IDLE_INHIBITOR_H
#define PELORN_PLATFORM_IDLE_INHIBITOR_H

/* Keeps the desktop from blanking the screen while the display lock is held:
 * the session's org.freedesktop.ScreenSaver Inhibit where a screensaver
 * answers, else logind's "idle" inhibitor lock on the system bus. Calls go
 * out without waiting; a release that comes before the answer gives the
 * inhibition back as soon as it arrives. Nothing to inhibit with is logged
 * once. Main thread only. */
void pelorn_idle_inhibit_take(void);
void pelorn_idle_inhibit_release(void);

#endif
