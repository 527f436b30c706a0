/* The main window: which one it is, whether it is on the screen, and what an
 * observer outside the process may ask to see of it (the first frame, the
 * launch effect, screenshots). */

#include "app_internal.h"

#include "app_control_private.h"

#include "dlog.h"
#include "pelorn_paths.h"
#include "pelorn_screenshot.h"
#include "pelorn_trace.h"

#include <Ecore.h>
#include <Ecore_Evas.h>
#include <Ecore_X.h>
#include <dlfcn.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <unistd.h>

namespace PelornAppFramework
{
namespace
{
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

bool MainWindowOnScreen()
{
    Evas_Object* win = gApp.mainWindow;
    return win && evas_object_visible_get(win) && !elm_win_iconified_get(win) && !elm_win_withdrawn_get(win) &&
           !gApp.windowLowered;
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

/* The window's X window when it is on an X server without a window manager
 * (a bare Xvfb or Xephyr), else 0: there the application does the manager's
 * part for its own window. */
Ecore_X_Window UnmanagedXWindow(Evas_Object* win)
{
    const char* engine =
        win ? ecore_evas_engine_name_get(ecore_evas_ecore_evas_get(evas_object_evas_get(win))) : nullptr;
    if (!engine || !strstr(engine, "x11"))
        return 0;
    Ecore_X_Window xwin = elm_win_xwindow_get(win);
    Ecore_X_Window manager = 0;
    if (!xwin || ecore_x_window_prop_window_get(ecore_x_window_root_first_get(),
                                                ECORE_X_ATOM_NET_SUPPORTING_WM_CHECK, &manager, 1) > 0)
        return 0;
    return xwin;
}

/* Nobody marks the mapped window normal, so elementary takes it for
 * withdrawn: it never draws and the application never resumes. */
void MarkNormal(Ecore_X_Window xwin)
{
    dlog_print(DLOG_INFO, TAG, "no window manager: the window is marked normal by the app");
    ecore_x_icccm_state_set(xwin, ECORE_X_WINDOW_STATE_HINT_NORMAL);
    ecore_x_flush();
}

/* Nobody hands out the keyboard either: the keys would go to whatever lies
 * under the pointer, or nowhere. The window takes the focus when it comes on
 * the screen and when it is clicked, as a manager would give it; the focus
 * coming in is what resumes a lowered application. */
Eina_Bool UnmanagedWindowMappedCb(void* data, int type, void* event)
{
    Ecore_X_Event_Window_Show* ev = static_cast<Ecore_X_Event_Window_Show*>(event);
    if (ev && gApp.mainWindow && ev->win == UnmanagedXWindow(gApp.mainWindow))
        TakeFocus();
    return ECORE_CALLBACK_PASS_ON;
}

Eina_Bool UnmanagedWindowPressedCb(void* data, int type, void* event)
{
    Ecore_Event_Mouse_Button* ev = static_cast<Ecore_Event_Mouse_Button*>(event);
    if (ev && gApp.mainWindow && !elm_win_focus_get(gApp.mainWindow) &&
        ev->window == UnmanagedXWindow(gApp.mainWindow))
    {
        ecore_x_window_raise((Ecore_X_Window)ev->window);
        TakeFocus();
    }
    return ECORE_CALLBACK_PASS_ON;
}

/* The popup of another program held the keyboard; the server hands it to the
 * desktop when that window goes, not back to this one. */
void LaunchedAppDone()
{
    if (gApp.state == LifeState::RUNNING && !gApp.windowLowered)
        TakeFocus();
}

void ManageFocusWithoutWindowManager(Ecore_X_Window xwin)
{
    static bool watching = false;
    if (!watching)
    {
        watching = true;
        pelorn_launched_app_done_hook = LaunchedAppDone;
        ecore_event_handler_add(ECORE_X_EVENT_WINDOW_SHOW, UnmanagedWindowMappedCb, nullptr);
        ecore_event_handler_add(ECORE_EVENT_MOUSE_BUTTON_DOWN, UnmanagedWindowPressedCb, nullptr);
    }
    if (ecore_x_window_visible_get(xwin))
        TakeFocus();
}

} // namespace

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

void WatchLaunchEffect()
{
    if (gApp.launchEffectWatched || !gApp.mainWindow)
        return;
    gApp.launchEffectWatched = true;
    evas_event_callback_add(evas_object_evas_get(gApp.mainWindow), EVAS_CALLBACK_RENDER_POST, LaunchFrameRenderedCb,
                            nullptr);
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

void TakeFocus()
{
    Ecore_X_Window xwin = UnmanagedXWindow(gApp.mainWindow);
    if (!xwin)
        return;
    dlog_print(DLOG_INFO, TAG, "no window manager: the window takes the keyboard");
    ecore_x_window_focus(xwin);
}

void WindowDelCb(void* data, Evas* e, Evas_Object* obj, void* event)
{
    if (obj != gApp.mainWindow)
        return;
    gApp.mainWindow = nullptr;
    if (gApp.inLoop)
        elm_exit();
}

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
    gApp.windowLowered = false;
    if (Ecore_X_Window xwin = UnmanagedXWindow(win))
    {
        MarkNormal(xwin);
        ManageFocusWithoutWindowManager(xwin);
    }
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
} // namespace PelornAppFramework

using namespace PelornAppFramework;

/* On the watch, lowering the application's window hands the screen to the
 * home screen and the framework pauses the application. A desktop window
 * manager keeps a lowered window in sight and tells nobody, so the framework
 * watches the call itself. Without a manager the keyboard goes back to the
 * desktop too, so that a click (or a launch) can bring the window back. */
extern "C" void elm_win_lower(Evas_Object* obj)
{
    typedef void (*LowerFn)(Evas_Object*);
    static LowerFn real = (LowerFn)dlsym(RTLD_NEXT, "elm_win_lower");
    if (real)
        real(obj);
    if (obj && obj == gApp.mainWindow)
    {
        gApp.windowLowered = true;
        if (UnmanagedXWindow(obj))
            ecore_x_window_focus(ecore_x_window_root_first_get());
        WindowStateChanged();
    }
}
