#include "app_preference.h"

#include "dlog.h"
#include "pelorn_bounded_read.h"
#include "pelorn_paths.h"
#include "pelorn_store_cleanup.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#define PREF_LOG_TAG "preference"
#define PREF_GROUP "preferences"

namespace
{
/* The app keeps a handful of short values here; a file far past that was
 * not written by this store. */
const size_t kMaxPreferenceFileBytes = 1024 * 1024;

struct PreferenceFile
{
    std::string path;
    std::string identity;
    GKeyFile* keyFile = nullptr;
};

PreferenceFile& Prefs()
{
    static PreferenceFile prefs;
    return prefs;
}

std::string Identity(const std::string& path)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return "absent";
    return std::to_string(st.st_ino) + ":" + std::to_string(st.st_mtim.tv_sec) + "." +
           std::to_string(st.st_mtim.tv_nsec);
}

/* Loads the file again when another process (or a test) replaced it. */
GKeyFile* Load()
{
    PreferenceFile& prefs = Prefs();
    std::string dir = std::string(pelorn_state_dir()) + "/preferences";
    std::string path = dir + "/" + pelorn_app_id() + ".ini";
    std::string identity = Identity(path);
    if (prefs.keyFile && prefs.path == path && prefs.identity == identity)
        return prefs.keyFile;

    if (prefs.keyFile)
        g_key_file_free(prefs.keyFile);
    prefs.keyFile = g_key_file_new();
    prefs.path = path;
    prefs.identity = identity;
    g_mkdir_with_parents(dir.c_str(), 0700);
    GError* error = nullptr;
    if (identity != "absent")
    {
        std::string contents;
        std::string why;
        if (!pelorn_read_bounded_file(path, kMaxPreferenceFileBytes, contents, &why))
            dlog_print(DLOG_ERROR, PREF_LOG_TAG, "preference file %s unreadable (%s); starting empty", path.c_str(),
                       why.empty() ? "gone" : why.c_str());
        else if (!g_key_file_load_from_data(prefs.keyFile, contents.data(), contents.size(), G_KEY_FILE_KEEP_COMMENTS,
                                            &error))
        {
            dlog_print(DLOG_ERROR, PREF_LOG_TAG, "preference file %s unreadable (%s); starting empty", path.c_str(),
                       error ? error->message : "?");
            g_clear_error(&error);
        }
    }
    return prefs.keyFile;
}

int Save()
{
    PreferenceFile& prefs = Prefs();
    GError* error = nullptr;
    // g_key_file_save_to_file writes a temporary file and renames it into place.
    if (!g_key_file_save_to_file(prefs.keyFile, prefs.path.c_str(), &error))
    {
        dlog_print(DLOG_ERROR, PREF_LOG_TAG, "cannot save %s: %s", prefs.path.c_str(), error ? error->message : "?");
        g_clear_error(&error);
        // A failed set must not be read back: forget the change, reload next time.
        g_key_file_free(prefs.keyFile);
        prefs.keyFile = nullptr;
        prefs.identity.clear();
        return PREFERENCE_ERROR_IO_ERROR;
    }
    prefs.identity = Identity(prefs.path);
    return PREFERENCE_ERROR_NONE;
}

int Lookup(const char* key, GKeyFile*& keyFile)
{
    if (!key || !*key)
        return PREFERENCE_ERROR_INVALID_PARAMETER;
    keyFile = Load();
    if (!g_key_file_has_key(keyFile, PREF_GROUP, key, nullptr))
        return PREFERENCE_ERROR_NO_KEY;
    return PREFERENCE_ERROR_NONE;
}

int Finish(GError* error)
{
    if (!error)
        return PREFERENCE_ERROR_NONE;
    g_error_free(error);
    return PREFERENCE_ERROR_IO_ERROR;
}
} // namespace

int preference_set_int(const char* key, int value)
{
    if (!key || !*key)
        return PREFERENCE_ERROR_INVALID_PARAMETER;
    g_key_file_set_integer(Load(), PREF_GROUP, key, value);
    return Save();
}

int preference_get_int(const char* key, int* value)
{
    GKeyFile* keyFile;
    int ret = Lookup(key, keyFile);
    if (ret != PREFERENCE_ERROR_NONE || !value)
        return value ? ret : PREFERENCE_ERROR_INVALID_PARAMETER;
    GError* error = nullptr;
    int v = g_key_file_get_integer(keyFile, PREF_GROUP, key, &error);
    if (!error)
        *value = v;
    return Finish(error);
}

