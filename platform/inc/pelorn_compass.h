#ifndef PELORN_PLATFORM_COMPASS_H
#define PELORN_PLATFORM_COMPASS_H

/* The watch's compass, from the machine's sensor service (iio-sensor-proxy on
 * the system bus). Claimed on start and released on stop; headings reach the
 * callback at most ten times a second (the newest one wins, on the clock
 * seam). With no compass the heading is unknown (negative) and whoever shows
 * a direction shows it north-up. Main thread only; asynchronous bus calls
 * with a bounded time. */

#ifdef __cplusplus
extern "C" {
#endif

typedef struct pelorn_compass_s* pelorn_compass_h;

/* heading_deg: clockwise from north in [0, 360), or negative when unknown. */
typedef void (*pelorn_compass_heading_cb)(double heading_deg, void* user_data);

pelorn_compass_h pelorn_compass_create(pelorn_compass_heading_cb callback, void* user_data);
void pelorn_compass_destroy(pelorn_compass_h compass);
int pelorn_compass_start(pelorn_compass_h compass);
int pelorn_compass_stop(pelorn_compass_h compass);
/* The newest heading delivered, negative when unknown. */
double pelorn_compass_get_heading(pelorn_compass_h compass);

#ifdef __cplusplus
}
#endif

#endif
