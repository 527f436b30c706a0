#ifndef PELORN_TESTS_TEST_ENVIRONMENT_H
#define PELORN_TESTS_TEST_ENVIRONMENT_H

#include <functional>
#include <string>
#include <vector>

namespace PelornTest
{
/* Fresh state and runtime folders for one test; PELORN_STATE_DIR and
 * PELORN_RUNTIME_DIR point at them until the object goes away, when both
 * folders are removed. Seeds the settings a watch has by default (retail
 * mode off) unless told not to. */
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
 * is meant to end it, and the test would wait for it for ever. */
void UnblockSignalsInChild(void* unused);

/* A file's whole contents, or empty when unreadable. */
std::string ReadFile(const std::string& path);

/* How many lines captured since pelorn_log_capture_begin() hold needle. */
int CountLogged(const std::string& needle);
} // namespace PelornTest

#endif
