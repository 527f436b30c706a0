#ifndef PELORN_PLATFORM_INOTIFY_EVENTS_H
#define PELORN_PLATFORM_INOTIFY_EVENTS_H

#include <errno.h>
#include <sys/inotify.h>
#include <sys/types.h>
#include <unistd.h>

/* Reads what a non-blocking inotify descriptor holds and hands each event to
 * `handle`. At most a few buffers a call: a folder that changes without pause
 * must not keep the main loop here; the rest waits for the loop's next turn,
 * the descriptor staying readable. Answers false when events were left. */
template <typename Handler> bool pelorn_inotify_drain(int fd, Handler&& handle)
{
    alignas(struct inotify_event) char buffer[4096];
    for (int reads = 0; reads < 16;)
    {
        ssize_t n = read(fd, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return true;
        ++reads;
        // The kernel hands over whole events only.
        for (ssize_t off = 0; off + (ssize_t)sizeof(struct inotify_event) <= n;)
        {
            const auto* event = reinterpret_cast<const struct inotify_event*>(buffer + off);
            off += (ssize_t)sizeof(struct inotify_event) + event->len;
            handle(*event);
        }
    }
    return false;
}

#endif
