#include "ImageHeaderReader.h"

#include <string.h>

namespace NSORZCommon
{
namespace
{
unsigned int BigEndian32(const unsigned char* p)
{
    return ((unsigned int)p[0] << 24) | ((unsigned int)p[1] << 16) | ((unsigned int)p[2] << 8) | p[3];
}

unsigned int BigEndian16(const unsigned char* p)
{
    return ((unsigned int)p[0] << 8) | p[1];
}

/* Sizes past this are no picture anyone draws; they only overflow ints. */
const unsigned int LARGEST_SIDE = 1u << 24;
} // namespace

bool ImageHeaderReader::ReadDimensions(const char* data, size_t length, int& width, int& height)
{
    width = 0;
    height = 0;
    if (!data)
        return false;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data);
    return ReadPng(bytes, length, width, height) || ReadJpeg(bytes, length, width, height) ||
           ReadGif(bytes, length, width, height);
}

bool ImageHeaderReader::ReadPng(const unsigned char* data, size_t length, int& width, int& height)
{
    // Signature, then the first chunk must be IHDR: length, type, width, height.
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (length < 24 || memcmp(data, kSignature, 8) != 0 || memcmp(data + 12, "IHDR", 4) != 0)
        return false;
    const unsigned int w = BigEndian32(data + 16);
    const unsigned int h = BigEndian32(data + 20);
    if (w == 0 || h == 0 || w > LARGEST_SIDE || h > LARGEST_SIDE)
        return false;
    width = (int)w;
    height = (int)h;
    return true;
}

bool ImageHeaderReader::ReadGif(const unsigned char* data, size_t length, int& width, int& height)
{
    if (length < 10 || (memcmp(data, "GIF87a", 6) != 0 && memcmp(data, "GIF89a", 6) != 0))
        return false;
    const unsigned int w = data[6] | ((unsigned int)data[7] << 8);
    const unsigned int h = data[8] | ((unsigned int)data[9] << 8);
    if (w == 0 || h == 0)
        return false;
    width = (int)w;
    height = (int)h;
    return true;
}

bool ImageHeaderReader::ReadJpeg(const unsigned char* data, size_t length, int& width, int& height)
{
    if (length < 4 || data[0] != 0xff || data[1] != 0xd8)
        return false;
    // Walk the marker segments up to the first frame header; every step
    // moves forward, so a hostile file ends the walk at its own end.
    size_t pos = 2;
    while (pos + 4 <= length)
    {
        if (data[pos] != 0xff)
            return false;
        const unsigned char marker = data[pos + 1];
        if (marker == 0xff)
        {
            ++pos; // fill byte
            continue;
        }
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7))
        {
            pos += 2; // no length follows these
            continue;
        }
        if (marker == 0xd9 || marker == 0xda)
            return false; // image end or scan data before any frame header
        const size_t segment = BigEndian16(data + pos + 2);
        if (segment < 2)
            return false;
        const bool frameHeader = marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
        if (frameHeader)
        {
            if (segment < 8 || pos + 2 + segment > length)
                return false;
            const unsigned int h = BigEndian16(data + pos + 5);
            const unsigned int w = BigEndian16(data + pos + 7);
            if (w == 0 || h == 0)
                return false;
            width = (int)w;
            height = (int)h;
            return true;
        }
        pos += 2 + segment;
    }
    return false;
}
} // namespace NSORZCommon
