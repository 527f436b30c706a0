#ifndef PELORN_PLATFORM_APP_PREFERENCE_H
#define PELORN_PLATFORM_APP_PREFERENCE_H

#include <stdbool.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The application's own preference store: one GKeyFile per application id in
 * <state dir>/preferences/<app id>.ini, saved by atomic replace. */

typedef enum
{
    PREFERENCE_ERROR_NONE = 0,
    PREFERENCE_ERROR_INVALID_PARAMETER = -22,
    PREFERENCE_ERROR_OUT_OF_MEMORY = -12,
    PREFERENCE_ERROR_NO_KEY = (int)0xFEF00030,
    PREFERENCE_ERROR_IO_ERROR = -5,
} preference_error_e;

int preference_set_int(const char* key, int value);
int preference_get_int(const char* key, int* value);
int preference_set_double(const char* key, double value);
int preference_get_double(const char* key, double* value);
int preference_set_string(const char* key, const char* value);
/* *value is newly allocated (free() it). */
int preference_get_string(const char* key, char** value);
int preference_set_boolean(const char* key, bool value);
int preference_get_boolean(const char* key, bool* value);
int preference_remove(const char* key);
int preference_is_existing(const char* key, bool* existing);
int preference_remove_all(void);

#ifdef __cplusplus
}
#endif

#endif
