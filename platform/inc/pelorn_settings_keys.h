#ifndef PELORN_PLATFORM_SETTINGS_KEYS_H
#define PELORN_PLATFORM_SETTINGS_KEYS_H

#include <stddef.h>

/* The settings keys the watch's platform defines and the application reads,
 * each with the one type it has. The store refuses to write one of them with
 * another type and reads a file of another type as unreadable, so a value
 * typed by hand never passes for a state. */

#ifdef __cplusplus
extern "C" {
#endif

typedef struct
{
    const char* key;
    int type; /* VCONF_TYPE_* */
    const char* meaning;
    const char* example; /* a value to set; NULL: only the platform sets it */
} pelorn_settings_key_s;

/* The table, in the order a person reads it (db/ first). */
const pelorn_settings_key_s* pelorn_settings_keys(size_t* count);
/* The entry of key, or NULL for a key the platform does not define. */
const pelorn_settings_key_s* pelorn_settings_key_find(const char* key);
/* "int", "bool", "double", "string" (vconftool's -t words), or "none". */
const char* pelorn_settings_type_name(int type);

#ifdef __cplusplus
}
#endif

#endif
