#include "pelorn_bounded_read.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

bool pelorn_read_bounded_file(const std::string& path, size_t maxBytes, std::string& contents, std::string* why)
{
    contents.clear();
    if (why)
        why->clear();
    // Non-blocking: opening a FIFO for reading would otherwise wait for a writer.
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
    {
        if (why && errno != ENOENT)
            *why = strerror(errno);
        return false;
    }
    struct stat st;
    bool ok = fstat(fd, &st) == 0;
    if (!ok || !S_ISREG(st.st_mode) || st.st_uid != getuid())
    {
        if (why)
            *why = !ok ? strerror(errno) : S_ISREG(st.st_mode) ? "another account's file" : "not a regular file";
        close(fd);
        return false;
    }
    if ((unsigned long long)st.st_size > maxBytes)
    {
        if (why)
            *why = std::to_string((long long)st.st_size) + " bytes, more than " + std::to_string(maxBytes);
        close(fd);
        return false;
    }
    // The size may change under us: room for one byte more than fstat said
    // (and never past the limit plus one) shows a file that grew while read.
    contents.resize((size_t)st.st_size + 1);
    size_t have = 0;
    while (have < contents.size())
    {
        ssize_t n = read(fd, &contents[have], contents.size() - have);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
        {
            if (why)
                *why = strerror(errno);
            close(fd);
            contents.clear();
            return false;
        }
        if (n == 0)
            break;
        have += (size_t)n;
    }
    close(fd);
    if (have > (size_t)st.st_size)
    {
        if (why)
            *why = "grew while read";
        contents.clear();
        return false;
    }
    contents.resize(have);
    return true;
}
