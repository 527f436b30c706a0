/* Starting the application a request is for, as a program of its id, and
 * waiting for its reply on a socket of our own when the caller wants one. */

#include "app_control.h"

#include "app_control_private.h"
#include "dlog.h"
#include "pelorn_install.h"

#include <errno.h>
#include <glib-unix.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <memory>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#define TAG "pelorn-platform"

void (*pelorn_launched_app_done_hook)(void) = nullptr;

namespace
{
/* As much as a launch request may carry. */
const size_t MAX_REPLY_BYTES = 1 << 20;

std::string FindProgram(const std::string& appId)
{
    std::vector<std::string> dirs;
    const char* env = getenv("PELORN_APPS_DIR");
    if (env && *env)
        dirs.push_back(env);
    gchar* self = g_file_read_link("/proc/self/exe", nullptr);
    if (self)
    {
        gchar* dir = g_path_get_dirname(self);
        dirs.push_back(dir);
        g_free(dir);
        g_free(self);
    }
    const char* build = getenv("PELORN_BUILD_DIR");
    if (build && *build)
        dirs.push_back(build);
    if (gchar* own = pelorn_own_dir(PELORN_OWN_HELPERS))
    {
        dirs.push_back(own);
        g_free(own);
    }
    for (const std::string& dir : dirs)
    {
        std::string candidate = dir + "/" + appId;
        if (g_file_test(candidate.c_str(), G_FILE_TEST_IS_EXECUTABLE) &&
            !g_file_test(candidate.c_str(), G_FILE_TEST_IS_DIR))
            return candidate;
    }
    return std::string();
}

/* One launch that waits for its reply. Lives until the reply was delivered
 * and the started process was reaped. */
struct PendingLaunch
{
    app_control_h request = nullptr;
    app_control_reply_cb callback = nullptr;
    void* userData = nullptr;
    std::string socketPath;
    int listenFd = -1;
    int connFd = -1;
    guint listenWatch = 0;
    guint connWatch = 0;
    bool delivered = false;
    bool reaped = false;
    std::string received;
    std::shared_ptr<LaunchedCallee> callee = std::make_shared<LaunchedCallee>();

    ~PendingLaunch()
    {
        if (listenWatch)
            g_source_remove(listenWatch);
        if (connWatch)
            g_source_remove(connWatch);
        CloseListener();
        if (connFd >= 0)
            close(connFd);
        app_control_destroy(request);
    }

    void CloseListener()
    {
        if (listenFd < 0)
            return;
        close(listenFd);
        listenFd = -1;
        g_unlink(socketPath.c_str());
    }
};

void FinishIfDone(PendingLaunch* p)
{
    if (p->delivered && p->reaped)
        delete p;
}

void Deliver(PendingLaunch* p)
{
    if (p->delivered)
        return;
    p->delivered = true;
    p->callee->pid = 0; // answered, or gone: nothing left to end
    if (p->connWatch)
    {
        g_source_remove(p->connWatch);
        p->connWatch = 0;
    }
    if (p->listenWatch)
    {
        g_source_remove(p->listenWatch);
        p->listenWatch = 0;
    }
    p->CloseListener();

    app_control_h reply = nullptr;
    app_control_create(&reply);
    app_control_result_e result = APP_CONTROL_RESULT_CANCELED;
    if (!p->received.empty())
    {
        int code = 0;
        if (pelorn_app_control_reply_decode(p->received, &code, &reply->extras))
            result = (app_control_result_e)code;
        else
            dlog_print(DLOG_ERROR, TAG, "malformed reply from %s dropped", p->request->appId.c_str());
    }
    if (p->callback)
        p->callback(p->request, reply, result, p->userData);
    app_control_destroy(reply);
    if (pelorn_launched_app_done_hook)
        pelorn_launched_app_done_hook();
    FinishIfDone(p);
}

gboolean ConnReadableCb(gint fd, GIOCondition condition, gpointer data)
{
    PendingLaunch* p = static_cast<PendingLaunch*>(data);
    char buf[4096];
    ssize_t n = read(fd, buf, sizeof(buf));
    if (n > 0)
    {
        p->received.append(buf, (size_t)n);
        if (p->received.size() <= MAX_REPLY_BYTES)
            return G_SOURCE_CONTINUE;
        // No reply is that big: stop reading and answer the launcher as if none came.
        dlog_print(DLOG_ERROR, TAG, "oversized reply from %s dropped", p->request->appId.c_str());
        p->received.clear();
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return G_SOURCE_CONTINUE;
    p->connWatch = 0;
    Deliver(p);
    return G_SOURCE_REMOVE;
}

bool AcceptCallee(PendingLaunch* p)
{
    int fd = accept4(p->listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0)
        return false;
    p->connFd = fd;
    struct ucred peer = {};
    socklen_t peerLength = sizeof(peer);
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &peerLength) == 0 && peer.pid > 0)
        p->callee->pid = peer.pid;
    p->CloseListener();
    p->connWatch = g_unix_fd_add(fd, (GIOCondition)(G_IO_IN | G_IO_HUP | G_IO_ERR), ConnReadableCb, p);
    return true;
}

