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

#ifdef __cplusplus
}
#endif

#endif
