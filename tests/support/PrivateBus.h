#ifndef PELORN_TESTS_PRIVATE_BUS_H
#define PELORN_TESTS_PRIVATE_BUS_H

#include "TestEnvironment.h"

#include <memory>
#include <string>
#include <sys/types.h>

namespace PelornTest
{
/* A private dbus-daemon listening on a socket in a temporary folder, as the
 * system bus (DBUS_SYSTEM_BUS_ADDRESS) or the session bus
 * (DBUS_SESSION_BUS_ADDRESS); the variable points at it while the object
 * lives. Stopped (and the variable restored) on destruction. */
class PrivateBus
{
public:
    enum class Kind
    {
        SYSTEM,
        SESSION
    };
    explicit PrivateBus(Kind kind);
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool IsRunning() const { return mPid > 0 && !mAddress.empty(); }
    const std::string& Address() const { return mAddress; }

private:
    std::string mDir;
    std::string mAddress;
    std::unique_ptr<ScopedEnv> mVariable;
    pid_t mPid = -1;
};

class PrivateSystemBus : public PrivateBus
{
public:
    PrivateSystemBus() : PrivateBus(Kind::SYSTEM) {}
};

class PrivateSessionBus : public PrivateBus
{
public:
    PrivateSessionBus() : PrivateBus(Kind::SESSION) {}
};
} // namespace PelornTest

#endif
