#include "TerminationWatch.h"

#include <Ecore.h>
#include <signal.h>
#include <stdio.h>
#include <unistd.h>

namespace PelornTest
{
namespace
{
Ecore_Event_Handler* gHandler = nullptr;
volatile sig_atomic_t gRequested = 0;

Eina_Bool SignalExitCb(void* data, int type, void* event)
{
    auto* info = static_cast<Ecore_Event_Signal_Exit*>(event);
    // raise() in a test is the test's own business (an application ending on SIGTERM).
    if (info && info->data.si_pid != getpid() && (info->terminate || info->interrupt))
        gRequested = info->terminate ? SIGTERM : SIGINT;
    return ECORE_CALLBACK_PASS_ON;
}
} // namespace

void TerminationWatch::Arm()
{
    if (!gHandler)
        gHandler = ecore_event_handler_add(ECORE_EVENT_SIGNAL_EXIT, SignalExitCb, nullptr);
}

void TerminationWatch::Forget()
{
    gHandler = nullptr;
}

bool TerminationWatch::Armed()
{
    return gHandler != nullptr;
}

void TerminationWatch::EndIfRequested()
{
    const int sig = gRequested;
    if (!sig)
        return;
    fprintf(stderr, "test process: %s from outside; ending after the current test\n",
            sig == SIGTERM ? "SIGTERM" : "SIGINT");
    fflush(stderr);
    fflush(stdout);
    signal(sig, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    raise(sig);
    _exit(128 + sig);
}
} // namespace PelornTest
