#ifndef PELORN_PELORN_MAIN_H
#define PELORN_PELORN_MAIN_H

#include "AppLauncherReplyListener.h"
#include "ConsumerEventListener.h"

#include <app.h>
#include <glib.h>
#include <memory>
#include <vconf.h>

namespace NSORZUiCommon
{
class ViewManager;
class ViewBasicElements;
class ChangeableTheme;
} // namespace NSORZUiCommon

namespace NSORZCommon
{
class AppLauncher;
}

namespace NSPelorn
{
class ConsumerController;

/* The application: owns the long-lived objects, follows the platform's
 * lifecycle, and routes link status and phone messages to the screens. */
class PelornMain : public NSORZCommon::AppLauncherReplyListener, public ConsumerEventListener
{
public:
    static PelornMain* GetInstance();

    virtual ~PelornMain();
    void OnReplieded(app_control_h request, app_control_h reply, app_control_result_e result,
                     int requestType) override;
    void OnConsumerMsgReceived(int recvType, void* data) override;

    static bool AppCreate(void* pThis);
    static void AppControl(app_control_h app_control, void* pThis);
    static void AppResume(void* pThis);
    static void AppPause(void* pThis);
    static void AppTerminate(void* pThis);
    static gboolean AppResumeTimerCb(gpointer pThis);
    static void AppLowMemoryCb(app_event_info_h event, void* pThis);
    static void AppLowBatteryCb(app_event_info_h event, void* pThis);
    static void OnLanguageChanged(app_event_info_h event, void* pThis);
    static void OnRegionFormatChanged(app_event_info_h event, void* pThis);
    static void OnThemeColorChangedCb(void* pThis);
    static void OnThemeFontChangedCb(void* pThis);
    static void SystemTimeChangedCb(keynode_t* node, void* pThis);
    static void SettingApplicationTimezoneIdChangedCb(keynode_t* node, void* pThis);
    static void SettingApplicationDateFormatChangedCb(keynode_t* node, void* pThis);
    static void SettingApplicationRegionFormatTime1224ChangedCb(keynode_t* node, void* pThis);
    static void SystemChangedWhichRelatedWithTime(void* pThis);

    bool SendAppMessageToConsumer(int sendType);
    static bool CheckConnectionAvailable();
    bool WasCheckedPermission();
    static void SetConnectionStatusCallback(void* pThis, bool enable);
    static void NetworkStatusChangedCb(keynode_t* node, void* pThis);
    static void KivConnectionChangedCb(keynode_t* node, void* pThis);

    bool IsLaunchRequested() const { return mIsLaunchRequested; }
    bool GetLaunchSearching() const { return mIsLaunchSearching; }
    void SetLaunchSearching(bool value) { mIsLaunchSearching = value; }
    bool GetNoViewOnLaunch() const { return mIsNoViewOnLaunch; }
    void SetNoViewOnLaunch(bool value) { mIsNoViewOnLaunch = value; }

    std::shared_ptr<NSORZUiCommon::ViewManager> GetViewManager() const { return mViewManagerPtr; }
    std::shared_ptr<NSORZCommon::AppLauncher> GetAppLauncher() const { return mAppLauncherPtr; }
    std::shared_ptr<ConsumerController> GetConsumerController() const { return mConsumerControllerPtr; }

private:
    PelornMain();
    PelornMain(const PelornMain&) = delete;
    PelornMain& operator=(const PelornMain&) = delete;

    bool OnCreate();
    void OnAppControl(app_control_h appControl);
    void OnResume();
    void OnPause();
    void OnTerminate();
    void OnResumeTimer();
    void ApplyLanguage(const char* missingLog);
    void PushFindingView();
    void SubscribeTimeSettings(bool enable);

    std::shared_ptr<NSORZUiCommon::ViewManager> mViewManagerPtr;
    std::shared_ptr<NSORZUiCommon::ViewBasicElements> mViewBasicElementsPtr;
    std::shared_ptr<NSORZUiCommon::ChangeableTheme> mChangeableThemePtr;
    std::shared_ptr<NSORZCommon::AppLauncher> mAppLauncherPtr;
    bool mIsLaunchRequested;
    bool mIsLaunchSearching;
    bool mIsNoViewOnLaunch;
    std::shared_ptr<ConsumerController> mConsumerControllerPtr;
    guint mAppResumeTimer;
    app_event_handler_h mLanguageChangeHandler;
    app_event_handler_h mRegionChangeHandler;
};
} // namespace NSPelorn

#endif
