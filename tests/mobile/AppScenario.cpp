#include "AppScenario.h"

#include "PelornApplication.h"
#include "TestEnvironment.h"
#include "pelorn_screenshot.h"

#include <Ecore.h>
#include <Ecore_Input.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <string.h>

namespace PelornTest
{
AppScenario& AppScenario::Then(const std::string& name, std::function<void()> act, std::function<bool()> done)
{
    mSteps.push_back({name, std::move(act), std::move(done)});
    return *this;
}

AppScenario& AppScenario::WaitFor(const std::string& name, std::function<bool()> done)
{
    return Then(name, [] {}, std::move(done));
}

AppScenario& AppScenario::Do(const std::string& name, std::function<void()> act)
{
    return Then(name, std::move(act), [] { return true; });
}

int AppScenario::TickCb(void* data)
{
    return static_cast<AppScenario*>(data)->Tick() ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

bool AppScenario::Tick()
{
    if (mNext >= mSteps.size())
    {
        mEndRequested = true;
        mTick = 0;
        elm_exit();
        return false;
    }
    if (g_get_monotonic_time() > mDeadline)
    {
        mFailedStep = mSteps[mNext].name;
        mTick = 0;
        elm_exit();
        return false;
    }
    Step& step = mSteps[mNext];
    if (!mActed)
    {
        mActed = true;
        step.act();
    }
    if (step.done())
    {
        mNext++;
        mActed = false;
    }
    return true;
}

int AppScenario::Run(const std::vector<std::string>& args)
{
    mDeadline = g_get_monotonic_time() + (long long)mTimeoutMs * 1000;
    std::vector<std::string> storage{"pelorn"};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : storage)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);
    // GLib timeouts run on the toolkit's loop once the application has
    // joined them; the ticks do not go through the clock seam on purpose, so
    // they keep running while a test holds the application's clock.
    mTick = g_timeout_add(10, (GSourceFunc)TickCb, this);
    int ret = RunPelornApplication((int)argv.size() - 1, argv.data());
    if (mTick)
        g_source_remove(mTick);
    mTick = 0;
    if (mFailedStep.empty() && mNext < mSteps.size())
        mFailedStep = mSteps[mNext].name + " (the application ended first)";
    return ret;
}

void AppScenario::Tap(Evas_Object* win, int x, int y)
{
    Evas* e = evas_object_evas_get(win);
    unsigned int t = (unsigned int)(ecore_loop_time_get() * 1000);
    evas_event_feed_mouse_move(e, x, y, t, nullptr);
    evas_event_feed_mouse_down(e, 1, EVAS_BUTTON_NONE, t + 1, nullptr);
    evas_event_feed_mouse_up(e, 1, EVAS_BUTTON_NONE, t + 60, nullptr);
}

void AppScenario::TapObject(Evas_Object* obj)
{
    Evas_Coord x = 0, y = 0, w = 0, h = 0;
    evas_object_geometry_get(obj, &x, &y, &w, &h);
    Tap(obj, x + w / 2, y + h / 2);
}

void AppScenario::PressKey(Evas_Object* win, const char* keyname)
{
    Evas* e = evas_object_evas_get(win);
    unsigned int t = (unsigned int)(ecore_loop_time_get() * 1000);
    evas_event_feed_key_down(e, keyname, keyname, nullptr, nullptr, t, nullptr);
    evas_event_feed_key_up(e, keyname, keyname, nullptr, nullptr, t + 40, nullptr);
}

void AppScenario::KeyUp(const char* keyname)
{
    Ecore_Event_Key* ev = static_cast<Ecore_Event_Key*>(calloc(1, sizeof(Ecore_Event_Key) + 3 * (strlen(keyname) + 1)));
    char* p = reinterpret_cast<char*>(ev + 1);
    strcpy(p, keyname);
    ev->keyname = p;
    ev->key = p;
    ev->timestamp = (unsigned int)(ecore_loop_time_get() * 1000);
    ecore_event_add(ECORE_EVENT_KEY_UP, ev, nullptr, nullptr);
}

bool AppScenario::Screenshot(Evas_Object* win, const std::string& name)
{
    const std::string dir = BuiltProgram("test-artifacts");
    g_mkdir_with_parents(dir.c_str(), 0755);
    return pelorn_window_save_png(win, (dir + "/" + name + ".png").c_str());
}
} // namespace PelornTest
