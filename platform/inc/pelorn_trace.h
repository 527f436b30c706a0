#ifndef PELORN_PLATFORM_TRACE_H
#define PELORN_PLATFORM_TRACE_H

#ifdef __cplusplus
extern "C" {
#endif

/* With PELORN_TRACE_STARTUP=1 in the environment, each mark prints one line
 * to stderr, "startup: +T ms (+D) WHAT": T counted from the process's start
 * as the kernel records it (in clock ticks, so to 10 ms), D since the previous
 * mark. The mark "first frame" ends the timeline; later marks print nothing.
 * Without the variable a mark costs one flag test. */
void pelorn_trace_startup(const char* what);

#ifdef __cplusplus
}
#endif

#endif
