#include "pelorn_paths.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <stdlib.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

void pelorn_log_reopen();

namespace
{
std::string gStateDir;
std::string gRuntimeDir;
std::string gAppId;

/* A program sitting at the top of a CMake build tree (build/pelorn,
 * build/vconftool, build/phone-sim, ...) is being tried from a checkout:
 * its default folders are the ones ./scripts/run uses there, so a second
 * terminal reaches the running app and its settings with no variables set.
 * Empty when the program is installed elsewhere. */
std::string BuildTreeFolder(const char* leaf)
{
    gchar* exe = g_file_read_link("/proc/self/exe", nullptr);
    if (!exe)
        return std::string();
    gchar* dir = g_path_get_dirname(exe);
    gchar* cache = g_build_filename(dir, "CMakeCache.txt", nullptr);
    std::string folder;
    if (g_file_test(cache, G_FILE_TEST_IS_REGULAR))
        folder = std::string(dir) + "/" + leaf;
    g_free(cache);
    g_free(dir);
    g_free(exe);
    return folder;
}

std::string FromEnvOrXdg(const char* ownVar, const char* buildLeaf, const char* xdgVar,
                         const std::string& fallback)
{
    const char* own = getenv(ownVar);
    if (own && *own)
        return own;
    const std::string inBuildTree = BuildTreeFolder(buildLeaf);
    if (!inBuildTree.empty())
        return inBuildTree;
    const char* xdg = getenv(xdgVar);
    if (xdg && *xdg)
        return std::string(xdg) + "/pelorn";
    return fallback;
}
} // namespace

const char* pelorn_state_dir(void)
{
    if (gStateDir.empty())
    {
        gStateDir = FromEnvOrXdg("PELORN_STATE_DIR", "run-state", "XDG_STATE_HOME",
                                 std::string(g_get_home_dir()) + "/.local/state/pelorn");
        g_mkdir_with_parents(gStateDir.c_str(), 0700);
    }
    return gStateDir.c_str();
}

const char* pelorn_runtime_dir(void)
{
    if (gRuntimeDir.empty())
    {
        gRuntimeDir = FromEnvOrXdg("PELORN_RUNTIME_DIR", "run-runtime", "XDG_RUNTIME_DIR",
                                   "/tmp/pelorn-" + std::to_string((unsigned)getuid()));
        g_mkdir_with_parents(gRuntimeDir.c_str(), 0700);
        chmod(gRuntimeDir.c_str(), 0700);
    }
    return gRuntimeDir.c_str();
}

void pelorn_paths_reset(void)
{
    gStateDir.clear();
    gRuntimeDir.clear();
    gAppId.clear();
    pelorn_log_reopen();
}

const char* pelorn_app_id(void)
{
    if (gAppId.empty())
    {
        const char* env = getenv("PELORN_APP_ID");
        gAppId = (env && *env) ? env : "com.quenlor.pelorn";
    }
    return gAppId.c_str();
}
