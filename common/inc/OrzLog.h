#ifndef ORZ_COMMON_LOG_H
#define ORZ_COMMON_LOG_H

#include <dlog.h>
#include <string.h>

/* Each library sets its tag at build time: "pelorn-p" for the application,
 * "pelorn-c" for the common utilities, "pelorn-UI" for the UI framework. */
#ifndef ORZ_LOG_TAG
#define ORZ_LOG_TAG "pelorn-p"
#endif

#define ORZ_LOG_COLOR_START "\033[0;40;31m"
#define ORZ_LOG_COLOR_END "\033[0;m"

#define ORZ_FILE_NAME (strrchr(__FILE__, '/') ? strrchr(__FILE__, '/') + 1 : __FILE__)

#define ORZ_LOG_WITH_TAG(tag, fmt, ...)                                                                     \
    dlog_print(DLOG_ERROR, tag, "%s: %s(%d) > " ORZ_LOG_COLOR_START fmt ORZ_LOG_COLOR_END, ORZ_FILE_NAME, \
               __func__, __LINE__, ##__VA_ARGS__)

#define LOGE(fmt, ...) ORZ_LOG_WITH_TAG(ORZ_LOG_TAG, fmt, ##__VA_ARGS__)

/* Precondition checks: log "[func(): line] (condition) [return]" and leave. */
#define RET_IF(cond)                                                                                        \
    do                                                                                                      \
    {                                                                                                       \
        if (cond)                                                                                           \
        {                                                                                                   \
            LOGE("[%s(): %d] (%s) [return]", __func__, __LINE__, #cond);                                    \
            return;                                                                                         \
        }                                                                                                   \
    } while (0)

#define RETV_IF(cond, val)                                                                                  \
    do                                                                                                      \
    {                                                                                                       \
        if (cond)                                                                                           \
        {                                                                                                   \
            LOGE("[%s(): %d] (%s) [return]", __func__, __LINE__, #cond);                                    \
            return (val);                                                                                   \
        }                                                                                                   \
    } while (0)

/* Inside a loop or an animator. */
#define BREAK_IF(cond)                                                                                      \
    if (cond)                                                                                               \
    {                                                                                                       \
        LOGE("[%s(): %d] (%s) [break]", __func__, __LINE__, #cond);                                         \
        break;                                                                                              \
    }

/* The third form: a free message in place of the condition's text. */
#define RETM_IF(cond, msg)                                                                                  \
    do                                                                                                      \
    {                                                                                                       \
        if (cond)                                                                                           \
        {                                                                                                   \
            LOGE("[%s(): %d] (%s) [return]", __func__, __LINE__, msg);                                      \
            return;                                                                                         \
        }                                                                                                   \
    } while (0)

#define RETVM_IF(cond, val, msg)                                                                            \
    do                                                                                                      \
    {                                                                                                       \
        if (cond)                                                                                           \
        {                                                                                                   \
            LOGE("[%s(): %d] (%s) [return]", __func__, __LINE__, msg);                                      \
            return (val);                                                                                   \
        }                                                                                                   \
    } while (0)

#endif
