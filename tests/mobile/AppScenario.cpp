#include "AppScenario.h"

#include "PelornApplication.h"
#include "TerminationWatch.h"
#include "TestEnvironment.h"
#include "pelorn_screenshot.h"

#include <Ecore.h>
#include <Ecore_Evas.h>
#include <Ecore_Input.h>
#include <Edje.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <condition_variable>
#include <libintl.h>
#include <locale.h>
#include <memory>
#include <mutex>
#include <stdio.h>
#include <string.h>
#include <thread>
#include <unistd.h>

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

AppScenario& AppScenario::TapWhenReady(const std::string& name, std::function<Evas_Object*()> target,
                                       std::function<bool()> done)
{
    // The check and the tap in one turn of the loop: between two turns a
    // transition can end or begin, and a tap checked on one turn and fed on
    // the next can land on a state nobody checked.
    auto tapped = std::make_shared<bool>(false);
    return Then(name, [tapped] { *tapped = false; },
                [tapped, target, done = std::move(done)] {
                    if (!*tapped)
                    {
                        if (!AcceptsEvents(target()))
                            return false;
                        TapObject(target());
                        *tapped = true;
                    }
                    return done();
                });
}

AppScenario& AppScenario::Wait(const std::string& name, int ms)
{
    auto start = std::make_shared<gint64>(0);
    return Then(name, [start] { *start = g_get_monotonic_time(); },
                [start, ms] { return g_get_monotonic_time() - *start >= ms * 1000LL; });
}

AppScenario& AppScenario::ScreenshotWhenStill(Evas_Object* (*window)(), const std::string& name)
{
    struct Watch
    {
        gint64 start = 0;
        gint64 lastLook = 0;
        std::string lastDigest;
        int sameLooks = 0;
    };
    auto watch = std::make_shared<Watch>();
    const gint64 lookEveryUs = 80 * 1000;
    const gint64 giveUpUs = 3 * 1000 * 1000;
    return Then(name, [watch] {
                    *watch = Watch();
                    watch->start = g_get_monotonic_time();
                },
                [watch, window, name, lookEveryUs, giveUpUs] {
                    const gint64 now = g_get_monotonic_time();
                    if (now - watch->lastLook < lookEveryUs)
                        return false;
                    watch->lastLook = now;
                    const std::string digest = PictureDigest(window());
                    watch->sameLooks = !digest.empty() && digest == watch->lastDigest ? watch->sameLooks + 1 : 0;
                    watch->lastDigest = digest;
                    // Three equal looks span more than any of the theme's fades.
                    if (watch->sameLooks < 3 && now - watch->start < giveUpUs)
                        return false;
                    return Screenshot(window(), name);
                });
}

std::string AppScenario::PictureDigest(Evas_Object* win)
{
    gchar* digest = win ? pelorn_window_pixels_digest(win) : nullptr;
    const std::string result = digest ? digest : "";
    g_free(digest);
    return result;
}

namespace
{
/* The first error of the object system or the canvas: a callback or a call
 * that reached an object already gone (or never valid). */
std::string gFirstObjectError;

} // namespace

