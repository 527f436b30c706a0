#include "UiTestHarness.h"

#include "TestEnvironment.h"

#include <algorithm>

#include "TerminationWatch.h"

#include "pelorn_mainloop.h"
#include "pelorn_resources.h"
#include "pelorn_screenshot.h"

#include <Ecore_Evas.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <stdlib.h>

namespace PelornTest
{
namespace
{
struct LoopWait
{
    const std::function<bool()>* cond;
    double deadline;
    bool result;
    bool timerAlive;
};

/* Checks the condition between loop iterations and ends the loop run. */
Eina_Bool PollConditionCb(void* data)
{
    LoopWait* wait = static_cast<LoopWait*>(data);
    wait->result = (*wait->cond)();
    if (wait->result || ecore_time_get() >= wait->deadline)
    {
        wait->timerAlive = false;
        ecore_main_loop_quit();
        return ECORE_CALLBACK_CANCEL;
    }
    return ECORE_CALLBACK_RENEW;
}

void WindowDelCb(void* data, Evas* evas, Evas_Object* obj, void* eventInfo)
{
    Evas_Object** slot = static_cast<Evas_Object**>(data);
    if (*slot == obj)
        *slot = nullptr;
}
} // namespace

UiTestHarness& UiTestHarness::Get()
{
    static UiTestHarness* harness = new UiTestHarness();
    return *harness;
}

UiTestHarness::UiTestHarness()
{
    // The engine and the quiet toolkit come from the test main.
    setenv("ELM_SCALE", "1.0", 0);
    setenv("ELM_ACCEL", "none", 0);
    static char arg0[] = "pelorn-ui-test";
    static char* argv[] = {arg0, nullptr};
    elm_init(1, argv);
    TerminationWatch::Arm();
    pelorn_mainloop_integrate_glib();
    pelorn_circle_theme_load();
    elm_config_scale_set(1.0);
}

Evas_Object* UiTestHarness::Window()
{
    if (!mWindow)
    {
        mWindow = elm_win_add(nullptr, "pelorn-test", ELM_WIN_BASIC);
        evas_object_event_callback_add(mWindow, EVAS_CALLBACK_DEL, WindowDelCb, &mWindow);
        Evas_Object* bg = elm_bg_add(mWindow);
        elm_bg_color_set(bg, 0, 0, 0);
        evas_object_size_hint_weight_set(bg, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
        elm_win_resize_object_add(mWindow, bg);
        evas_object_show(bg);
        evas_object_resize(mWindow, SCREEN_SIZE, SCREEN_SIZE);
        evas_object_show(mWindow);
    }
    return mWindow;
}

void UiTestHarness::Target(Evas_Object* win)
{
    if (mTarget)
        evas_object_event_callback_del_full(mTarget, EVAS_CALLBACK_DEL, WindowDelCb, &mTarget);
    mTarget = win;
    if (win)
    {
        evas_object_event_callback_add(win, EVAS_CALLBACK_DEL, WindowDelCb, &mTarget);
        evas_object_resize(win, SCREEN_SIZE, SCREEN_SIZE);
        evas_object_show(win);
    }
}

Evas* UiTestHarness::Canvas()
{
    return evas_object_evas_get(mTarget ? mTarget : Window());
}

bool UiTestHarness::RunUntil(const std::function<bool()>& cond, int timeoutMs)
{
    if (cond())
        return true;
    // Only a hang ends the wait: never before PelornTest::HANG_MS.
    LoopWait wait{&cond, ecore_time_get() + std::max(timeoutMs, PelornTest::HANG_MS) / 1000.0, false, true};
    Ecore_Timer* poll = ecore_timer_add(0.005, PollConditionCb, &wait);
    ecore_main_loop_begin();
    // Someone else (elm_exit, a test callback) may have ended the loop run.
    if (wait.timerAlive)
        ecore_timer_del(poll);
    return cond();
}

void UiTestHarness::RunFor(int ms)
{
    const double until = ecore_time_get() + ms / 1000.0;
    RunUntil([until] { return ecore_time_get() >= until; }, ms + 1000);
}

void UiTestHarness::Settle(int ms)
{
    RunFor(ms);
    if (Ecore_Evas* ee = ecore_evas_ecore_evas_get(Canvas()))
        ecore_evas_manual_render(ee);
}

void UiTestHarness::Tap(int x, int y)
{
    Evas* evas = Canvas();
    evas_event_feed_mouse_move(evas, x, y, mTimestamp++, nullptr);
    evas_event_feed_mouse_down(evas, 1, EVAS_BUTTON_NONE, mTimestamp++, nullptr);
    evas_event_feed_mouse_up(evas, 1, EVAS_BUTTON_NONE, mTimestamp++, nullptr);
}

void UiTestHarness::PressKey(const char* keyname)
{
    Evas* evas = Canvas();
    evas_event_feed_key_down(evas, keyname, keyname, nullptr, nullptr, mTimestamp++, nullptr);
    evas_event_feed_key_up(evas, keyname, keyname, nullptr, nullptr, mTimestamp++, nullptr);
}

void UiTestHarness::Rotate(bool clockwise)
{
    Evas* evas = Canvas();
    evas_event_feed_mouse_move(evas, SCREEN_SIZE / 2, SCREEN_SIZE / 2, mTimestamp++, nullptr);
    evas_event_feed_mouse_wheel(evas, 0, clockwise ? 1 : -1, mTimestamp++, nullptr);
}

std::string UiTestHarness::Screenshot(const std::string& state)
{
    // Long enough for the theme's show transitions (0.2 s) to end.
    Settle(350);
    const std::string dir = BuiltProgram("test-artifacts");
    g_mkdir_with_parents(dir.c_str(), 0755);
    const std::string path = dir + "/" + state + ".png";
    return pelorn_window_save_png(mTarget ? mTarget : Window(), path.c_str()) ? path : std::string();
}
} // namespace PelornTest
