#ifndef PELORN_PLATFORM_DEVICE_POWER_H
#define PELORN_PLATFORM_DEVICE_POWER_H

#include <stdbool.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Display power. A wake-up sets the settings key "memory/pm/state" (1 normal,
 * 2 dim) and a display lock is published as "memory/pm/display_lock" (1 while
 * held by this process), so other programs and `vconftool` see them; every
 * request is also logged (tag "power") and readable through pelorn_feedback.h.
 * While the display lock is held the desktop is kept from blanking: the
 * session's org.freedesktop.ScreenSaver is inhibited, or where there is none,
 * logind's "idle" inhibitor lock is taken on the system bus. Both calls go out
 * without blocking the caller; nothing to inhibit with is logged once. */

typedef enum
{
    DEVICE_ERROR_NONE = 0,
    DEVICE_ERROR_OPERATION_FAILED = -1,
    DEVICE_ERROR_INVALID_PARAMETER = -22,
    DEVICE_ERROR_NOT_SUPPORTED = -1073741822,
} device_error_e;

typedef enum
{
    POWER_LOCK_CPU,
    POWER_LOCK_DISPLAY,
    POWER_LOCK_DISPLAY_DIM,
} power_lock_e;

/* timeout_ms 0: held until released. */
int device_power_request_lock(power_lock_e type, int timeout_ms);
int device_power_release_lock(power_lock_e type);
int device_power_wakeup(bool dim);

#ifdef __cplusplus
}
#endif

#endif
