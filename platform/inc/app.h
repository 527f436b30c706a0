#ifndef PELORN_PLATFORM_APP_H
#define PELORN_PLATFORM_APP_H

#include <Elementary.h>
#include <stdbool.h>

#include "app_common.h"
#include "app_control.h"
#include "app_preinitialized.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The native application framework: one process per application id, driven
 * by elementary's main loop.
 *
 * ui_app_main runs: create, then the launch request (app control) built from
 * the command line, then resume. The first window the application shows
 * during create is its main window, sized to the watch's 360x360 screen.
 * The application is paused when that window is iconified, withdrawn, hidden
 * or lowered, and resumed when it comes back or when a new
 * launch request arrives while it is in the background. The loop ends on
 * ui_app_exit/elm_exit, on SIGTERM/SIGINT, or when the last window is closed;
 * then pause (when running) and terminate are called.
 *
 * Single instance: while an application runs, a second start of the same
 * application id hands its launch request to the running process over a unix
 * socket "<runtime dir>/apps/<app id>.launch" and returns at once without
 * calling any callback. The running process gets it as app control (and
 * resume when it was paused).
 *
 * Command line → launch request extra data: "--extra=KEY=VALUE" adds KEY;
 * "--launch-searching" is short for "--extra=launchSearching=true". The
 * launcher of app_control_send_launch_request adds "--reply-socket=PATH". */

typedef bool (*app_create_cb)(void* user_data);
typedef void (*app_pause_cb)(void* user_data);
typedef void (*app_resume_cb)(void* user_data);
typedef void (*app_terminate_cb)(void* user_data);
typedef void (*app_control_cb)(app_control_h app_control, void* user_data);

typedef struct
{
    app_create_cb create;
    app_terminate_cb terminate;
    app_pause_cb pause;
    app_resume_cb resume;
    app_control_cb app_control;
} ui_app_lifecycle_callback_s;

/* Application events and where they come from on this machine:
 * - LANGUAGE_CHANGED: the settings key "db/menu_widget/language" changes;
 * - REGION_FORMAT_CHANGED: the settings key "db/menu_widget/regionformat" changes;
 * - LOW_BATTERY: "memory/sysman/battery_status_low" turns 1 (power off) or
 *   2 (critically low), as the power manager writes it (`desktop-bridge`,
 *   from UPower);
 * - LOW_MEMORY: "memory/sysman/low_memory" turns 2 (soft warning) or more,
 *   as the memory monitor writes it (`desktop-bridge`, from PSI). */
typedef enum
{
    APP_EVENT_LOW_MEMORY = 0,
    APP_EVENT_LOW_BATTERY,
    APP_EVENT_LANGUAGE_CHANGED,
    APP_EVENT_DEVICE_ORIENTATION_CHANGED,
    APP_EVENT_REGION_FORMAT_CHANGED,
    APP_EVENT_SUSPENDED_STATE_CHANGED,
} app_event_type_e;

typedef enum
{
    APP_EVENT_LOW_MEMORY_NORMAL = 0x01,
    APP_EVENT_LOW_MEMORY_SOFT_WARNING = 0x02,
    APP_EVENT_LOW_MEMORY_HARD_WARNING = 0x04,
} app_event_low_memory_status_e;

typedef enum
{
    APP_EVENT_LOW_BATTERY_POWER_OFF = 1,
    APP_EVENT_LOW_BATTERY_CRITICAL_LOW = 2,
} app_event_low_battery_status_e;

typedef struct app_event_handler_s* app_event_handler_h;
typedef struct app_event_info_s* app_event_info_h;
typedef void (*app_event_cb)(app_event_info_h event_info, void* user_data);

int ui_app_main(int argc, char** argv, ui_app_lifecycle_callback_s* callback, void* user_data);
/* Ends the loop started by ui_app_main. */
void ui_app_exit(void);

int ui_app_add_event_handler(app_event_handler_h* event_handler, app_event_type_e event_type,
                             app_event_cb callback, void* user_data);
int ui_app_remove_event_handler(app_event_handler_h event_handler);

/* *lang / *region newly allocated (free() it). */
int app_event_get_language(app_event_info_h event_info, char** lang);
int app_event_get_region_format(app_event_info_h event_info, char** region);
int app_event_get_low_memory_status(app_event_info_h event_info, app_event_low_memory_status_e* status);
int app_event_get_low_battery_status(app_event_info_h event_info, app_event_low_battery_status_e* status);

#ifdef __cplusplus
}
#endif

#endif
