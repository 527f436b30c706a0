#include "PelornApplication.h"

#include "OrzLog.h"
#include "PelornMain.h"

#include <app.h>
#include <exception>
#include <stdexcept>
#include <string>

using NSPelorn::PelornMain;

namespace
{
/* A failed step of start-up carries its condition's text to the one place
 * that logs it. */
void Require(bool ok, const char* condition)
{
    if (!ok)
        throw std::runtime_error(condition);
}
} // namespace

int RunPelornApplication(int argc, char** argv)
{
    // Registered for this run only: a later run in the same process (tests,
    // benchmarks) registers its own, and none may outlive the loop it ends.
    app_event_handler_h lowBatteryHandler = NULL;
    app_event_handler_h lowMemoryHandler = NULL;
    try
    {
        PelornMain* pelornMain = PelornMain::GetInstance();

        ui_app_lifecycle_callback_s event_callback = {};
        event_callback.create = PelornMain::AppCreate;
        event_callback.terminate = PelornMain::AppTerminate;
        event_callback.pause = PelornMain::AppPause;
        event_callback.resume = PelornMain::AppResume;
        event_callback.app_control = PelornMain::AppControl;

        Require(ui_app_add_event_handler(&lowBatteryHandler, APP_EVENT_LOW_BATTERY, PelornMain::AppLowBatteryCb,
                                         (void*)pelornMain) == APP_ERROR_NONE,
                "ui_app_add_event_handler(&lowBatteryHandler, APP_EVENT_LOW_BATTERY, PelornMain::AppLowBatteryCb, "
                "(void*)pelornMain) != APP_ERROR_NONE");
        Require(ui_app_add_event_handler(&lowMemoryHandler, APP_EVENT_LOW_MEMORY, PelornMain::AppLowMemoryCb,
                                         (void*)pelornMain) == APP_ERROR_NONE,
                "ui_app_add_event_handler(&lowMemoryHandler, APP_EVENT_LOW_MEMORY, PelornMain::AppLowMemoryCb, "
                "(void*)pelornMain) != APP_ERROR_NONE");
        Require(ui_app_main(argc, argv, &event_callback, (void*)pelornMain) == 0,
                "ui_app_main(argc, argv, &event_callback, (void*)pelornMain) != 0");
    }
    catch (const std::exception& e)
    {
        LOGE("[%s]", e.what());
        return 1; // a launcher whose request went nowhere must not report success
    }
    if (lowMemoryHandler)
        ui_app_remove_event_handler(lowMemoryHandler);
    if (lowBatteryHandler)
        ui_app_remove_event_handler(lowBatteryHandler);
    return 0;
}
