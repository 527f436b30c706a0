#ifndef ORZ_COMMON_APP_LAUNCHER_REPLY_LISTENER_H
#define ORZ_COMMON_APP_LAUNCHER_REPLY_LISTENER_H

#include <app_control.h>

namespace NSORZCommon
{
/* Told when an application launched through AppLauncher answers; requestId
 * is the id of the last request the launcher sent. */
class AppLauncherReplyListener
{
public:
    virtual ~AppLauncherReplyListener() = default;
    virtual void OnReplieded(app_control_h request, app_control_h reply, app_control_result_e result,
                             int requestId) = 0;
};
} // namespace NSORZCommon

#endif
