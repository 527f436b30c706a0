#ifndef PELORN_PLATFORM_APP_LOCK_H
#define PELORN_PLATFORM_APP_LOCK_H

#ifdef __cplusplus
extern "C" {
#endif

/* Marks the calling process as the running instance of app_id for
 * app_manager_is_running: takes an exclusive flock on
 * <runtime dir>/apps/<app id>.lock and keeps it until the process ends (the
 * kernel drops it even on SIGKILL). Returns 0, or -1 when the file cannot be
 * opened or another process already holds the lock. Calling it again for an
 * id this process holds returns 0. */
int pelorn_app_hold_running_lock(const char* app_id);

/* Gives the lock up early (tests, programs that stop being "running"). */
void pelorn_app_release_running_lock(const char* app_id);

#ifdef __cplusplus
}
#endif

#endif
