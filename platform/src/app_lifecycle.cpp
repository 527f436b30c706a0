/* The application's life cycle: create, resume and pause as its window comes
 * and goes, terminate; the main loop it runs in and the signals that end it. */

#include "app_internal.h"

#include "dlog.h"
#include "pelorn_mainloop.h"
#include "pelorn_paths.h"
#include "pelorn_preference_batch.h"
#include "pelorn_resources.h"
#include "pelorn_store_cleanup.h"
#include "pelorn_trace.h"
#include "vconf.h"

#include <Ecore.h>
#include <dlfcn.h>
#include <glib-unix.h>
#include <libintl.h>
#include <locale.h>
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

namespace PelornAppFramework
{
Framework gApp;

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

} // namespace PelornAppFramework

using namespace PelornAppFramework;

namespace
{
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
} // namespace

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
    // The watch's own theme is there before the app's first widget: added
    // under a window, it re-themes the window and everything in it.
    pelorn_circle_theme_load();
    pelorn_mainloop_integrate_glib();
    ApplyScreenReaderSetting();
    elm_policy_set(ELM_POLICY_QUIT, ELM_POLICY_QUIT_LAST_WINDOW_CLOSED);
    Ecore_Event_Handler* signalExit = ecore_event_handler_add(ECORE_EVENT_SIGNAL_EXIT, SignalExitCb, nullptr);
    Ecore_Event_Handler* signalHangUp =
        ecore_event_handler_add(ECORE_EVENT_SIGNAL_HUP, SignalHangUpCb, nullptr);
    gApp.launchWatch = g_unix_fd_add(gApp.launchFd, G_IO_IN, LaunchSocketCb, nullptr);

    // A slow disk must not hold up a frame; all is on disk before the
    // instance is given up, and from then on each set is.
    pelorn_preference_write_behind(1);
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
        pelorn_preference_write_behind(0);
        ReleaseInstance();
        Pause();
        if (gApp.callbacks.terminate)
            gApp.callbacks.terminate(gApp.userData);
    }
    else
    {
        pelorn_preference_write_behind(0);
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
