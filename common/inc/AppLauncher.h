#ifndef ORZ_COMMON_APP_LAUNCHER_H
#define ORZ_COMMON_APP_LAUNCHER_H

#include "AppLauncherReplyListener.h"

#include <app_control.h>
#include <string>

/* Extra-data keys of the platform's popups live under the vendor's
 * app-control data namespace. */
#define ORZ_APP_CONTROL_DATA_PREFIX "http://quenlor.com/appcontrol/data/"
#define ORZ_APP_CONTROL_DATA_APP_ID ORZ_APP_CONTROL_DATA_PREFIX "app_id"
#define ORZ_APP_CONTROL_DATA_DATA_NOTICE ORZ_APP_CONTROL_DATA_PREFIX "data_notice"
#define ORZ_APP_CONTROL_DATA_CONNECTION_TYPE ORZ_APP_CONTROL_DATA_PREFIX "connection_type"
#define ORZ_APP_CONTROL_DATA_PERMISSION_CONTROL ORZ_APP_CONTROL_DATA_PREFIX "permissionControl"
#define ORZ_APP_CONTROL_DATA_PERMISSION_CONTROL_CHECK ORZ_APP_CONTROL_DATA_PREFIX "permissionControlCheck"
/* The connection popups answer with this extra data. */
#define ORZ_APP_CONTROL_POPUP_RESPONSE "_WCPOPUP_RESP_"

#define ORZ_APP_ID_PERMISSION_POPUP "com.quenlor.permissionpopup"
#define ORZ_APP_ID_NETLY_POPUP "com.quenlor.netly-popup"
#define ORZ_APP_ID_BT_CONNECTION_POPUP "com.quenlor.bt-connection-popup"

namespace NSORZCommon
{
/* Launches the platform's popups with app-control requests and hands their
 * replies to one listener, tagged with the caller's request id. */
class AppLauncher
{
public:
    AppLauncher();
    virtual ~AppLauncher();
    AppLauncher(const AppLauncher&) = delete;
    AppLauncher& operator=(const AppLauncher&) = delete;

    void SetReplyListener(AppLauncherReplyListener* listener) { mReplyListener = listener; }
    AppLauncherReplyListener* GetReplyListener() const { return mReplyListener; }
    int GetRequestId() const { return mRequestId; }

    virtual int RequestBTConnectionUserDefinedPopup(int requestId, const std::string& titleStr,
                                                    const std::string& bodyStr);
    virtual int RequestPermissionPopup(int requestId);
    virtual int RequestDovConnectionPopup(int requestId);
    /* The link the remote-connection question was about is back: the
     * question goes, and its closing is no answer to act on. */
    virtual void WithdrawDovConnectionPopup();

    bool AppControlCheckRunning(const std::string& appID);

    static void ReplyCB(app_control_h request, app_control_h reply, app_control_result_e result, void* userData);

private:
    int AppControlCreate();
    int AppControlSetAppID(const std::string& appId);
    int AppControlAddExtraData(const std::string& key, const std::string& value);
    int AppControlSendLaunchRequest(app_control_reply_cb callback, void* userData);
    int AppControlDestroy();
    void OnReply(app_control_h request, app_control_h reply, app_control_result_e result);

    app_control_h mAppControl;
    app_control_h mDovRequest; // the remote-connection question while it is up
    bool mDovWithdrawn;
    AppLauncherReplyListener* mReplyListener;
    int mRequestId;
};
} // namespace NSORZCommon

#endif
