#include "pelorn_link_state.h"

#include "dlog.h"
#include "pelorn_accessory_wire.h"
#include "vconf_store.h"

#include <errno.h>
#include <fcntl.h>
#include <glib-unix.h>
#include <glib.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/file.h>
#include "inotify_events.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace PelornSettingsStore;

namespace
{
const char* const LINK_LOG_TAG = "link-state";
const char* const KEY_CONNECTED = "memory/brig/brig_connected";
const char* const KEY_CONN_TYPE = "memory/private/kiv/conn_type";
// The kernel reports the dead peer's closed file a moment before it drops the
// peer's lock: look again a few times, only after such a report.
const guint RECHECK_MS = 50;
const int RECHECKS = 20;

class LinkStateMonitor
{
public:
    static LinkStateMonitor& Get()
    {
        static LinkStateMonitor* monitor = new LinkStateMonitor(); // lives to process exit
        return *monitor;
    }

    void Watch();
    void Refresh();
    void Repair();

private:
    enum class Presence
    {
        ABSENT,
        DEAD,
        ALIVE,
    };

    Presence Probe(int& connType) const;
    /* Writes the keys from what the file says; an absent file changes them
     * only when it went away while watched (someone else may own them then). */
    void Reconcile(bool fileEvent);
    bool DrainEvents();
    void ScheduleRecheck();

    static gboolean InotifyCb(gint fd, GIOCondition condition, gpointer data);
    static gboolean RecheckCb(gpointer data);

    std::string mPresencePath;
    std::string mPresenceName;
    int mInotifyFd = -1;
    guint mInotifyWatch = 0;
    guint mRecheck = 0;
    int mRechecksLeft = 0;
    bool mReconciling = false;
};

void LinkStateMonitor::Watch()
{
    const std::string socketPath = PelornAccessoryWire::SocketPath();
    const std::string presence = pelorn_link_presence_path(socketPath);
    if (mInotifyFd >= 0 && presence == mPresencePath)
        return;
    if (mInotifyWatch)
        g_source_remove(mInotifyWatch);
    mInotifyWatch = 0;
    if (mRecheck)
        g_source_remove(mRecheck);
    mRecheck = 0;
    mRechecksLeft = 0;
    if (mInotifyFd >= 0)
        close(mInotifyFd);
    mPresencePath = presence;
    gchar* base = g_path_get_basename(presence.c_str());
    mPresenceName = base;
    g_free(base);
    gchar* dir = g_path_get_dirname(presence.c_str());
    mInotifyFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (mInotifyFd < 0 || inotify_add_watch(mInotifyFd, dir,
                                            IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM |
                                                IN_CLOSE_WRITE | IN_MODIFY) < 0)
    {
        dlog_print(DLOG_ERROR, LINK_LOG_TAG, "cannot watch %s: %s", dir, g_strerror(errno));
        if (mInotifyFd >= 0)
            close(mInotifyFd);
        mInotifyFd = -1;
        g_free(dir);
        return;
    }
    g_free(dir);
    mInotifyWatch = g_unix_fd_add(mInotifyFd, G_IO_IN, InotifyCb, this);
    Reconcile(false);
}

void LinkStateMonitor::Refresh()
{
    if (mReconciling)
        return;
    // The first read starts the watch (and brings the keys up to date); the
    // runtime folder may also have changed since (tests move it).
    if (mInotifyFd < 0 || mPresencePath != pelorn_link_presence_path(PelornAccessoryWire::SocketPath()))
    {
        Watch();
        return;
    }
    if (DrainEvents())
        Reconcile(true);
}

void LinkStateMonitor::Repair()
{
    if (!mReconciling && mInotifyFd >= 0)
        Reconcile(false);
}

gboolean LinkStateMonitor::InotifyCb(gint, GIOCondition, gpointer data)
{
    LinkStateMonitor* self = static_cast<LinkStateMonitor*>(data);
    if (self->DrainEvents())
        self->Reconcile(true);
    return G_SOURCE_CONTINUE;
}

/* Answers whether any event concerned the presence file. */
bool LinkStateMonitor::DrainEvents()
{
    bool relevant = false;
    pelorn_inotify_drain(mInotifyFd, [this, &relevant](const struct inotify_event& event) {
        if ((event.mask & IN_Q_OVERFLOW) || (event.len > 0 && mPresenceName == event.name))
            relevant = true;
        if (event.mask & IN_CLOSE_WRITE && event.len > 0 && mPresenceName == event.name)
            mRechecksLeft = RECHECKS;
    });
    return relevant;
}

LinkStateMonitor::Presence LinkStateMonitor::Probe(int& connType) const
{
    connType = 0;
    int fd = open(mPresencePath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return Presence::ABSENT;
    struct stat st;
    Presence presence = Presence::DEAD;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == getuid())
    {
        // A shared lock granted means nobody holds the peer's exclusive one.
        if (flock(fd, LOCK_SH | LOCK_NB) == 0)
            flock(fd, LOCK_UN);
        else if (errno == EWOULDBLOCK)
            presence = Presence::ALIVE;
        char text[64] = {};
        ssize_t n = pread(fd, text, sizeof(text) - 1, 0);
        if (presence == Presence::ALIVE && n > 0 && strncmp(text, "conn_type=", 10) == 0)
            connType = atoi(text + 10);
    }
    close(fd);
    return presence;
}

void LinkStateMonitor::Reconcile(bool fileEvent)
{
    int connType = 0;
    const Presence presence = Probe(connType);
    if (presence == Presence::ABSENT && !fileEvent)
        return;
    if (presence == Presence::ALIVE && mRechecksLeft > 0)
        ScheduleRecheck();
    else
        mRechecksLeft = 0;
    const int connected = presence == Presence::ALIVE ? 1 : 0;
    mReconciling = true;
    int current = -1;
    if (GetInt(KEY_CONNECTED, &current) != VCONF_OK || current != connected)
    {
        // News, not a failure: the phone comes and goes.
        dlog_print(DLOG_INFO, LINK_LOG_TAG, "phone link %s", connected ? "up" : "down (the peer is gone)");
        SetBool(KEY_CONNECTED, connected);
    }
    if (GetInt(KEY_CONN_TYPE, &current) != VCONF_OK || current != connType)
        SetInt(KEY_CONN_TYPE, connType);
    mReconciling = false;
}

void LinkStateMonitor::ScheduleRecheck()
{
    if (!mRecheck)
        mRecheck = g_timeout_add(RECHECK_MS, RecheckCb, this);
}

gboolean LinkStateMonitor::RecheckCb(gpointer data)
{
    LinkStateMonitor* self = static_cast<LinkStateMonitor*>(data);
    self->mRecheck = 0;
    self->mRechecksLeft--;
    self->Reconcile(true);
    return G_SOURCE_REMOVE;
}
} // namespace

