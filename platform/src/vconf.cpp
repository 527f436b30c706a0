#include "vconf.h"

#include "dlog.h"
#include "inotify_events.h"
#include "pelorn_bounded_read.h"
#include "pelorn_link_state.h"
#include "pelorn_paths.h"
#include "pelorn_settings_keys.h"
#include "pelorn_store_cleanup.h"

#include <errno.h>
#include <fcntl.h>
#include <glib-unix.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <map>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <set>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#define VCONF_LOG_TAG "vconf"

struct _keynode_t
{
    std::string name;
    int type = VCONF_TYPE_NONE;
    int intValue = 0;
    double dblValue = 0.0;
    std::string strValue;
};

namespace
{
/* A key's file holds one value; writes past this are refused, so a larger
 * file was not written by this store and is not read. */
const size_t kMaxStoredBytes = 1024 * 1024;

struct StoredValue
{
    int type = VCONF_TYPE_NONE;
    std::string text; // the value as stored, after "<type>:"
};

struct Watcher
{
    vconf_callback_fn cb;
    void* userData;
};

struct WatchedKey
{
    std::string dir;      // the folder whose inotify watch covers the key's file
    std::string name;     // the file's name in it
    std::string identity; // what the file was when last heard of
    std::vector<Watcher> watchers;
};

std::map<std::string, WatchedKey>& WatchedKeys()
{
    static std::map<std::string, WatchedKey> keys;
    return keys;
}

/* One inotify descriptor for every watched key, one watch per folder that
 * holds one. A key is replaced by renaming a new file over it, so its folder
 * is watched rather than the file. (GIO's file monitors did this too, but
 * loading GIO for them was a tenth of what start-up costs above a bare window.) */
struct KeyWatch
{
    int fd = -1;
    std::map<int, std::string> dirOfWatch;
    std::map<std::string, int> watchOfDir;
};

KeyWatch& Watch()
{
    static KeyWatch* watch = new KeyWatch(); // its main-loop source outlives static destructors
    return *watch;
}

void CheckKey(const std::string& key);

gboolean OnKeyFolderEvents(gint fd, GIOCondition, gpointer)
{
    KeyWatch& watch = Watch();
    std::set<std::string> changed; // several events for one replace make one check
    pelorn_inotify_drain(fd, [&watch, &changed](const struct inotify_event& event) {
        if (event.mask & IN_Q_OVERFLOW)
        {
            // Events were lost: every key is looked at again.
            for (const auto& entry : WatchedKeys())
                changed.insert(entry.first);
            return;
        }
        auto dir = watch.dirOfWatch.find(event.wd);
        if (dir == watch.dirOfWatch.end())
            return;
        if (event.mask & IN_IGNORED)
        {
            // The folder itself went away; its keys are not heard of again.
            dlog_print(DLOG_ERROR, VCONF_LOG_TAG, "settings folder %s is gone: its keys are no longer watched",
                       dir->second.c_str());
            watch.watchOfDir.erase(dir->second);
            watch.dirOfWatch.erase(dir);
            return;
        }
        if (event.len == 0)
            return;
        for (const auto& entry : WatchedKeys())
            if (entry.second.dir == dir->second && entry.second.name == event.name)
                changed.insert(entry.first);
    });
    for (const std::string& key : changed)
        CheckKey(key);
    return G_SOURCE_CONTINUE;
}

bool WatchFolder(const std::string& dir)
{
    KeyWatch& watch = Watch();
    if (watch.watchOfDir.count(dir))
        return true;
    if (watch.fd < 0)
    {
        watch.fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (watch.fd < 0)
            return false;
        g_unix_fd_add(watch.fd, G_IO_IN, OnKeyFolderEvents, nullptr); // for the process's life
    }
    // No IN_CREATE: a file written in place is heard when it is closed,
    // complete, not while it is still empty.
    int wd = inotify_add_watch(watch.fd, dir.c_str(),
                               IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM | IN_CLOSE_WRITE | IN_ATTRIB | IN_ONLYDIR);
    if (wd < 0)
        return false;
    watch.dirOfWatch[wd] = dir;
    watch.watchOfDir[dir] = wd;
    return true;
}

void UnwatchFolderIfUnused(const std::string& dir)
{
    for (const auto& entry : WatchedKeys())
        if (entry.second.dir == dir)
            return;
    KeyWatch& watch = Watch();
    auto it = watch.watchOfDir.find(dir);
    if (it == watch.watchOfDir.end())
        return;
    inotify_rm_watch(watch.fd, it->second);
    watch.dirOfWatch.erase(it->second);
    watch.watchOfDir.erase(it);
}

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

/* A file that is not exactly "<letter>:<value>\n" with a value of its type is
 * treated as unreadable, never as a value. */
bool ReadStored(const char* key, StoredValue& value)
{
    std::string path;
    if (!KeyPath(key, path))
    {
        dlog_print(DLOG_ERROR, VCONF_LOG_TAG, "invalid key name [%s]", key ? key : "(null)");
        return false;
    }
    std::string stored;
    std::string why;
    if (!pelorn_read_bounded_file(path, kMaxStoredBytes, stored, &why))
    {
        if (!why.empty())
            dlog_print(DLOG_ERROR, VCONF_LOG_TAG, "key [%s] refused: %s", key, why.c_str());
        return false;
    }
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

std::string FileIdentity(const std::string& path)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return "absent";
    return std::to_string(st.st_ino) + ":" + std::to_string(st.st_mtim.tv_sec) + "." +
           std::to_string(st.st_mtim.tv_nsec) + ":" + std::to_string(st.st_size);
}

void FillNode(const std::string& key, keynode_t& node)
{
    node.name = key;
    StoredValue stored;
    if (!ReadStored(key.c_str(), stored))
        return;
    node.type = stored.type;
    node.strValue = stored.text;
    if (stored.type == VCONF_TYPE_INT || stored.type == VCONF_TYPE_BOOL)
        ParseInt(stored.text, node.intValue);
    else if (stored.type == VCONF_TYPE_DOUBLE)
        ParseDouble(stored.text, node.dblValue);
}

void CheckKey(const std::string& key)
{
    auto it = WatchedKeys().find(key);
    if (it == WatchedKeys().end())
        return;
    std::string path;
    KeyPath(key.c_str(), path);
    // One replace arrives as several events; only a new file identity is a change.
    std::string identity = FileIdentity(path);
    if (identity == it->second.identity)
        return;
    it->second.identity = identity;

    keynode_t node;
    FillNode(key, node);
    std::vector<Watcher> watchers = it->second.watchers; // a callback may add or remove watchers
    for (const Watcher& watcher : watchers)
        watcher.cb(&node, watcher.userData);
}
} // namespace

