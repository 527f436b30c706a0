#include "app.h"

#include "app_control_private.h"
#include "dlog.h"
#include "pelorn_app_lock.h"
#include "pelorn_mainloop.h"
#include "pelorn_paths.h"
#include "pelorn_screenshot.h"
#include "pelorn_store_cleanup.h"
#include "pelorn_trace.h"
#include "vconf.h"

#include <Ecore.h>
#include <Ecore_Evas.h>
#include <Ecore_X.h>
#include <dlfcn.h>
#include <libintl.h>
#include <locale.h>
#include <errno.h>
#include <fcntl.h>
#include <glib-unix.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

#define TAG "pelorn-platform"

namespace
{
const char LAUNCH_REQUEST_TYPE[] = "(xas)"; // sender's deadline (monotonic µs), command line
const gint64 ANSWER_GRACE_US = 300 * 1000;
} // namespace

struct app_event_handler_s
{
    app_event_type_e type;
    app_event_cb callback;
    void* userData;
};

struct app_event_info_s
{
    app_event_type_e type;
    std::string text;
    int value;
};

namespace
{
enum class LifeState
{
    NONE,
    CREATED,
    RUNNING,
    PAUSED,
};

struct Framework
{
    ui_app_lifecycle_callback_s callbacks{};
    void* userData = nullptr;
    LifeState state = LifeState::NONE;
    bool inLoop = false;

    Evas_Object* mainWindow = nullptr;
    bool windowLowered = false;

    int launchFd = -1;
    guint launchWatch = 0;
    std::string launchPath;

