#ifndef PELORN_PLATFORM_QUENLOR_LOG_MANAGER_H
#define PELORN_PLATFORM_QUENLOR_LOG_MANAGER_H

#include "bundle.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The maker's usage-log client. Each inserted record becomes one line
 * appended to <state dir>/usage-log.txt:
 *   <UTC time>\t<uri>\t<key>=<value>\t<key>=<value>...
 * with the bundle's entries in insertion order, tabs, newlines and
 * backslashes in keys and values escaped C-style. The completion callback
 * runs later on the GLib main context with the request id. */

typedef enum
{
    QUENLOR_LOG_MANAGER_ERROR_NONE = 0,
    QUENLOR_LOG_MANAGER_ERROR_INVALID_PARAMETER = -22,
    QUENLOR_LOG_MANAGER_ERROR_OUT_OF_MEMORY = -12,
    QUENLOR_LOG_MANAGER_ERROR_IO_ERROR = -5,
} quenlor_log_manager_error_e;

#define QUENLOR_LOG_MANAGER_URI_PREFIX "content://com.quenlor.log.provider"

typedef struct quenlor_log_manager_s* quenlor_log_manager_h;
/* result: QUENLOR_LOG_MANAGER_ERROR_NONE, or the error of the write. */
typedef void (*quenlor_log_manager_insert_cb)(int request_id, const char* uri, int result, void* user_data);

int quenlor_log_manager_create(quenlor_log_manager_h* handle);
/* Pending completion callbacks are dropped. */
int quenlor_log_manager_destroy(quenlor_log_manager_h handle);
/* request_id (may be NULL) receives the id the callback will carry. */
int quenlor_log_manager_insert(quenlor_log_manager_h handle, const char* uri, bundle* data,
                               quenlor_log_manager_insert_cb cb, void* user_data, int* request_id);

/* Where the records go (for tests and the person reading them); free() it. */
char* quenlor_log_manager_get_store_path(void);

#ifdef __cplusplus
}
#endif

#endif
