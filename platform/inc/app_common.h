#ifndef PELORN_PLATFORM_APP_COMMON_H
#define PELORN_PLATFORM_APP_COMMON_H

#ifdef __cplusplus
extern "C" {
#endif

typedef enum
{
    APP_ERROR_NONE = 0,
    APP_ERROR_INVALID_PARAMETER = -22,
    APP_ERROR_OUT_OF_MEMORY = -12,
    APP_ERROR_IO_ERROR = -5,
} app_error_e;

/* The application's resource folder, without a trailing slash: PELORN_RES_DIR
 * when set, else the program's own data folder (pelorn_install.h). NULL when
 * that folder does not exist.
 * Newly allocated (free() it). */
char* app_get_resource_path(void);

/* The application's private data folder, <state dir>/apps/<app id>/data,
 * created on demand; no trailing slash. NULL when it cannot be created. */
char* app_get_data_path(void);

/* The application id the process runs as (PELORN_APP_ID or "com.quenlor.pelorn"). */
int app_get_id(char** id);

#ifdef __cplusplus
}
#endif

#endif
