#ifndef PELORN_PLATFORM_MAINLOOP_H
#define PELORN_PLATFORM_MAINLOOP_H

#ifdef __cplusplus
extern "C" {
#endif

/* Debian's ecore is built without GLib support, yet the application relies on
 * GLib sources (timeouts, I/O watches, file monitors, GDBus) running on the
 * toolkit's loop. This hooks the GLib default context into ecore's select
 * step. Call once after elm_init/ecore_init; calling again does nothing. */
void pelorn_mainloop_integrate_glib(void);

/* Called with 1 just before the integrated loop blocks waiting for work and
 * with 0 as soon as it wakes (before GLib's sources are dispatched), on the
 * main thread. Everything between a 0 and the next 1 is one busy stretch of
 * the loop: what bench/frame_stall measures. NULL removes the observer. */
typedef void (*pelorn_mainloop_wait_cb)(int waiting, void* data);
void pelorn_mainloop_set_wait_observer(pelorn_mainloop_wait_cb cb, void* data);

#ifdef __cplusplus
}
#endif

#endif
