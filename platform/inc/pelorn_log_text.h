#ifndef PELORN_PLATFORM_LOG_TEXT_H
#define PELORN_PLATFORM_LOG_TEXT_H

#include <stddef.h>
#include <string>

/* What a log line may hold of a text that came from outside (an address
 * from the phone, say): every control character written as \xNN, so no text
 * can end our line and forge the next one, and no more than max_bytes of it,
 * cut at a character boundary and followed by "... (N bytes)". */
enum class PelornLogColours
{
    ESCAPED, // the logger's own colour codes are control characters like any other
    DROPPED, // they are left out (the log file, read with less and grep)
    KEPT,    // they stay as they are (a terminal)
};

std::string pelorn_log_printable(const char* text, size_t length, size_t max_bytes,
                                 PelornLogColours colours = PelornLogColours::ESCAPED);

#endif
