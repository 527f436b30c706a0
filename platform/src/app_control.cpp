#include "app_control.h"

#include "app_control_private.h"
#include "dlog.h"
#include "pelorn_install.h"
#include "pelorn_paths.h"

#include <errno.h>
#include <fcntl.h>
#include <glib-unix.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <memory>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

#ifndef PELORN_BUILD_DIR
#define PELORN_BUILD_DIR ""
#endif

#define TAG "pelorn-platform"

namespace
{
/* The callee's end of a reply socket. Shared by every copy of the request,
 * so the launcher hears "no answer" only once the last copy is gone. */
struct ReplyChannel
{
    int fd = -1;
    ~ReplyChannel()
    {
        if (fd >= 0)
            close(fd);
    }
};

/* The process that holds a launch request which has not been answered yet:
 * the started one, or the running instance it handed the request on to. */
struct LaunchedCallee
{
    pid_t pid = 0;
};
} // namespace

struct app_control_s
{
    std::string appId;
    std::vector<std::pair<std::string, std::string>> extras;
    std::shared_ptr<ReplyChannel> reply;
    std::shared_ptr<LaunchedCallee> callee;
};

namespace
{
const char REPLY_VARIANT_TYPE[] = "(ia{ss})";
/* As much as a launch request may carry. */
const size_t MAX_REPLY_BYTES = 1 << 20;

bool FillSockaddr(const std::string& path, struct sockaddr_un* addr)
{
    memset(addr, 0, sizeof(*addr));
    addr->sun_family = AF_UNIX;
    if (path.size() >= sizeof(addr->sun_path))
        return false;
    memcpy(addr->sun_path, path.c_str(), path.size() + 1);
    return true;
}

std::vector<std::pair<std::string, std::string>>::iterator FindExtra(app_control_h ac, const char* key)
{
    for (auto it = ac->extras.begin(); it != ac->extras.end(); ++it)
        if (it->first == key)
            return it;
    return ac->extras.end();
}

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
    if (!FillSockaddr(path, &addr))
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
} // namespace

namespace
{
/* A launch request names where the answer goes. Only a socket our own
 * launches made is acceptable: directly in the replies folder of our private
 * runtime folder, a socket, ours. Anything else would let whoever writes a
 * launch request make the application connect (and answer) anywhere. */
bool ReplySocketAllowed(const std::string& path)
{
    const std::string dir = pelorn_app_runtime_subdir("replies") + "/";
    const std::string name = path.compare(0, dir.size(), dir) == 0 ? path.substr(dir.size()) : std::string();
    struct stat st;
    const bool ok = !name.empty() && name.find('/') == std::string::npos && name != "." && name != ".." &&
                    lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == getuid();
    if (!ok)
        dlog_print(DLOG_ERROR, TAG, "reply socket refused: %s is not one of ours in %s", path.c_str(), dir.c_str());
    return ok;
}
} // namespace

std::string pelorn_app_runtime_subdir(const char* name)
{
    std::string dir = std::string(pelorn_runtime_dir()) + "/" + name;
    g_mkdir_with_parents(dir.c_str(), 0700);
    return dir;
}

namespace
{
/* The variant owns an aligned copy of the bytes and frees it with itself;
 * nullptr when the bytes are not a value of that type in normal form (only
 * those are safe to take apart without further checks). */
GVariant* NormalVariant(const std::string& bytes, const char* type)
{
    GBytes* copy = g_bytes_new(bytes.data(), bytes.size());
    GVariant* v = g_variant_ref_sink(g_variant_new_from_bytes(G_VARIANT_TYPE(type), copy, FALSE));
    g_bytes_unref(copy);
    if (g_variant_is_normal_form(v))
        return v;
    g_variant_unref(v);
    return nullptr;
}
} // namespace

bool pelorn_launch_request_decode(const std::string& bytes, gint64* senderDeadline, std::vector<std::string>* args)
{
    GVariant* v = bytes.empty() ? nullptr : NormalVariant(bytes, "(xas)");
    if (!v)
        return false;
    GVariant* strvValue = nullptr;
    g_variant_get(v, "(x@as)", senderDeadline, &strvValue);
    gsize n = 0;
    const gchar** strv = g_variant_get_strv(strvValue, &n);
    for (gsize i = 0; i < n; ++i)
        args->push_back(strv[i]);
    g_free(strv);
    g_variant_unref(strvValue);
    g_variant_unref(v);
    return true;
}

bool pelorn_app_control_reply_decode(const std::string& bytes, int* result,
                                     std::vector<std::pair<std::string, std::string>>* extras)
{
    GVariant* v = bytes.empty() ? nullptr : NormalVariant(bytes, REPLY_VARIANT_TYPE);
    if (!v)
        return false;
    gint32 code = 0;
    GVariantIter* iter = nullptr;
    g_variant_get(v, "(ia{ss})", &code, &iter);
    // Only the results a launcher knows; any other number is not a reply.
    const bool known = code == APP_CONTROL_RESULT_APP_STARTED || code == APP_CONTROL_RESULT_SUCCEEDED ||
                       code == APP_CONTROL_RESULT_FAILED || code == APP_CONTROL_RESULT_CANCELED;
    const gchar* key;
    const gchar* value;
    while (known && g_variant_iter_next(iter, "{&s&s}", &key, &value))
        extras->emplace_back(key, value);
    g_variant_iter_free(iter);
    g_variant_unref(v);
    if (known)
        *result = code;
    return known;
}

