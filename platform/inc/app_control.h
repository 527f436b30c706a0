#ifndef PELORN_PLATFORM_APP_CONTROL_H
#define PELORN_PLATFORM_APP_CONTROL_H

#include <stdbool.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Launch requests between applications.
 *
 * app_control_send_launch_request starts the program named after the target
 * application id (looked up in $PELORN_APPS_DIR, then beside the running
 * executable, then in the program's own helper folder: <prefix>/libexec/pelorn
 * when installed, the top of the build tree when run from it) as its own
 * process, with the
 * extra data on its command line ("--extra=KEY=VALUE") and PELORN_APP_ID set
 * to the target id. When the target already runs, its framework forwards the
 * request to the running process (see app.h).
 *
 * With a reply callback, the launcher listens on a unix socket in
 * "<runtime dir>/replies/" and passes its path; the target's framework
 * connects to it as soon as it takes the request. The target answers with
 * app_control_reply_to_launch_request; the reply (its extra data and the
 * result) reaches the callback on the launcher's main loop. A target that
 * ends, or drops every copy of the request, without answering is reported
 * as APP_CONTROL_RESULT_CANCELED with an empty reply. */

typedef struct app_control_s* app_control_h;

typedef enum
{
    APP_CONTROL_ERROR_NONE = 0,
    APP_CONTROL_ERROR_INVALID_PARAMETER = -22,
    APP_CONTROL_ERROR_OUT_OF_MEMORY = -12,
    APP_CONTROL_ERROR_APP_NOT_FOUND = -0x01100000 | 0x21,
    APP_CONTROL_ERROR_KEY_NOT_FOUND = -126,
    APP_CONTROL_ERROR_KEY_REJECTED = -0x01100000 | 0x23,
    APP_CONTROL_ERROR_INVALID_DATA_TYPE = -0x01100000 | 0x24,
    APP_CONTROL_ERROR_LAUNCH_REJECTED = -0x01100000 | 0x26,
    APP_CONTROL_ERROR_PERMISSION_DENIED = -13,
    APP_CONTROL_ERROR_LAUNCH_FAILED = -0x01100000 | 0x27,
    APP_CONTROL_ERROR_TIMED_OUT = -0x01100000 | 0x28,
    APP_CONTROL_ERROR_IO_ERROR = -5,
} app_control_error_e;

typedef enum
{
    APP_CONTROL_RESULT_APP_STARTED = 1,
    APP_CONTROL_RESULT_SUCCEEDED = 0,
    APP_CONTROL_RESULT_FAILED = -1,
    APP_CONTROL_RESULT_CANCELED = -2,
} app_control_result_e;

typedef void (*app_control_reply_cb)(app_control_h request, app_control_h reply, app_control_result_e result,
                                     void* user_data);

int app_control_create(app_control_h* app_control);
int app_control_destroy(app_control_h app_control);
int app_control_clone(app_control_h* clone, app_control_h app_control);

int app_control_set_app_id(app_control_h app_control, const char* app_id);
/* *app_id newly allocated (free() it). */
int app_control_get_app_id(app_control_h app_control, char** app_id);

/* A key added again replaces its value. Keys starting with "__" are the
 * framework's own and rejected. */
int app_control_add_extra_data(app_control_h app_control, const char* key, const char* value);
/* *value newly allocated (free() it); APP_CONTROL_ERROR_KEY_NOT_FOUND when absent. */
int app_control_get_extra_data(app_control_h app_control, const char* key, char** value);
int app_control_remove_extra_data(app_control_h app_control, const char* key);

typedef bool (*app_control_extra_data_cb)(app_control_h app_control, const char* key, void* user_data);
int app_control_foreach_extra_data(app_control_h app_control, app_control_extra_data_cb callback, void* user_data);

int app_control_send_launch_request(app_control_h app_control, app_control_reply_cb callback, void* user_data);

/* Ends the application a launch request with a reply callback started, while
 * it has not answered (a question that no longer applies): it is asked to end,
 * and the launcher hears "no answer" as it goes. */
int app_control_send_terminate_request(app_control_h app_control);

/* Answers a request that asked for a reply; a request is answered once. */
int app_control_reply_to_launch_request(app_control_h reply, app_control_h request, app_control_result_e result);

#ifdef __cplusplus
}
#endif

#endif
