#ifndef PELORN_TESTS_DESKTOP_BRIDGE_PROCESS_H
#define PELORN_TESTS_DESKTOP_BRIDGE_PROCESS_H

#include <string>
#include <sys/types.h>

namespace PelornTest
{
/* The real desktop-bridge program for one test, on the buses and folders the
 * environment names now. Its memory pressure comes from a calm file of its
 * own, so a busy machine does not end the application under test. Ready once
 * it printed "ready" (a minute at most); stopped with SIGTERM on destruction. */
class DesktopBridgeProcess
{
public:
    /* clockSpeed > 1 runs its clock seam that many times faster. */
    explicit DesktopBridgeProcess(int clockSpeed = 1);
    ~DesktopBridgeProcess();
    DesktopBridgeProcess(const DesktopBridgeProcess&) = delete;
    DesktopBridgeProcess& operator=(const DesktopBridgeProcess&) = delete;

    bool Ready() const { return mReady; }
    pid_t Pid() const { return mPid; }

private:
    pid_t mPid = -1;
    bool mReady = false;
    std::string mDir;
};
} // namespace PelornTest

#endif