app_control_h pelorn_app_control_from_args(const std::vector<std::string>& args)
{
    app_control_h ac = nullptr;
    app_control_create(&ac);
    ac->appId = pelorn_app_id();
    for (const std::string& arg : args)
    {
        if (arg == "--launch-searching")
        {
            app_control_add_extra_data(ac, "launchSearching", "true");
        }
        else if (arg.rfind("--extra=", 0) == 0)
        {
            std::string kv = arg.substr(8);
            size_t eq = kv.find('=');
            if (eq == std::string::npos || eq == 0)
                continue;
            app_control_add_extra_data(ac, kv.substr(0, eq).c_str(), kv.substr(eq + 1).c_str());
        }
        else if (arg.rfind("--reply-socket=", 0) == 0)
        {
            struct sockaddr_un addr;
            if (!ReplySocketAllowed(arg.substr(15)) || !FillSockaddr(arg.substr(15), &addr))
                continue;
            int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (fd < 0)
                continue;
            if (connect(fd, (struct sockaddr*)&addr, sizeof(addr)) != 0)
            {
                dlog_print(DLOG_ERROR, TAG, "reply socket %s: %s", addr.sun_path, strerror(errno));
                close(fd);
                continue;
            }
            ac->reply = std::make_shared<ReplyChannel>();
            ac->reply->fd = fd;
        }
    }
    return ac;
}

int app_control_create(app_control_h* app_control)
{
    if (!app_control)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    *app_control = new app_control_s();
    return APP_CONTROL_ERROR_NONE;
}

int app_control_destroy(app_control_h app_control)
{
    if (!app_control)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    delete app_control;
    return APP_CONTROL_ERROR_NONE;
}

int app_control_clone(app_control_h* clone, app_control_h app_control)
{
    if (!clone || !app_control)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    *clone = new app_control_s(*app_control);
    return APP_CONTROL_ERROR_NONE;
}

int app_control_set_app_id(app_control_h app_control, const char* app_id)
{
    if (!app_control)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    app_control->appId = app_id ? app_id : "";
    return APP_CONTROL_ERROR_NONE;
}

int app_control_get_app_id(app_control_h app_control, char** app_id)
{
    if (!app_control || !app_id)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    *app_id = strdup(app_control->appId.c_str());
    return APP_CONTROL_ERROR_NONE;
}

int app_control_add_extra_data(app_control_h app_control, const char* key, const char* value)
{
    if (!app_control || !key || !*key || !value)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    if (strncmp(key, "__", 2) == 0)
        return APP_CONTROL_ERROR_KEY_REJECTED;
    auto it = FindExtra(app_control, key);
    if (it != app_control->extras.end())
        it->second = value;
    else
        app_control->extras.emplace_back(key, value);
    return APP_CONTROL_ERROR_NONE;
}

int app_control_get_extra_data(app_control_h app_control, const char* key, char** value)
{
    if (!app_control || !key || !value)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    auto it = FindExtra(app_control, key);
    if (it == app_control->extras.end())
        return APP_CONTROL_ERROR_KEY_NOT_FOUND;
    *value = strdup(it->second.c_str());
    return APP_CONTROL_ERROR_NONE;
}

int app_control_remove_extra_data(app_control_h app_control, const char* key)
{
    if (!app_control || !key)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    auto it = FindExtra(app_control, key);
    if (it == app_control->extras.end())
        return APP_CONTROL_ERROR_KEY_NOT_FOUND;
    app_control->extras.erase(it);
    return APP_CONTROL_ERROR_NONE;
}

int app_control_foreach_extra_data(app_control_h app_control, app_control_extra_data_cb callback, void* user_data)
{
    if (!app_control || !callback)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    std::vector<std::string> keys;
    for (const auto& kv : app_control->extras)
        keys.push_back(kv.first);
    for (const std::string& key : keys)
        if (!callback(app_control, key.c_str(), user_data))
            break;
    return APP_CONTROL_ERROR_NONE;
}

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
    gboolean spawned = g_spawn_async(nullptr, argv.data(), envp, (GSpawnFlags)flags, nullptr, nullptr, &pid, &error);
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

int app_control_reply_to_launch_request(app_control_h reply, app_control_h request, app_control_result_e result)
{
    if (!reply || !request)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    if (!request->reply || request->reply->fd < 0)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;

    GVariantBuilder extras;
    g_variant_builder_init(&extras, G_VARIANT_TYPE("a{ss}"));
    for (const auto& kv : reply->extras)
        g_variant_builder_add(&extras, "{ss}", kv.first.c_str(), kv.second.c_str());
    GVariant* v = g_variant_ref_sink(g_variant_new("(ia{ss})", (gint32)result, &extras));
    const char* bytes = static_cast<const char*>(g_variant_get_data(v));
    size_t left = g_variant_get_size(v);
    int ret = APP_CONTROL_ERROR_NONE;
    while (left > 0)
    {
        ssize_t n = send(request->reply->fd, bytes, left, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
        {
            ret = APP_CONTROL_ERROR_IO_ERROR;
            break;
        }
        bytes += n;
        left -= (size_t)n;
    }
    g_variant_unref(v);
    close(request->reply->fd);
    request->reply->fd = -1;
    return ret;
}
