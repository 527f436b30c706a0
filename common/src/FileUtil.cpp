#include "FileUtil.h"

#include "OrzLog.h"

#include <app_common.h>
#include <app_manager.h>
#include <map>
#include <stdio.h>
#include <stdlib.h>

namespace
{
const char* const PELORN_APP_ID = "com.quenlor.pelorn";
const int ERR_OK = APP_MANAGER_ERROR_NONE;

// Filled on first use on the main loop; the folders do not move while the process lives.
std::string gResourceDirPath;
std::string gSharedResourceDirPath;
std::map<std::string, std::string> gSharedDataDirPaths;
} // namespace

namespace NSORZCommon
{
FileUtil::FileUtil()
{
}

FileUtil::~FileUtil()
{
}

std::string FileUtil::GetDataDirectoryPath()
{
    char* path = app_get_data_path();
    std::string directory = path ? path : "";
    free(path);
    return directory;
}

std::string FileUtil::GetResourceDirectoryPath()
{
    if (gResourceDirPath.empty())
    {
        char* resourceDirPath = app_get_resource_path();
        RETVM_IF(!resourceDirPath || !*resourceDirPath, (free(resourceDirPath), std::string()),
                 "resourceDirPath < 1");
        gResourceDirPath = resourceDirPath;
        free(resourceDirPath);
    }
    return gResourceDirPath;
}

std::string FileUtil::GetSharedResourceDirectoryPath()
{
    if (gSharedResourceDirPath.empty())
    {
        char* sharedResourceDirPath = NULL;
        int ret = app_manager_get_shared_resource_path(PELORN_APP_ID, &sharedResourceDirPath);
        RETV_IF(ret != ERR_OK, std::string());
        RETVM_IF(!sharedResourceDirPath || !*sharedResourceDirPath, (free(sharedResourceDirPath), std::string()),
                 "sharedResourceDirPath < 1");
        gSharedResourceDirPath = sharedResourceDirPath;
        free(sharedResourceDirPath);
    }
    return gSharedResourceDirPath;
}

std::string FileUtil::GetSharedDataDirectoryPath(const std::string& appID)
{
    RETV_IF(appID.length() < 1, std::string());
    auto cached = gSharedDataDirPaths.find(appID);
    if (cached != gSharedDataDirPaths.end())
        return cached->second;

    char* sharedDataDirPath = NULL;
    int ret = app_manager_get_shared_data_path(appID.c_str(), &sharedDataDirPath);
    RETV_IF(ret != ERR_OK, (free(sharedDataDirPath), std::string()));
    RETVM_IF(!sharedDataDirPath || !*sharedDataDirPath, (free(sharedDataDirPath), std::string()),
             "sharedDataDirPath < 1");
    std::string path(sharedDataDirPath);
    free(sharedDataDirPath);
    gSharedDataDirPaths[appID] = path;
    return path;
}

std::string FileUtil::GetJsonFilePath()
{
    std::string ret = GetSharedDataDirectoryPath(PELORN_APP_ID);
    RETV_IF(ret.length() < 1, std::string());
    return ret + "db/.json.txt";
}

bool FileUtil::WriteToFile(const std::string& path, const char* data, size_t length)
{
    FILE* file = fopen(path.c_str(), "w");
    RETVM_IF(file == NULL, false, "[Failed] fopen function. file pointer is null point");
    size_t written = length > 0 && data ? fwrite(data, 1, length, file) : 0;
    bool closed = fclose(file) == 0;
    if (written != length || !closed)
    {
        LOGE("writing %zu bytes to %s failed", length, path.c_str());
        return false;
    }
    return true;
}
} // namespace NSORZCommon
