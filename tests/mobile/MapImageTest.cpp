/* The map picture as the phone-location screen takes it from the server's
 * answer, on a real canvas with the toolkit's own image loaders. */

#include "MapImage.h"
#include "TestEnvironment.h"

#include <Ecore.h>
#include <Ecore_Evas.h>
#include <algorithm>
#include <cairo.h>
#include <gtest/gtest.h>
#include <string>

using NSPelorn::MapImage;

namespace
{
cairo_status_t AppendCb(void* closure, const unsigned char* data, unsigned int length)
{
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

std::string Png(int w, int h)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0.2, 0.6, 0.3);
    cairo_paint(cr);
    cairo_destroy(cr);
    std::string bytes;
    cairo_surface_write_to_png_stream(surface, AppendCb, &bytes);
    cairo_surface_destroy(surface);
    return bytes;
}

Eina_Bool KeepPollingCb(void*)
{
    return ECORE_CALLBACK_RENEW;
}

/* Runs the toolkit's loop until cond() holds; only a hang ends it sooner. */
bool RunLoopUntil(const std::function<bool()>& cond)
{
    Ecore_Timer* poll = ecore_timer_add(0.005, KeepPollingCb, nullptr);
    const double until = ecore_time_get() + PelornTest::HANG_MS / 1000.0;
    while (!cond() && ecore_time_get() < until)
        ecore_main_loop_iterate_may_block(1);
    ecore_timer_del(poll);
    return cond();
}

class MapImageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_GT(ecore_evas_init(), 0);
        mEe = ecore_evas_buffer_new(360, 360);
        ASSERT_NE(nullptr, mEe);
        mCanvas = ecore_evas_get(mEe);
    }
    void TearDown() override
    {
        if (mEe)
            ecore_evas_free(mEe);
        ecore_evas_shutdown();
    }
    Ecore_Evas* mEe = nullptr;
    Evas* mCanvas = nullptr;
};
} // namespace

TEST_F(MapImageTest, BytesThatAreNoPictureOrTooLargeOneAreRefusedAndPixelsDecodeOffTheLoop)
{
    const std::string huge = Png(MapImage::MAX_SIDE + 1, 1);
    const std::string tall = Png(1, MapImage::MAX_SIDE + 1);
    const std::string png = Png(64, 64);
    const std::string notPicture = "<html><body>502 Bad Gateway</body></html>";
    // A well-formed 2x2 BMP: a picture, but not in a format maps come in.
    const std::string bmp("BM\x46\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x02\0\0\0\x02\0\0\0\x01\0\x18\0\0\0\0\0"
                          "\x10\0\0\0\x13\x0b\0\0\x13\x0b\0\0\0\0\0\0\0\0\0\0"
                          "\0\0\xff\0\xff\0\0\0\xff\0\0\xff\xff\xff\0\0",
                          70);
    EXPECT_EQ(nullptr, MapImage::FromBytes(mCanvas, bmp.data(), (int)bmp.size()));
    // Signature and header, then a chunk claiming 2 GiB: the loader would
    // read zeros for minutes; refused at once. So is a picture cut short.
    std::string longChunk = png.substr(0, 33) + std::string("\x7f\xff\xff\xf0" "bKGD", 8) + std::string(20, '\0');
    EXPECT_EQ(nullptr, MapImage::FromBytes(mCanvas, longChunk.data(), (int)longChunk.size()));
    EXPECT_EQ(nullptr, MapImage::FromBytes(mCanvas, png.data(), (int)png.size() - 1));
    EXPECT_EQ(nullptr, MapImage::FromBytes(mCanvas, huge.data(), (int)huge.size()));
    EXPECT_EQ(nullptr, MapImage::FromBytes(mCanvas, tall.data(), (int)tall.size()));
    EXPECT_EQ(nullptr, MapImage::FromBytes(mCanvas, notPicture.data(), (int)notPicture.size()));
    EXPECT_EQ(nullptr, MapImage::FromBytes(mCanvas, png.data(), 0));
    EXPECT_EQ(nullptr, MapImage::FromBytes(mCanvas, png.data(), 20)) << "a signature and a cut header";

    // The canvas still takes pictures, at their size; the pixels decode when
    // asked for, and are the colour painted.
    Evas_Object* image = MapImage::FromBytes(mCanvas, png.data(), (int)png.size());
    ASSERT_NE(nullptr, image);
    int w = 0, h = 0;
    evas_object_image_size_get(image, &w, &h);
    EXPECT_EQ(64, w);
    EXPECT_EQ(64, h);
    const unsigned int* pixels = static_cast<const unsigned int*>(evas_object_image_data_get(image, EINA_FALSE));
    ASSERT_NE(nullptr, pixels);
    const unsigned int painted[] = {0xff, 0x33, 0x99, 0x4c}; // alpha, red, green, blue
    for (int c = 0; c < 4; ++c)
        EXPECT_NEAR((int)painted[c], (int)((pixels[32 * 64 + 32] >> (24 - 8 * c)) & 0xff), 1) << "channel " << c;

    // Off the loop, a full-screen picture; one whose pixels do not decode is refused there.
    const std::string map = Png(360, 360);
    // Its compressed pixels overwritten: the header still reads, the pixels do not decode.
    std::string broken = map;
    const size_t idat = broken.find("IDAT");
    ASSERT_NE(std::string::npos, idat);
    std::fill(broken.begin() + idat + 4, broken.begin() + std::min(idat + 40, broken.size()), (char)0xff);
    int handedBack = 0;
    Evas_Object* decoded = nullptr;
    image = MapImage::Decode(mCanvas, map.data(), (int)map.size(), [&](Evas_Object* ready) {
        ++handedBack;
        decoded = ready;
    });
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(0, handedBack) << "handed back before the decode could run";
    ASSERT_TRUE(RunLoopUntil([&] { return handedBack > 0; }));
    EXPECT_EQ(image, decoded);
    pixels = static_cast<const unsigned int*>(evas_object_image_data_get(image, EINA_FALSE));
    ASSERT_NE(nullptr, pixels);
    EXPECT_NEAR(0x99, (int)((pixels[180 * 360 + 180] >> 8) & 0xff), 1) << "green, as painted";

    bool refused = false;
    ASSERT_NE(nullptr, MapImage::Decode(mCanvas, broken.data(), (int)broken.size(),
                                        [&](Evas_Object* ready) { refused = ready == nullptr; }))
        << "its header alone is sound";
    EXPECT_TRUE(RunLoopUntil([&] { return refused; }));

    bool called = false;
    EXPECT_EQ(nullptr, MapImage::Decode(mCanvas, png.data(), 20, [&](Evas_Object*) { called = true; }));
    // A decode given up is never handed back; the next one still is.
    Evas_Object* dropped = MapImage::Decode(mCanvas, map.data(), (int)map.size(), [&](Evas_Object*) { called = true; });
    ASSERT_NE(nullptr, dropped);
    evas_object_del(dropped);
    bool next = false;
    ASSERT_NE(nullptr, MapImage::Decode(mCanvas, map.data(), (int)map.size(), [&](Evas_Object*) { next = true; }));
    EXPECT_TRUE(RunLoopUntil([&] { return next; }));
    EXPECT_FALSE(called);
}
