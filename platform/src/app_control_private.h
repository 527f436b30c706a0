#ifndef PELORN_PLATFORM_APP_CONTROL_PRIVATE_H
#define PELORN_PLATFORM_APP_CONTROL_PRIVATE_H

#include <glib.h>
#include "app_control.h"

#include <string>
#include <utility>
#include <vector>

/* Shared between the launch side (app_control.cpp) and the framework loop
 * (app.cpp), which turns a command line into the launch request it hands
 * to the application. */

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
