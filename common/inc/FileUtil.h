#ifndef ORZ_COMMON_FILE_UTIL_H
#define ORZ_COMMON_FILE_UTIL_H

#include <stddef.h>
#include <string>

namespace NSORZCommon
{
/* The application's folders, looked up once and kept for the process, and a
 * plain file writer. Folders answer the empty text when the platform cannot
 * name them. */
class FileUtil
{
public:
    FileUtil();
    virtual ~FileUtil();

    /* Without a trailing slash: layouts live under + "/contents", translations under + "/locale". */
    static std::string GetResourceDirectoryPath();
    /* With a trailing slash. */
    static std::string GetSharedResourceDirectoryPath();
    /* With a trailing slash. */
    static std::string GetSharedDataDirectoryPath(const std::string& appId);
    static std::string GetJsonFilePath();
    /* Without a trailing slash. Asked of the platform at every call: unlike
     * the folders above, tests give each case a data folder of its own. */
    static std::string GetDataDirectoryPath();
    /* Replaces the file's contents with length bytes of data. */
    static bool WriteToFile(const std::string& path, const char* data, size_t length);
};
} // namespace NSORZCommon

#endif
