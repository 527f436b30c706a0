#include "app_preference.h"

#include "dlog.h"
#include "pelorn_bounded_read.h"
#include "pelorn_paths.h"
#include "pelorn_preference_batch.h"
#include "pelorn_store_cleanup.h"

#include <condition_variable>
#include <errno.h>
#include <fcntl.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <mutex>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <time.h>
#include <unistd.h>

#define PREF_LOG_TAG "preference"
#define PREF_GROUP "preferences"

namespace
{
/* The app keeps a handful of short values here; a file far past that was
 * not written by this store. */
const size_t kMaxPreferenceFileBytes = 1024 * 1024;

/* The writer behind the main loop. The lock guards only hand-overs: the
 * writer copies out what to write and lets go before it touches the disk, so
 * the main thread never waits on it for I/O. */
struct Writer
{
    std::mutex lock;
    std::condition_variable wake;
    std::condition_variable idle;
    bool pending = false; // `data` is waiting for `path`
    bool writing = false;
    bool stop = false;
    std::string path;
    std::string data;
    std::string written; // the identity the last write left, for the next Load
    bool failed = false; // the last write failed: reload what is on disk
    std::thread thread;
};

struct PreferenceFile
{
    std::string path;
    std::string identity;
    GKeyFile* keyFile = nullptr;
    bool batching = false;
    bool unsaved = false;
    pelorn_preference_step_cb observer = nullptr;
    Writer* writer = nullptr; // while writes go behind
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

void Forget(PreferenceFile& prefs)
{
    g_key_file_free(prefs.keyFile);
    prefs.keyFile = nullptr;
    prefs.identity.clear();
}

/* Loads the file again when another process (or a test) replaced it. */
GKeyFile* Load()
{
    PreferenceFile& prefs = Prefs();
    std::string dir = std::string(pelorn_state_dir()) + "/preferences";
    std::string path = dir + "/" + pelorn_app_id() + ".ini";
    // Within a batch the values in memory are the ones about to be written.
    if (prefs.keyFile && prefs.path == path && prefs.batching)
        return prefs.keyFile;
    if (Writer* writer = prefs.writer)
    {
        std::lock_guard<std::mutex> hold(writer->lock);
        // Values on their way to the disk are newer than the disk.
        if (prefs.keyFile && prefs.path == path && (writer->pending || writer->writing))
            return prefs.keyFile;
        if (writer->failed && prefs.keyFile)
            Forget(prefs);
        else if (!writer->written.empty() && prefs.keyFile)
            prefs.identity = writer->written;
        writer->failed = false;
        writer->written.clear();
    }
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
            dlog_print(DLOG_ERROR, PREF_LOG_TAG, "preference file %s unreadable (%s); starting empty",
                       path.c_str(), why.empty() ? "gone" : why.c_str());
        else if (!g_key_file_load_from_data(prefs.keyFile, contents.data(), contents.size(),
                                            G_KEY_FILE_KEEP_COMMENTS, &error))
        {
            dlog_print(DLOG_ERROR, PREF_LOG_TAG, "preference file %s unreadable (%s); starting empty",
                       path.c_str(), error ? error->message : "?");
            g_clear_error(&error);
        }
    }
    return prefs.keyFile;
}

void Step(const char* step)
{
    if (Prefs().observer)
        Prefs().observer(step);
}

bool WriteAll(int fd, const char* data, size_t length)
{
    while (length > 0)
    {
        ssize_t n = write(fd, data, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        length -= (size_t)n;
    }
    return true;
}

/* A temporary file beside the real one, synced, renamed over it: the file
 * is always either the old one or the new one, whole. */
bool WriteFile(const std::string& path, const std::string& contents, std::string& why)
{
    std::string temporary = path + ".XXXXXX";
    int fd = g_mkstemp_full(&temporary[0], O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0)
    {
        why = g_strerror(errno);
        return false;
    }
    Step("created");
    const size_t half = contents.size() / 2;
    bool ok = WriteAll(fd, contents.data(), half);
    Step("half-written");
    ok = ok && WriteAll(fd, contents.data() + half, contents.size() - half) && fsync(fd) == 0;
    if (!ok)
        why = g_strerror(errno);
    if (close(fd) != 0 && ok)
    {
        why = g_strerror(errno);
        ok = false;
    }
    Step("written");
    if (ok && rename(temporary.c_str(), path.c_str()) != 0)
    {
        why = g_strerror(errno);
        ok = false;
    }
    if (!ok)
    {
        unlink(temporary.c_str());
        return false;
    }
    Step("renamed");
    return true;
}

void WriteBehindLoop(Writer* writer)
{
    std::unique_lock<std::mutex> hold(writer->lock);
    for (;;)
    {
        writer->wake.wait(hold, [writer] { return writer->pending || writer->stop; });
        if (!writer->pending)
            break;
        const std::string path = std::move(writer->path), data = std::move(writer->data);
        writer->pending = false;
        writer->writing = true;
        hold.unlock();
        std::string why;
        const bool saved = WriteFile(path, data, why);
        if (!saved)
            dlog_print(DLOG_ERROR, PREF_LOG_TAG, "cannot save %s: %s", path.c_str(), why.c_str());
        const std::string identity = saved ? Identity(path) : std::string();
        hold.lock();
        writer->writing = false;
        writer->failed = !saved;
        writer->written = identity;
        writer->idle.notify_all();
    }
}

/* Hands the file's new contents to the writer, in place of any not yet
 * written. A folder that cannot take the file is refused here and now. */
int SaveBehind(PreferenceFile& prefs, std::string contents)
{
    const std::string dir = std::string(pelorn_state_dir()) + "/preferences";
    struct stat st;
    int problem = 0;
    if (stat(dir.c_str(), &st) != 0)
        problem = errno;
    else if (!S_ISDIR(st.st_mode))
        problem = ENOTDIR;
    else if (access(dir.c_str(), W_OK | X_OK) != 0)
        problem = errno;
    if (problem)
    {
        dlog_print(DLOG_ERROR, PREF_LOG_TAG, "cannot save %s: %s", prefs.path.c_str(), g_strerror(problem));
        Forget(prefs);
        return PREFERENCE_ERROR_IO_ERROR;
    }
    Writer* writer = prefs.writer;
    std::lock_guard<std::mutex> hold(writer->lock);
    writer->path = prefs.path;
    writer->data = std::move(contents);
    writer->pending = true;
    writer->wake.notify_one();
    return PREFERENCE_ERROR_NONE;
}

int Save()
{
    PreferenceFile& prefs = Prefs();
    if (prefs.batching)
    {
        prefs.unsaved = true;
        return PREFERENCE_ERROR_NONE;
    }
    gsize length = 0;
    gchar* data = g_key_file_to_data(prefs.keyFile, &length, nullptr);
    if (prefs.writer)
    {
        std::string contents(data ? data : "", data ? length : 0);
        g_free(data);
        return SaveBehind(prefs, std::move(contents));
    }
    std::string why;
    const bool saved = data && WriteFile(prefs.path, std::string(data, length), why);
    g_free(data);
    if (!saved)
    {
        dlog_print(DLOG_ERROR, PREF_LOG_TAG, "cannot save %s: %s", prefs.path.c_str(), why.c_str());
        // A failed set must not be read back: forget the change, reload next time.
        Forget(prefs);
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

/* Reads one typed value; *value is left alone unless the key holds one of
 * that type. take turns GLib's value into ours (and frees what it must). */
template <typename T, typename G, typename Take>
int GetTyped(const char* key, T* value, G (*get)(GKeyFile*, const gchar*, const gchar*, GError**), Take take)
{
    GKeyFile* keyFile;
    int ret = Lookup(key, keyFile);
    if (ret != PREFERENCE_ERROR_NONE || !value)
        return value ? ret : PREFERENCE_ERROR_INVALID_PARAMETER;
    GError* error = nullptr;
    G v = get(keyFile, PREF_GROUP, key, &error);
    take(v, error ? nullptr : value);
    if (!error)
        return PREFERENCE_ERROR_NONE;
    g_error_free(error);
    return PREFERENCE_ERROR_IO_ERROR;
}

template <typename T, typename G> void Assign(G v, T* value)
{
    if (value)
        *value = v;
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
    return GetTyped(key, value, g_key_file_get_integer, Assign<int, gint>);
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
    return GetTyped(key, value, g_key_file_get_double, Assign<double, gdouble>);
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
    // With a bad escape in the value GLib reports an error and still hands
    // back what it decoded so far, which is ours to free.
    return GetTyped(key, value, g_key_file_get_string, [](gchar* v, char** out) {
        if (out)
            *out = strdup(v);
        g_free(v);
    });
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
    return GetTyped(key, value, g_key_file_get_boolean, Assign<bool, gboolean>);
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

void pelorn_preference_batch_begin(void)
{
    Load();
    Prefs().batching = true;
}

int pelorn_preference_batch_commit(void)
{
    PreferenceFile& prefs = Prefs();
    const bool unsaved = prefs.unsaved;
    prefs.batching = false;
    prefs.unsaved = false;
    return unsaved && prefs.keyFile ? Save() : PREFERENCE_ERROR_NONE;
}

void pelorn_preference_write_behind(int on)
{
    PreferenceFile& prefs = Prefs();
    if (on && !prefs.writer)
    {
        Writer* writer = new Writer;
        try
        {
            writer->thread = std::thread(WriteBehindLoop, writer);
        }
        catch (const std::system_error& e)
        {
            // No thread to spare: every set is on disk when it returns, as without.
            dlog_print(DLOG_ERROR, PREF_LOG_TAG, "preference writes stay in line: %s", e.what());
            delete writer;
            return;
        }
        prefs.writer = writer;
    }
    else if (!on && prefs.writer)
    {
        Writer* writer = prefs.writer;
        {
            std::lock_guard<std::mutex> hold(writer->lock);
            writer->stop = true;
            writer->wake.notify_one();
        }
        writer->thread.join(); // it writes what is pending first
        Load();                // takes in how the last write went
        prefs.writer = nullptr;
        delete writer;
    }
}

void pelorn_preference_set_step_observer(pelorn_preference_step_cb observer)
{
    Prefs().observer = observer;
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
        // Save writes "<file>.XXXXXX" and renames it over "<file>".
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
        dlog_print(DLOG_ERROR, PREF_LOG_TAG, "removed %d temporary files left by interrupted writes",
                   removed);
    return removed;
}
