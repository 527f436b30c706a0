#include "vconf_store.h"

#include "vconf_read_cache.h"

#include "dlog.h"
#include "pelorn_bounded_read.h"
#include "pelorn_paths.h"
#include "pelorn_settings_keys.h"
#include "pelorn_store_cleanup.h"

#include <errno.h>
#include <fcntl.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#define VCONF_LOG_TAG "vconf"

namespace PelornSettingsStore
{
namespace
{
/* A key's file holds one value; writes past this are refused, so a larger
 * file was not written by this store and is not read. */
const size_t kMaxStoredBytes = 1024 * 1024;

char TypeLetter(int type)
{
    switch (type)
    {
    case VCONF_TYPE_INT:
        return 'i';
    case VCONF_TYPE_BOOL:
        return 'b';
    case VCONF_TYPE_DOUBLE:
        return 'd';
    default:
        return 's';
    }
}

int TypeOfLetter(char letter)
{
    switch (letter)
    {
    case 'i':
        return VCONF_TYPE_INT;
    case 'b':
        return VCONF_TYPE_BOOL;
    case 'd':
        return VCONF_TYPE_DOUBLE;
    case 's':
        return VCONF_TYPE_STRING;
    default:
        return VCONF_TYPE_NONE;
    }
}

} // namespace

bool KeyPath(const char* key, std::string& path)
{
    if (!key || !*key || strstr(key, ".."))
        return false;
    if (g_str_has_prefix(key, "db/"))
        path = std::string(pelorn_state_dir()) + "/vconf/" + key;
    else if (g_str_has_prefix(key, "memory/"))
        path = std::string(pelorn_runtime_dir()) + "/vconf/" + key;
    else
        return false;
    return true;
}

bool ParseInt(const std::string& text, int& out)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    long value = strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < INT32_MIN || value > INT32_MAX)
        return false;
    out = (int)value;
    return true;
}

bool ParseDouble(const std::string& text, double& out)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    out = g_ascii_strtod(text.c_str(), &end);
    return *end == '\0';
}

/* The phone-link keys belong to the platform: whoever reads or watches them
 * in this process gets them derived from the phone's presence. */
bool IsLinkKey(const char* key)
{
    return key && (strcmp(key, "memory/brig/brig_connected") == 0 || strcmp(key, "memory/private/kiv/conn_type") == 0);
}

bool ReadStored(const char* key, StoredValue& value)
{
    std::string path;
    if (!KeyPath(key, path))
    {
        dlog_print(DLOG_ERROR, VCONF_LOG_TAG, "invalid key name [%s]", key ? key : "(null)");
        return false;
    }
    std::string stored;
    bool present = false;
    if (!ReadCacheLookup(path, present, stored))
    {
        gchar* folder = g_path_get_dirname(path.c_str());
        const int watch = ReadCacheWatch(folder);
        g_free(folder);
        std::string why;
        present = pelorn_read_bounded_file(path, kMaxStoredBytes, stored, &why);
        if (!present && !why.empty())
        {
            // Refused files are not kept: each read says why again.
            dlog_print(DLOG_ERROR, VCONF_LOG_TAG, "key [%s] refused: %s", key, why.c_str());
            return false;
        }
        ReadCacheKeep(watch, path, present, stored);
    }
    if (!present)
        return false;
    const char* contents = stored.data();
    const size_t length = stored.size();
    bool ok = length >= 3 && contents[1] == ':' && contents[length - 1] == '\n' &&
              memchr(contents, '\0', length) == nullptr;
    if (ok)
    {
        value.type = TypeOfLetter(contents[0]);
        value.text.assign(contents + 2, length - 3);
        int i;
        double d;
        switch (value.type)
        {
        case VCONF_TYPE_INT:
            ok = ParseInt(value.text, i);
            break;
        case VCONF_TYPE_BOOL:
            ok = value.text == "0" || value.text == "1";
            break;
        case VCONF_TYPE_DOUBLE:
            ok = ParseDouble(value.text, d);
            break;
        case VCONF_TYPE_STRING:
            ok = value.text.find('\n') == std::string::npos;
            break;
        default:
            ok = false;
        }
    }
    if (!ok)
    {
        dlog_print(DLOG_ERROR, VCONF_LOG_TAG, "key [%s] holds no valid value; read as unreadable", key);
        return false;
    }
    const pelorn_settings_key_s* known = pelorn_settings_key_find(key);
    if (known && known->type != value.type)
    {
        dlog_print(DLOG_ERROR, VCONF_LOG_TAG, "key [%s] holds a %s, not its %s; read as unreadable", key,
                   pelorn_settings_type_name(value.type), pelorn_settings_type_name(known->type));
        return false;
    }
    return true;
}

