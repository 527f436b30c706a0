#include "TestEnvironment.h"
#include "app.h"
#include "pelorn_paths.h"
#include "vconf.h"

#include <Elementary.h>
#include <cairo.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

using PelornTest::ExtraOf;

namespace
{
/* Records what the framework calls, and walks through a list of steps on the
 * running loop: each step acts once and then waits until its check holds. */
struct Recorder
{
    struct Step
    {
        std::function<void()> act;
        std::function<bool()> done;
    };
    std::vector<std::string> calls;
    std::vector<Step> steps;
    Evas_Object* window = nullptr;
    int windowWidth = 0;
    size_t next = 0;
    bool acted = false, timedOut = false;
    gint64 deadline = 0;
    guint stepTimer = 0;
};

Recorder* Of(void* data)
{
    return static_cast<Recorder*>(data);
}

gboolean StepTimerCb(gpointer data)
{
    Recorder* r = Of(data);
    r->timedOut = g_get_monotonic_time() > r->deadline;
    if (r->timedOut || r->next >= r->steps.size())
    {
        if (r->timedOut)
            elm_exit();
        r->stepTimer = 0;
        return G_SOURCE_REMOVE;
    }
    Recorder::Step& step = r->steps[r->next];
    if (!r->acted)
    {
        r->acted = true;
        step.act();
    }
    if (step.done())
    {
        r->next++;
        r->acted = false;
    }
    return G_SOURCE_CONTINUE;
}

void EventCb(app_event_info_h info, void* data)
{
    char* lang = nullptr;
    app_event_low_battery_status_e battery;
    if (app_event_get_language(info, &lang) == APP_ERROR_NONE)
        Of(data)->calls.push_back(std::string("language ") + lang);
    else if (app_event_get_low_battery_status(info, &battery) == APP_ERROR_NONE)
        Of(data)->calls.push_back("battery " + std::to_string((int)battery));
    free(lang);
}
} // namespace

TEST(AppFramework, LifecycleFollowsTheWindowLaunchRequestsEventsAndSignals)
{
    PelornTest::ScopedTestDirs dirs;
    g_setenv("PELORN_APP_ID", "com.test.framework-probe", TRUE);
    pelorn_paths_reset();
    Recorder r;
    r.deadline = g_get_monotonic_time() + 60 * G_USEC_PER_SEC;
    auto sawLast = [&r](const char* call)
    { return [&r, call] { return !r.calls.empty() && r.calls.back() == call; }; };
    // Another start of the same application id, as a person would type it.
    int second = -1;
    auto secondStart = [&second]
    {
        second = PelornTest::SpawnProgram({PelornTest::BuiltProgram("com.quenlor.permissionpopup"),
                                           "--launch-searching", "--extra=who=second"});
    };
    app_event_handler_h language = nullptr, battery = nullptr;
    const std::string shot = dirs.StateDir() + "/com.test.framework-probe.png";
    g_setenv("PELORN_SCREENSHOT_DIR", dirs.StateDir().c_str(), TRUE);
    r.steps = {
        {[&r] { evas_object_geometry_get(r.window, nullptr, nullptr, &r.windowWidth, nullptr); },
         sawLast("resume")},
        {[] {}, [&] { return g_file_test(shot.c_str(), G_FILE_TEST_EXISTS); }},
        {[&r] { evas_object_hide(r.window); }, sawLast("pause")},
        {[&r] { evas_object_show(r.window); }, sawLast("resume")},
        {[&r] { elm_win_lower(r.window); }, sawLast("pause")},
        {secondStart, sawLast("resume")},
        {[] { vconf_set_str("db/menu_widget/language", "ko_KR.UTF-8"); }, sawLast("language ko_KR.UTF-8")},
        {[]
         {
             vconf_set_int("memory/sysman/battery_status_low", 4);
             vconf_set_int("memory/sysman/battery_status_low", 2);
         },
         sawLast("battery 2")},
        {[&]
         {
             ui_app_remove_event_handler(language);
             vconf_set_str("db/menu_widget/language", "en_US.UTF-8");
         },
         [] { return true; }},
        {[] { raise(SIGTERM); }, [] { return false; }},
    };
    ASSERT_EQ(APP_ERROR_NONE, ui_app_add_event_handler(&language, APP_EVENT_LANGUAGE_CHANGED, EventCb, &r));
    ASSERT_EQ(APP_ERROR_NONE, ui_app_add_event_handler(&battery, APP_EVENT_LOW_BATTERY, EventCb, &r));

    char arg0[] = "probe", arg1[] = "--extra=who=first";
    char* argv[] = {arg0, arg1, nullptr};
    ui_app_lifecycle_callback_s cbs = {
        [](void* data)
        {
            Recorder* r = Of(data);
            r->calls.push_back("create");
            r->window = elm_win_add(nullptr, "Probe", ELM_WIN_BASIC);
            evas_object_show(r->window);
            r->stepTimer = g_timeout_add(10, StepTimerCb, r);
            return true;
        },
        [](void* data) { Of(data)->calls.push_back("terminate"); },
        [](void* data) { Of(data)->calls.push_back("pause"); },
        [](void* data) { Of(data)->calls.push_back("resume"); },
        [](app_control_h ac, void* data) {
            Of(data)->calls.push_back("control " + ExtraOf(ac, "launchSearching") + " " + ExtraOf(ac, "who"));
        }};
    EXPECT_EQ(APP_ERROR_NONE, ui_app_main(2, argv, &cbs, &r));
    EXPECT_TRUE(second > 0 && PelornTest::WaitChild(second)) << "the second start did not end";
    // The steps point into this test's frame: none may run in the next test.
    if (r.stepTimer)
        g_source_remove(r.stepTimer);
    ui_app_remove_event_handler(battery);
    g_unsetenv("PELORN_APP_ID");
    g_unsetenv("PELORN_SCREENSHOT_DIR");

    EXPECT_FALSE(r.timedOut) << "stuck at step " << r.next;
    const std::vector<std::string> expected = {
        "create", "control - first",      "resume",    "pause", "resume",   "pause", "control true second",
        "resume", "language ko_KR.UTF-8", "battery 2", "pause", "terminate"};
    EXPECT_EQ(expected, r.calls);
    EXPECT_EQ(360, r.windowWidth) << "the main window fills the watch's screen";
    // Without a display the latest frame is kept as a picture of the round screen.
    cairo_surface_t* png = cairo_image_surface_create_from_png(shot.c_str());
    EXPECT_EQ(360, cairo_image_surface_get_width(png));
    EXPECT_EQ(360, cairo_image_surface_get_height(png));
    cairo_surface_destroy(png);
    EXPECT_FALSE(g_file_test((dirs.RuntimeDir() + "/apps/com.test.framework-probe.launch").c_str(),
                             G_FILE_TEST_EXISTS));
}
