#ifndef PELORN_PLATFORM_VCONF_READ_CACHE_H
#define PELORN_PLATFORM_VCONF_READ_CACHE_H

/* What the settings store's files held, kept until their folder tells of a
 * change (vconf_read_cache.cpp). A read asks ReadCacheLookup first; on a miss
 * it watches the file's folder, reads the file and keeps what it found. */

#include <string>

namespace PelornSettingsStore
{
/* The file's last contents, or present false for a file that was not there;
 * false when nothing is known. */
bool ReadCacheLookup(const std::string& path, bool& present, std::string& contents);
/* Watches the folder before its file is read; answers the watch for
 * ReadCacheKeep, or -1 when nothing can be kept. */
int ReadCacheWatch(const std::string& folder);
void ReadCacheKeep(int watch, const std::string& path, bool present, const std::string& contents);
} // namespace PelornSettingsStore

#endif
