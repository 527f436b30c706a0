#ifndef PELORN_PLATFORM_PATHS_H
#define PELORN_PLATFORM_PATHS_H

#ifdef __cplusplus
extern "C" {
#endif

/* Exit status of a program whose state or runtime folder is not safely its own. */
#define PELORN_PATHS_REFUSED_STATUS 78

/* Persistent state: "db/" settings keys, preferences, usage log, log file.
 * PELORN_STATE_DIR, else <build dir>/run-state for a program at the top of a
 * build tree (where ./scripts/run keeps it), else $XDG_STATE_HOME/pelorn,
 * else ~/.local/state/pelorn. Created on first use. The returned string is
 * owned by the platform.
 * Both folders must be private (see pelorn_make_private_dir); when one is
 * not, the program says so on stderr and ends with
 * PELORN_PATHS_REFUSED_STATUS rather than use it. */
const char* pelorn_state_dir(void);

/* Volatile state: "memory/" settings keys, the accessory socket, the
 * single-instance socket. PELORN_RUNTIME_DIR, else <build dir>/run-runtime
 * for a program at the top of a build tree, else $XDG_RUNTIME_DIR/pelorn,
 * else pelorn-<uid> in the temporary folder ($TMPDIR or /tmp). Created on
 * first use. */
const char* pelorn_runtime_dir(void);

/* Creates the folder (and missing parents) mode 0700, then checks what stands
 * there: a real folder, not a symbolic link, owned by this account, writable
 * by nobody else, below folders that only this account or root can change
 * (or sticky ones). A folder of ours that others may only read is made 0700.
 * Answers 0, or -1 with the reason in *why (g_free it) when why is given. */
int pelorn_make_private_dir(const char* path, char** why);

/* Forgets the cached directories so that a changed environment is read again
 * (tests point each case at fresh folders). */
void pelorn_paths_reset(void);
/* How many times the folders were forgotten: whoever keeps a file open in
 * them (the log) opens it again when this changes. */
unsigned pelorn_paths_generation(void);

/* The application id the process runs as ("com.quenlor.pelorn" unless
 * PELORN_APP_ID says otherwise); preferences are kept per application id. */
const char* pelorn_app_id(void);

#ifdef __cplusplus
}
#endif

#endif
