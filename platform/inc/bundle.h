#ifndef PELORN_PLATFORM_BUNDLE_H
#define PELORN_PLATFORM_BUNDLE_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A small ordered string map handed between the application and platform
 * services (launch extras, usage-log records). Keys keep insertion order. */

typedef enum
{
    BUNDLE_ERROR_NONE = 0,
    BUNDLE_ERROR_OUT_OF_MEMORY = -12,
    BUNDLE_ERROR_INVALID_PARAMETER = -22,
    BUNDLE_ERROR_KEY_NOT_AVAILABLE = -126,
    BUNDLE_ERROR_KEY_EXISTS = -17,
} bundle_error_e;

#define BUNDLE_TYPE_STR 1

typedef struct _bundle_t bundle;
typedef void (*bundle_iterate_str_cb)(const char* key, const char* value, void* user_data);

bundle* bundle_create(void);
int bundle_free(bundle* b);
bundle* bundle_dup(bundle* b);
/* Fails with BUNDLE_ERROR_KEY_EXISTS when the key is present. */
int bundle_add_str(bundle* b, const char* key, const char* str);
/* *str points into the bundle: valid until the entry is removed or the bundle freed. */
int bundle_get_str(bundle* b, const char* key, char** str);
int bundle_del(bundle* b, const char* key);
int bundle_get_count(bundle* b);
/* Calls cb for every entry in insertion order. */
void bundle_iterate_str(bundle* b, bundle_iterate_str_cb cb, void* user_data);

#ifdef __cplusplus
}
#endif

#endif