int preference_set_double(const char* key, double value)
{
    if (!key || !*key)
        return PREFERENCE_ERROR_INVALID_PARAMETER;
    g_key_file_set_double(Load(), PREF_GROUP, key, value);
    return Save();
}

int preference_get_double(const char* key, double* value)
{
    GKeyFile* keyFile;
    int ret = Lookup(key, keyFile);
    if (ret != PREFERENCE_ERROR_NONE || !value)
        return value ? ret : PREFERENCE_ERROR_INVALID_PARAMETER;
    GError* error = nullptr;
    double v = g_key_file_get_double(keyFile, PREF_GROUP, key, &error);
    if (!error)
        *value = v;
    return Finish(error);
}

int preference_set_string(const char* key, const char* value)
{
    if (!key || !*key || !value)
        return PREFERENCE_ERROR_INVALID_PARAMETER;
    g_key_file_set_string(Load(), PREF_GROUP, key, value);
    return Save();
}

int preference_get_string(const char* key, char** value)
{
    GKeyFile* keyFile;
    int ret = Lookup(key, keyFile);
    if (ret != PREFERENCE_ERROR_NONE || !value)
        return value ? ret : PREFERENCE_ERROR_INVALID_PARAMETER;
    GError* error = nullptr;
    // With a bad escape in the value GLib reports an error and still hands
    // back what it decoded so far, which is ours to free.
    gchar* v = g_key_file_get_string(keyFile, PREF_GROUP, key, &error);
    if (!error)
        *value = strdup(v);
    g_free(v);
    return Finish(error);
}

int preference_set_boolean(const char* key, bool value)
{
    if (!key || !*key)
        return PREFERENCE_ERROR_INVALID_PARAMETER;
    g_key_file_set_boolean(Load(), PREF_GROUP, key, value);
    return Save();
}

int preference_get_boolean(const char* key, bool* value)
{
    GKeyFile* keyFile;
    int ret = Lookup(key, keyFile);
    if (ret != PREFERENCE_ERROR_NONE || !value)
        return value ? ret : PREFERENCE_ERROR_INVALID_PARAMETER;
    GError* error = nullptr;
    gboolean v = g_key_file_get_boolean(keyFile, PREF_GROUP, key, &error);
    if (!error)
        *value = v;
    return Finish(error);
}

int preference_remove(const char* key)
{
    GKeyFile* keyFile;
    int ret = Lookup(key, keyFile);
    if (ret != PREFERENCE_ERROR_NONE)
        return ret;
    g_key_file_remove_key(keyFile, PREF_GROUP, key, nullptr);
    return Save();
}

int preference_is_existing(const char* key, bool* existing)
{
    if (!existing)
        return PREFERENCE_ERROR_INVALID_PARAMETER;
    GKeyFile* keyFile;
    int ret = Lookup(key, keyFile);
    *existing = ret == PREFERENCE_ERROR_NONE;
    return ret == PREFERENCE_ERROR_NO_KEY ? PREFERENCE_ERROR_NONE : ret;
}

int preference_remove_all(void)
{
    GKeyFile* keyFile = Load();
    g_key_file_remove_group(keyFile, PREF_GROUP, nullptr);
    return Save();
}

int pelorn_preference_clean_stale(void)
{
    const std::string dir = std::string(pelorn_state_dir()) + "/preferences";
    const std::string own = std::string(pelorn_app_id()) + ".ini.";
    GDir* handle = g_dir_open(dir.c_str(), 0, nullptr);
    if (!handle)
        return 0;
    int removed = 0;
    int budget = 20000;
    const gchar* name;
    while ((name = g_dir_read_name(handle)) && budget-- > 0)
    {
        // g_key_file_save_to_file writes "<file>.XXXXXX" and renames it over "<file>".
        const char* ini = strstr(name, ".ini.");
        if (!ini || strlen(ini) != 11)
            continue;
        const std::string path = dir + "/" + name;
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        const bool ours = own.compare(0, std::string::npos, name, own.size()) == 0;
        if ((ours || time(nullptr) - st.st_mtime > 60) && unlink(path.c_str()) == 0)
            removed++;
    }
    g_dir_close(handle);
    if (removed > 0)
        dlog_print(DLOG_ERROR, PREF_LOG_TAG, "removed %d temporary files left by interrupted writes", removed);
    return removed;
}