int vconf_set_int(const char* in_key, const int intval)
{
    return WriteStored(in_key, VCONF_TYPE_INT, std::to_string(intval));
}

int vconf_set_bool(const char* in_key, const int boolval)
{
    return WriteStored(in_key, VCONF_TYPE_BOOL, boolval ? "1" : "0");
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
    if (IsLinkKey(in_key))
        pelorn_link_state_refresh();
    StoredValue stored;
    if (!intval || !ReadStored(in_key, stored))
        return VCONF_ERROR;
    if (stored.type != VCONF_TYPE_INT && stored.type != VCONF_TYPE_BOOL)
        return VCONF_ERROR_WRONG_TYPE;
    return ParseInt(stored.text, *intval) ? VCONF_OK : VCONF_ERROR;
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
    StoredValue stored;
    return ReadStored(in_key, stored) ? stored.type : VCONF_TYPE_NONE;
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

int vconf_notify_key_changed(const char* in_key, vconf_callback_fn cb, void* user_data)
{
    if (IsLinkKey(in_key))
        pelorn_link_state_watch();
    std::string path;
    if (!cb || !KeyPath(in_key, path))
        return VCONF_ERROR;
    auto& keys = WatchedKeys();
    auto it = keys.find(in_key);
    if (it == keys.end())
    {
        gchar* base = g_path_get_basename(path.c_str());
        gchar* folder = g_path_get_dirname(path.c_str());
        g_mkdir_with_parents(folder, 0700);
        const bool watched = WatchFolder(folder);
        if (!watched)
            dlog_print(DLOG_ERROR, VCONF_LOG_TAG, "cannot watch key [%s]: %s", in_key, g_strerror(errno));
        else
        {
            it = keys.emplace(in_key, WatchedKey()).first;
            it->second.dir = folder;
            it->second.name = base;
            it->second.identity = FileIdentity(path);
        }
        g_free(base);
        g_free(folder);
        if (!watched)
            return VCONF_ERROR;
    }
    it->second.watchers.push_back(Watcher{cb, user_data});
    return VCONF_OK;
}

int vconf_ignore_key_changed(const char* in_key, vconf_callback_fn cb)
{
    if (!in_key)
        return VCONF_ERROR;
    auto& keys = WatchedKeys();
    auto it = keys.find(in_key);
    if (it == keys.end())
        return VCONF_ERROR;
    auto& watchers = it->second.watchers;
    size_t before = watchers.size();
    for (auto w = watchers.begin(); w != watchers.end();)
        w = (w->cb == cb) ? watchers.erase(w) : w + 1;
    if (watchers.size() == before)
        return VCONF_ERROR;
    if (watchers.empty())
    {
        const std::string dir = it->second.dir;
        keys.erase(it);
        UnwatchFolderIfUnused(dir);
    }
    return VCONF_OK;
}

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

const char* vconf_keynode_get_name(keynode_t* keynode)
{
    return keynode ? keynode->name.c_str() : nullptr;
}

int vconf_keynode_get_type(keynode_t* keynode)
{
    return keynode ? keynode->type : VCONF_TYPE_NONE;
}

int vconf_keynode_get_int(keynode_t* keynode)
{
    return keynode ? keynode->intValue : 0;
}

int vconf_keynode_get_bool(keynode_t* keynode)
{
    return keynode ? keynode->intValue != 0 : 0;
}

double vconf_keynode_get_dbl(keynode_t* keynode)
{
    return keynode ? keynode->dblValue : 0.0;
}

char* vconf_keynode_get_str(keynode_t* keynode)
{
    if (!keynode || keynode->type != VCONF_TYPE_STRING)
        return nullptr;
    return const_cast<char*>(keynode->strValue.c_str());
}
