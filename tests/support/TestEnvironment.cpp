#include "TestEnvironment.h"

#include "pelorn_clock.h"
#include "pelorn_paths.h"
#include "vconf.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <signal.h>
#include <stdlib.h>

namespace PelornTest
{
namespace
{
void RemoveTree(const std::string& path)
{
    GDir* dir = g_dir_open(path.c_str(), 0, nullptr);
    if (dir)
    {
        const gchar* name;
        while ((name = g_dir_read_name(dir)))
            RemoveTree(path + "/" + name);
        g_dir_close(dir);
        g_rmdir(path.c_str());
    }
    else
    {
        g_unlink(path.c_str());
    }
}
} // namespace

ScopedTestDirs::ScopedTestDirs(bool seedDefaults)
{
    gchar* root = g_dir_make_tmp("pelorn-test-XXXXXX", nullptr);
    mRoot = root;
    g_free(root);
    mStateDir = mRoot + "/state";
    mRuntimeDir = mRoot + "/run";
    g_mkdir_with_parents(mStateDir.c_str(), 0700);
    g_mkdir_with_parents(mRuntimeDir.c_str(), 0700);
    g_setenv("PELORN_STATE_DIR", mStateDir.c_str(), TRUE);
    g_setenv("PELORN_RUNTIME_DIR", mRuntimeDir.c_str(), TRUE);
    pelorn_paths_reset();
    if (seedDefaults)
    {
        vconf_set_int("db/retailmode/enabled", 0);
        vconf_set_str("db/menu_widget/language", "en_US.UTF-8");
    }
}

ScopedTestDirs::~ScopedTestDirs()
{
    if (pelorn_clock_is_manual())
        pelorn_clock_set_manual(FALSE);
    if (!getenv("PELORN_TEST_KEEP_DIRS"))
        RemoveTree(mRoot);
    g_unsetenv("PELORN_STATE_DIR");
    g_unsetenv("PELORN_RUNTIME_DIR");
    pelorn_paths_reset();
}

bool RunGlibUntil(const std::function<bool()>& cond, int timeoutMs)
{
    const gint64 deadline = g_get_monotonic_time() + (gint64)timeoutMs * 1000;
    while (!cond())
    {
        if (g_get_monotonic_time() >= deadline)
            return cond();
        if (!g_main_context_iteration(nullptr, FALSE))
            g_usleep(1000);
    }
    return true;
}

void RunGlibFor(int ms)
{
    const gint64 deadline = g_get_monotonic_time() + (gint64)ms * 1000;
    RunGlibUntil([deadline] { return g_get_monotonic_time() >= deadline; }, ms + 1000);
}

std::string BuiltProgram(const std::string& name)
{
    const char* env = getenv("PELORN_BUILD_DIR");
    return std::string(env && *env ? env : PELORN_TEST_BUILD_DIR) + "/" + name;
}

void UnblockSignalsInChild(void*)
{
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
}

std::string ReadFile(const std::string& path)
{
    gchar* contents = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(path.c_str(), &contents, &length, nullptr))
        return std::string();
    std::string out(contents, length);
    g_free(contents);
    return out;
}
} // namespace PelornTest
