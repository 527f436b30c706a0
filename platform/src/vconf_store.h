#ifndef PELORN_PLATFORM_VCONF_STORE_H
#define PELORN_PLATFORM_VCONF_STORE_H

/* The settings store beneath the settings interface (vconf.h): one file a
 * key, "<type letter>:<value>\n", "db/" keys under the state folder and
 * "memory/" keys under the runtime folder. It knows nothing of who derives or
 * watches a key: the interface (vconf.cpp), the key watch (vconf_watch.cpp)
 * and the phone-link state (link_state.cpp) stand on it. */

#include "vconf.h"

#include <string>

namespace PelornSettingsStore
{
struct StoredValue
{
    int type = VCONF_TYPE_NONE;
    std::string text; // the value as stored, after "<type>:"
};

/* The key's file, false for a name outside "db/" and "memory/". */
bool KeyPath(const char* key, std::string& path);
bool ParseInt(const std::string& text, int& out);
bool ParseDouble(const std::string& text, double& out);

/* The phone-link keys belong to the platform: whoever reads or watches them
 * in this process gets them derived from the phone's presence. */
bool IsLinkKey(const char* key);

/* A file that is not exactly "<letter>:<value>\n" with a value of its type is
 * treated as unreadable, never as a value. */
bool ReadStored(const char* key, StoredValue& value);
/* Answers a VCONF_* code. */
int WriteStored(const char* key, int type, const std::string& text);

/* Typed access as vconf_get_int, vconf_get_type, vconf_set_int and
 * vconf_set_bool give it, for what derives a key itself. */
int GetInt(const char* key, int* value);
int GetType(const char* key);
int SetInt(const char* key, int value);
int SetBool(const char* key, int value);
} // namespace PelornSettingsStore

#endif
