#include "PelornMain.h"
#include "TextDomain.h"

#include "AppLauncher.h"
#include "CSCUtil.h"
#include "ChangeableTheme.h"
#include "ConsumerController.h"
#include "FeedbackManager.h"
#include "FileUtil.h"
#include "MessageManager.h"
#include "NetworkConnection.h"
#include "OrzLog.h"
#include "PelornView.h"
#include "PreferenceUtil.h"
#include "QuenlorLogManager.h"
#include "VconfUtil.h"
#include "ViewBasicElements.h"
#include "ViewController.h"
#include "ViewControllerFactory.h"
#include "ViewData.h"
#include "ViewManager.h"
#include "pelorn_clock.h"
#include "pelorn_trace.h"
#include "uxt_theme.h"

#include <Elementary.h>
#include <glib.h>
#include <libintl.h>
#include <stdlib.h>

using namespace NSORZCommon;
using namespace NSORZUiCommon;

namespace NSPelorn
{
namespace
{
const int FINDING_VIEW = 0;
const int LOCATION_VIEW = 5;
const int PERMISSION_REQUEST = 4;
const int THEME_COLOR = 0;
const int THEME_FONT = 1;
const char FALLBACK_LANGUAGE[] = "en_US.UTF-8";

/* Whether the application ships texts for the language ("de_DE.UTF-8" is
 * looked for as "de_DE", then "de", as gettext would). */
bool HasCatalogue(const std::string& language)
{
    const std::string localeDir = FileUtil::GetResourceDirectoryPath() + "/locale/";
    std::string name = language.substr(0, language.find_first_of(".@"));
    const std::string file = "/LC_MESSAGES/pelorn-phone.mo";
    if (!name.empty() && g_file_test((localeDir + name + file).c_str(), G_FILE_TEST_IS_REGULAR))
        return true;
    name = name.substr(0, name.find('_'));
    return !name.empty() && g_file_test((localeDir + name + file).c_str(), G_FILE_TEST_IS_REGULAR);
}
} // namespace

PelornMain* PelornMain::GetInstance()
{
    static PelornMain* instance = new PelornMain();
    return instance;
}

PelornMain::PelornMain()
    : mViewManagerPtr(std::make_shared<ViewManager>()),
      mViewBasicElementsPtr(std::make_shared<ViewBasicElements>()),
      mChangeableThemePtr(std::make_shared<ChangeableTheme>()),
      mAppLauncherPtr(std::make_shared<AppLauncher>()),
      mIsLaunchRequested(false),
      mIsLaunchSearching(false),
      mIsNoViewOnLaunch(false),
      mConsumerControllerPtr(std::make_shared<ConsumerController>()),
      mAppResumeTimer(0),
      mLanguageChangeHandler(NULL),
      mRegionChangeHandler(NULL)
{
    mConsumerControllerPtr->SetConsumerEventListener(this);
}

PelornMain::~PelornMain()
{
}

/* ---- lifecycle ---- */

bool PelornMain::AppCreate(void* pThis)
{
    RETV_IF(pThis == NULL, false);
    return static_cast<PelornMain*>(pThis)->OnCreate();
}

bool PelornMain::OnCreate()
{
    elm_app_base_scale_set(1.3);
    NSORZ::FeedbackManager::GetInstance();

    std::string resDirPath = FileUtil::GetResourceDirectoryPath();
    if (!resDirPath.empty())
    {
        bindtextdomain(PELORN_TEXT_DOMAIN, (resDirPath + "/locale").c_str());
        LOGE("resDirPath:%s", resDirPath.c_str());
    }
    else
    {
        LOGE("GetResourceDirectoryPath failed, resDirPath:%s", resDirPath.c_str());
    }

    pelorn_trace_startup("create: feedback, text domain");
    // Before the first widget: each style file added later re-themes every
    // widget there is, the window's included.
    PelornView::AddStyles();
    pelorn_trace_startup("create: styles");
    RETVM_IF(!mViewBasicElementsPtr, false, "!viewBasicElementsPtr");
    mViewBasicElementsPtr->SetupViewBasicElements();
    pelorn_trace_startup("create: window, conformant, naviframe");
    RETVM_IF(!mViewManagerPtr, false, "!viewManagerPtr");
    mViewManagerPtr->Initialize();
    pelorn_trace_startup("create: view stack");
    RETVM_IF(!mChangeableThemePtr, false, "!changeableThemePtr");
    mChangeableThemePtr->InitChangeableTheme();
    pelorn_trace_startup("create: theme tables");

    std::string edjDirectoryPath = FileUtil::GetResourceDirectoryPath();
    RETV_IF(edjDirectoryPath.length() < 1, false);

    uxt_theme_add_changed_callback(THEME_COLOR, OnThemeColorChangedCb, this);
    uxt_theme_add_changed_callback(THEME_FONT, OnThemeFontChangedCb, this);

    if (ui_app_add_event_handler(&mLanguageChangeHandler, APP_EVENT_LANGUAGE_CHANGED, OnLanguageChanged, this) !=
        APP_ERROR_NONE)
        LOGE("ui_app_add_event_handler[APP_EVENT_LANGUAGE_CHANGED] failed");
    if (ui_app_add_event_handler(&mRegionChangeHandler, APP_EVENT_REGION_FORMAT_CHANGED, OnRegionFormatChanged,
                                 this) != APP_ERROR_NONE)
        LOGE("ui_app_add_event_handler[APP_EVENT_REGION_FORMAT_CHANGED] failed");

    QuenlorLogManager* quenlorLogManager = QuenlorLogManager::GetInstance();
    RETV_IF(quenlorLogManager == NULL, false);
    quenlorLogManager->Create();

    pelorn_trace_startup("create: event handlers, usage log");
    SubscribeTimeSettings(true);
    SetConnectionStatusCallback(this, true);
    pelorn_trace_startup("create: settings subscriptions");
    return true;
}

void PelornMain::SubscribeTimeSettings(bool enable)
{
    VconfUtil vconf;
    if (enable)
    {
        if (!vconf.NotifySystemTimeChangedCb(SystemTimeChangedCb, this))
            LOGE("NotifySystemTimeChangedCb failed");
        if (!vconf.NotifySettingsApplicationTimezoneIDChangedCb(SettingApplicationTimezoneIdChangedCb, this))
            LOGE("NotifySettingsApplicationTimezoneIDChangedCb failed");
        if (!vconf.NotifySettingsApplicationDateFormatChangedCb(SettingApplicationDateFormatChangedCb, this))
            LOGE("NotifySettingsApplicationDateFormatChangedCb failed");
        if (!vconf.NotifySettingsApplicationRegionFormatTime1224ChangedCb(
                SettingApplicationRegionFormatTime1224ChangedCb, this))
            LOGE("NotifySettingsApplicationRegionFormatTime1224ChangedCb failed");
        return;
    }
    if (!vconf.IgnoreSystemTimeChangedCb(SystemTimeChangedCb))
        LOGE("IgnoreSystemTimeChangedCb failed");
    if (!vconf.IgnoreSettingsApplicationTimezoneIDChangedCb(SettingApplicationTimezoneIdChangedCb))
        LOGE("IgnoreSettingsApplicationTimezoneIDChangedCb failed");
    if (!vconf.IgnoreSettingsApplicationDateFormatChangedCb(SettingApplicationDateFormatChangedCb))
        LOGE("IgnoreSettingsApplicationDateFormatChangedCb failed");
    if (!vconf.IgnoreSettingsApplicationRegionFormatTime1224ChangedCb(SettingApplicationRegionFormatTime1224ChangedCb))
        LOGE("IgnoreSettingsApplicationRegionFormatTime1224ChangedCb failed");
}

void PelornMain::AppControl(app_control_h app_control, void* pThis)
{
    LOGE("PelornMain::AppControl");
    RET_IF(pThis == NULL);
    static_cast<PelornMain*>(pThis)->OnAppControl(app_control);
}

void PelornMain::OnAppControl(app_control_h appControl)
{
    char* value = NULL;
    if (app_control_get_extra_data(appControl, "launchSearching", &value) == APP_CONTROL_ERROR_NONE &&
        g_strcmp0(value, "true") == 0)
    {
        LOGE("PelornMain::AppControl >> value: %s", value);
        free(value);
        mIsLaunchSearching = true;
        RETM_IF(!mViewManagerPtr, "!viewManagerPtr");
        if (mViewManagerPtr->CheckExistOrNot(LOCATION_VIEW))
        {
            mViewManagerPtr->PopView();
            const auto& controllers = mViewManagerPtr->GetViewList();
            if (!controllers.empty())
            {
                std::shared_ptr<ViewController> top = controllers.back();
                std::shared_ptr<ViewData> data = top ? top->GetViewData() : nullptr;
                if (data && data->mViewType == FINDING_VIEW)
                    top->Resume();
            }
        }
        else if (mViewManagerPtr->CheckExistOrNot(FINDING_VIEW))
        {
            mViewManagerPtr->ResumeView();
        }
        else
        {
            LOGE("PelornMain::AppControl >> NO_VIEW exist");
            mIsNoViewOnLaunch = true;
        }
    }
    else
    {
        free(value);
    }
    elm_win_activate(ViewBasicElements::GetWindow());
    mIsLaunchRequested = true;
}

void PelornMain::AppResume(void* pThis)
{
    RET_IF(pThis == NULL);
    static_cast<PelornMain*>(pThis)->OnResume();
}

void PelornMain::ApplyLanguage(const char* missingLog)
{
    char* language = vconf_get_str("db/menu_widget/language");
    if (language)
    {
        // Raw text ids are worse than English for a language the app has no texts for.
        if (HasCatalogue(language))
        {
            elm_language_set(language);
        }
        else
        {
            LOGE("no texts for %s, English instead", language);
            elm_language_set(FALLBACK_LANGUAGE);
        }
        free(language);
    }
    else
    {
        LOGE("%s", missingLog);
    }
}

void PelornMain::OnResume()
{
    NSORZ::FeedbackManager::GetInstance();
    if (mAppResumeTimer == 0)
        mAppResumeTimer = pelorn_timer_add(1000, AppResumeTimerCb, this);
    ApplyLanguage("AppCREATE :: language is null. we can't elm_language_set");
    pelorn_trace_startup("resume: language applied");
    RETM_IF(!mViewManagerPtr, "!viewManagerPtr");

    if (!WasCheckedPermission())
    {
        if (!mAppLauncherPtr)
        {
            LOGE("pThis->mAppLauncherPtr is NULL");
        }
        else
        {
            mAppLauncherPtr->SetReplyListener(this);
            mAppLauncherPtr->RequestPermissionPopup(PERMISSION_REQUEST);
        }
    }
    else
    {
        if (!mViewManagerPtr->CheckExistOrNot(FINDING_VIEW))
            PushFindingView();
        pelorn_trace_startup("resume: finding screen built and pushed");
        mViewManagerPtr->ResumeView();
        pelorn_trace_startup("resume: finding screen resumed");
    }

    mIsLaunchRequested = false;
    if (!MessageManager::GetInstance())
        LOGE("!messageManager");
}

void PelornMain::PushFindingView()
{
    std::shared_ptr<ViewController> controller = ViewControllerFactory(FINDING_VIEW);
    RETM_IF(!controller, "!viewControllerPtr");
    controller->Prepare();
    mViewManagerPtr->PushView(controller, FINDING_VIEW, false, false);
}

gboolean PelornMain::AppResumeTimerCb(gpointer pThis)
{
    RETV_IF(pThis == NULL, G_SOURCE_REMOVE);
    static_cast<PelornMain*>(pThis)->OnResumeTimer();
    return G_SOURCE_REMOVE;
}

void PelornMain::OnResumeTimer()
{
    // The timer ends by returning; the handle only has to be forgotten.
    mAppResumeTimer = 0;
    if (mConsumerControllerPtr)
        mConsumerControllerPtr->OpenConnection();
}

void PelornMain::AppPause(void* pThis)
{
    RET_IF(pThis == NULL);
    static_cast<PelornMain*>(pThis)->OnPause();
}

void PelornMain::OnPause()
{
    LOGE("AppPause");
    if (mAppResumeTimer)
    {
        pelorn_timer_remove(mAppResumeTimer);
        mAppResumeTimer = 0;
    }
    RETM_IF(!mViewManagerPtr, "!viewManagerPtr");
    mViewManagerPtr->PauseView();
    if (mConsumerControllerPtr && !mConsumerControllerPtr->CloseConnection())
        LOGE("CloseConnection() failed");
}

void PelornMain::AppTerminate(void* pThis)
{
    RET_IF(pThis == NULL);
    static_cast<PelornMain*>(pThis)->OnTerminate();
}

void PelornMain::OnTerminate()
{
    if (mAppResumeTimer)
    {
        pelorn_timer_remove(mAppResumeTimer);
        mAppResumeTimer = 0;
    }
    NSORZ::FeedbackManager::DestroyInstance();
    SetConnectionStatusCallback(this, false);
    if (mConsumerControllerPtr && !mConsumerControllerPtr->CloseConnection())
        LOGE("CloseConnection() failed");
    if (mChangeableThemePtr)
    {
        mChangeableThemePtr->UnloadColorTable();
        mChangeableThemePtr->UnloadFontTable();
    }
    uxt_theme_delete_changed_callback(THEME_COLOR, OnThemeColorChangedCb);
    uxt_theme_delete_changed_callback(THEME_FONT, OnThemeFontChangedCb);
    if (mLanguageChangeHandler)
    {
        if (ui_app_remove_event_handler(mLanguageChangeHandler) != APP_ERROR_NONE)
            LOGE("ui_app_remove_event_handler(mLanguageChangeHandler) failed");
        mLanguageChangeHandler = NULL;
    }
    if (mRegionChangeHandler)
    {
        if (ui_app_remove_event_handler(mRegionChangeHandler) != APP_ERROR_NONE)
            LOGE("ui_app_remove_event_handler(mRegionChangeHandler) failed");
        mRegionChangeHandler = NULL;
    }
    QuenlorLogManager* quenlorLogManager = QuenlorLogManager::GetInstance();
    if (quenlorLogManager)
        quenlorLogManager->Destroy();
    SubscribeTimeSettings(false);
}

void PelornMain::AppLowBatteryCb(app_event_info_h event, void* pThis)
{
    LOGE("AppLowBatteryCb exit app");
    elm_exit();
}

void PelornMain::AppLowMemoryCb(app_event_info_h event, void* pThis)
{
    LOGE("AppLowMemoryCb exit app");
    elm_exit();
}

void PelornMain::OnLanguageChanged(app_event_info_h event, void* pThis)
{
    RET_IF(pThis == NULL);
    PelornMain* self = static_cast<PelornMain*>(pThis);
    self->ApplyLanguage("language is null. we can't elm_language_set");
    RETM_IF(!self->mViewManagerPtr, "!viewManagerPtr");
    self->mViewManagerPtr->ResumeView();
}

void PelornMain::OnRegionFormatChanged(app_event_info_h event, void* pThis)
{
}

void PelornMain::OnThemeColorChangedCb(void* pThis)
{
    LOGE("OnThemeColorChanged");
    RET_IF(pThis == NULL);
    PelornMain* self = static_cast<PelornMain*>(pThis);
    RETM_IF(!self->mViewManagerPtr, "!viewManagerPtr");
    self->mViewManagerPtr->ResumeView();
}

void PelornMain::OnThemeFontChangedCb(void* pThis)
{
    LOGE("OnThemeFontChanged");
    RET_IF(pThis == NULL);
    PelornMain* self = static_cast<PelornMain*>(pThis);
    RETM_IF(!self->mViewManagerPtr, "!viewManagerPtr");
    self->mViewManagerPtr->ResumeView();
}

void PelornMain::SystemTimeChangedCb(keynode_t* node, void* pThis)
{
    RETM_IF(!pThis, "!pThis");
    SystemChangedWhichRelatedWithTime(pThis);
}

void PelornMain::SettingApplicationTimezoneIdChangedCb(keynode_t* node, void* pThis)
{
    RETM_IF(!pThis, "!pThis");
    SystemChangedWhichRelatedWithTime(pThis);
}

void PelornMain::SettingApplicationDateFormatChangedCb(keynode_t* node, void* pThis)
{
    RETM_IF(!pThis, "!pThis");
    SystemChangedWhichRelatedWithTime(pThis);
}

void PelornMain::SettingApplicationRegionFormatTime1224ChangedCb(keynode_t* node, void* pThis)
{
    RETM_IF(!pThis, "!pThis");
    SystemChangedWhichRelatedWithTime(pThis);
}

void PelornMain::SystemChangedWhichRelatedWithTime(void* pThis)
{
    RETM_IF(!pThis, "!pThis");
    PelornMain* self = static_cast<PelornMain*>(pThis);
    RETM_IF(!self->mViewManagerPtr, "!viewManagerPtr");
    self->mViewManagerPtr->ResumeView();
}

/* ---- link status and message routing ---- */

bool PelornMain::SendAppMessageToConsumer(int sendType)
{
    RETVM_IF(!mConsumerControllerPtr, false, "!mConsumerControllerPtr");
    const bool sent = mConsumerControllerPtr->SendMessage(sendType);
    LOGE("SendMessageType:%d", sendType);
    return sent;
}

void PelornMain::OnConsumerMsgReceived(int recvType, void* data)
{
    RETM_IF(!mViewManagerPtr, "!mViewManagerPtr");
    mViewManagerPtr->UpdateViewForConsumerMsgReceived(recvType, data);
}

bool PelornMain::CheckConnectionAvailable()
{
    VconfUtil vconf;
    bool connected = vconf.GetIsConnectedBrig();
    int kivConnectionType = vconf.GetKivConnectionType();
    LOGE("kivConnectionType:%d", kivConnectionType);
    if (VconfUtil::IsLDUBinary())
        return true;
    if (!connected)
    {
        LOGE("connType : PAIRING_MODE_DISCONNECT");
        return false;
    }
    if (kivConnectionType & 0x1)
    {
        LOGE("kivConnectionType : PAIRING_MODE_BT");
        return true;
    }
    NetworkConnection network;
    connection_type_e type = CONNECTION_TYPE_DISCONNECTED;
    if (network.IsNetworkAvailable(type))
    {
        LOGE("kivConnectionType : PAIRING_MODE_DOV");
        return true;
    }
    LOGE("network not available");
    return false;
}

bool PelornMain::WasCheckedPermission()
{
    if (VconfUtil::IsLDUBinary())
        return true;
    if (CSCUtil::IsFeatureEnabled())
        return PreferenceUtil::GetPermissionChecked();
    LOGE("permission manager disabled. we don't need to check the permission");
    return true;
}

void PelornMain::OnReplieded(app_control_h request, app_control_h reply, app_control_result_e result,
                             int requestType)
{
    if (requestType != PERMISSION_REQUEST)
        return;
    char* permission = NULL;
    char* permissionCheck = NULL;
    app_control_get_extra_data(reply, ORZ_APP_CONTROL_DATA_PERMISSION_CONTROL, &permission);
    app_control_get_extra_data(reply, ORZ_APP_CONTROL_DATA_PERMISSION_CONTROL_CHECK, &permissionCheck);
    if (g_strcmp0(permission, "yes") != 0)
    {
        free(permission);
        free(permissionCheck);
        LOGE("elm_exit");
        elm_exit();
        return;
    }
    if (g_strcmp0(permissionCheck, "yes") == 0)
        PreferenceUtil::SetPermissionChecked(true);
    free(permission);
    free(permissionCheck);

    PelornMain* pelornMain = GetInstance();
    RETM_IF(!pelornMain->mViewManagerPtr, "!viewManagerPtr");
    pelornMain->PushFindingView();
    pelornMain->mViewManagerPtr->DeleteAllViewExceptSpecificView(FINDING_VIEW);
}

void PelornMain::SetConnectionStatusCallback(void* pThis, bool enable)
{
    RET_IF(pThis == NULL);
    if (enable)
    {
        vconf_notify_key_changed("memory/dnet/status", NetworkStatusChangedCb, pThis);
        vconf_notify_key_changed("memory/private/kiv/conn_type", KivConnectionChangedCb, pThis);
    }
    else
    {
        vconf_ignore_key_changed("memory/dnet/status", NetworkStatusChangedCb);
        vconf_ignore_key_changed("memory/private/kiv/conn_type", KivConnectionChangedCb);
    }
}

void PelornMain::NetworkStatusChangedCb(keynode_t* node, void* pThis)
{
    RET_IF(pThis == NULL);
    PelornMain* self = static_cast<PelornMain*>(pThis);
    RETM_IF(!self->mViewManagerPtr, "!viewManagerPtr");
    NetworkConnection network;
    connection_type_e type = CONNECTION_TYPE_DISCONNECTED;
    if (!network.IsNetworkAvailable(type))
    {
        LOGE("IsNetworkAvailable false");
        type = CONNECTION_TYPE_DISCONNECTED;
    }
    self->mViewManagerPtr->UpdateViewForNetworkState((int)type);
}

void PelornMain::KivConnectionChangedCb(keynode_t* node, void* pThis)
{
    LOGE("KivConnectionChangedCb %s %d", node ? vconf_keynode_get_name(node) : "", node ? vconf_keynode_get_int(node) : 0);
    RET_IF(pThis == NULL);
    PelornMain* self = static_cast<PelornMain*>(pThis);
    RETM_IF(!self->mViewManagerPtr, "!viewManagerPtr");
    self->mViewManagerPtr->UpdateViewForKivState(VconfUtil().GetKivConnectionType());
}
} // namespace NSPelorn
