#include "PelornApplication.h"

#include <app_manager.h>
#include <pelorn_paths.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace
{
const char* const HELP = R"(Usage: pelorn [--launch-searching | --start-searching] [--extra=KEY=VALUE]...

The watch application that finds the paired phone, on a 360x360 window (or
headless on ELM_ENGINE=buffer). One app runs per state and runtime folder: a
second start hands its command line to the running app, prints
"pelorn: handed to the running app" and exits 0.

Options:
  --launch-searching   ask the running app to ring the phone at once (as the
                       watch's launcher asks); with no app running it says so
                       in one line and exits 1
  --start-searching    start the app (or reach the running one) and ring the
                       phone at once
  --extra=KEY=VALUE    any other launch request data
  --help               this text

Keys on a desktop: BackSpace = back, Menu = more, mouse wheel = bezel,
Escape = stop ringing. The menu opens from the handle at the right edge.

Environment:
  PELORN_STATE_DIR     "db/" settings, preferences, log (pelorn.log). Default:
                       <build dir>/run-state when run from the top of a build
                       tree (what ./scripts/run uses), else
                       $XDG_STATE_HOME/pelorn, else ~/.local/state/pelorn
  PELORN_RUNTIME_DIR   "memory/" settings, the phone's socket, the launch
                       socket. Default: <build dir>/run-runtime from a build
                       tree, else $XDG_RUNTIME_DIR/pelorn, else /tmp/pelorn-UID
  PELORN_RES_DIR       resources (default: ../share/pelorn beside an installed
                       program, the build tree's res/ for one run from there)
  PELORN_APPS_DIR      where the platform popup programs are
  PELORN_SCREENSHOT_DIR  save every new screen as a PNG there
  PELORN_LOG_STDERR=0  log to pelorn.log only, not to standard error
  PELORN_CLOCK_SPEED=N run the app's timers N times faster
  ELM_ENGINE=buffer    no window (headless)

Exit status: 0 ran or handed over; 1 --launch-searching found no running app;
2 unknown option.

Examples:
  build/pelorn --launch-searching   # while ./scripts/run runs, from a second terminal
  build/pelorn --start-searching    # a new app that rings at once
)";

const char START_SEARCHING[] = "--start-searching";

bool HasArg(int argc, char** argv, const char* wanted)
{
    for (int i = 1; i < argc; ++i)
        if (argv[i] && !strcmp(argv[i], wanted))
            return true;
    return false;
}

int CheckArguments(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
    {
        if (!argv[i] || !strcmp(argv[i], "--launch-searching") || !strcmp(argv[i], START_SEARCHING) ||
            !strncmp(argv[i], "--extra=", 8))
            continue;
        if (!strcmp(argv[i], "--help") || !strcmp(argv[i], "-h"))
        {
            fputs(HELP, stdout);
            return 0;
        }
        fprintf(stderr, "pelorn: unknown option %s (see pelorn --help)\n", argv[i]);
        return 2;
    }
    return -1;
}

/* A launch request is for an app that runs: starting one instead would open a
 * second window, or headless a program nobody sees. */
bool NoAppRunning()
{
    bool running = false;
    return app_manager_is_running(pelorn_app_id(), &running) == APP_MANAGER_ERROR_NONE && !running;
}
} // namespace

int main(int argc, char* argv[])
{
    const int status = CheckArguments(argc, argv);
    if (status >= 0)
        return status;
    // Typed by hand rather than through ./scripts/run: ecore's system modules
    // look for upower and hostname1 on a system bus this stand-in does not
    // need, and eina's backtraces would bury the one line that matters.
    setenv("ECORE_NO_SYSTEM_MODULES", "1", 0);
    setenv("EINA_LOG_BACKTRACE", "-1", 0);
    if (HasArg(argc, argv, "--launch-searching") && NoAppRunning())
    {
        fprintf(stderr,
                "pelorn: no app running on %s to hand the request to: start one with ./scripts/run, or use "
                "--start-searching\n",
                pelorn_runtime_dir());
        return 1;
    }
    // The framework knows one launch request; starting is what tells the two apart.
    for (int i = 1; i < argc; ++i)
        if (argv[i] && !strcmp(argv[i], START_SEARCHING))
            argv[i] = const_cast<char*>("--launch-searching");
    return RunPelornApplication(argc, argv);
}
