#include "TestEnvironment.h"

#include "pelorn_log_capture.h"

#include "pelorn_clock.h"
#include "pelorn_paths.h"
#include "vconf.h"

#include <errno.h>
#include <algorithm>
#include <glib.h>
#include <signal.h>
#include <stdlib.h>
#include <fcntl.h>
#include <poll.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace PelornTest
{
namespace
{
/* The test process, as its children see it before they run their program. */
const pid_t gSpawner = getpid();

/* Reaps pid, killing it first when it has not ended within ms. */
bool ReapWithin(int pid, int* status, int ms)
{
    int ignored = 0;
    status = status ? status : &ignored;
    const gint64 deadline = g_get_monotonic_time() + (gint64)ms * 1000;
    for (;;)
    {
        const pid_t done = waitpid(pid, status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR))
            return true;
        if (g_get_monotonic_time() >= deadline)
            break;
        g_usleep(2000);
    }
    kill(pid, SIGKILL);
    while (waitpid(pid, status, 0) < 0 && errno == EINTR)
        ;
    return false;
}
} // namespace

ScopedTestDirs::ScopedTestDirs(bool seedDefaults)
{
    mRoot = MakeTempDir("pelorn-test-XXXXXX");
    mStateDir = mRoot + "/state";
    mRuntimeDir = mRoot + "/run";
    g_mkdir_with_parents(mStateDir.c_str(), 0700);
    g_mkdir_with_parents(mRuntimeDir.c_str(), 0700);
    mStateEnv.emplace("PELORN_STATE_DIR", mStateDir.c_str());
    mRuntimeEnv.emplace("PELORN_RUNTIME_DIR", mRuntimeDir.c_str());
    pelorn_paths_reset();
    if (seedDefaults)
    {
        vconf_set_int("db/retailmode/enabled", 0);
        vconf_set_str("db/menu_widget/language", "en_US.UTF-8");
    }
}

ScopedTestDirs::~ScopedTestDirs()
{
    if (pelorn_clock_is_manual())
        pelorn_clock_set_manual(FALSE);
    if (!getenv("PELORN_TEST_KEEP_DIRS"))
        RemoveTree(mRoot);
    mStateEnv.reset();
    mRuntimeEnv.reset();
    pelorn_paths_reset();
}

bool EndChild(int pid, int graceMs)
{
    if (pid <= 0)
        return false;
    kill(pid, SIGTERM);
    return ReapWithin(pid, nullptr, graceMs);
}

bool ProgramRun::Exited(int code) const
{
    return !timedOut && WIFEXITED(status) && WEXITSTATUS(status) == code;
}

namespace
{
/* Spawns argv with the environment changed by env; pipes for the non-null fds. */
bool Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, GPid* pid, gint* outFd,
           gint* errFd, GError** error, gint* inFd = nullptr)
{
    gchar** envp = g_get_environ();
    for (const std::string& e : env)
    {
        const size_t eq = e.find('=');
        envp = !e.empty() && e[0] == '-'
                   ? g_environ_unsetenv(envp, e.c_str() + 1)
                   : g_environ_setenv(envp, e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), TRUE);
    }
    std::vector<std::string> args = argv;
    std::vector<char*> cargv = ArgvOf(args);
    const int flags = G_SPAWN_DO_NOT_REAP_CHILD | (inFd ? 0 : G_SPAWN_STDIN_FROM_DEV_NULL) | G_SPAWN_SEARCH_PATH |
                      (outFd ? 0 : G_SPAWN_STDOUT_TO_DEV_NULL) | (errFd ? 0 : G_SPAWN_STDERR_TO_DEV_NULL);
    const gboolean spawned = g_spawn_async_with_pipes(nullptr, cargv.data(), envp, (GSpawnFlags)flags,
                                                      UnblockSignalsInChild, nullptr, pid, inFd, outFd, errFd,
                                                      error);
    g_strfreev(envp);
    return spawned;
}
} // namespace

int SpawnProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env, int* errFd,
                 int* outFd, int* inFd)
{
    GPid pid = 0;
    return Spawn(argv, env, &pid, outFd, errFd, nullptr, inFd) ? pid : -1;
}

bool WaitChild(int pid, int* status, int timeoutMs)
{
    return ReapWithin(pid, status, std::max(timeoutMs, HANG_MS));
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : mName(name)
{
    const char* old = g_getenv(name);
    mHad = old != nullptr;
    mOld = old ? old : "";
    if (value)
        g_setenv(name, value, TRUE);
    else
        g_unsetenv(name);
}

ScopedEnv::~ScopedEnv()
{
    if (mHad)
        g_setenv(mName.c_str(), mOld.c_str(), TRUE);
    else
        g_unsetenv(mName.c_str());
}

HangRescue::HangRescue(std::function<void()> rescue)
    : mThread([this, rescue] {
          std::unique_lock<std::mutex> lock(mLock);
          if (mDone.wait_for(lock, std::chrono::milliseconds(HANG_MS), [this] { return mFinished; }))
              return;
          mRescued = true;
          rescue();
      })
{
}

bool HangRescue::End()
{
    {
        std::lock_guard<std::mutex> lock(mLock);
        mFinished = true;
    }
    mDone.notify_all();
    if (mThread.joinable())
        mThread.join();
    return !mRescued;
}

int ListenUnix(const std::string& path)
{
    struct sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path))
        return -1;
    strcpy(address.sun_path, path.c_str());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd >= 0 && (bind(fd, reinterpret_cast<struct sockaddr*>(&address), sizeof(address)) != 0 ||
                    listen(fd, 4) != 0))
    {
        close(fd);
        return -1;
    }
    return fd;
}

SilentBus::SilentBus(const std::string& dir)
    : mFd(ListenUnix(dir + "/silent-bus")),
      mSystem("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + dir + "/silent-bus").c_str()),
      mSession("DBUS_SESSION_BUS_ADDRESS", nullptr)
{
}

void SilentBus::Close()
{
    if (mFd >= 0)
        close(mFd); // connections not yet accepted are reset
    mFd = -1;
}

ProgramRun RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env, int timeoutMs)
{
    ProgramRun run;
    GPid pid = 0;
    gint outFd = -1, errFd = -1;
    const gint64 start = g_get_monotonic_time();
    GError* error = nullptr;
    if (!Spawn(argv, env, &pid, &outFd, &errFd, &error))
    {
        run.err = error ? error->message : "cannot start";
        g_clear_error(&error);
        return run;
    }
    const gint64 deadline = start + (gint64)std::max(timeoutMs, HANG_MS) * 1000; // only a hang ends it
    struct pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* sinks[2] = {&run.out, &run.err};
    for (auto& f : fds)
        fcntl(f.fd, F_SETFL, O_NONBLOCK);
    // A program that starts the toolkit may leave a helper holding its output:
    // the end of the process, not of its output, ends the run, once what it
    // wrote before its end is read.
    bool ended = false;
    while (!ended)
    {
        if (g_get_monotonic_time() >= deadline)
        {
            run.timedOut = true;
            kill(pid, SIGKILL);
            waitpid(pid, &run.status, 0);
            break;
        }
        const pid_t done = waitpid(pid, &run.status, WNOHANG);
        ended = done == pid || (done < 0 && errno != EINTR);
        if (poll(fds, 2, ended ? 0 : 20) <= 0)
            continue;
        for (auto& f : fds)
        {
            if (f.fd < 0 || !(f.revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t n = AppendAvailable(f.fd, *sinks[&f - fds]);
            if (n == 0 || (errno != EAGAIN && errno != EINTR))
                f.fd = -1 - f.fd; // closed: keep the number to close it once
        }
    }
    for (auto& f : fds)
        close(f.fd >= 0 ? f.fd : -1 - f.fd);
    run.elapsedMs = (int)((g_get_monotonic_time() - start) / 1000);
    return run;
}

void RemoveTree(const std::string& path)
{
    // rm does not follow a link inside the tree, as a walk of our own would have.
    RunProgram({"rm", "-rf", "--", path});
}

std::vector<std::string> AsOtherAccount(unsigned uid)
{
    gchar* setpriv = g_find_program_in_path("setpriv");
    std::vector<std::string> prefix;
    if (getuid() == 0 && setpriv)
        prefix = {setpriv, "--reuid=" + std::to_string(uid), "--regid=" + std::to_string(uid), "--clear-groups", "--"};
    g_free(setpriv);
    return prefix;
}

bool RunGlibUntil(const std::function<bool()>& cond, int timeoutMs)
{
    // The deadline only catches a hang: a loaded machine must not make it a verdict.
    const gint64 deadline = g_get_monotonic_time() + (gint64)std::max(timeoutMs, HANG_MS) * 1000;
    while (!cond())
    {
        if (g_get_monotonic_time() >= deadline)
            return cond();
        if (!g_main_context_iteration(nullptr, FALSE))
            g_usleep(1000);
    }
    return true;
}

void RunGlibFor(int ms)
{
    const gint64 deadline = g_get_monotonic_time() + (gint64)ms * 1000;
    RunGlibUntil([deadline] { return g_get_monotonic_time() >= deadline; }, ms + HANG_MS);
}

std::string BuiltProgram(const std::string& name)
{
    const char* env = getenv("PELORN_BUILD_DIR");
    return std::string(env && *env ? env : PELORN_TEST_BUILD_DIR) + "/" + name;
}

std::string MakeTempDir(const char* pattern)
{
    gchar* dir = g_dir_make_tmp(pattern, nullptr);
    std::string made = dir ? dir : "";
    g_free(dir);
    return made;
}

ssize_t AppendAvailable(int fd, std::string& to)
{
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof(buf))) > 0)
        to.append(buf, (size_t)n);
    return n;
}

