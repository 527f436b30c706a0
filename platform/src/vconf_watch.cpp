/* Watching settings keys: one inotify descriptor for the process, a watch
 * per folder holding a watched key, and each change told to the key's
 * watchers with the value as it is then. */

#include "vconf.h"

#include "dlog.h"
#include "inotify_events.h"
#include "pelorn_link_state.h"
#include "vconf_store.h"

#include <errno.h>
#include <glib-unix.h>
#include <glib.h>
#include <map>
#include <set>
#include <string.h>
#include <string>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <vector>

#define VCONF_LOG_TAG "vconf"

using namespace PelornSettingsStore;

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
