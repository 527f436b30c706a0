#ifndef PELORN_PLATFORM_LINK_STATE_H
#define PELORN_PLATFORM_LINK_STATE_H

/* The watch's link to the phone, as the platform reports it in
 * "memory/brig/brig_connected" and "memory/private/kiv/conn_type".
 *
 * Whoever plays the phone announces itself with a presence file beside the
 * accessory socket ("<socket>.alive"): it holds an exclusive lock on it for
 * as long as it lives and writes the connection type it plays into it
 * ("conn_type=N"). The kernel drops the lock with the process, however it
 * ends, so the platform side never trusts the peer to clear the keys: it
 * watches the file (inotify, no timer while nothing happens) and writes the
 * keys from what it finds. */

#ifdef __cplusplus
#include <string>

/* The presence file that goes with an accessory socket path. */
std::string pelorn_link_presence_path(const std::string& socketPath);

extern "C" {
#endif

/* The peer's side: creates the presence file of socket_path, locked and
 * holding the type, before the socket is listened on. Answers a descriptor
 * to keep open for the peer's life, or -1. */
int pelorn_link_presence_announce(const char* socket_path, int conn_type);
/* A clean end: lets the lock go, as a kill does. The file stays, so that a
 * watch that was not running then still reads the phone as gone the next
 * time it looks; a removed file would leave the keys as the phone left them. */
void pelorn_link_presence_withdraw(const char* socket_path, int fd);

/* The watch's side: starts deriving the keys from the presence file of the
 * accessory socket on the GLib default context (once per process); the keys
 * are brought up to date at once when the file is there. */
void pelorn_link_state_watch(void);
/* Called by every read of the keys: starts the watch when it does not run
 * yet, and takes in changes of the presence file not yet heard of, so that a
 * read right after the peer came or went sees it. Watching the keys starts
 * the watch too. */
void pelorn_link_state_refresh(void);
/* Called by a read of a link key that found no value it could use (none, or
 * one of the wrong type): writes both keys again from the presence file when
 * the peer's file is there. */
void pelorn_link_state_repair(void);

/* Whether key is one of the two link keys and a presence file is there to
 * derive it from: a value set by hand would be overwritten by the next read. */
int pelorn_link_state_owns(const char* key);

#ifdef __cplusplus
}
#endif

#endif
