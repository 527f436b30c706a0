#include "pelorn_mainloop.h"

#include "loop_turn.h"

#include <Ecore.h>
#include <glib.h>
#include <sys/select.h>
#include <vector>

namespace
{
bool gIntegrated = false;
std::vector<GPollFD> gPollFds;
pelorn_mainloop_wait_cb gWaitObserver = nullptr;
void* gWaitObserverData = nullptr;
thread_local bool tInTurn = false;

/* The turn ends at the wait; ecore dispatches what woke it after select. */
int Wait(int nfds, fd_set* readfds, fd_set* writefds, fd_set* exceptfds, struct timeval* timeout)
{
    tInTurn = false;
    pelorn_log_loop_waits();
    if (gWaitObserver)
        gWaitObserver(1, gWaitObserverData);
    const int ret = select(nfds, readfds, writefds, exceptfds, timeout);
    if (gWaitObserver)
        gWaitObserver(0, gWaitObserverData);
    tInTurn = true;
    return ret;
}

/* Ecore's select step, widened to the file descriptors and the timeout of
 * the GLib default context, so that GLib sources are dispatched on the same
 * loop as ecore's own handlers. */
int SelectWithGlib(int nfds, fd_set* readfds, fd_set* writefds, fd_set* exceptfds, struct timeval* timeout)
{
    GMainContext* context = g_main_context_default();
    if (!g_main_context_acquire(context))
        return Wait(nfds, readfds, writefds, exceptfds, timeout);

    gint maxPriority = 0;
    g_main_context_prepare(context, &maxPriority);

    gint glibTimeout = -1;
    gint count;
    if (gPollFds.size() < 16)
        gPollFds.resize(16);
    while ((count = g_main_context_query(context, maxPriority, &glibTimeout, gPollFds.data(), (gint)gPollFds.size())) >
           (gint)gPollFds.size())
        gPollFds.resize(count);

    int maxFd = nfds - 1;
    for (gint i = 0; i < count; ++i)
    {
        GPollFD& pfd = gPollFds[i];
        pfd.revents = 0;
        if (pfd.fd < 0)
            continue;
        if (pfd.events & (G_IO_IN | G_IO_HUP | G_IO_ERR))
            FD_SET(pfd.fd, readfds);
        if (pfd.events & G_IO_OUT)
            FD_SET(pfd.fd, writefds);
        if (pfd.events & (G_IO_PRI | G_IO_ERR))
            FD_SET(pfd.fd, exceptfds);
        if (pfd.fd > maxFd)
            maxFd = pfd.fd;
    }

    struct timeval merged;
    struct timeval* effective = timeout;
    if (glibTimeout >= 0)
    {
        long glibUsec = (long)glibTimeout * 1000L;
        if (!timeout || (long)timeout->tv_sec * 1000000L + timeout->tv_usec > glibUsec)
        {
            merged.tv_sec = glibUsec / 1000000L;
            merged.tv_usec = glibUsec % 1000000L;
            effective = &merged;
        }
    }

    int ret = Wait(maxFd + 1, readfds, writefds, exceptfds, effective);

    if (ret >= 0)
    {
        for (gint i = 0; i < count; ++i)
        {
            GPollFD& pfd = gPollFds[i];
            if (pfd.fd < 0)
                continue;
            if (FD_ISSET(pfd.fd, readfds))
                pfd.revents |= pfd.events & (G_IO_IN | G_IO_HUP | G_IO_ERR);
            if (FD_ISSET(pfd.fd, writefds))
                pfd.revents |= G_IO_OUT;
            if (FD_ISSET(pfd.fd, exceptfds))
                pfd.revents |= pfd.events & (G_IO_PRI | G_IO_ERR);
        }
    }

    if (g_main_context_check(context, maxPriority, gPollFds.data(), count))
        g_main_context_dispatch(context);
    g_main_context_release(context);
    return ret;
}
} // namespace

bool pelorn_loop_turn_running(void)
{
    return tInTurn;
}

void pelorn_mainloop_integrate_glib(void)
{
    if (gIntegrated)
        return;
    gIntegrated = true;
    ecore_main_loop_select_func_set(SelectWithGlib);
}

void pelorn_mainloop_set_wait_observer(pelorn_mainloop_wait_cb cb, void* data)
{
    gWaitObserver = cb;
    gWaitObserverData = data;
}
