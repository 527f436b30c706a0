#include "app_manager.h"

#include "app_common.h"
#include "dlog.h"
#include "pelorn_app_lock.h"
#include "pelorn_paths.h"

#include <errno.h>
#include <fcntl.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <map>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

#define APP_MANAGER_LOG_TAG "app-manager"

namespace
{
bool ValidAppId(const char* appId)
{
    return appId && *appId && !strchr(appId, '/') && strcmp(appId, ".") != 0 && strcmp(appId, "..") != 0;
}

std::string LockPath(const char* appId)
{
    return std::string(pelorn_runtime_dir()) + "/apps/" + appId + ".lock";
}

// Descriptors this process holds locks through, by application id.
std::map<std::string, int>& HeldLocks()
{
    static std::map<std::string, int> locks;
    return locks;
}
} // namespace

int app_manager_is_running(const char* app_id, bool* running)
{
    if (!ValidAppId(app_id) || !running)
        return APP_MANAGER_ERROR_INVALID_PARAMETER;
    int fd = open(LockPath(app_id).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
    {
        if (errno != ENOENT)
            return APP_MANAGER_ERROR_IO_ERROR;
        *running = false; // never started since the runtime folder was made
        return APP_MANAGER_ERROR_NONE;
    }
    // flock belongs to the open file description, so this probe conflicts with
    // a lock held through another descriptor, in this process too.
    int result = APP_MANAGER_ERROR_NONE;
    if (flock(fd, LOCK_SH | LOCK_NB) == 0)
    {
        *running = false;
        flock(fd, LOCK_UN);
    }
    else if (errno == EWOULDBLOCK)
    {
        *running = true;
    }
    else
    {
        result = APP_MANAGER_ERROR_IO_ERROR;
    }
    close(fd);
    return result;
}

int app_manager_get_shared_resource_path(const char* app_id, char** path)
{
    if (!ValidAppId(app_id) || !path)
        return APP_MANAGER_ERROR_INVALID_PARAMETER;
    char* res = app_get_resource_path();
    if (!res)
        return APP_MANAGER_ERROR_NO_SUCH_APP;
    *path = g_strdup_printf("%s/shared/", res);
    free(res);
    return APP_MANAGER_ERROR_NONE;
}

int app_manager_get_shared_data_path(const char* app_id, char** path)
{
    if (!ValidAppId(app_id) || !path)
        return APP_MANAGER_ERROR_INVALID_PARAMETER;
    std::string dir = std::string(pelorn_state_dir()) + "/apps/" + app_id + "/shared/data/";
    if (g_mkdir_with_parents(dir.c_str(), 0700) != 0)
    {
        dlog_print(DLOG_ERROR, APP_MANAGER_LOG_TAG, "cannot create %s: %s", dir.c_str(), g_strerror(errno));
        return APP_MANAGER_ERROR_IO_ERROR;
    }
    *path = strdup(dir.c_str());
    return *path ? APP_MANAGER_ERROR_NONE : APP_MANAGER_ERROR_OUT_OF_MEMORY;
}

int pelorn_app_hold_running_lock(const char* app_id)
{
    if (!ValidAppId(app_id))
        return -1;
    if (HeldLocks().count(app_id))
        return 0;
    std::string dir = std::string(pelorn_runtime_dir()) + "/apps";
    g_mkdir_with_parents(dir.c_str(), 0700);
    int fd = open(LockPath(app_id).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
    {
        dlog_print(DLOG_ERROR, APP_MANAGER_LOG_TAG, "cannot open the lock of %s: %s", app_id, g_strerror(errno));
        return -1;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0)
    {
        dlog_print(DLOG_ERROR, APP_MANAGER_LOG_TAG, "%s already runs in another process", app_id);
        close(fd);
        return -1;
    }
    HeldLocks()[app_id] = fd;
    return 0;
}

void pelorn_app_release_running_lock(const char* app_id)
{
    if (!app_id)
        return;
    auto it = HeldLocks().find(app_id);
    if (it == HeldLocks().end())
        return;
    close(it->second); // closing the last descriptor drops the flock
    HeldLocks().erase(it);
}