    bool firstFrameWatched = false;
    bool launchEffectWatched = false;
    Ecore_Job* launchEffectJob = nullptr;
    Ecore_Timer* screenshotTimer = nullptr;
};

Framework gApp;

/* ---- application events ---- */

const int EVENT_TYPES = APP_EVENT_SUSPENDED_STATE_CHANGED + 1;
std::vector<app_event_handler_s*> gHandlers[EVENT_TYPES];

const char* EventKey(app_event_type_e type)
{
    switch (type)
    {
    case APP_EVENT_LANGUAGE_CHANGED:
        return "db/menu_widget/language";
    case APP_EVENT_REGION_FORMAT_CHANGED:
        return "db/menu_widget/regionformat";
    case APP_EVENT_LOW_BATTERY:
        return "memory/sysman/battery_status_low";
    case APP_EVENT_LOW_MEMORY:
        return "memory/sysman/low_memory";
    default:
        return nullptr;
    }
}

void Dispatch(app_event_type_e type, app_event_info_s* info)
{
    // A handler may remove itself (or another one) while being told.
    std::vector<app_event_handler_s*> handlers = gHandlers[type];
    for (app_event_handler_s* h : handlers)
    {
        auto& live = gHandlers[type];
        bool stillThere = false;
        for (app_event_handler_s* l : live)
            stillThere = stillThere || l == h;
        if (stillThere)
            h->callback(info, h->userData);
    }
}

void EventKeyChangedCb(keynode_t* node, void* data)
{
    app_event_type_e type = (app_event_type_e)GPOINTER_TO_INT(data);
    app_event_info_s info{type, std::string(), 0};
    int keyType = vconf_keynode_get_type(node);
    switch (type)
    {
    case APP_EVENT_LANGUAGE_CHANGED:
    case APP_EVENT_REGION_FORMAT_CHANGED:
    {
        const char* value = keyType == VCONF_TYPE_STRING ? vconf_keynode_get_str(node) : nullptr;
        if (!value || !*value)
            return;
        info.text = value;
        break;
    }
    case APP_EVENT_LOW_BATTERY:
        if (keyType != VCONF_TYPE_INT)
            return;
        info.value = vconf_keynode_get_int(node);
        if (info.value != APP_EVENT_LOW_BATTERY_POWER_OFF && info.value != APP_EVENT_LOW_BATTERY_CRITICAL_LOW)
            return;
        break;
    case APP_EVENT_LOW_MEMORY:
        if (keyType != VCONF_TYPE_INT)
            return;
        info.value = vconf_keynode_get_int(node);
        if (info.value < APP_EVENT_LOW_MEMORY_SOFT_WARNING)
            return;
        break;
    default:
        return;
    }
    Dispatch(type, &info);
}

/* ---- what a watcher outside the process may ask to see ---- */

/* PELORN_FIRST_FRAME_FD: a descriptor that gets "frame\n" once the window
 * has rendered after the first resume (start-up measurements); the start-up
 * timeline (PELORN_TRACE_STARTUP) ends there too. */
void FirstFrameRenderStartsCb(void* data, Evas* e, void* event)
{
    evas_event_callback_del(e, EVAS_CALLBACK_RENDER_PRE, FirstFrameRenderStartsCb);
    pelorn_trace_startup("first frame: rendering starts");
}

void FirstFrameRenderedCb(void* data, Evas* e, void* event)
{
    evas_event_callback_del(e, EVAS_CALLBACK_RENDER_POST, FirstFrameRenderedCb);
    pelorn_trace_startup("first frame");
    const char* fdText = getenv("PELORN_FIRST_FRAME_FD");
    int fd = fdText ? atoi(fdText) : -1;
    if (fd > 2)
    {
        (void)!write(fd, "frame\n", 6);
        close(fd);
    }
}

void WatchFirstFrame()
{
    const char* trace = getenv("PELORN_TRACE_STARTUP");
    if (gApp.firstFrameWatched || !gApp.mainWindow ||
        (!getenv("PELORN_FIRST_FRAME_FD") && !(trace && strcmp(trace, "1") == 0)))
        return;
    gApp.firstFrameWatched = true;
    evas_event_callback_add(evas_object_evas_get(gApp.mainWindow), EVAS_CALLBACK_RENDER_PRE,
                            FirstFrameRenderStartsCb, nullptr);
    evas_event_callback_add(evas_object_evas_get(gApp.mainWindow), EVAS_CALLBACK_RENDER_POST, FirstFrameRenderedCb,
                            nullptr);
}

/* The watch opens an application with a window effect and tells the window
 * "effect,done" (event info 1) when it has played; screens wait for it before
 * acting on a launch. Here the effect is over once the first frame is out. */
void LaunchEffectDoneJob(void* data)
{
    gApp.launchEffectJob = nullptr;
    if (gApp.mainWindow)
        evas_object_smart_callback_call(gApp.mainWindow, "effect,done", (void*)(intptr_t)1);
}

void LaunchFrameRenderedCb(void* data, Evas* e, void* event)
{
    evas_event_callback_del(e, EVAS_CALLBACK_RENDER_POST, LaunchFrameRenderedCb);
    if (!gApp.launchEffectJob)
        gApp.launchEffectJob = ecore_job_add(LaunchEffectDoneJob, nullptr);
}

void WatchLaunchEffect()
{
    if (gApp.launchEffectWatched || !gApp.mainWindow)
        return;
    gApp.launchEffectWatched = true;
    evas_event_callback_add(evas_object_evas_get(gApp.mainWindow), EVAS_CALLBACK_RENDER_POST, LaunchFrameRenderedCb,
                            nullptr);
}

/* PELORN_SCREENSHOT_DIR: without a display, the window's latest frame is kept
 * as "<dir>/<app id>.png" so a person can still see the screen. */
Eina_Bool ScreenshotTimerCb(void* data)
{
    gApp.screenshotTimer = nullptr;
    const char* dir = getenv("PELORN_SCREENSHOT_DIR");
    if (dir && gApp.mainWindow)
        pelorn_window_save_png(gApp.mainWindow, (std::string(dir) + "/" + pelorn_app_id() + ".png").c_str());
    return ECORE_CALLBACK_CANCEL;
}

void ScreenRenderedCb(void* data, Evas* e, void* event)
{
    if (!gApp.screenshotTimer)
        gApp.screenshotTimer = ecore_timer_add(0.3, ScreenshotTimerCb, nullptr);
}

/* ---- pause and resume ---- */

void AdoptMainWindow();

void Resume()
{
    if (gApp.state != LifeState::CREATED && gApp.state != LifeState::PAUSED)
        return;
    gApp.state = LifeState::RUNNING;
    if (gApp.callbacks.resume)
        gApp.callbacks.resume(gApp.userData);
    AdoptMainWindow();
    WatchFirstFrame();
    WatchLaunchEffect();
}

void Pause()
{
    if (gApp.state != LifeState::RUNNING)
        return;
    gApp.state = LifeState::PAUSED;
    if (gApp.callbacks.pause)
        gApp.callbacks.pause(gApp.userData);
}

bool MainWindowOnScreen()
{
    Evas_Object* win = gApp.mainWindow;
    return win && evas_object_visible_get(win) && !elm_win_iconified_get(win) && !elm_win_withdrawn_get(win) &&
           !gApp.windowLowered;
}

void WindowStateChanged()
{
    if (!gApp.inLoop)
        return;
    if (MainWindowOnScreen())
        Resume();
    else
        Pause();
}

void WindowSmartCb(void* data, Evas_Object* obj, void* event)
{
    WindowStateChanged();
}

void WindowFocusedCb(void* data, Evas_Object* obj, void* event)
{
    gApp.windowLowered = false;
    WindowStateChanged();
}

void WindowShowHideCb(void* data, Evas* e, Evas_Object* obj, void* event)
{
    if (evas_object_visible_get(obj))
        gApp.windowLowered = false;
    WindowStateChanged();
}

void WindowDelCb(void* data, Evas* e, Evas_Object* obj, void* event)
{
    if (obj != gApp.mainWindow)
        return;
    gApp.mainWindow = nullptr;
    if (gApp.inLoop)
        elm_exit();
}

Eina_Bool SignalExitCb(void* data, int type, void* event)
{
    dlog_print(DLOG_INFO, TAG, "exit signal: ending %s", pelorn_app_id());
    elm_exit();
    return ECORE_CALLBACK_PASS_ON; // others in the process may have to end too
}

/* The terminal the application was started from went away: nobody is left to
 * stop it, and it would keep its instance lock for good. */
Eina_Bool SignalHangUpCb(void* data, int type, void* event)
{
    dlog_print(DLOG_ERROR, TAG, "hang-up signal: ending %s", pelorn_app_id());
    elm_exit();
    return ECORE_CALLBACK_PASS_ON;
}

/* The toolkit takes over the usual signals when it starts and, when it shuts
 * down, leaves them caught and blocked. Whatever runs after the application
 * in the same process (and every program it starts then, which inherits the
 * mask) would never hear SIGTERM again, so the framework puts back what it
 * found. */
struct SignalState
{
    sigset_t mask;
    struct sigaction actions[NSIG];
    bool saved[NSIG] = {};

