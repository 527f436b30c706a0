#include "TestEnvironment.h"
#include "pelorn_clock.h"
#include "pelorn_mainloop.h"

#include <Ecore.h>
#include <gtest/gtest.h>

// Regression: with Debian's ecore (no GLib support) GLib timeouts never ran
// under the toolkit's loop, so the link's timers and file monitors were dead.
TEST(MainLoopIntegration, GlibSourcesRunUnderEcoreLoop)
{
    ASSERT_TRUE(ecore_init());
    pelorn_mainloop_integrate_glib();
    bool fired = false;
    pelorn_timer_add(
        20,
        [](gpointer data)
        {
            *static_cast<bool*>(data) = true;
            ecore_main_loop_quit();
            return G_SOURCE_REMOVE;
        },
        &fired);
    // Only a hang lets this one end the loop.
    Ecore_Timer* guard = ecore_timer_add(
        PelornTest::HANG_MS / 1000.0,
        [](void*) -> Eina_Bool
        {
            ecore_main_loop_quit();
            return ECORE_CALLBACK_CANCEL;
        },
        nullptr);
    ecore_main_loop_begin();
    EXPECT_TRUE(fired);
    if (fired)
        ecore_timer_del(guard);
    ecore_shutdown();
}
