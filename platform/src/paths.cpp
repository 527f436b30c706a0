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

std::string FromEnvOrXdg(const char* ownVar, const char* xdgVar, const std::string& fallback)
{
    const char* own = getenv(ownVar);
    if (own && *own)
        return own;
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
        gStateDir = FromEnvOrXdg("PELORN_STATE_DIR", "XDG_STATE_HOME",
                                 std::string(g_get_home_dir()) + "/.local/state/pelorn");
        g_mkdir_with_parents(gStateDir.c_str(), 0700);
    }
    return gStateDir.c_str();
}

const char* pelorn_runtime_dir(void)
{
    if (gRuntimeDir.empty())
    {
        gRuntimeDir = FromEnvOrXdg("PELORN_RUNTIME_DIR", "XDG_RUNTIME_DIR",
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