gboolean ListenReadableCb(gint fd, GIOCondition condition, gpointer data)
{
    PendingLaunch* p = static_cast<PendingLaunch*>(data);
    if (AcceptCallee(p))
    {
        p->listenWatch = 0;
        return G_SOURCE_REMOVE;
    }
    return G_SOURCE_CONTINUE;
}

/* The started process may have handed the request on to a running instance
 * and ended; that instance connects before the hand-over is acknowledged,
 * so a connection is already queued when this runs. None means nobody took
 * the request. */
void ChildExitedCb(GPid pid, gint status, gpointer data)
{
    PendingLaunch* p = static_cast<PendingLaunch*>(data);
    g_spawn_close_pid(pid);
    p->reaped = true;
    if (p->callee->pid == pid)
        p->callee->pid = 0;
    if (!p->delivered && p->connFd < 0 && p->listenFd >= 0 && !AcceptCallee(p))
    {
        dlog_print(DLOG_ERROR, TAG, "%s ended (status %d) without taking the request", p->request->appId.c_str(),
                   status);
        Deliver(p);
        return;
    }
    FinishIfDone(p);
}

int ListenOn(const std::string& path)
{
    struct sockaddr_un addr;
    if (!pelorn_unix_address(path, &addr))
        return -1;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    g_unlink(path.c_str());
    if (bind(fd, (struct sockaddr*)&addr, sizeof(addr)) != 0 || listen(fd, 4) != 0)
    {
        close(fd);
        return -1;
    }
    return fd;
}

/* Child set-up of a launch that asks for an answer: the program asked dies
 * with the caller, as its question does. Left running, a popup whose app was
 * killed waited on the screen for an answer nobody would hear. Only calls
 * that are safe between fork and exec; the caller passes its own pid. */
void EndWithTheCaller(gpointer caller)
{
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr); // the caller's blocked SIGTERM must not keep it alive
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != (pid_t)GPOINTER_TO_INT(caller))
        raise(SIGTERM); // the caller went before the tie was made
}
} // namespace

int app_control_send_launch_request(app_control_h app_control, app_control_reply_cb callback, void* user_data)
{
    if (!app_control || app_control->appId.empty())
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    const std::string program = FindProgram(app_control->appId);
    if (program.empty())
    {
        dlog_print(DLOG_ERROR, TAG, "no program for %s", app_control->appId.c_str());
        return APP_CONTROL_ERROR_APP_NOT_FOUND;
    }

    std::vector<std::string> args{program};
    for (const auto& kv : app_control->extras)
        args.push_back("--extra=" + kv.first + "=" + kv.second);

    std::unique_ptr<PendingLaunch> pending;
    if (callback)
    {
        static unsigned sequence = 0;
        pending.reset(new PendingLaunch());
        pending->socketPath = pelorn_app_runtime_subdir("replies") + "/" + std::to_string((long)getpid()) + "-" +
                              std::to_string(++sequence) + ".sock";
        pending->listenFd = ListenOn(pending->socketPath);
        if (pending->listenFd < 0)
        {
            dlog_print(DLOG_ERROR, TAG, "cannot listen on %s: %s", pending->socketPath.c_str(), strerror(errno));
            return APP_CONTROL_ERROR_LAUNCH_FAILED;
        }
        args.push_back("--reply-socket=" + pending->socketPath);
        app_control_clone(&pending->request, app_control);
        pending->callback = callback;
        pending->userData = user_data;
    }

    std::vector<gchar*> argv;
    for (std::string& a : args)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);
    gchar** envp = g_environ_setenv(g_get_environ(), "PELORN_APP_ID", app_control->appId.c_str(), TRUE);
    int flags = G_SPAWN_DO_NOT_REAP_CHILD;
    // A started program that inits elementary leaves efreetd holding its
    // output; keep the launcher's own stdout/stderr out of its reach.
    if (!getenv("PELORN_CHILD_OUTPUT"))
        flags |= G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL;
    GPid pid = 0;
    GError* error = nullptr;
    gboolean spawned =
        g_spawn_async(nullptr, argv.data(), envp, (GSpawnFlags)flags, pending ? EndWithTheCaller : nullptr,
                      GINT_TO_POINTER((gint)getpid()), &pid, &error);
    g_strfreev(envp);
    if (!spawned)
    {
        dlog_print(DLOG_ERROR, TAG, "cannot start %s: %s", program.c_str(), error ? error->message : "?");
        g_clear_error(&error);
        return APP_CONTROL_ERROR_LAUNCH_FAILED;
    }

    if (!pending)
    {
        g_child_watch_add(pid, [](GPid p, gint, gpointer) { g_spawn_close_pid(p); }, nullptr);
        return APP_CONTROL_ERROR_NONE;
    }
    PendingLaunch* p = pending.release();
    p->callee->pid = pid;
    app_control->callee = p->callee;
    p->listenWatch = g_unix_fd_add(p->listenFd, G_IO_IN, ListenReadableCb, p);
    g_child_watch_add(pid, ChildExitedCb, p);
    return APP_CONTROL_ERROR_NONE;
}

int app_control_send_terminate_request(app_control_h app_control)
{
    if (!app_control || !app_control->callee || app_control->callee->pid <= 0)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    if (kill(app_control->callee->pid, SIGTERM) != 0)
        return APP_CONTROL_ERROR_IO_ERROR;
    app_control->callee->pid = 0;
    return APP_CONTROL_ERROR_NONE;
}

