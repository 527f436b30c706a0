#include "pelorn_resources.h"

#include "dlog.h"

#include <Elementary.h>
#include <glib.h>
#include <stdlib.h>
#include <string>

#ifndef PELORN_BUILD_RES_DIR
#define PELORN_BUILD_RES_DIR ""
#endif

namespace
{
const char* INSTALLED_RES_DIR = "/usr/share/pelorn/res";
std::string gResDir;
bool gCircleThemeLoaded = false;
} // namespace

const char* pelorn_res_dir(void)
{
    if (gResDir.empty())
    {
        const char* env = getenv("PELORN_RES_DIR");
        if (env && *env)
            gResDir = env;
        else if (*PELORN_BUILD_RES_DIR && g_file_test(PELORN_BUILD_RES_DIR, G_FILE_TEST_IS_DIR))
            gResDir = PELORN_BUILD_RES_DIR;
        else
            gResDir = INSTALLED_RES_DIR;
        if (gResDir.back() != '/')
            gResDir += '/';
    }
    return gResDir.c_str();
}

void pelorn_circle_theme_load(void)
{
    if (gCircleThemeLoaded)
        return;
    gCircleThemeLoaded = true;
    std::string path = std::string(pelorn_res_dir()) + "contents/theme/circle.edj";
    if (!g_file_test(path.c_str(), G_FILE_TEST_EXISTS))
        dlog_print(DLOG_ERROR, "pelorn-UI", "round-screen theme missing: %s", path.c_str());
    elm_theme_overlay_add(NULL, path.c_str());
}
