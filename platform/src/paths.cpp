#include "pelorn_paths.h"

#include <atomic>
#include <errno.h>
#include <fcntl.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// Never destroyed: a worker still stuck in a device when the process exits
// (a sound card that never opens) logs afterwards, and the log asks for the
// state folder after the static destructors have run.
std::string& gStateDir = *new std::string;
std::string& gRuntimeDir = *new std::string;
std::string& gAppId = *new std::string;
std::atomic<unsigned> gGeneration{0};

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

/* Every folder above ours must be out of other accounts' hands: owned by us
 * or root, and, when others may write to it, sticky (as /tmp is), so nobody
 * can rename our folder away and put theirs in its place. */
bool AncestorsSafe(const std::string& path, std::string& why)
{
    const uid_t me = getuid();
    std::string dir = path;
    for (;;)
    {
        size_t slash = dir.find_last_of('/');
        if (slash == std::string::npos)
            return true;
        dir = slash == 0 ? "/" : dir.substr(0, slash);
        struct stat st;
        if (lstat(dir.c_str(), &st) != 0)
        {
            why = dir + ": " + g_strerror(errno);
            return false;
        }
        if (st.st_uid != me && st.st_uid != 0)
        {
            why = dir + " belongs to another account (uid " + std::to_string((unsigned)st.st_uid) + ")";
            return false;
        }
        if (!S_ISLNK(st.st_mode) && (st.st_mode & (S_IWGRP | S_IWOTH)) && !(st.st_mode & S_ISVTX))
        {
            why = dir + " may be changed by other accounts";
            return false;
        }
        if (dir == "/")
            return true;
    }
}
} // namespace

int pelorn_make_private_dir(const char* path, char** why)
{
    std::string reason;
    auto refuse = [&](const std::string& text)
    {
        if (why)
            *why = g_strdup(text.c_str());
        return -1;
    };
    if (!path || !*path)
        return refuse("no folder given");
    gchar* absolute = g_canonicalize_filename(path, nullptr); // relative to the working folder, links kept
    std::string dir(absolute);
    g_free(absolute);

    gchar* parent = g_path_get_dirname(dir.c_str());
    g_mkdir_with_parents(parent, 0700);
    g_free(parent);
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return refuse(dir + ": " + g_strerror(errno));
    if (!AncestorsSafe(dir, reason))
        return refuse(reason);

    // Whatever stands there now, made by us a moment ago or found: look at it
    // through a descriptor that refuses to follow a symbolic link.
    int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return refuse(dir + (errno == ELOOP || errno == ENOTDIR ? " is not a folder (a symbolic link?)"
                                                                : std::string(": ") + g_strerror(errno)));
    struct stat st;
    int ret = 0;
    if (fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode))
        ret = refuse(dir + " is not a folder");
    else if (st.st_uid != getuid())
        ret = refuse(dir + " belongs to another account (uid " + std::to_string((unsigned)st.st_uid) + ")");
    else if (st.st_mode & (S_IWGRP | S_IWOTH))
    {
        char mode[8];
        snprintf(mode, sizeof(mode), "%03o", (unsigned)(st.st_mode & 0777));
        ret = refuse(dir + " may be changed by other accounts (mode " + mode + ")");
    }
    else if ((st.st_mode & 0777) != 0700 && fchmod(fd, 0700) != 0)
        ret = refuse(dir + ": cannot make it private: " + g_strerror(errno));
    close(fd);
    return ret;
}

namespace
{
/* A folder that is not safely ours is never used: another account could read
 * what we keep there or steer us through what it put there. */
void ResolvePrivateDir(std::string& dir, const char* what)
{
    char* why = nullptr;
    if (pelorn_make_private_dir(dir.c_str(), &why) == 0)
        return;
    fprintf(stderr,
            "pelorn: refusing to use %s folder %s: %s.\n"
            "pelorn: it must be a folder of this account (uid %u), mode 0700, not a symbolic link;"
            " remove it or point %s elsewhere.\n",
            what, dir.c_str(), why ? why : "?", (unsigned)getuid(),
            strcmp(what, "state") == 0 ? "PELORN_STATE_DIR" : "PELORN_RUNTIME_DIR");
    g_free(why);
    fflush(stderr);
    _exit(PELORN_PATHS_REFUSED_STATUS);
}
} // namespace

const char* pelorn_state_dir(void)
{
    if (gStateDir.empty())
    {
        std::string dir = FromEnvOrXdg("PELORN_STATE_DIR", "run-state", "XDG_STATE_HOME",
                                       std::string(g_get_home_dir()) + "/.local/state/pelorn");
        ResolvePrivateDir(dir, "state");
        gStateDir = dir;
    }
    return gStateDir.c_str();
}

const char* pelorn_runtime_dir(void)
{
    if (gRuntimeDir.empty())
    {
        std::string dir =
            FromEnvOrXdg("PELORN_RUNTIME_DIR", "run-runtime", "XDG_RUNTIME_DIR",
                         std::string(g_get_tmp_dir()) + "/pelorn-" + std::to_string((unsigned)getuid()));
        ResolvePrivateDir(dir, "runtime");
        gRuntimeDir = dir;
    }
    return gRuntimeDir.c_str();
}

void pelorn_paths_reset(void)
{
    gStateDir.clear();
    gRuntimeDir.clear();
    gAppId.clear();
    gGeneration++;
}

unsigned pelorn_paths_generation(void)
{
    return gGeneration;
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
