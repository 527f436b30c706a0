#ifndef PELORN_TESTS_TEST_ENVIRONMENT_H
#define PELORN_TESTS_TEST_ENVIRONMENT_H

#include "app_control.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace PelornTest
{
/* Sets (or, for nullptr, removes) an environment variable for one scope. */
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string mName;
    std::string mOld;
    bool mHad = false;
};

/* Fresh state and runtime folders for one test; PELORN_STATE_DIR and
 * PELORN_RUNTIME_DIR point at them until the object goes away, when both
 * folders are removed and the variables are as they were before. Seeds the
 * settings a watch has by default (retail mode off) unless told not to. */
class ScopedTestDirs
{
public:
    explicit ScopedTestDirs(bool seedDefaults = true);
    ~ScopedTestDirs();
    ScopedTestDirs(const ScopedTestDirs&) = delete;
    ScopedTestDirs& operator=(const ScopedTestDirs&) = delete;

    const std::string& StateDir() const { return mStateDir; }
    const std::string& RuntimeDir() const { return mRuntimeDir; }

private:
    std::string mRoot;
    std::string mStateDir;
    std::string mRuntimeDir;
    std::optional<ScopedEnv> mStateEnv;
    std::optional<ScopedEnv> mRuntimeEnv;
};

/* The least time any wait gives its condition before calling it a hang. */
const int HANG_MS = 60000;

/* Runs the GLib default main context until cond() holds or the deadline
 * passes (timeoutMs, but never less than HANG_MS); returns cond()'s last
 * value. Not for waiting out a time: that is RunGlibFor. */
bool RunGlibUntil(const std::function<bool()>& cond, int timeoutMs = 5000);
/* Runs the GLib default main context for about ms milliseconds. */
void RunGlibFor(int ms);

/* Path of a program built into the top of the build tree (phone-sim, vconftool, ...). */
std::string BuiltProgram(const std::string& name);
/* A new private folder under the temporary one from a g_dir_make_tmp pattern, "" if none. */
std::string MakeTempDir(const char* pattern);

/* The argv of a spawn: pointers into args, which must outlive it, then NULL. */
std::vector<char*> ArgvOf(std::vector<std::string>& args);

/* Ends a child: SIGTERM, then SIGKILL when it is still there after graceMs.
 * Reaps it either way, so a child that ignores SIGTERM cannot hang the test.
 * Answers true when SIGTERM was enough. */
bool EndChild(int pid, int graceMs = 30000);

/* One run of a program to its end. */
struct ProgramRun
{
    int status = -1; // as waitpid gives it
    bool timedOut = false;
    std::string out;
    std::string err;
    int elapsedMs = 0;
    bool Exited(int code) const;
};

/* Runs argv with the test's environment changed by env ("KEY=VALUE" sets,
 * "-KEY" removes), input from /dev/null. Killed (timedOut) when it has not
 * ended within timeoutMs. */
ProgramRun RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                      int timeoutMs = 10000);

/* The command that runs a program as another account, or empty when this
 * process cannot (not root, or no setpriv); uid and gid of that account. */
std::vector<std::string> AsOtherAccount(unsigned uid);

/* Child set-up for GLib spawns (the data is unused): the child starts with no
 * signal blocked. Once the application has run in a test process its main
 * thread can be left with SIGTERM and its kin blocked (a mask taken over from
 * thread creation); a child inheriting that would never hear the SIGTERM that
 * is meant to end it, and the test would wait for it for ever. The child
 * also dies with the test process (SIGKILL), however the test ends. */
void UnblockSignalsInChild(void* unused);

/* Starts argv as RunProgram does, without waiting; its stdin comes from
 * /dev/null and its stdout and stderr go there, or each to a pipe (*inFd,
 * *outFd, *errFd, to close) when asked for. Answers the pid (to reap, e.g.
 * with WaitChild), or -1. */
int SpawnProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                 int* errFd = nullptr, int* outFd = nullptr, int* inFd = nullptr);
/* Waits for pid to end (status as waitpid gives it); after timeoutMs (never
 * less than HANG_MS) kills and reaps it and answers false. */
bool WaitChild(int pid, int* status = nullptr, int timeoutMs = HANG_MS);

/* Runs rescue() on a thread of its own once HANG_MS passed without End():
 * something a test waits on that would block for ever (a pipe, a silent bus)
 * is let go, so that the test fails instead of hanging. */
class HangRescue
{
public:
    explicit HangRescue(std::function<void()> rescue);
    ~HangRescue() { End(); }
    /* Call when the waits are over; true when they ended without the rescue. */
    bool End();
    bool Rescued() const { return mRescued; }

private:
    std::mutex mLock;
    std::condition_variable mDone;
    bool mFinished = false;
    std::atomic<bool> mRescued{false};
    std::thread mThread;
};

/* A socket that takes connections as a bus daemon would and never answers
 * (a stuck daemon, or no bus at all), in dir; DBUS_SYSTEM_BUS_ADDRESS points
 * at it and there is no session bus while the object lives. Close() ends
 * every wait on it. */
class SilentBus
{
public:
    explicit SilentBus(const std::string& dir);
    /* Left listening until the process ends: closing resets the connections
     * it holds back, which wakes GLib's D-Bus thread into reading the
     * environment (g_strerror) while the test's end restores it, and glibc's
     * environment cannot be read and changed at once. */
    ~SilentBus() {}
    bool Listening() const { return mFd >= 0; }
    void Close();

private:
    int mFd = -1;
    ScopedEnv mSystem;
    ScopedEnv mSession;
};

/* A Unix socket listening at path (non-blocking, closed on exec), or -1. */
int ListenUnix(const std::string& path);

/* An extra of a launch request or reply, or "-" when it has none. */
std::string ExtraOf(app_control_h ac, const char* key);

/* A settings key's value, or `absent` when it cannot be read as one. */
int IntKey(const char* key, int absent = -1);
std::string StrKey(const char* key, const std::string& absent = "");

/* A file's whole contents, or empty when unreadable. */
std::string ReadFile(const std::string& path);
/* Appends what fd has to read now (to its end, if it is blocking); answers the last read's result. */
ssize_t AppendAvailable(int fd, std::string& to);
/* What arrives on fd until a newline (left out), the writer closing it, or the time-out. */
std::string ReadLine(int fd, int timeoutMs);
/* Removes a file, or a folder and everything in it. */
void RemoveTree(const std::string& path);

/* How many lines captured since pelorn_log_capture_begin() hold needle. */
int CountLogged(const std::string& needle);
} // namespace PelornTest

#endif
