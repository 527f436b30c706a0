#include "ImageHeaderReader.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>
#include <string>

using NSORZCommon::ImageHeaderReader;

namespace
{
std::pair<int, int> SizeOf(const std::string& bytes)
{
    int width = -1, height = -1;
    if (!ImageHeaderReader::ReadDimensions(bytes.data(), bytes.size(), width, height))
        return {0, 0};
    return {width, height};
}

std::string Be16(unsigned int value)
{
    return std::string{(char)(value >> 8), (char)value};
}

std::string Be32(unsigned int value)
{
    return Be16(value >> 16) + Be16(value & 0xffff);
}

std::string PngHead(unsigned int width, unsigned int height)
{
    return std::string("\x89PNG\r\n\x1a\n", 8) + Be32(13) + "IHDR" + Be32(width) + Be32(height) +
           std::string("\x08\x02\x00\x00\x00", 5) + Be32(0);
}

/* SOI, an APP0 segment, optional padding, then a baseline or progressive frame header. */
std::string JpegHead(unsigned int width, unsigned int height, unsigned char frameMarker = 0xc0)
{
    std::string app0 = std::string("\xff\xe0", 2) + Be16(16) + std::string("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14);
    std::string table = std::string("\xff\xc4", 2) + Be16(4) + std::string("\0\0", 2); // a table, not a frame
    std::string frame = std::string("\xff", 1) + (char)frameMarker + Be16(17) + std::string(1, 8) + Be16(height) +
                        Be16(width) + std::string(1, 3) + std::string(9, '\x11');
    return std::string("\xff\xd8", 2) + app0 + std::string("\xff\xff", 2).substr(0, 1) + table + frame;
}
} // namespace

TEST(ImageHeaderReader, ReadsTheDeclaredSizeOfPngJpegAndGifAndRefusesWhatItCannotVouchFor)
{
    const std::string map = PelornTest::ReadFile(std::string(PELORN_TEST_SOURCE_DIR) + "/res/contents/images/orz_ldu_bg_map.png");
    ASSERT_FALSE(map.empty());
    EXPECT_EQ(SizeOf(map), std::make_pair(360, 360));
    EXPECT_EQ(SizeOf(PngHead(12000, 12000)), std::make_pair(12000, 12000));
    EXPECT_EQ(SizeOf(JpegHead(640, 480)), std::make_pair(640, 480));
    EXPECT_EQ(SizeOf(JpegHead(30000, 20000, 0xc2)), std::make_pair(30000, 20000));
    EXPECT_EQ(SizeOf(std::string("GIF89a\x68\x01\x2c\x01", 10)), std::make_pair(360, 300));

    // What it cannot vouch for reads as no size at all.
    const std::string png = PngHead(360, 360);
    EXPECT_EQ(SizeOf(png.substr(0, 23)), std::make_pair(0, 0)) << "cut-off header";
    EXPECT_EQ(SizeOf(PngHead(0, 360)), std::make_pair(0, 0));
    EXPECT_EQ(SizeOf(PngHead(0x80000000u, 10)), std::make_pair(0, 0)) << "would be a negative int";
    const std::string jpeg = JpegHead(640, 480);
    EXPECT_EQ(SizeOf(jpeg.substr(0, jpeg.size() - 10)), std::make_pair(0, 0)) << "frame header cut off";
    // A segment length pointing far past the end must end the walk, not read beyond it.
    EXPECT_EQ(SizeOf(std::string("\xff\xd8\xff\xe1\xff\xff", 6) + std::string(100, 'x')), std::make_pair(0, 0));
    EXPECT_EQ(SizeOf(std::string("\xff\xd8\xff\xda", 4) + std::string(100, '\0')), std::make_pair(0, 0))
        << "scan data before any frame header";
    EXPECT_EQ(SizeOf("<html>not a picture</html>"), std::make_pair(0, 0));
    EXPECT_EQ(SizeOf(""), std::make_pair(0, 0));
    int width = 7, height = 7;
    EXPECT_FALSE(ImageHeaderReader::ReadDimensions(nullptr, 100, width, height));
    EXPECT_EQ(width, 0);
}
