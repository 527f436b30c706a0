#ifndef PELORN_PLATFORM_DLOG_H
#define PELORN_PLATFORM_DLOG_H

#include <stdarg.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum
{
    DLOG_UNKNOWN = 0,
    DLOG_DEFAULT,
    DLOG_VERBOSE,
    DLOG_DEBUG,
    DLOG_INFO,
    DLOG_WARN,
    DLOG_ERROR,
    DLOG_FATAL,
    DLOG_SILENT,
} log_priority;

#define DLOG_ERROR_NONE 0
#define DLOG_ERROR_INVALID_PARAMETER -22

/* Writes one line "<P>/<tag>: <text>" to stderr (unless PELORN_LOG_STDERR=0) and
 * appends it to "pelorn.log" in the state directory. */
int dlog_print(log_priority prio, const char* tag, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
int dlog_vprint(log_priority prio, const char* tag, const char* fmt, va_list ap);

#ifdef __cplusplus
}
#endif

#endif
