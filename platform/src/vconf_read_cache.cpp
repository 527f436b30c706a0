/* The settings store's memory of what its files held. A key's file costs an
 * open, a stat, a read and a close, and on the way from a tap to the phone
 * the first of those, coming after the toolkit's work, costs several times
 * what the others do. Each folder a read went to is watched: a file is read
 * again only once its folder told of a change to it (a write in place, a
 * rename over it, a removal, a change of owner), and the news is taken in at
 * the start of every read, so that a read after someone's write has finished
 * sees that write, as it would reading the file. */
#include "vconf_read_cache.h"

#include "dlog.h"
#include "inotify_events.h"
#include "pelorn_paths.h"

#include <errno.h>
#include <map>
#include <mutex>
#include <new>
#include <pthread.h>
#include <string.h>
#include <sys/inotify.h>
#include <unistd.h>
#include <unordered_map>

namespace PelornSettingsStore
{
namespace
{
// A settings folder holds tens of keys, the store a few folders; past these,
// reads go to the files again, as they did before anything was kept.
const size_t MAX_ENTRIES = 256;
const size_t MAX_FOLDERS = 64;
const size_t MAX_KEPT_BYTES = 4096;
const uint32_t FOLDER_EVENTS = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_MOVED_FROM | IN_MOVED_TO |
                               IN_CREATE | IN_DELETE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

struct Entry
{
    bool present = false;
    std::string contents;
};

class ReadCache
{
public:
    static ReadCache& Get()
    {
        static ReadCache* cache = new ReadCache(); // lives to process exit
        return *cache;
    }

    bool Lookup(const std::string& path, bool& present, std::string& contents)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        TakeNews();
        auto it = mEntries.find(path);
        if (it == mEntries.end())
            return false;
        present = it->second.present;
        contents = it->second.contents;
        return true;
    }

    int Watch(const std::string& folder)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        TakeNews();
        if (mFd < 0 && !mBroken)
        {
            mFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
            if (mFd < 0)
            {
                mBroken = true; // out of inotify instances: every read goes to its file
                dlog_print(DLOG_WARN, "vconf", "settings reads are not kept: %s", strerror(errno));
            }
        }
        if (mFd < 0)
            return -1;
        auto known = mWatchByFolder.find(folder);
        if (known != mWatchByFolder.end())
            return known->second;
        if (mWatchByFolder.size() >= MAX_FOLDERS)
            return -1;
        const int wd = inotify_add_watch(mFd, folder.c_str(), FOLDER_EVENTS);
        if (wd < 0)
            return -1; // no folder yet: nothing to keep, and its creation needs no news
        mWatchByFolder[folder] = wd;
        mFolderByWatch[wd] = folder;
        return wd;
    }

    void Keep(int wd, const std::string& path, bool present, const std::string& contents)
    {
        if (wd < 0 || contents.size() > MAX_KEPT_BYTES)
            return;
        std::lock_guard<std::mutex> lock(mMutex);
        // The folder's watch may have ended since the file was read (it went
        // away): what was read then has nobody to report its change.
        if (mForked || !mFolderByWatch.count(wd))
            return;
        if (mEntries.size() >= MAX_ENTRIES)
            mEntries.clear();
        Entry& entry = mEntries[path];
        entry.present = present;
        entry.contents = contents;
    }

    /* A child made by fork shares the parent's inotify descriptor: news it
     * read would be lost to the parent. It starts afresh instead. */
    static void ForkedChild()
    {
        ReadCache& cache = Get();
        new (&cache.mMutex) std::mutex(); // another thread may have held it at the fork
        cache.mForked = true;
    }

private:
    ReadCache()
    {
        pthread_atfork(nullptr, nullptr, ForkedChild);
    }

    void Reset()
    {
        if (mFd >= 0)
            close(mFd);
        mFd = -1;
        mEntries.clear();
        mWatchByFolder.clear();
        mFolderByWatch.clear();
    }

    void ForgetFolder(int wd, bool watchEnded)
    {
        auto it = mFolderByWatch.find(wd);
        if (it == mFolderByWatch.end())
            return;
        const std::string prefix = it->second + "/";
        for (auto e = mEntries.begin(); e != mEntries.end();)
            e = e->first.compare(0, prefix.size(), prefix) == 0 ? mEntries.erase(e) : std::next(e);
        if (!watchEnded)
            inotify_rm_watch(mFd, wd);
        mWatchByFolder.erase(it->second);
        mFolderByWatch.erase(it);
    }

    void TakeNews()
    {
        // Tests (and only tests) move the folders between cases.
        const unsigned generation = pelorn_paths_generation();
        if (mForked || generation != mGeneration)
        {
            Reset(); // a child closes only its own copy of the parent's descriptor
            mForked = false;
            mGeneration = generation;
            return;
        }
        if (mFd < 0)
            return;
        // Events left for the next read may concern what is kept: let it go.
        if (!pelorn_inotify_drain(mFd, [this](const struct inotify_event& event) { Take(event); }))
            mEntries.clear();
    }

    void Take(const struct inotify_event& event)
    {
        if (event.mask & IN_Q_OVERFLOW)
        {
            mEntries.clear();
            return;
        }
        if (event.mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT))
        {
            // The folder went, or moved to where its keys' paths no longer lead.
            ForgetFolder(event.wd, (event.mask & IN_IGNORED) != 0);
            return;
        }
        auto it = mFolderByWatch.find(event.wd);
        if (it != mFolderByWatch.end() && event.len > 0)
            mEntries.erase(it->second + "/" + event.name);
    }

    std::mutex mMutex;
    int mFd = -1;
    bool mBroken = false;
    bool mForked = false;
    unsigned mGeneration = 0;
    std::unordered_map<std::string, Entry> mEntries;
    std::map<std::string, int> mWatchByFolder;
    std::map<int, std::string> mFolderByWatch;
};
} // namespace

bool ReadCacheLookup(const std::string& path, bool& present, std::string& contents)
{
    return ReadCache::Get().Lookup(path, present, contents);
}

int ReadCacheWatch(const std::string& folder)
{
    return ReadCache::Get().Watch(folder);
}

void ReadCacheKeep(int watch, const std::string& path, bool present, const std::string& contents)
{
    ReadCache::Get().Keep(watch, path, present, contents);
}
} // namespace PelornSettingsStore
