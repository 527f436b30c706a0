#ifndef PELORN_PLATFORM_LOCATION_H
#define PELORN_PLATFORM_LOCATION_H

#include <stdint.h>

/* The watch's own position, from the machine's location service (GeoClue2
 * on the system bus). Nothing runs until pelorn_location_start(); every bus
 * call is asynchronous with a bounded time, so the caller's loop never waits.
 * With no location service the handle turns PELORN_LOCATION_UNAVAILABLE and
 * the callback hears "no position" (fix NULL), logged once per process.
 * Main thread only; callbacks come on the GLib default context. */

#ifdef __cplusplus
extern "C" {
#endif

typedef struct
{
    double latitude;   /* degrees */
    double longitude;  /* degrees */
    double accuracy_m; /* radius of the likely area, metres */
    int64_t time_ms;   /* wall clock of the fix, ms since the epoch */
} pelorn_location_fix_s;

typedef enum
{
    PELORN_LOCATION_STOPPED = 0,
    PELORN_LOCATION_STARTING,
    PELORN_LOCATION_RUNNING,
    PELORN_LOCATION_UNAVAILABLE,
} pelorn_location_state_e;

typedef struct pelorn_location_s* pelorn_location_h;

/* Called once per fix; fix is NULL once when the service cannot give any. */
typedef void (*pelorn_location_fix_cb)(const pelorn_location_fix_s* fix, void* user_data);

/* desktop_id: who asks, as the location service's permission store knows it. */
pelorn_location_h pelorn_location_create(const char* desktop_id, pelorn_location_fix_cb callback, void* user_data);
/* Stops it first; replies still on their way are dropped. */
void pelorn_location_destroy(pelorn_location_h location);
/* 0, or -1 when location is NULL. A second start while running does nothing. */
int pelorn_location_start(pelorn_location_h location);
/* Releases the service; the last fix stays readable. */
int pelorn_location_stop(pelorn_location_h location);
pelorn_location_state_e pelorn_location_get_state(pelorn_location_h location);
/* 0 with the newest fix, -1 when none came since create. */
int pelorn_location_get_last_fix(pelorn_location_h location, pelorn_location_fix_s* fix);

#ifdef __cplusplus
}
#endif

#endif
