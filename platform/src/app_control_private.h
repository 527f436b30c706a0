#ifndef PELORN_PLATFORM_APP_CONTROL_PRIVATE_H
#define PELORN_PLATFORM_APP_CONTROL_PRIVATE_H

#include <glib.h>
#include "app_control.h"

#include <memory>
#include <string>
#include <sys/types.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>
#include <vector>

/* Shared by the parts of a launch request: the request itself
 * (app_control.cpp), its launch (app_control_launch.cpp), its reply
 * (app_control_reply.cpp) and its hand-over from a command line
 * (app_control_handover.cpp), and by the framework loop (app_instance.cpp),
 * which turns a command line into the launch request it hands to the
 * application. */

/* The callee's end of a reply socket. Shared by every copy of the request,
 * so the launcher hears "no answer" only once the last copy is gone. */
struct ReplyChannel
{
    int fd = -1;
    ~ReplyChannel()
    {
        if (fd >= 0)
            close(fd);
    }
};

/* The process that holds a launch request which has not been answered yet:
 * the started one, or the running instance it handed the request on to. */
struct LaunchedCallee
{
    pid_t pid = 0;
};

struct app_control_s
{
    std::string appId;
    std::vector<std::pair<std::string, std::string>> extras;
    std::shared_ptr<ReplyChannel> reply;
    std::shared_ptr<LaunchedCallee> callee;
};

/* Called once a launched application answered or ended (set by the
 * application framework: the keyboard comes back to the launcher's window
 * where no window manager gives it back). */
extern void (*pelorn_launched_app_done_hook)(void);

/* A local socket's address; false when the path does not fit. */
bool pelorn_unix_address(const std::string& path, struct sockaddr_un* addr);

/* The variant owns an aligned copy of the bytes and frees it with itself;
 * nullptr when the bytes are not a value of that type in normal form (only
 * those are safe to take apart without further checks). */
GVariant* pelorn_normal_variant(const std::string& bytes, const char* type);

/* Builds the launch request an application receives from its command-line
 * arguments (without argv[0]): "--extra=KEY=VALUE", "--launch-searching",
 * "--reply-socket=PATH" (connected at once, so the launcher knows the
 * request was taken). Other arguments are ignored. */
app_control_h pelorn_app_control_from_args(const std::vector<std::string>& args);

/* A launch request as it comes in on the launch socket: a serialised "(xas)"
 * of the sender's deadline (monotonic µs) and the later start's arguments.
 * False, with both untouched, for bytes that are not exactly that in normal
 * form. */
bool pelorn_launch_request_decode(const std::string& bytes, gint64* senderDeadline, std::vector<std::string>* args);

/* A launched application's answer as it comes in on the reply socket: a
 * serialised "(ia{ss})" of the result and the reply's extra data. False,
 * with nothing added, for bytes that are not exactly that in normal form or
 * carry a result no launcher knows. */
bool pelorn_app_control_reply_decode(const std::string& bytes, int* result,
                                     std::vector<std::pair<std::string, std::string>>* extras);

/* The folder holding the framework's sockets of this session, created on demand. */
std::string pelorn_app_runtime_subdir(const char* name);

#endif
