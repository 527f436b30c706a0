/* The settings interface: typed reads and writes of one key. The phone-link
 * keys are brought up to date from the phone's presence before a read. */

#include "vconf.h"

#include "pelorn_link_state.h"
#include "vconf_store.h"

#include <glib.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <unistd.h>

using namespace PelornSettingsStore;

namespace
{
/* A link key's value only when it is stored with the type the platform
 * writes it with: the connection flag a bool, the connection type an int. */
bool ReadLinkKey(const char* key, int* intval)
{
    StoredValue stored;
    const int wanted = strcmp(key, "memory/brig/brig_connected") == 0 ? VCONF_TYPE_BOOL : VCONF_TYPE_INT;
    int value = 0;
    if (!ReadStored(key, stored) || stored.type != wanted || !ParseInt(stored.text, value))
        return false;
    *intval = value;
    return true;
}
} // namespace

int vconf_set_int(const char* in_key, const int intval)
{
    return SetInt(in_key, intval);
}

int vconf_set_bool(const char* in_key, const int boolval)
{
    return SetBool(in_key, boolval);
}

int vconf_set_dbl(const char* in_key, const double dblval)
{
    char buffer[G_ASCII_DTOSTR_BUF_SIZE];
    return WriteStored(in_key, VCONF_TYPE_DOUBLE, g_ascii_dtostr(buffer, sizeof(buffer), dblval));
}

int vconf_set_str(const char* in_key, const char* strval)
{
    if (!strval)
        return VCONF_ERROR_WRONG_VALUE;
    return WriteStored(in_key, VCONF_TYPE_STRING, strval);
}

int vconf_get_int(const char* in_key, int* intval)
{
    if (!IsLinkKey(in_key) || !intval)
        return GetInt(in_key, intval);
    // The keys' files are read only once on the way to the phone: a value
    // that cannot be used is written again from the presence file and read
    // once more.
    pelorn_link_state_refresh();
    if (ReadLinkKey(in_key, intval))
        return VCONF_OK;
    pelorn_link_state_repair();
    return GetInt(in_key, intval);
}

int vconf_get_bool(const char* in_key, int* boolval)
{
    int value = 0;
    int ret = vconf_get_int(in_key, &value);
    if (ret == VCONF_OK && boolval)
        *boolval = value != 0;
    return ret;
}

int vconf_get_dbl(const char* in_key, double* dblval)
{
    StoredValue stored;
    if (!dblval || !ReadStored(in_key, stored))
        return VCONF_ERROR;
    if (stored.type != VCONF_TYPE_DOUBLE)
        return VCONF_ERROR_WRONG_TYPE;
    return ParseDouble(stored.text, *dblval) ? VCONF_OK : VCONF_ERROR;
}

char* vconf_get_str(const char* in_key)
{
    StoredValue stored;
    if (!ReadStored(in_key, stored) || stored.type != VCONF_TYPE_STRING)
        return nullptr;
    return strdup(stored.text.c_str());
}

int vconf_get_type(const char* in_key)
{
    // A link key is what the phone's presence says, even before anyone
    // wrote it: its type is asked first by whoever reads it generically.
    if (IsLinkKey(in_key))
        pelorn_link_state_refresh();
    return GetType(in_key);
}

int vconf_unset(const char* in_key)
{
    std::string path;
    if (!KeyPath(in_key, path))
        return VCONF_ERROR_WRONG_PREFIX;
    if (unlink(path.c_str()) != 0 && errno != ENOENT)
        return VCONF_ERROR_FILE_ACCESS;
    return VCONF_OK;
}
