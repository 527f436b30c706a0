#include "DeviceUtil.h"

#include "OrzLog.h"

#include <device/power.h>

namespace NSORZCommon
{
DeviceUtil::DeviceUtil()
{
}

DeviceUtil::~DeviceUtil()
{
}

int DeviceUtil::SetLCDLockState(bool lock)
{
    LOGE("SetLCDLockState(%d)", lock);
    int ret = DEVICE_ERROR_NONE;
    if (lock)
    {
        do
        {
            ret = device_power_wakeup(false);
            if (ret != DEVICE_ERROR_NONE)
            {
                LOGE("[%s(): %d] (device_power_wakeup error : [%d]) [break]", __func__, __LINE__, ret);
                break;
            }
            ret = device_power_request_lock(POWER_LOCK_DISPLAY, 0);
            if (ret != DEVICE_ERROR_NONE)
            {
                LOGE("[%s(): %d] (device_power_request_lock error : [%d]) [break]", __func__, __LINE__, ret);
                break;
            }
        } while (0);
        return ret;
    }
    ret = device_power_release_lock(POWER_LOCK_DISPLAY);
    if (ret < 0)
        LOGE("device_power_release_lock error : [%d]", ret);
    return ret;
}
} // namespace NSORZCommon
