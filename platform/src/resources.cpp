#include "pelorn_resources.h"

#include "dlog.h"
#include "pelorn_install.h"

#include <Elementary.h>
#include <glib.h>
#include <stdlib.h>
#include <string>

namespace
{
std::string gResDir;
bool gCircleThemeLoaded = false;
} // namespace

const char* pelorn_res_dir(void)
{
    if (gResDir.empty())
    {
        const char* env = getenv("PELORN_RES_DIR");
        gchar* own = (env && *env) ? nullptr : pelorn_own_dir(PELORN_OWN_DATA);
        if (env && *env)
            gResDir = env;
        else if (own)
            gResDir = own;
        else
            gResDir = PELORN_INSTALL_PREFIX "/" PELORN_INSTALL_DATADIR; // named in the errors that follow
        g_free(own);
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