    void Save()
    {
        pthread_sigmask(SIG_SETMASK, nullptr, &mask);
        for (int sig = 1; sig < NSIG; ++sig)
            saved[sig] = sig != SIGKILL && sig != SIGSTOP && sigaction(sig, nullptr, &actions[sig]) == 0;
    }
    void Restore() const
    {
        for (int sig = 1; sig < NSIG; ++sig)
            if (saved[sig])
                sigaction(sig, &actions[sig], nullptr);
        pthread_sigmask(SIG_SETMASK, &mask, nullptr);
    }
};

/* On an X server without a window manager (a bare Xvfb or Xephyr) nobody
 * marks the mapped window normal, so elementary takes it for withdrawn: it
 * never draws and the application never resumes. Do what the manager would. */
void MarkNormalWithoutWindowManager(Evas_Object* win)
{
    const char* engine = ecore_evas_engine_name_get(ecore_evas_ecore_evas_get(evas_object_evas_get(win)));
    if (!engine || !strstr(engine, "x11"))
        return;
    Ecore_X_Window xwin = elm_win_xwindow_get(win);
    Ecore_X_Window manager = 0;
    if (!xwin || ecore_x_window_prop_window_get(ecore_x_window_root_first_get(),
                                                ECORE_X_ATOM_NET_SUPPORTING_WM_CHECK, &manager, 1) > 0)
        return;
    dlog_print(DLOG_INFO, TAG, "no window manager: the window is marked normal by the app");
    ecore_x_icccm_state_set(xwin, ECORE_X_WINDOW_STATE_HINT_NORMAL);
    ecore_x_flush();
}

/* The first window the application showed is the one the watch puts on its
 * screen. */
void AdoptMainWindow()
{
    if (gApp.mainWindow)
        return;
    Eina_List* list = ecore_evas_ecore_evas_list_get();
    Eina_List* l;
    void* data;
    EINA_LIST_FOREACH(list, l, data)
    {
        Evas_Object* win = static_cast<Evas_Object*>(ecore_evas_data_get(static_cast<Ecore_Evas*>(data), "elm_win"));
        if (!win || !evas_object_visible_get(win))
            continue;
        gApp.mainWindow = win;
        break;
    }
    eina_list_free(list);
    Evas_Object* win = gApp.mainWindow;
    if (!win)
        return;
    evas_object_resize(win, 360, 360);
    MarkNormalWithoutWindowManager(win);
    gApp.windowLowered = false;
    if (getenv("PELORN_SCREENSHOT_DIR"))
        evas_event_callback_add(evas_object_evas_get(win), EVAS_CALLBACK_RENDER_POST, ScreenRenderedCb, nullptr);
    evas_object_smart_callback_add(win, "iconified", WindowSmartCb, nullptr);
    evas_object_smart_callback_add(win, "normal", WindowSmartCb, nullptr);
    evas_object_smart_callback_add(win, "withdrawn", WindowSmartCb, nullptr);
    evas_object_smart_callback_add(win, "unwithdrawn", WindowSmartCb, nullptr);
    evas_object_smart_callback_add(win, "focused", WindowFocusedCb, nullptr);
    evas_object_event_callback_add(win, EVAS_CALLBACK_SHOW, WindowShowHideCb, nullptr);
    evas_object_event_callback_add(win, EVAS_CALLBACK_HIDE, WindowShowHideCb, nullptr);
    evas_object_event_callback_add(win, EVAS_CALLBACK_DEL, WindowDelCb, nullptr);
}

/* ---- launch requests ---- */

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

bool FillAddr(const std::string& path, struct sockaddr_un* addr)
{
    memset(addr, 0, sizeof(*addr));
    addr->sun_family = AF_UNIX;
    if (path.size() >= sizeof(addr->sun_path))
        return false;
    memcpy(addr->sun_path, path.c_str(), path.size() + 1);
    return true;
}

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
    return G_SOURCE_CONTINUE;
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

enum class InstanceRole
{
    FIRST,
    FORWARDED,
    FAILED,
    NOT_TAKEN,
};

/* How long a later start waits for the running instance to take its request,
 * lock and socket included (PELORN_HANDOVER_MS, for tests). */
long HandOverMs()
{
    const char* env = getenv("PELORN_HANDOVER_MS");
    long ms = env ? strtol(env, nullptr, 10) : 0;
    return ms > 0 ? ms : 2000;
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

/* Either becomes the running instance of the application id (listening on
 * its launch socket) or hands the launch request to the one that is. The
 * lock file keeps two simultaneous starts from both taking the first role. */
InstanceRole ClaimInstance(const std::vector<std::string>& args)
{
    const std::string dir = pelorn_app_runtime_subdir("apps");
    const std::string base = dir + "/" + pelorn_app_id();
    gApp.launchPath = base + ".launch";
    struct sockaddr_un addr;
    if (!FillAddr(gApp.launchPath, &addr))
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
} // namespace

/* On the watch, lowering the application's window hands the screen to the
 * home screen and the framework pauses the application. A desktop window
 * manager keeps a lowered window in sight and tells nobody, so the framework
 * watches the call itself. */
extern "C" void elm_win_lower(Evas_Object* obj)
{
    typedef void (*LowerFn)(Evas_Object*);
    static LowerFn real = (LowerFn)dlsym(RTLD_NEXT, "elm_win_lower");
    if (real)
        real(obj);
    if (obj && obj == gApp.mainWindow)
    {
        gApp.windowLowered = true;
        WindowStateChanged();
    }
}

/* The watch carries a locale for every language it offers; this machine may
 * have none but the C ones. When the language's locale is missing, messages
 * still follow it: GNU gettext reads LANGUAGE under a UTF-8 C locale. */
extern "C" void elm_language_set(const char* lang)
{
    typedef void (*LanguageFn)(const char*);
    static LanguageFn real = (LanguageFn)dlsym(RTLD_NEXT, "elm_language_set");
    if (lang && *lang && !setlocale(LC_ALL, lang))
    {
        std::string language(lang);
        language = language.substr(0, language.find_first_of(".@"));
        setlocale(LC_ALL, "C.UTF-8");
        setenv("LANGUAGE", language.c_str(), 1);
        textdomain(textdomain(nullptr)); // drops the message catalogues gettext cached
    }
    if (real)
        real(lang);
}

/* The watch's screen reader setting: with it on, elementary publishes the
 * application's widgets on the accessibility bus (AT-SPI), where a screen
 * reader reads them. */
static void ApplyScreenReaderSetting()
{
    int on = 0;
    if (vconf_get_bool("db/setting/accessibility/tts", &on) == VCONF_OK && on)
    {
        dlog_print(DLOG_INFO, TAG, "screen reader on: accessibility bus");
        elm_config_atspi_mode_set(EINA_TRUE);
    }
}

int ui_app_main(int argc, char** argv, ui_app_lifecycle_callback_s* callback, void* user_data)
{
    if (!callback || gApp.inLoop)
        return APP_ERROR_INVALID_PARAMETER;
    pelorn_trace_startup("ui_app_main");
    const std::vector<std::string> args = ArgsOf(argc, argv);

    switch (ClaimInstance(args))
    {
    case InstanceRole::FORWARDED:
        SayHandedOver(argc > 0 ? argv[0] : nullptr);
        return APP_ERROR_NONE;
    case InstanceRole::FAILED:
        dlog_print(DLOG_ERROR, TAG, "%s: cannot claim or reach the running instance", pelorn_app_id());
        return APP_ERROR_IO_ERROR;
    case InstanceRole::NOT_TAKEN:
        dlog_print(DLOG_ERROR, TAG, "%s: the running instance did not take the launch request in time",
                   pelorn_app_id());
        fprintf(stderr,
                "%s: the running instance did not take the launch request within %ld ms (stopped or busy);"
                " the request was dropped and will not be carried out\n",
                pelorn_app_id(), HandOverMs());
        return APP_ERROR_IO_ERROR;
    case InstanceRole::FIRST:
        break;
    }
    // Only now is this the one running instance: nobody else writes its preferences.
    pelorn_settings_clean_stale();
    pelorn_preference_clean_stale();

    gApp.callbacks = *callback;
    gApp.userData = user_data;
    gApp.state = LifeState::NONE;
    gApp.windowLowered = false;

    SignalState signalsBefore;
    signalsBefore.Save();
    pelorn_trace_startup("single instance claimed");
    elm_init(argc, argv);
    pelorn_trace_startup("elm_init");
    pelorn_mainloop_integrate_glib();
    ApplyScreenReaderSetting();
    elm_policy_set(ELM_POLICY_QUIT, ELM_POLICY_QUIT_LAST_WINDOW_CLOSED);
    Ecore_Event_Handler* signalExit = ecore_event_handler_add(ECORE_EVENT_SIGNAL_EXIT, SignalExitCb, nullptr);
    Ecore_Event_Handler* signalHangUp = ecore_event_handler_add(ECORE_EVENT_SIGNAL_HUP, SignalHangUpCb, nullptr);
    gApp.launchWatch = g_unix_fd_add(gApp.launchFd, G_IO_IN, LaunchSocketCb, nullptr);

    bool created = !gApp.callbacks.create || gApp.callbacks.create(gApp.userData);
    pelorn_trace_startup("create");
    if (created)
    {
        gApp.state = LifeState::CREATED;
        AdoptMainWindow();
        HandLaunchRequest(args);
        pelorn_trace_startup("launch request handed over");
        Resume();
        pelorn_trace_startup("resume, entering the main loop");
        gApp.inLoop = true;
        elm_run();
        gApp.inLoop = false;
        ReleaseInstance();
        Pause();
        if (gApp.callbacks.terminate)
            gApp.callbacks.terminate(gApp.userData);
    }
    else
    {
        dlog_print(DLOG_ERROR, TAG, "%s: create refused to run", pelorn_app_id());
    }
    ReleaseInstance();
    gApp.state = LifeState::NONE;
    gApp.firstFrameWatched = false;
    gApp.launchEffectWatched = false;
    if (gApp.launchEffectJob)
        ecore_job_del(gApp.launchEffectJob);
    gApp.launchEffectJob = nullptr;
    if (gApp.screenshotTimer)
        ecore_timer_del(gApp.screenshotTimer);
    gApp.screenshotTimer = nullptr;
    ecore_event_handler_del(signalExit);
    ecore_event_handler_del(signalHangUp);
    if (gApp.mainWindow)
    {
        evas_object_event_callback_del(gApp.mainWindow, EVAS_CALLBACK_DEL, WindowDelCb);
        gApp.mainWindow = nullptr;
    }
    elm_shutdown();
    signalsBefore.Restore();
    return APP_ERROR_NONE;
}

void ui_app_exit(void)
{
    elm_exit();
}

int ui_app_add_event_handler(app_event_handler_h* event_handler, app_event_type_e event_type, app_event_cb callback,
                             void* user_data)
{
    if (!event_handler || !callback || (int)event_type < 0 || (int)event_type >= EVENT_TYPES)
        return APP_ERROR_INVALID_PARAMETER;
    const char* key = EventKey(event_type);
    if (key && gHandlers[event_type].empty() &&
        vconf_notify_key_changed(key, EventKeyChangedCb, GINT_TO_POINTER(event_type)) != VCONF_OK)
        return APP_ERROR_IO_ERROR;
    app_event_handler_s* h = new app_event_handler_s{event_type, callback, user_data};
    gHandlers[event_type].push_back(h);
    *event_handler = h;
    return APP_ERROR_NONE;
}

int ui_app_remove_event_handler(app_event_handler_h event_handler)
{
    if (!event_handler)
        return APP_ERROR_INVALID_PARAMETER;
    for (int type = 0; type < EVENT_TYPES; ++type)
    {
        auto& list = gHandlers[type];
        for (auto it = list.begin(); it != list.end(); ++it)
        {
            if (*it != event_handler)
                continue;
            list.erase(it);
            delete event_handler;
            const char* key = EventKey((app_event_type_e)type);
            if (key && list.empty())
                vconf_ignore_key_changed(key, EventKeyChangedCb);
            return APP_ERROR_NONE;
        }
    }
    return APP_ERROR_INVALID_PARAMETER;
}

int app_event_get_language(app_event_info_h event_info, char** lang)
{
    if (!event_info || !lang || event_info->type != APP_EVENT_LANGUAGE_CHANGED)
        return APP_ERROR_INVALID_PARAMETER;
    *lang = strdup(event_info->text.c_str());
    return APP_ERROR_NONE;
}

int app_event_get_region_format(app_event_info_h event_info, char** region)
{
    if (!event_info || !region || event_info->type != APP_EVENT_REGION_FORMAT_CHANGED)
        return APP_ERROR_INVALID_PARAMETER;
    *region = strdup(event_info->text.c_str());
    return APP_ERROR_NONE;
}

int app_event_get_low_memory_status(app_event_info_h event_info, app_event_low_memory_status_e* status)
{
    if (!event_info || !status || event_info->type != APP_EVENT_LOW_MEMORY)
        return APP_ERROR_INVALID_PARAMETER;
    *status = (app_event_low_memory_status_e)event_info->value;
    return APP_ERROR_NONE;
}

int app_event_get_low_battery_status(app_event_info_h event_info, app_event_low_battery_status_e* status)
{
    if (!event_info || !status || event_info->type != APP_EVENT_LOW_BATTERY)
        return APP_ERROR_INVALID_PARAMETER;
    *status = (app_event_low_battery_status_e)event_info->value;
    return APP_ERROR_NONE;
}
