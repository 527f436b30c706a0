#ifndef PELORN_TESTS_PRIVATE_BUS_H
#define PELORN_TESTS_PRIVATE_BUS_H

#include <string>
#include <sys/types.h>

namespace PelornTest
{
/* A private dbus-daemon configured as a system bus, listening on a socket in
 * a temporary folder; DBUS_SYSTEM_BUS_ADDRESS points at it while the object
 * lives. Stopped (and the variable restored) on destruction. */
class PrivateSystemBus
{
public:
    PrivateSystemBus();
    ~PrivateSystemBus();
    PrivateSystemBus(const PrivateSystemBus&) = delete;
    PrivateSystemBus& operator=(const PrivateSystemBus&) = delete;

    bool IsRunning() const { return mPid > 0 && !mAddress.empty(); }
    const std::string& Address() const { return mAddress; }

private:
    std::string mDir;
    std::string mAddress;
    std::string mPreviousAddress;
    bool mHadPreviousAddress = false;
    pid_t mPid = -1;
};
} // namespace PelornTest

#endif
