/* One running instance per application id. The first start listens on the
 * application's launch socket; a later start hands its command line to it
 * there and ends. */

#include "app_internal.h"

#include "app_control_private.h"
#include "dlog.h"
#include "pelorn_app_lock.h"
#include "pelorn_paths.h"

#include <errno.h>
#include <fcntl.h>
#include <glib/gstdio.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace PelornAppFramework
{
namespace
{
const gint64 ANSWER_GRACE_US = 300 * 1000;

bool ReadAll(int fd, std::string* out)
{
    char buf[1024];
    for (;;)
    {
        ssize_t n = read(fd, buf, sizeof(buf));
        if (n == 0)
            return true;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        out->append(buf, (size_t)n);
        if (out->size() > 1 << 20)
            return false;
    }
}

/* Waits for fd to become ready for events until the monotonic deadline (µs). */
bool WaitReady(int fd, short events, gint64 deadline)
{
    for (;;)
    {
        const gint64 left = deadline - g_get_monotonic_time();
        if (left <= 0)
            return false;
        struct pollfd p = {fd, events, 0};
        int n = poll(&p, 1, (int)((left + 999) / 1000));
        if (n < 0 && errno == EINTR)
            continue;
        return n > 0;
    }
}

/* The request carries the moment its sender stops waiting; the running
 * instance answers only before it. The sender listens a little longer than
 * that, so an answer given in time is not missed on the way. */
bool ForwardToRunning(int fd, const std::vector<std::string>& args, gint64 deadline)
{
    std::vector<const gchar*> strv;
    for (const std::string& a : args)
        strv.push_back(a.c_str());
    GVariant* v = g_variant_ref_sink(
        g_variant_new("(x@as)", (gint64)deadline, g_variant_new_strv(strv.data(), (gssize)strv.size())));
    const char* bytes = static_cast<const char*>(g_variant_get_data(v));
    size_t left = g_variant_get_size(v);
    bool ok = true;
    while (ok && left > 0)
    {
        ssize_t n = send(fd, bytes, left, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        {
            ok = WaitReady(fd, POLLOUT, deadline);
            continue;
        }
        ok = n > 0;
        if (ok)
        {
            bytes += n;
            left -= (size_t)n;
        }
    }
    g_variant_unref(v);
    shutdown(fd, SHUT_WR);
    char ack = 0;
    return ok && WaitReady(fd, POLLIN, deadline + ANSWER_GRACE_US) && read(fd, &ack, 1) == 1 && ack == 1;
}

gint64 HandOverDeadline()
{
    return g_get_monotonic_time() + (gint64)HandOverMs() * 1000;
}

/* Takes the start-up lock without ever blocking past the deadline: a wedged
 * holder must not queue every later launcher behind it. */
bool LockUntil(int fd, gint64 deadline)
{
    while (flock(fd, LOCK_EX | LOCK_NB) != 0)
    {
        if (errno != EWOULDBLOCK && errno != EINTR)
            return false;
        if (g_get_monotonic_time() >= deadline)
            return false;
        g_usleep(10 * 1000);
    }
    return true;
}

} // namespace

std::vector<std::string> ArgsOf(int argc, char** argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        if (argv[i])
            args.push_back(argv[i]);
    return args;
}

void HandLaunchRequest(const std::vector<std::string>& args)
{
    app_control_h request = pelorn_app_control_from_args(args);
    if (gApp.callbacks.app_control)
        gApp.callbacks.app_control(request, gApp.userData);
    app_control_destroy(request);
}

/* A later start of the same application handed its command line over. The
 * request is taken (its reply socket connected) before the sender is told,
 * so the sender may end right away. */
gboolean LaunchSocketCb(gint fd, GIOCondition condition, gpointer data)
{
    int conn = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (conn < 0)
        return G_SOURCE_CONTINUE;
    struct timeval tv = {2, 0};
    setsockopt(conn, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
    std::string bytes;
    std::vector<std::string> args;
    gint64 senderDeadline = 0;
    bool ok = ReadAll(conn, &bytes) && pelorn_launch_request_decode(bytes, &senderDeadline, &args);
    if (!ok)
    {
        dlog_print(DLOG_ERROR, TAG, "unreadable launch request dropped");
        close(conn);
        return G_SOURCE_CONTINUE;
    }
    // The sender waits until its deadline and reports failure after it: a
    // request that comes in later (this instance was stopped or busy) was
    // given up and must not be carried out behind its sender's back.
    if (g_get_monotonic_time() >= senderDeadline)
    {
        dlog_print(DLOG_ERROR, TAG, "launch request dropped: its sender gave up %lld ms ago",
                   (long long)((g_get_monotonic_time() - senderDeadline) / 1000));
        close(conn);
        return G_SOURCE_CONTINUE;
    }
    // Taken (its reply socket connected) before the sender is told, so the
    // sender may end right away; dropped with it when the sender is gone.
    app_control_h request = pelorn_app_control_from_args(args);
    const char ack = 1;
    if (send(conn, &ack, 1, MSG_NOSIGNAL) != 1)
    {
        dlog_print(DLOG_ERROR, TAG, "launch request dropped: its sender is gone");
        app_control_destroy(request);
        close(conn);
        return G_SOURCE_CONTINUE;
    }
    close(conn);

    if (gApp.callbacks.app_control)
        gApp.callbacks.app_control(request, gApp.userData);
    app_control_destroy(request);
    // A launch brings a backgrounded application to the front.
    gApp.windowLowered = false;
    if (gApp.state == LifeState::PAUSED)
        Resume();
    TakeFocus();
    return G_SOURCE_CONTINUE;
}

/* How long a later start waits for the running instance to take its request,
 * lock and socket included (PELORN_HANDOVER_MS, for tests). */
long HandOverMs()
{
    const char* env = getenv("PELORN_HANDOVER_MS");
    long ms = env ? strtol(env, nullptr, 10) : 0;
    return ms > 0 ? ms : 2000;
}

/* Either becomes the running instance of the application id (listening on
 * its launch socket) or hands the launch request to the one that is. The
 * lock file keeps two simultaneous starts from both taking the first role. */
InstanceRole ClaimInstance(const std::vector<std::string>& args)
{
    const std::string dir = pelorn_app_runtime_subdir("apps");
    const std::string base = dir + "/" + pelorn_app_id();
    gApp.launchPath = base + ".launch";
    struct sockaddr_un addr;
    if (!pelorn_unix_address(gApp.launchPath, &addr))
        return InstanceRole::FAILED;

    const gint64 deadline = HandOverDeadline();
    int lockFd = open((base + ".launch.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd < 0)
        return InstanceRole::FAILED;
    if (!LockUntil(lockFd, deadline))
    {
        close(lockFd);
        return InstanceRole::NOT_TAKEN;
    }

    InstanceRole role = InstanceRole::FAILED;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    int connected = fd >= 0 ? connect(fd, (struct sockaddr*)&addr, sizeof(addr)) : -1;
    // A full backlog (the instance is stopped or not reading) is a running
    // instance too: try again until the deadline, never block on it.
    while (connected != 0 && fd >= 0 && errno == EAGAIN && g_get_monotonic_time() < deadline)
    {
        g_usleep(20 * 1000);
        connected = connect(fd, (struct sockaddr*)&addr, sizeof(addr));
    }
    if (connected != 0 && fd >= 0 && errno == EAGAIN)
    {
        close(fd);
        flock(lockFd, LOCK_UN);
        close(lockFd);
        return InstanceRole::NOT_TAKEN;
    }
    if (connected == 0)
    {
        // Others may hand over at the same time; only becoming the instance needs the lock.
        flock(lockFd, LOCK_UN);
        close(lockFd);
        lockFd = -1;
        role = ForwardToRunning(fd, args, deadline) ? InstanceRole::FORWARDED : InstanceRole::NOT_TAKEN;
        close(fd);
    }
    else
    {
        if (fd >= 0)
            close(fd);
        g_unlink(gApp.launchPath.c_str());
        // What app_manager_is_running asks about. Held before the launch socket
        // appears, so whoever finds the socket also finds the application running.
        const bool locked = pelorn_app_hold_running_lock(pelorn_app_id()) == 0;
        fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd >= 0 && bind(fd, (struct sockaddr*)&addr, sizeof(addr)) == 0 && listen(fd, 8) == 0)
        {
            gApp.launchFd = fd;
            role = InstanceRole::FIRST;
        }
        else
        {
            if (fd >= 0)
                close(fd);
            if (locked)
                pelorn_app_release_running_lock(pelorn_app_id());
        }
    }
    if (lockFd >= 0)
    {
        flock(lockFd, LOCK_UN);
        close(lockFd);
    }
    return role;
}

/* The person who typed the second start learns where the request went. */
void SayHandedOver(const char* program)
{
    gchar* name = g_path_get_basename(program ? program : pelorn_app_id());
    printf("%s: handed to the running app\n", name);
    fflush(stdout);
    g_free(name);
}

void ReleaseInstance()
{
    if (gApp.launchWatch)
    {
        g_source_remove(gApp.launchWatch);
        gApp.launchWatch = 0;
    }
    if (gApp.launchFd >= 0)
    {
        close(gApp.launchFd);
        gApp.launchFd = -1;
        g_unlink(gApp.launchPath.c_str());
        pelorn_app_release_running_lock(pelorn_app_id());
    }
}
} // namespace PelornAppFramework
