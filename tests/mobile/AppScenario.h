#ifndef PELORN_TESTS_APP_SCENARIO_H
#define PELORN_TESTS_APP_SCENARIO_H

#include <Elementary.h>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace PelornTest
{
/* Drives the whole application from inside its own main loop, as a wearer
 * would: each step acts once, then the scenario waits until the step's
 * condition holds (or the deadline passes) before going on. Run() starts
 * the application through its real entry with the given arguments and
 * returns when it ends. */
class AppScenario
{
public:
    struct Step
    {
        std::string name;
        std::function<void()> act;
        std::function<bool()> done;
    };

    explicit AppScenario(int timeoutMs = 60000) : mTimeoutMs(timeoutMs) {}

    /* How long past its own time-out a scenario may take before the watchdog
     * ends the test process: the time-out needs a running main loop, the
     * watchdog does not. */
    static const int HARD_DEADLINE_GRACE_MS = 20000;

    AppScenario& Then(const std::string& name, std::function<void()> act, std::function<bool()> done);
    AppScenario& WaitFor(const std::string& name, std::function<bool()> done);
    AppScenario& Do(const std::string& name, std::function<void()> act);
    /* Waits until a tap on the target would reach it (see AcceptsEvents), taps
     * it once, then waits for done. */
    AppScenario& TapWhenReady(const std::string& name, std::function<Evas_Object*()> target,
                              std::function<bool()> done);
    /* Lets the application run for that long, counted from when the step
     * begins (not from when the scenario was written down). */
    AppScenario& Wait(const std::string& name, int ms);
    /* Saves the window as test-artifacts/<name>.png once the picture has
     * stopped changing, so no fade or slide is caught half way. A screen that
     * never settles (the radar turns for as long as the phone rings) is
     * saved as it is after a few seconds. */
    AppScenario& ScreenshotWhenStill(Evas_Object* (*window)(), const std::string& name);

    /* Runs the application; the steps start once it runs. When the steps are
     * done and the application still runs, it is asked to end. */
    int Run(const std::vector<std::string>& args);

    /* Where it stopped: empty when every step passed. */
    const std::string& FailedStep() const { return mFailedStep; }
    /* Errors the toolkit itself reported while the steps ran (its log lines
     * at error level or worse), up to the last step, the application's
     * shutdown left out; they still reach the terminal. */
    int ToolkitErrors() const
    {
        return mToolkitErrorsAtLastStep;
    }
    /* The toolkit's safety checks that caught a widget in use while it was being deleted. */
    int DeadWidgetUses() const
    {
        return mToolkitErrors[1];
    }
    /* The application ended on its own (not at the scenario's request). */
    bool EndedByItself() const { return !mEndRequested; }

    /* Input as a person gives it, fed into the window's canvas. */
    static void Tap(Evas_Object* win, int x, int y);
    static void KeyUp(const char* keyname);
    /* A key pressed and released on the window's canvas (back: "BackSpace"). */
    static void PressKey(Evas_Object* win, const char* keyname);
    static void TapObject(Evas_Object* obj);
    /* What a tap in the middle of the open side menu lands on to open the
     * chosen item, for TapWhenReady: null while the menu is closed. It takes
     * taps only once the menu has faded in far enough to be seen. */
    static Evas_Object* MenuCentre(Evas_Object* moreOption);
    /* Whether a tap on the object's centre would reach it now: false while it or a
     * smart parent has its events frozen (as a naviframe does with the pages it is
     * sliding) or is a disabled widget, or while another object lies over that point. */
    static bool AcceptsEvents(Evas_Object* obj);
    static void SettleCanvas(Evas* e);
    static bool Screenshot(Evas_Object* win, const std::string& name);
    /* A digest of what the window shows now (rendered first). */
    static std::string PictureDigest(Evas_Object* win);

private:
    static int TickCb(void* data);
    bool Tick();

    std::vector<Step> mSteps;
    std::atomic<size_t> mNext{0}; // read by the watchdog too
    bool mActed = false;
    int mTimeoutMs;
    long long mDeadline = 0;
    int mToolkitErrors[3] = {0, 0, 0};
    int mToolkitErrorsAtLastStep = 0;
    std::string mFailedStep;
    bool mEndRequested = false;
    unsigned int mTick = 0;
    bool mArmTerminationWatch = false;
};
} // namespace PelornTest

#endif
