#ifndef PELORN_PLATFORM_APP_MANAGER_H
#define PELORN_PLATFORM_APP_MANAGER_H

#include <stdbool.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum
{
    APP_MANAGER_ERROR_NONE = 0,
    APP_MANAGER_ERROR_INVALID_PARAMETER = -22,
    APP_MANAGER_ERROR_OUT_OF_MEMORY = -12,
    APP_MANAGER_ERROR_IO_ERROR = -5,
    APP_MANAGER_ERROR_NO_SUCH_APP = -0x01110000 | 0x01,
} app_manager_error_e;

/* An application id is running while some process holds an exclusive flock on
 * <runtime dir>/apps/<app id>.lock (see pelorn_app_lock.h). */
int app_manager_is_running(const char* app_id, bool* running);

/* <resource dir>/shared/, with a trailing slash: every program of this
 * installation belongs to one package and shares one resource tree. */
int app_manager_get_shared_resource_path(const char* app_id, char** path);

/* <state dir>/apps/<app id>/shared/data/, with a trailing slash, created on
 * demand. */
int app_manager_get_shared_data_path(const char* app_id, char** path);

#ifdef __cplusplus
}
#endif

#endif
