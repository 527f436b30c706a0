#ifndef PELORN_FUZZ_FILES_H
#define PELORN_FUZZ_FILES_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <string>

/* Rewrites the file in place, without the sync an atomic replace costs. */
inline bool WriteWhole(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = fwrite(data, 1, size, f) == size;
    return fclose(f) == 0 && ok;
}

#endif
