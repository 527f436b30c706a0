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

/* For a test that kills a writer at a chosen moment: called at each step of
 * every file write ("created", "half-written", "written", "renamed"). */
typedef void (*pelorn_preference_step_cb)(const char* step);
void pelorn_preference_set_step_observer(pelorn_preference_step_cb observer);

#ifdef __cplusplus
}
#endif

#endif
