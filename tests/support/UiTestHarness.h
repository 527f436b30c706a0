#ifndef PELORN_TESTS_UI_TEST_HARNESS_H
#define PELORN_TESTS_UI_TEST_HARNESS_H

#include <Elementary.h>
#include <functional>
#include <string>

namespace PelornTest
{
/* Elementary on the buffer engine for UI tests, one per test process.
 *
 * Get() initialises elementary once (ELM_ENGINE=buffer unless the caller set
 * an engine), hooks GLib into ecore's loop and loads the round-screen theme.
 * Input goes to the target window: by default a 360x360 window the harness
 * owns, or any other window given to Target() (for example the one the
 * application's window scaffold built). Coordinates are canvas pixels. */
class UiTestHarness
{
public:
    static const int SCREEN_SIZE = 360;

    static UiTestHarness& Get();

    /* The harness's own 360x360 window (made on first use, shown). */
    Evas_Object* Window();
    /* Sends input to and photographs win instead (NULL: back to Window()).
     * The window is resized to 360x360. */
    void Target(Evas_Object* win);

    /* Runs the ecore main loop (timers, animators, GLib sources) until cond()
     * holds or timeoutMs passes; answers cond()'s last value. */
    bool RunUntil(const std::function<bool()>& cond, int timeoutMs = 5000);
    /* Runs the loop for about ms milliseconds. */
    void RunFor(int ms);
    /* Lets pending layout and edje programs settle and renders one frame. */
    void Settle(int ms = 50);

    /* A press and release at (x, y). */
    void Tap(int x, int y);
    /* Key down and up with an X key name: "BackSpace", "XF86Back", "Menu", "Escape", "Return" ... */
    void PressKey(const char* keyname);
    /* One wheel step (one bezel detent) at the centre: clockwise true = wheel down. */
    void Rotate(bool clockwise);

    /* Renders the target window and saves it as <build dir>/test-artifacts/<state>.png;
     * answers the path, or empty text when it could not be written. */
    std::string Screenshot(const std::string& state);

private:
    UiTestHarness();
    Evas* Canvas();

    Evas_Object* mWindow = nullptr;
    Evas_Object* mTarget = nullptr;
    unsigned int mTimestamp = 1;
};
} // namespace PelornTest

#endif
