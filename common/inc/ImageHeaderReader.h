#ifndef ORZ_COMMON_IMAGE_HEADER_READER_H
#define ORZ_COMMON_IMAGE_HEADER_READER_H

#include <stddef.h>

namespace NSORZCommon
{
/* The picture size a PNG, JPEG or GIF declares in its header, read without
 * decoding anything, so a caller can refuse a picture too large to decode
 * before a decoder allocates for it. */
class ImageHeaderReader
{
public:
    /* False for anything else, a cut-off header or a zero size. */
    static bool ReadDimensions(const char* data, size_t length, int& width, int& height);

private:
    static bool ReadPng(const unsigned char* data, size_t length, int& width, int& height);
    static bool ReadGif(const unsigned char* data, size_t length, int& width, int& height);
    static bool ReadJpeg(const unsigned char* data, size_t length, int& width, int& height);
};
} // namespace NSORZCommon

#endif
