#ifndef PELORN_PLATFORM_APP_INTERNAL_H
#define PELORN_PLATFORM_APP_INTERNAL_H

/* The application framework's own state, shared by its parts: the life
 * cycle and main loop (app_lifecycle.cpp), the main window (app_window.cpp)
 * and the single running instance with its launch socket (app_instance.cpp). */

#include "app.h"

#include <Elementary.h>
#include <glib.h>
#include <string>
#include <vector>

#define TAG "pelorn-platform"

namespace PelornAppFramework
{
enum class LifeState
{
    NONE,
    CREATED,
    RUNNING,
    PAUSED,
};

struct Framework
{
    ui_app_lifecycle_callback_s callbacks{};
    void* userData = nullptr;
    LifeState state = LifeState::NONE;
    bool inLoop = false;

    Evas_Object* mainWindow = nullptr;
    bool windowLowered = false;

    int launchFd = -1;
    guint launchWatch = 0;
    std::string launchPath;

    bool firstFrameWatched = false;
    bool launchEffectWatched = false;
    Ecore_Job* launchEffectJob = nullptr;
    Ecore_Timer* screenshotTimer = nullptr;
};

extern Framework gApp;


/* ---- life cycle (app_lifecycle.cpp) ---- */
void Resume();
void Pause();

/* ---- the main window (app_window.cpp) ---- */
/* The first window the application showed is the one the watch puts on its screen. */
void AdoptMainWindow();
/* Resumes or pauses the application as its window comes on or leaves the screen. */
void WindowStateChanged();
void WatchFirstFrame();
void WatchLaunchEffect();
void WindowDelCb(void* data, Evas* e, Evas_Object* obj, void* event);
/* Without a window manager, gives the main window the keyboard (a manager's
 * part): when it comes on the screen, is clicked, is launched again, or a
 * popup of another program that held the keyboard ended. */
void TakeFocus();

/* ---- the running instance (app_instance.cpp) ---- */
enum class InstanceRole
{
    FIRST,
    FORWARDED,
    FAILED,
    NOT_TAKEN,
};

std::vector<std::string> ArgsOf(int argc, char** argv);
void HandLaunchRequest(const std::vector<std::string>& args);
gboolean LaunchSocketCb(gint fd, GIOCondition condition, gpointer data);
long HandOverMs();
InstanceRole ClaimInstance(const std::vector<std::string>& args);
void SayHandedOver(const char* program);
void ReleaseInstance();
} // namespace PelornAppFramework

#endif