std::string ReadLine(int fd, int timeoutMs)
{
    std::string text;
    const gint64 deadline = g_get_monotonic_time() + (gint64)timeoutMs * 1000;
    for (char c;;)
    {
        const int left = (int)((deadline - g_get_monotonic_time()) / 1000);
        struct pollfd p = {fd, POLLIN, 0};
        if (left <= 0 || poll(&p, 1, left) <= 0 || read(fd, &c, 1) != 1 || c == '\n')
            return text;
        text.push_back(c);
    }
}

std::vector<char*> ArgvOf(std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);
    return argv;
}

void UnblockSignalsInChild(void*)
{
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    // A helper dies with the case that started it, however the case ends: a
    // failed assertion that skips its clean-up, CTest's time-out, a signal.
    // Left to init, a phone-sim would hold its socket and keys for good.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != gSpawner)
        _exit(127); // the case ended before the tie was made
}

std::string ExtraOf(app_control_h ac, const char* key)
{
    char* v = nullptr;
    if (app_control_get_extra_data(ac, key, &v) != APP_CONTROL_ERROR_NONE)
        return "-";
    std::string out = v;
    free(v);
    return out;
}

int IntKey(const char* key, int absent)
{
    int value = 0;
    return vconf_get_int(key, &value) == VCONF_OK ? value : absent;
}

std::string StrKey(const char* key, const std::string& absent)
{
    char* value = vconf_get_str(key);
    const std::string text = value ? value : absent;
    free(value);
    return text;
}

std::string ReadFile(const std::string& path)
{
    gchar* contents = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(path.c_str(), &contents, &length, nullptr))
        return std::string();
    std::string out(contents, length);
    g_free(contents);
    return out;
}
int CountLogged(const std::string& needle)
{
    int n = 0;
    for (const std::string& line : pelorn_log_captured_lines())
        n += line.find(needle) != std::string::npos;
    return n;
}
} // namespace PelornTest