int AppScenario::TickCb(void* data)
{
    return static_cast<AppScenario*>(data)->Tick() ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

bool AppScenario::Tick()
{
    if (mArmTerminationWatch)
    {
        // The toolkit runs by now; it is the application's own initialisation.
        mArmTerminationWatch = false;
        TerminationWatch::Arm();
    }
    if (mNext >= mSteps.size())
    {
        mEndRequested = true;
        mToolkitErrorsAtLastStep = mToolkitErrors[0];
        // A callback or a call that reached an object gone is a fault of the
        // app's whatever the steps saw: it fails the scenario.
        if (mToolkitErrors[2] > 0 && mFailedStep.empty())
            mFailedStep = "the toolkit's object errors (" + std::to_string(mToolkitErrors[2]) +
                          "), the first: " + gFirstObjectError;
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

namespace
{
/* Whether an error line is one of the object system's or the canvas's own:
 * the eo and evas domains, and the safety checks of their sources. */
bool IsObjectError(const Eina_Log_Domain* domain, const char* file)
{
    const char* name = domain && domain->name ? domain->name : "";
    if (!strcmp(name, "eo") || !strncmp(name, "evas", 4))
        return true;
    return !strcmp(name, "eina_safety") && file && (strstr(file, "/lib/eo/") || strstr(file, "/lib/evas/"));
}

void CountingLogPrint(const Eina_Log_Domain* domain, Eina_Log_Level level, const char* file, const char* fnc, int line,
                      const char* fmt, void* data, va_list args)
{
    // The toolkit's errors, its uses of a deleted widget, the object errors.
    int* counts = static_cast<int*>(data);
    if (level <= EINA_LOG_LEVEL_ERR)
    {
        if (domain && domain->name && !strcmp(domain->name, "elementary"))
            ++counts[0];
        char text[512] = "";
        va_list copy;
        va_copy(copy, args);
        vsnprintf(text, sizeof(text), fmt, copy);
        va_end(copy);
        if (strstr(text, "invalidated_get"))
            ++counts[1];
        if (IsObjectError(domain, file) && counts[2]++ == 0)
            gFirstObjectError = std::string(file ? file : "") + ":" + std::to_string(line) + " " +
                                (fnc ? fnc : "") + "(): " + text;
    }
    eina_log_print_cb_stderr(domain, level, file, fnc, line, fmt, nullptr, args);
}
} // namespace

int AppScenario::Run(const std::vector<std::string>& args)
{
    // The application's singletons (main object, view stack, phone link) and
    // the toolkit keep what the first run left: a second run in the same
    // process would not start from a fresh watch, and used to hang. CTest runs
    // every case in a process of its own; so must a filter by hand.
    static int runs = 0;
    if (++runs > 1)
    {
        mFailedStep = "refused: the application already ran in this test process; run one scenario per process "
                      "(ctest does; by hand: --gtest_filter=Suite.Case)";
        ADD_FAILURE() << mFailedStep;
        return -1;
    }
    mDeadline = g_get_monotonic_time() + (long long)mTimeoutMs * 1000;
    std::vector<std::string> storage{"pelorn"};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv = PelornTest::ArgvOf(storage);
    // GLib timeouts run on the toolkit's loop once the application has
    // joined them; the ticks do not go through the clock seam on purpose, so
    // they keep running while a test holds the application's clock.
    mTick = g_timeout_add(10, (GSourceFunc)TickCb, this);
    // With no toolkit of the test's own, the application's shutdown takes the
    // listener with it.
    const bool ownWatch = !TerminationWatch::Armed();
    mArmTerminationWatch = ownWatch;

    // The time-out above needs a main loop that runs; an application stuck
    // outside it (or never ending) must still fail the test, not hang it.
    std::mutex mutex;
    std::condition_variable returned;
    bool hasReturned = false;
    const int hardMs = mTimeoutMs + HARD_DEADLINE_GRACE_MS;
    std::thread watchdog([&] {
        std::unique_lock<std::mutex> lock(mutex);
        if (returned.wait_for(lock, std::chrono::milliseconds(hardMs), [&] { return hasReturned; }))
            return;
        const size_t next = mNext;
        fprintf(stderr, "FAILED: the scenario did not end within %d ms (step %zu: %s); ending the test process\n",
                hardMs, next, next < mSteps.size() ? mSteps[next].name.c_str() : "after the last step");
        fflush(stderr);
        _exit(1);
    });
    // The application sets the process's language; later tests expect it as it was.
    const char* languageBefore = getenv("LANGUAGE");
    const std::string language = languageBefore ? languageBefore : "";
    const std::string locale = setlocale(LC_ALL, nullptr);
    eina_log_print_cb_set(CountingLogPrint, mToolkitErrors);
    int ret = RunPelornApplication((int)argv.size() - 1, argv.data());
    eina_log_print_cb_set(eina_log_print_cb_stderr, nullptr);
    setlocale(LC_ALL, locale.c_str());
    if (languageBefore)
        setenv("LANGUAGE", language.c_str(), 1);
    else
        unsetenv("LANGUAGE");
    textdomain(textdomain(nullptr)); // drops the message catalogues gettext cached
    {
        std::lock_guard<std::mutex> lock(mutex);
        hasReturned = true;
    }
    returned.notify_all();
    watchdog.join();
    if (ownWatch)
        TerminationWatch::Forget();
    if (mTick)
        g_source_remove(mTick);
    mTick = 0;
    if (mFailedStep.empty() && mNext < mSteps.size())
        mFailedStep = mSteps[mNext].name + " (the application ended first)";
    return ret;
}

/* A widget's state reaches its theme through edje's message queue, and the
 * theme's parts move or hide only when the canvas next calculates, just
 * before it draws. A tap fed in between lands on the old state: a
 * just-enabled button's disabler, still shown, is part of the button and
 * swallows the tap. Nobody can tap a state that was never on the screen, so
 * the canvas is brought up to date first. */
void AppScenario::SettleCanvas(Evas* e)
{
    edje_message_signal_process();
    evas_smart_objects_calculate(e);
}

void AppScenario::Tap(Evas_Object* win, int x, int y)
{
    Evas* e = evas_object_evas_get(win);
    SettleCanvas(e);
    unsigned int t = (unsigned int)(ecore_loop_time_get() * 1000);
    evas_event_feed_mouse_move(e, x, y, t, nullptr);
    evas_event_feed_mouse_down(e, 1, EVAS_BUTTON_NONE, t + 1, nullptr);
    evas_event_feed_mouse_up(e, 1, EVAS_BUTTON_NONE, t + 60, nullptr);
}

Evas_Object* AppScenario::MenuCentre(Evas_Object* moreOption)
{
    Evas_Object* panel = moreOption ? elm_object_part_content_get(moreOption, "elm.swallow.panel") : nullptr;
    Evas_Object* theme = panel ? elm_layout_edje_get(panel) : nullptr;
    return theme ? const_cast<Evas_Object*>(edje_object_part_object_get(theme, "center.event")) : nullptr;
}

void AppScenario::TapObject(Evas_Object* obj)
{
    Evas_Coord x = 0, y = 0, w = 0, h = 0;
    evas_object_geometry_get(obj, &x, &y, &w, &h);
    Tap(obj, x + w / 2, y + h / 2);
}

bool AppScenario::AcceptsEvents(Evas_Object* obj)
{
    if (!obj || !evas_object_visible_get(obj))
        return false;
    SettleCanvas(evas_object_evas_get(obj));
    // A disabled widget (the finding button during its icon change) takes no tap either.
    for (Evas_Object* o = obj; o; o = evas_object_smart_parent_get(o))
        if (evas_object_freeze_events_get(o) || evas_object_pass_events_get(o) ||
            (elm_object_widget_check(o) && elm_object_disabled_get(o)))
            return false;
    // Something laid over the centre (a page still sliding, a popup's blocker) takes the tap
    // instead, unless it lets events through to what lies below.
    Evas_Coord x = 0, y = 0, w = 0, h = 0;
    evas_object_geometry_get(obj, &x, &y, &w, &h);
    Eina_List* under = evas_tree_objects_at_xy_get(evas_object_evas_get(obj), nullptr, x + w / 2, y + h / 2);
    bool reached = false;
    for (Eina_List* l = under; l; l = eina_list_next(l))
    {
        auto* leaf = static_cast<Evas_Object*>(eina_list_data_get(l));
        for (Evas_Object* o = leaf; o && !reached; o = evas_object_smart_parent_get(o))
            reached = o == obj;
        if (reached || !evas_object_repeat_events_get(leaf))
            break;
    }
    eina_list_free(under);
    return reached;
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