std::string pelorn_link_presence_path(const std::string& socketPath)
{
    return socketPath + ".alive";
}

int pelorn_link_presence_announce(const char* socket_path, int conn_type)
{
    if (!socket_path)
        return -1;
    const std::string path = pelorn_link_presence_path(socket_path);
    // Locked and filled before it takes its name, so a watcher never finds a
    // presence file that is not yet held.
    const std::string tmp = path + ".tmp." + std::to_string((long)getpid());
    int fd = open(tmp.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    const std::string text = "conn_type=" + std::to_string(conn_type) + "\n";
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || write(fd, text.data(), text.size()) != (ssize_t)text.size() ||
        rename(tmp.c_str(), path.c_str()) != 0)
    {
        unlink(tmp.c_str());
        close(fd);
        return -1;
    }
    return fd;
}

void pelorn_link_presence_withdraw(const char* socket_path, int fd)
{
    (void)socket_path;
    if (fd >= 0)
        close(fd);
}

void pelorn_link_state_watch(void)
{
    LinkStateMonitor::Get().Watch();
}

int pelorn_link_state_owns(const char* key)
{
    if (!key || (strcmp(key, KEY_CONNECTED) != 0 && strcmp(key, KEY_CONN_TYPE) != 0))
        return 0;
    struct stat st;
    return lstat(pelorn_link_presence_path(PelornAccessoryWire::SocketPath()).c_str(), &st) == 0;
}

void pelorn_link_state_refresh(void)
{
    LinkStateMonitor::Get().Refresh();
}

void pelorn_link_state_repair(void)
{
    LinkStateMonitor::Get().Repair();
}
