#ifndef ORZ_COMMON_MEMORY_UTILS_H
#define ORZ_COMMON_MEMORY_UTILS_H

#include <stddef.h>

namespace NSORZCommon
{
/* Bounded copies into fixed buffers: they copy all or nothing. */
class MemoryUtils
{
public:
    /* Copies src with its terminator only when 0 < strlen(src) < destSize. */
    static bool _strcpy(char* dest, const char* src, size_t destSize);
    /* Copies count bytes and a terminator only when 0 < count < destSize. */
    static bool _strncpy(char* dest, const char* src, size_t count, size_t destSize);
};
} // namespace NSORZCommon

#endif
