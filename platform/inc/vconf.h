#ifndef PELORN_PLATFORM_VCONF_H
#define PELORN_PLATFORM_VCONF_H

#ifdef __cplusplus
extern "C" {
#endif

/* The platform's key-value settings store. Each key is one file: "db/..."
 * keys under <state dir>/vconf/, "memory/..." keys under <runtime dir>/vconf/,
 * the key's slashes making sub-folders. A file holds one line "<type>:<value>"
 * with type i, b, s or d. Writes replace the file atomically; change
 * notifications come from the file system (inotify through GFileMonitor), so
 * a change made by any process is heard, on the GLib default main context. */

#define VCONF_OK 0
#define VCONF_ERROR -1
#define VCONF_ERROR_WRONG_PREFIX -2
#define VCONF_ERROR_WRONG_TYPE -3
#define VCONF_ERROR_WRONG_VALUE -4
#define VCONF_ERROR_NOT_INITIALIZED -5
#define VCONF_ERROR_NO_MEM -6
#define VCONF_ERROR_FILE_PERM -11
#define VCONF_ERROR_FILE_BUSY -12
#define VCONF_ERROR_FILE_NO_MEM -13
#define VCONF_ERROR_FILE_NO_ENT -14
#define VCONF_ERROR_FILE_OPEN -21
#define VCONF_ERROR_FILE_FREAD -22
#define VCONF_ERROR_FILE_FGETS -23
#define VCONF_ERROR_FILE_WRITE -24
#define VCONF_ERROR_FILE_SYNC -25
#define VCONF_ERROR_FILE_CLOSE -26
#define VCONF_ERROR_FILE_ACCESS -27
#define VCONF_ERROR_FILE_LOCK -28

enum get_option_t
{
    VCONF_GET_KEY = 0,
    VCONF_GET_ALL,
    VCONF_GET_DIR,
};

#define VCONF_TYPE_NONE 0
#define VCONF_TYPE_STRING 40
#define VCONF_TYPE_INT 41
#define VCONF_TYPE_DOUBLE 42
#define VCONF_TYPE_BOOL 43
#define VCONF_TYPE_DIR 44

typedef struct _keynode_t keynode_t;
typedef void (*vconf_callback_fn)(keynode_t* node, void* user_data);

int vconf_set_int(const char* in_key, const int intval);
int vconf_set_bool(const char* in_key, const int boolval);
int vconf_set_dbl(const char* in_key, const double dblval);
int vconf_set_str(const char* in_key, const char* strval);

/* Return VCONF_OK, or VCONF_ERROR for a missing, unreadable or corrupt key.
 * An int key reads as a bool (non-zero is 1) and a bool key as an int. */
int vconf_get_int(const char* in_key, int* intval);
int vconf_get_bool(const char* in_key, int* boolval);
int vconf_get_dbl(const char* in_key, double* dblval);
/* A newly allocated copy (free() it), or NULL when the key cannot be read. */
char* vconf_get_str(const char* in_key);
/* Type of the stored value, VCONF_TYPE_NONE when unreadable. */
int vconf_get_type(const char* in_key);

/* Removes the key; its watchers hear of it as a change with type NONE. */
int vconf_unset(const char* in_key);

int vconf_notify_key_changed(const char* in_key, vconf_callback_fn cb, void* user_data);
int vconf_ignore_key_changed(const char* in_key, vconf_callback_fn cb);

const char* vconf_keynode_get_name(keynode_t* keynode);
int vconf_keynode_get_type(keynode_t* keynode);
int vconf_keynode_get_int(keynode_t* keynode);
int vconf_keynode_get_bool(keynode_t* keynode);
double vconf_keynode_get_dbl(keynode_t* keynode);
/* Owned by the node: valid during the callback only. */
char* vconf_keynode_get_str(keynode_t* keynode);

#ifdef __cplusplus
}
#endif

#endif
