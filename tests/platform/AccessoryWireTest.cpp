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
        good = reader.Feed(stream.data() + pos, std::min(chunk, stream.size() - pos),
                           [&frames](uint8_t type, const std::string& payload) { frames.push_back({type, payload}); },
                           "test");
    if (ok)
        *ok = good;
    return frames;
}
} // namespace

TEST(AccessoryWire, FramesSurviveAnyCutOfTheStream)
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
            EXPECT_EQ(frames[i + 1].payload.substr(offset), packets[i]) << "chunk " << chunk << " packet " << i;
        }
    }
}

TEST(AccessoryWire, HeaderIsBigEndianBodyLength)
{
    const std::string frame = EncodeData(103, "{}", 2);
    EXPECT_EQ(frame, std::string("\x00\x00\x00\x05\x20\x00\x67{}", 9));
}

TEST(AccessoryWire, PacketOverFiveMebibytesIsSkippedAndTheStreamStaysInStep)
{
    pelorn_log_capture_begin();
    const std::string huge(MAX_PACKET + 1, 'h');
    const std::string fits(MAX_PACKET, 'f');
    std::string stream = EncodeData(103, huge.data(), huge.size()) + EncodeData(103, "{}", 2) +
                         EncodeData(103, fits.data(), fits.size());
    std::vector<Frame> frames = FeedInChunks(stream, 65536);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].payload.substr(2), "{}");
    EXPECT_EQ(frames[1].payload.size(), 2 + fits.size());
    EXPECT_TRUE(pelorn_log_captured("test", "accessory packet refused: frame of 5242883 bytes exceeds 5242882"));
    pelorn_log_capture_end();

    // A length of 0 is no frame at all: the reader gives up on the stream.
    bool ok = true;
    FeedInChunks(std::string("\0\0\0\0\0\0\0\x01\x20", 9), 3, &ok);
    EXPECT_FALSE(ok);
}