int WriteStored(const char* key, int type, const std::string& text)
{
    std::string path;
    if (!KeyPath(key, path))
    {
        dlog_print(DLOG_ERROR, VCONF_LOG_TAG, "invalid key name [%s]", key ? key : "(null)");
        return VCONF_ERROR_WRONG_PREFIX;
    }
    const pelorn_settings_key_s* known = pelorn_settings_key_find(key);
    if (known && known->type != type)
    {
        dlog_print(DLOG_ERROR, VCONF_LOG_TAG, "key [%s] is a %s; a %s is not written", key,
                   pelorn_settings_type_name(known->type), pelorn_settings_type_name(type));
        return VCONF_ERROR_WRONG_TYPE;
    }
    if (type == VCONF_TYPE_STRING && text.find('\n') != std::string::npos)
        return VCONF_ERROR_WRONG_VALUE;

    gchar* dir = g_path_get_dirname(path.c_str());
    g_mkdir_with_parents(dir, 0700);
    g_free(dir);

    if (text.size() + 3 > kMaxStoredBytes)
        return VCONF_ERROR_WRONG_VALUE;

    std::string contents;
    contents.push_back(TypeLetter(type));
    contents.push_back(':');
    contents += text;
    contents.push_back('\n');

    // Write beside the key and rename over it: a reader (or a crash) sees the
    // old value or the new one, never a part of either.
    std::string tmp = path + ".tmp." + std::to_string(getpid()) + "." + std::to_string(g_random_int());
    int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
    {
        dlog_print(DLOG_ERROR, VCONF_LOG_TAG, "cannot write key [%s]: %s", key, g_strerror(errno));
        return VCONF_ERROR_FILE_OPEN;
    }
    const char* p = contents.data();
    size_t left = contents.size();
    while (left > 0)
    {
        ssize_t n = write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
        {
            dlog_print(DLOG_ERROR, VCONF_LOG_TAG, "cannot write key [%s]: %s", key, g_strerror(errno));
            close(fd);
            unlink(tmp.c_str());
            return VCONF_ERROR_FILE_WRITE;
        }
        p += n;
        left -= (size_t)n;
    }
    if (g_str_has_prefix(key, "db/"))
        fdatasync(fd);
    close(fd);
    if (rename(tmp.c_str(), path.c_str()) != 0)
    {
        dlog_print(DLOG_ERROR, VCONF_LOG_TAG, "cannot replace key [%s]: %s", key, g_strerror(errno));
        unlink(tmp.c_str());
        return VCONF_ERROR_FILE_WRITE;
    }
    return VCONF_OK;
}

int GetInt(const char* key, int* value)
{
    StoredValue stored;
    if (!value || !ReadStored(key, stored))
        return VCONF_ERROR;
    if (stored.type != VCONF_TYPE_INT && stored.type != VCONF_TYPE_BOOL)
        return VCONF_ERROR_WRONG_TYPE;
    return ParseInt(stored.text, *value) ? VCONF_OK : VCONF_ERROR;
}

int GetType(const char* key)
{
    StoredValue stored;
    return ReadStored(key, stored) ? stored.type : VCONF_TYPE_NONE;
}

int SetInt(const char* key, int value)
{
    return WriteStored(key, VCONF_TYPE_INT, std::to_string(value));
}

int SetBool(const char* key, int value)
{
    return WriteStored(key, VCONF_TYPE_BOOL, value ? "1" : "0");
}
} // namespace PelornSettingsStore

namespace
{
const int STALE_AFTER_SECONDS = 60; // far beyond any single write
const int MAX_DEPTH = 16;
const int MAX_ENTRIES = 20000;

/* "<key>.tmp.<pid>.<random>", as WriteStored names them. */
bool IsStaleTemporary(const char* name, const struct stat& st)
{
    const char* tmp = strstr(name, ".tmp.");
    if (!tmp || !S_ISREG(st.st_mode))
        return false;
    char* end = nullptr;
    long pid = strtol(tmp + 5, &end, 10);
    if (pid <= 0 || *end != '.')
        return false;
    const bool writerGone = kill((pid_t)pid, 0) != 0 && errno == ESRCH;
    return writerGone || time(nullptr) - st.st_mtime > STALE_AFTER_SECONDS;
}

int CleanTree(const std::string& dir, int depth, int& budget)
{
    if (depth > MAX_DEPTH)
        return 0;
    GDir* handle = g_dir_open(dir.c_str(), 0, nullptr);
    if (!handle)
        return 0;
    int removed = 0;
    const gchar* name;
    while ((name = g_dir_read_name(handle)) && budget-- > 0)
    {
        const std::string path = dir + "/" + name;
        struct stat st;
        if (lstat(path.c_str(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode))
            removed += CleanTree(path, depth + 1, budget);
        else if (IsStaleTemporary(name, st) && unlink(path.c_str()) == 0)
            removed++;
    }
    g_dir_close(handle);
    return removed;
}
} // namespace

int pelorn_settings_clean_stale(void)
{
    int budget = MAX_ENTRIES;
    int removed = CleanTree(std::string(pelorn_state_dir()) + "/vconf", 0, budget) +
                  CleanTree(std::string(pelorn_runtime_dir()) + "/vconf", 0, budget);
    if (removed > 0)
        dlog_print(DLOG_ERROR, VCONF_LOG_TAG, "removed %d temporary files left by interrupted writes", removed);
    return removed;
}
