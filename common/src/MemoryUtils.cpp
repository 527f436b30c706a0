#include "MemoryUtils.h"

#include "OrzLog.h"

#include <string.h>

namespace NSORZCommon
{
bool MemoryUtils::_strcpy(char* dest, const char* src, size_t destSize)
{
    size_t length = src ? strlen(src) : 0;
    if (!dest || !src || length == 0 || length >= destSize)
    {
        LOGE("dest: %p, src: %p, len_copy: %d, len_dest: %d", dest, src, (int)length, (int)destSize);
        return false;
    }
    memcpy(dest, src, length + 1);
    return true;
}

bool MemoryUtils::_strncpy(char* dest, const char* src, size_t count, size_t destSize)
{
    if (!dest || !src || count == 0 || count >= destSize)
    {
        LOGE("dest: %p, src: %p, len_copy: %d", dest, src, (int)count);
        return false;
    }
    memcpy(dest, src, count);
    dest[count] = '\0';
    return true;
}
} // namespace NSORZCommon
