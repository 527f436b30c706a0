#include "AppLauncher.h"

#include "OrzLog.h"
#include "VconfUtil.h"
#include "app_manager.h"

#include <set>
#include <stdlib.h>

namespace NSORZCommon
{
namespace
{
/* A reply may come after the launcher that asked is gone (its screen was
 * closed while the popup was up); such replies have nobody to go to. */
std::set<AppLauncher*>& LiveLaunchers()
{
    static std::set<AppLauncher*> live;
    return live;
}
} // namespace

AppLauncher::AppLauncher()
    : mAppControl(NULL), mDovRequest(NULL), mDovWithdrawn(false), mReplyListener(NULL), mRequestId(-1)
{
    LiveLaunchers().insert(this);
}

AppLauncher::~AppLauncher()
{
    LiveLaunchers().erase(this);
    if (mAppControl)
        AppControlDestroy();
    if (mDovRequest)
        app_control_destroy(mDovRequest);
}

int AppLauncher::AppControlCreate()
{
    int ret = app_control_create(&mAppControl);
    if (ret != APP_CONTROL_ERROR_NONE)
        LOGE("[Fail] app_control_create : %d", ret);
    return ret;
}

int AppLauncher::AppControlSetAppID(const std::string& appId)
{
    RETV_IF(mAppControl == NULL, APP_CONTROL_ERROR_INVALID_PARAMETER);
    int ret = app_control_set_app_id(mAppControl, appId.c_str());
    if (ret != APP_CONTROL_ERROR_NONE)
        LOGE("[Fail] app_control_set_app_id : %d", ret);
    return ret;
}

int AppLauncher::AppControlAddExtraData(const std::string& key, const std::string& value)
{
    RETV_IF(mAppControl == NULL, APP_CONTROL_ERROR_INVALID_PARAMETER);
    int ret = app_control_add_extra_data(mAppControl, key.c_str(), value.c_str());
    if (ret != APP_CONTROL_ERROR_NONE)
        LOGE("[Fail] app_control_add_extra_data");
    return ret;
}

int AppLauncher::AppControlSendLaunchRequest(app_control_reply_cb callback, void* userData)
{
    RETV_IF(mAppControl == NULL, APP_CONTROL_ERROR_INVALID_PARAMETER);
    int ret = app_control_send_launch_request(mAppControl, callback, userData);
    if (ret != APP_CONTROL_ERROR_NONE)
        LOGE("[Fail] app_control_send_launch_request failed : %d", ret);
    return ret;
}

bool AppLauncher::AppControlCheckRunning(const std::string& appID)
{
    RETV_IF(appID.length() < 1, false);
    bool running = false;
    RETV_IF(app_manager_is_running(appID.c_str(), &running) != APP_MANAGER_ERROR_NONE, false);
    LOGE("running : %d", running);
    return running;
}

int AppLauncher::AppControlDestroy()
{
    RETV_IF(mAppControl == NULL, APP_CONTROL_ERROR_INVALID_PARAMETER);
    int ret = app_control_destroy(mAppControl);
    mAppControl = NULL;
    if (ret != APP_CONTROL_ERROR_NONE)
        LOGE("[Fail] app_control_destroy failed : %d", ret);
    return ret;
}

void AppLauncher::ReplyCB(app_control_h request, app_control_h reply, app_control_result_e result, void* userData)
{
    AppLauncher* pThis = static_cast<AppLauncher*>(userData);
    RET_IF(pThis == NULL);
    RETM_IF(LiveLaunchers().count(pThis) == 0, "launcher already gone");
    pThis->OnReply(request, reply, result);
}

void AppLauncher::OnReply(app_control_h request, app_control_h reply, app_control_result_e result)
{
    char* appId = NULL;
    const bool dov = app_control_get_app_id(request, &appId) == APP_CONTROL_ERROR_NONE && appId &&
                     std::string(appId) == ORZ_APP_ID_NETLY_POPUP;
    free(appId);
    if (dov)
    {
        if (mDovRequest)
            app_control_destroy(mDovRequest);
        mDovRequest = NULL;
        if (mDovWithdrawn)
        {
            mDovWithdrawn = false;
            LOGE("the withdrawn remote-connection question closed");
            return;
        }
    }
    if (mReplyListener)
        mReplyListener->OnReplieded(request, reply, result, mRequestId);
}

int AppLauncher::RequestBTConnectionUserDefinedPopup(int requestId, const std::string& titleStr,
                                                     const std::string& bodyStr)
{
    RETV_IF(VconfUtil::IsLDUBinary(), APP_CONTROL_ERROR_NONE);
    RETV_IF(titleStr.length() < 1, APP_CONTROL_ERROR_INVALID_PARAMETER);
    RETV_IF(bodyStr.length() < 1, APP_CONTROL_ERROR_INVALID_PARAMETER);

    int ret = APP_CONTROL_ERROR_NONE;
    do
    {
        ret = AppControlCreate();
        BREAK_IF(ret != APP_CONTROL_ERROR_NONE);
        ret = AppControlSetAppID(ORZ_APP_ID_BT_CONNECTION_POPUP);
        BREAK_IF(ret != APP_CONTROL_ERROR_NONE);
        ret = AppControlAddExtraData("msg", "user_defined");
        BREAK_IF(ret != APP_CONTROL_ERROR_NONE);
        ret = AppControlAddExtraData("title", titleStr);
        BREAK_IF(ret != APP_CONTROL_ERROR_NONE);
        ret = AppControlAddExtraData("text", bodyStr);
        BREAK_IF(ret != APP_CONTROL_ERROR_NONE);
        ret = AppControlSendLaunchRequest(ReplyCB, this);
        BREAK_IF(ret != APP_CONTROL_ERROR_NONE);
        mRequestId = requestId;
    } while (0);
    AppControlDestroy();
    return ret;
}

int AppLauncher::RequestPermissionPopup(int requestId)
{
    RETV_IF(VconfUtil::IsLDUBinary(), APP_CONTROL_ERROR_NONE);

    int ret = APP_CONTROL_ERROR_NONE;
    do
    {
        ret = AppControlCreate();
        BREAK_IF(ret != APP_CONTROL_ERROR_NONE);
        ret = AppControlSetAppID(ORZ_APP_ID_PERMISSION_POPUP);
        BREAK_IF(ret != APP_CONTROL_ERROR_NONE);
        ret = AppControlAddExtraData(ORZ_APP_CONTROL_DATA_APP_ID, "com.quenlor.pelorn-phone");
        BREAK_IF(ret != APP_CONTROL_ERROR_NONE);
        ret = AppControlAddExtraData(ORZ_APP_CONTROL_DATA_DATA_NOTICE, "Use data network");
        BREAK_IF(ret != APP_CONTROL_ERROR_NONE);
        ret = AppControlSendLaunchRequest(ReplyCB, this);
        BREAK_IF(ret != APP_CONTROL_ERROR_NONE);
        mRequestId = requestId;
    } while (0);
    AppControlDestroy();
    return ret;
}

int AppLauncher::RequestDovConnectionPopup(int requestId)
{
    RETV_IF(VconfUtil::IsLDUBinary(), APP_CONTROL_ERROR_NONE);

    int ret = APP_CONTROL_ERROR_NONE;
    do
    {
        if (AppControlCheckRunning(ORZ_APP_ID_NETLY_POPUP))
        {
            LOGE("netly popup is running already");
            break;
        }
        ret = AppControlCreate();
        BREAK_IF(ret != APP_CONTROL_ERROR_NONE);
        ret = AppControlSetAppID(ORZ_APP_ID_NETLY_POPUP);
        BREAK_IF(ret != APP_CONTROL_ERROR_NONE);
        ret = AppControlAddExtraData(ORZ_APP_CONTROL_DATA_CONNECTION_TYPE, "dov_connect");
        BREAK_IF(ret != APP_CONTROL_ERROR_NONE);
        ret = AppControlSendLaunchRequest(ReplyCB, this);
        BREAK_IF(ret != APP_CONTROL_ERROR_NONE);
        mRequestId = requestId;
        if (mDovRequest)
            app_control_destroy(mDovRequest);
        mDovRequest = NULL;
        mDovWithdrawn = false;
        app_control_clone(&mDovRequest, mAppControl);
    } while (0);
    if (mAppControl)
        AppControlDestroy();
    return ret;
}

void AppLauncher::WithdrawDovConnectionPopup()
{
    if (!mDovRequest || mDovWithdrawn)
        return;
    if (app_control_send_terminate_request(mDovRequest) != APP_CONTROL_ERROR_NONE)
    {
        LOGE("the remote-connection question cannot be withdrawn");
        return;
    }
    LOGE("the link is back: the remote-connection question is withdrawn");
    mDovWithdrawn = true;
}
} // namespace NSORZCommon
