#ifndef PELORN_TESTS_PHONE_SIM_PROCESS_H
#define PELORN_TESTS_PHONE_SIM_PROCESS_H

#include <string>
#include <vector>

namespace PelornTest
{
/* The real phone-sim program, started for one test with its standard input
 * and output piped to the test. Its output is collected while the GLib
 * default context runs. */
class PhoneSimProcess
{
public:
    /* env: "NAME=VALUE" entries set for phone-sim alone (e.g. its clock speed).
     * Waits until it listens, unless started from inside a running
     * scenario's step (waitListening false), which must not run the loop. */
    explicit PhoneSimProcess(const std::vector<std::string>& args = {},
                             const std::vector<std::string>& env = {}, bool waitListening = true);
    ~PhoneSimProcess();

    bool Ready() const { return mReady; }
    /* Everything printed so far. */
    const std::string& Output();
    bool Printed(const std::string& needle) { return Output().find(needle) != std::string::npos; }
    size_t CountPrinted(const std::string& needle);
    bool WaitFor(const std::string& needle, int timeoutMs = 5000);
    /* Packets of that message id the phone received. */
    int Received(const std::string& msgId);
    void Command(const std::string& line);
    /* SIGTERM and wait for the exit. */
    void Terminate();
    /* Dies as a crashed or killed phone service would: no word to anybody. */
    void Kill();

private:
    int mPid = -1;
    int mStdinFd = -1;
    int mStdoutFd = -1;
    std::string mOutput;
    bool mReady = false;
};
} // namespace PelornTest

#endif
