#include "pelorn_accessory_wire.h"
#include "pelorn_log_capture.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace PelornAccessoryWire;

namespace
{
struct Frame
{
    uint8_t type;
    std::string payload;
};

std::vector<Frame> FeedInChunks(const std::string& stream, size_t chunk, bool* ok = nullptr)
{
    FrameReader reader;
    std::vector<Frame> frames;
    bool good = true;
    for (size_t pos = 0; pos < stream.size() && good; pos += chunk)
        good = reader.Feed(
            stream.data() + pos, std::min(chunk, stream.size() - pos),
            [&frames](uint8_t type, const std::string& payload) {
                frames.push_back({type, payload});
            },
            "test");
    if (ok)
        *ok = good;
    return frames;
}
} // namespace

TEST(AccessoryWire, FramesSurviveAnyCutAndTheBigEndianHeaderUpToTheMaximumAndOneBeyondEndsTheStream)
{
    const std::string packets[] = {R"({"msgId":"rux-startalert-rsp","result":"0","reason":"0"})", "x",
                                   std::string("{\"a\":\"b\"}\0tail", 14), std::string(70000, 'z')};
    std::string stream = EncodeFrame(FRAME_PEER, std::string("PLNA\x01", 5));
    for (const std::string& packet : packets)
        stream += EncodeData(103, packet.data(), packet.size());

    for (size_t chunk : {stream.size(), (size_t)1, (size_t)3, (size_t)7})
    {
        std::vector<Frame> frames = FeedInChunks(stream, chunk);
        ASSERT_EQ(frames.size(), 5u) << "chunk " << chunk;
        EXPECT_EQ(frames[0].type, FRAME_PEER);
        for (size_t i = 0; i < 4; i++)
        {
            EXPECT_EQ(frames[i + 1].type, FRAME_DATA);
            size_t offset = 0;
            uint16_t channel = 0;
            ASSERT_TRUE(GetU16(frames[i + 1].payload, offset, channel));
            EXPECT_EQ(channel, 103);
            EXPECT_EQ(frames[i + 1].payload.substr(offset), packets[i])
                << "chunk " << chunk << " packet " << i;
        }
    }
    // A number cut short by the end of its message is not read, nor is the offset moved.
    size_t offset = 1;
    uint32_t number = 0;
    uint16_t channel = 0;
    EXPECT_FALSE(GetU32(std::string("\x00\x00\x00\x01", 4), offset, number));
    EXPECT_FALSE(GetU16(std::string("\x00\x01", 2), offset, channel));
    EXPECT_EQ(offset, 1u);

    const std::string ahead = EncodeData(103, "{}", 2);
    EXPECT_EQ(ahead, std::string("\x00\x00\x00\x05\x20\x00\x67{}", 9));
    const std::string fits(MAX_PACKET, 'f');
    bool whole = false;
    const std::vector<Frame> delivered =
        FeedInChunks(EncodeData(103, fits.data(), fits.size()) + ahead, 65536, &whole);
    EXPECT_TRUE(whole);
    ASSERT_EQ(delivered.size(), 2u);
    EXPECT_EQ(delivered[0].payload.size(), 2 + fits.size());
    EXPECT_EQ(delivered[1].payload.substr(2), "{}");

    // The frame ahead of a bad header is still handed on; nothing after it is.
    const std::string behind = EncodeData(103, "{\"late\":1}", 10);
    struct Case
    {
        const char* name;
        std::string header;
    };
    std::string maxPlusOne;
    PutU32(maxPlusOne, MAX_BODY + 1);
    const Case cases[] = {{"0xFFFFFFFF", std::string("\xFF\xFF\xFF\xFF", 4)},
                          {"maximum + 1", maxPlusOne},
                          {"zero", std::string("\0\0\0\0", 4)}};
    for (const Case& c : cases)
        for (size_t chunk : {(size_t)1, (size_t)3, (size_t)7, (size_t)65536})
        {
            pelorn_log_capture_begin();
            bool ok = true;
            std::vector<Frame> frames = FeedInChunks(ahead + c.header + behind, chunk, &ok);
            EXPECT_FALSE(ok) << c.name << ", chunk " << chunk;
            ASSERT_EQ(frames.size(), 1u) << c.name << ", chunk " << chunk;
            EXPECT_EQ(frames[0].payload.substr(2), "{}");
            EXPECT_TRUE(pelorn_log_captured("test", "accessory stream out of step: frame header claims"))
                << c.name;
            pelorn_log_capture_end();
        }
}
