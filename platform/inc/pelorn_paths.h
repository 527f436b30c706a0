#ifndef PELORN_PLATFORM_PATHS_H
#define PELORN_PLATFORM_PATHS_H

#ifdef __cplusplus
extern "C" {
#endif

/* Persistent state: "db/" settings keys, preferences, usage log, log file.
 * PELORN_STATE_DIR, else <build dir>/run-state for a program at the top of a
 * build tree (where ./scripts/run keeps it), else $XDG_STATE_HOME/pelorn,
 * else ~/.local/state/pelorn. Created on first use. The returned string is
 * owned by the platform. */
const char* pelorn_state_dir(void);

/* Volatile state: "memory/" settings keys, the accessory socket, the
 * single-instance socket. PELORN_RUNTIME_DIR, else <build dir>/run-runtime
 * for a program at the top of a build tree, else $XDG_RUNTIME_DIR/pelorn,
 * else /tmp/pelorn-<uid> (mode 0700). Created on first use. */
const char* pelorn_runtime_dir(void);

/* Forgets the cached directories so that a changed environment is read again
 * (tests point each case at fresh folders). */
void pelorn_paths_reset(void);

/* The application id the process runs as ("com.quenlor.pelorn" unless
 * PELORN_APP_ID says otherwise); preferences are kept per application id. */
const char* pelorn_app_id(void);

#ifdef __cplusplus
}
#endif

#endif
