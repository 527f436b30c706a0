#ifndef PELORN_PLATFORM_PREFERENCE_BATCH_H
#define PELORN_PLATFORM_PREFERENCE_BATCH_H

#ifdef __cplusplus
extern "C" {
#endif

/* Values that belong together reach the preference file as one write: the
 * sets between begin and commit change only the values in memory, and the
 * commit writes the file once, renamed into place. A crash before the rename
 * leaves every one of them as it was. */
void pelorn_preference_batch_begin(void);
int pelorn_preference_batch_commit(void);

/* While the application's main loop runs, a set changes the values in memory
 * and returns: the file is written (synced, renamed into place) on a thread
 * of its own, the latest values at a time, so that a slow disk never holds up
 * a frame. A set into a folder that cannot be written is refused at once, as
 * before; a write that fails later is logged and its values forgotten (the
 * next read is the file again). Turning it off waits for what is pending to
 * be on disk. Off (each set on disk when it returns) by default. */
void pelorn_preference_write_behind(int on);

/* For a test that kills a writer at a chosen moment: called at each step of
 * every file write ("created", "half-written", "written", "renamed"). */
typedef void (*pelorn_preference_step_cb)(const char* step);
void pelorn_preference_set_step_observer(pelorn_preference_step_cb observer);

#ifdef __cplusplus
}
#endif

#endif
