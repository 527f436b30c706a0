#ifndef ORZ_COMMON_DEVICE_UTIL_H
#define ORZ_COMMON_DEVICE_UTIL_H

namespace NSORZCommon
{
/* Display power. */
class DeviceUtil
{
public:
    DeviceUtil();
    virtual ~DeviceUtil();

    /* true: wake the display and keep it on; false: let it sleep again.
     * Answers the platform's result (0 on success). */
    static int SetLCDLockState(bool lock);
};
} // namespace NSORZCommon

#endif
