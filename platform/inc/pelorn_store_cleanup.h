#ifndef PELORN_PLATFORM_STORE_CLEANUP_H
#define PELORN_PLATFORM_STORE_CLEANUP_H

#ifdef __cplusplus
extern "C" {
#endif

/* A writer killed between writing its temporary file and renaming it into
 * place leaves the temporary file behind for good. Run at start-up: removes
 * the settings store's temporary files whose writer is gone (or that are
 * older than any write takes) and answers how many went. */
int pelorn_settings_clean_stale(void);

/* The same for the preference files: temporary files beside this
 * application's own file (only its one running instance writes it), and
 * those of other applications once older than any write takes. */
int pelorn_preference_clean_stale(void);

#ifdef __cplusplus
}
#endif

#endif
