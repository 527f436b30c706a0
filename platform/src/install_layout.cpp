#include "pelorn_install.h"

#include <glib.h>
#include <stdlib.h>
#include <string.h>
#include <string>

#ifndef PELORN_BUILD_DIR
#define PELORN_BUILD_DIR ""
#endif
#ifndef PELORN_BUILD_RES_DIR
#define PELORN_BUILD_RES_DIR ""
#endif
// Relative to the installation prefix, as configured; an absolute one (a
// packager's choice) does not move with the tree.
#ifndef PELORN_INSTALL_BINDIR
#define PELORN_INSTALL_BINDIR "bin"
#endif
#ifndef PELORN_INSTALL_HELPERDIR
#define PELORN_INSTALL_HELPERDIR "libexec/pelorn"
#endif
#ifndef PELORN_INSTALL_DATADIR
#define PELORN_INSTALL_DATADIR "share/pelorn"
#endif
#ifndef PELORN_INSTALL_PREFIX
#define PELORN_INSTALL_PREFIX "/usr/local"
#endif

namespace
{
bool EndsWith(const std::string& s, const std::string& tail)
{
    return s.size() > tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool IsDir(const std::string& path)
{
    return !path.empty() && g_file_test(path.c_str(), G_FILE_TEST_IS_DIR);
}

std::string Under(const std::string& prefix, const char* dir)
{
    return dir[0] == '/' ? dir : prefix + "/" + dir;
}

std::string ProgramDir()
{
    gchar* exe = g_file_read_link("/proc/self/exe", nullptr);
    if (!exe)
        return std::string();
    gchar* dir = g_path_get_dirname(exe);
    std::string result = dir;
    g_free(dir);
    g_free(exe);
    return result;
}

/* The prefix the running program was installed under, or "" when it does
 * not lie where an installed program would. */
std::string InstalledPrefix(const std::string& programDir)
{
    for (const char* dir : {PELORN_INSTALL_BINDIR, PELORN_INSTALL_HELPERDIR})
        if (dir[0] != '/' && EndsWith(programDir, std::string("/") + dir))
            return programDir.substr(0, programDir.size() - strlen(dir) - 1);
    return std::string();
}

/* The running program lies in the build tree it was built in. The program's
 * own path has its links resolved, so the tree's must be too. */
bool InBuildTree(const std::string& programDir)
{
    if (!*PELORN_BUILD_DIR)
        return false;
    char* real = realpath(PELORN_BUILD_DIR, nullptr);
    const std::string tree = real ? real : PELORN_BUILD_DIR;
    free(real);
    return programDir == tree || g_str_has_prefix(programDir.c_str(), (tree + "/").c_str());
}
} // namespace

char* pelorn_own_dir(pelorn_own_dir_e kind)
{
    const bool data = kind == PELORN_OWN_DATA;
    const char* installed = data ? PELORN_INSTALL_DATADIR : PELORN_INSTALL_HELPERDIR;
    const std::string programDir = ProgramDir();
    const std::string prefix = InstalledPrefix(programDir);
    std::string found;
    if (!prefix.empty() && IsDir(Under(prefix, installed)))
        found = Under(prefix, installed);
    else if (InBuildTree(programDir) && IsDir(data ? PELORN_BUILD_RES_DIR : PELORN_BUILD_DIR))
        found = data ? PELORN_BUILD_RES_DIR : PELORN_BUILD_DIR;
    else if (IsDir(Under(PELORN_INSTALL_PREFIX, installed)))
        found = Under(PELORN_INSTALL_PREFIX, installed);
    return found.empty() ? nullptr : g_strdup(found.c_str());
}
