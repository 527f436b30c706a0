#include "pelorn_clock.h"
#include "pelorn_mainloop.h"

#include <Ecore.h>
#include <gio/gio.h>
#include <gtest/gtest.h>

namespace
{
gboolean QuitEcoreCb(gpointer data)
{
    *static_cast<bool*>(data) = true;
    ecore_main_loop_quit();
    return G_SOURCE_REMOVE;
}

Eina_Bool GiveUpCb(void* data)
{
    ecore_main_loop_quit();
    return ECORE_CALLBACK_CANCEL;
}
} // namespace

// Regression: with Debian's ecore (no GLib support) GLib timeouts never ran
// under the toolkit's loop, so the link's timers and file monitors were dead.
TEST(MainLoopIntegration, GlibSourcesRunUnderEcoreLoop)
{
    ASSERT_TRUE(ecore_init());
    pelorn_mainloop_integrate_glib();
    bool fired = false;
    pelorn_timer_add(20, QuitEcoreCb, &fired);
    Ecore_Timer* guard = ecore_timer_add(5.0, GiveUpCb, nullptr);
    ecore_main_loop_begin();
    EXPECT_TRUE(fired);
    if (!fired)
        guard = nullptr; // fired itself
    if (guard)
        ecore_timer_del(guard);
    ecore_shutdown();
}
