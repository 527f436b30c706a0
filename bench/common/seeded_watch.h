#ifndef PELORN_BENCH_SEEDED_WATCH_H
#define PELORN_BENCH_SEEDED_WATCH_H

#include "app_preference.h"
#include "pelorn_paths.h"
#include "vconf.h"

#include <glib.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>

/* A program built beside this bench (phone-sim, map-server, a floor). */
inline std::string PelornBenchProgram(const std::string& name)
{
    gchar* self = g_file_read_link("/proc/self/exe", nullptr);
    gchar* dir = self ? g_path_get_dirname(self) : g_strdup(".");
    const std::string path = std::string(dir) + "/" + name;
    g_free(dir);
    g_free(self);
    return path;
}

/* Asks a child to end (SIGTERM) and reaps it; one that is still there after
 * graceMs is killed. */
inline void PelornBenchEndChild(pid_t pid, int graceMs)
{
    kill(pid, SIGTERM);
    int status = 0;
    for (int waited = 0; waited < graceMs && waitpid(pid, &status, WNOHANG) == 0; waited += 10)
        g_usleep(10 * 1000);
    if (waitpid(pid, &status, WNOHANG) == 0)
    {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
}

/* Points this process (and the programs it starts) at a watch's folders under
 * root and seeds them as a watch past its first setup: English, not a demo
 * unit, agreement and permission step done, so the app goes straight to its
 * finding screen. */
inline void PelornBenchSeedWatch(const std::string& root)
{
    g_setenv("PELORN_STATE_DIR", (root + "/state").c_str(), TRUE);
    g_setenv("PELORN_RUNTIME_DIR", (root + "/run").c_str(), TRUE);
    pelorn_paths_reset();
    vconf_set_int("db/retailmode/enabled", 0);
    vconf_set_str("db/menu_widget/language", "en_US.UTF-8");
    vconf_set_bool("db/brig/user_agreement/orzzib", 1);
    preference_set_boolean("WORZ_PREF_BOOL_PERMISSION_CHECKED", true);
}

/* A bench that runs the app in its own process: headless, its log off the
 * terminal, the toolkit's system modules and backtraces off unless asked. */
inline void PelornBenchRunHeadless()
{
    g_setenv("ECORE_NO_SYSTEM_MODULES", "1", FALSE);
    g_setenv("EINA_LOG_BACKTRACE", "-1", FALSE);
    g_setenv("PELORN_LOG_STDERR", "0", TRUE);
    g_setenv("ELM_ENGINE", "buffer", TRUE);
}

/* Throw-away state and runtime folders (one folder for both), for benches
 * whose only use of them is the log; the caller removes it. */
inline std::string PelornBenchUseTemporaryFolders()
{
    gchar* root = g_dir_make_tmp("pelorn-bench-XXXXXX", nullptr);
    std::string dir = root ? root : "/tmp";
    g_free(root);
    g_setenv("PELORN_STATE_DIR", dir.c_str(), TRUE);
    g_setenv("PELORN_RUNTIME_DIR", dir.c_str(), TRUE);
    g_setenv("PELORN_LOG_STDERR", "0", TRUE);
    pelorn_paths_reset();
    return dir;
}

/* Removes a watch's folders made for one bench run. */
inline void PelornBenchRemoveWatch(const char* root)
{
    gchar* argv[] = {(gchar*)"rm", (gchar*)"-rf", (gchar*)root, nullptr};
    g_spawn_sync(nullptr, argv, nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

#endif
