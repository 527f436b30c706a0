#include "app_common.h"

#include "pelorn_install.h"
#include "pelorn_paths.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>

char* app_get_resource_path(void)
{
    const char* env = getenv("PELORN_RES_DIR");
    gchar* own = (env && *env) ? nullptr : pelorn_own_dir(PELORN_OWN_DATA);
    std::string dir = (env && *env) ? env : own ? own : "";
    g_free(own);
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    if (dir.empty() || !g_file_test(dir.c_str(), G_FILE_TEST_IS_DIR))
        return nullptr;
    return strdup(dir.c_str());
}

char* app_get_data_path(void)
{
    std::string dir = std::string(pelorn_state_dir()) + "/apps/" + pelorn_app_id() + "/data";
    if (g_mkdir_with_parents(dir.c_str(), 0700) != 0)
        return nullptr;
    return strdup(dir.c_str());
}

int app_get_id(char** id)
{
    if (!id)
        return APP_ERROR_INVALID_PARAMETER;
    *id = strdup(pelorn_app_id());
    return *id ? APP_ERROR_NONE : APP_ERROR_OUT_OF_MEMORY;
}
