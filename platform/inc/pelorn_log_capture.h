#ifndef PELORN_PLATFORM_LOG_CAPTURE_H
#define PELORN_PLATFORM_LOG_CAPTURE_H

/* Lets a test see what was logged: every dlog line, with the colour escapes
 * removed, is kept in memory between begin and end. */
#ifdef __cplusplus
#include <string>
#include <vector>

void pelorn_log_capture_begin();
void pelorn_log_capture_end();
void pelorn_log_capture_clear();
/* Lines as "tag|text", text being everything after the tag. */
std::vector<std::string> pelorn_log_captured_lines();
/* True when a captured line of that tag (or any tag when tag is empty) contains needle. */
bool pelorn_log_captured(const std::string& tag, const std::string& needle);

/* The log file is written by a thread of its own: waits (up to two seconds)
 * until every line logged so far is in it. False when the wait ran out. */
bool pelorn_log_flush();
#endif

#endif
