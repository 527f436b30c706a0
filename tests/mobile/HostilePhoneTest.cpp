/* What a hostile or broken phone can send, against the watch's receive path:
 * the real accessory client and reader, Kiv, the consumer controller and
 * parser, with the real phone-sim on the other end of the socket. */

#include "ConsumerController.h"
#include "ControllerLinkTest.h"
#include "ConsumerMessageType.h"
#include "JsonUtil.h"
#include "Kiv.h"
#include "PhoneSimProcess.h"
#include "TestEnvironment.h"
#include "pelorn_accessory_wire.h"
#include "pelorn_clock.h"
#include "pelorn_log_capture.h"

#include <algorithm>
#include <fstream>
#include <string.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

using namespace NSPelorn;
using NSORZCommon::JsonUtil;
using PelornTest::CountLogged;
using PelornTest::PhoneSimProcess;
using PelornTest::RunGlibUntil;

namespace
{

class TypeRecorder : public ConsumerEventListener
{
public:
    void OnConsumerMsgReceived(int recvType, void*) override { mTypes.push_back(recvType); }
    size_t Count(int type) const { return (size_t)std::count(mTypes.begin(), mTypes.end(), type); }
    std::vector<int> mTypes;
};

/* A found-device report (delivered whatever was asked) whose "pad" member
 * nests arrays so that the whole message is `depth` arrays and objects deep
 * (the root object counts as one). */
std::string FoundReportNested(int depth)
{
    return R"({"msgId":"rux-founddevice-req","result":"0","pad":)" + std::string(depth - 1, '[') +
           std::string(depth - 1, ']') + "}";
}

std::string DataFrame(const std::string& packet)
{
    return PelornAccessoryWire::EncodeData(103, packet.data(), packet.size());
}

class HostilePhoneTest : public ControllerLinkTest<TypeRecorder>
{
protected:
    std::string WriteFile(const std::string& name, const std::string& bytes)
    {
        const std::string path = mDirs.StateDir() + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
};
} // namespace

TEST_F(HostilePhoneTest, DeeplyNestedPacketIsDroppedAndTheLinkStaysUp)
{
    // The deepest report allowed is delivered; one level more, or the packet
    // of about 200 KB that once overflowed the stack, is refused.
    const std::string frames = DataFrame(FoundReportNested(JsonUtil::MAX_DEPTH)) +
                               DataFrame(FoundReportNested(JsonUtil::MAX_DEPTH + 1)) +
                               DataFrame(std::string(100000, '[') + std::string(100000, ']')) +
                               DataFrame(std::string(30000, '[') + std::string(30000, ']'));
    PhoneSimProcess phone({"--send-raw", WriteFile("deep.frames", frames)});
    ASSERT_TRUE(Connected(phone));
    ASSERT_TRUE(phone.WaitFor("sent " + std::to_string(frames.size()) + " raw bytes"));
    ASSERT_TRUE(RunGlibUntil([] { return CountLogged("JSON text refused") == 3; }));
    EXPECT_EQ(CountLogged("JSON text refused: 200000 bytes, more than 65536"), 1);
    EXPECT_EQ(CountLogged("JSON text refused: nesting deeper than 64"), 2);
    EXPECT_EQ(mListener.mTypes, std::vector<int>{ORZ_RECV_MSG_TYPE_FOUND_DEVICE_REQ});

    // The same connection carries the next conversation.
    const unsigned int handle = Kiv::GetInstance()->GetKivServiceHandleId();
    ASSERT_TRUE(mController.SendMessage(ORZ_SEND_MSG_TYPE_START_REQ));
    ASSERT_TRUE(RunGlibUntil([&] { return mListener.Count(ORZ_RECV_MSG_TYPE_START_RSP) == 1; }));
    EXPECT_EQ(Kiv::GetInstance()->GetKivServiceHandleId(), handle);
    EXPECT_EQ(phone.CountPrinted("watch connected"), 1u) << phone.Output();
    EXPECT_FALSE(phone.Printed("watch disconnected")) << phone.Output();
}

TEST_F(HostilePhoneTest, OnlyTheAwaitedAnswerEndsTheWaitAndTheTimeOutStillFires)
{
    PhoneSimProcess phone({"--never-answer"});
    ASSERT_TRUE(StartWaitingWithOneQueued(phone));

    // A stray byte, a cut-off answer, the wrong answer, a message of no known type.
    const char* const strays[] = {"x", R"({"msgId":"rux-startalert-rsp")", R"({"msgId":"rux-stopalert-rsp"})",
                                  R"({"msgId":"rux-startalert-rsp-not"})"};
    for (const char* stray : strays)
        phone.Command(std::string("send ") + stray);
    phone.Command("found"); // answers nothing: delivered, and the wait goes on
    ASSERT_TRUE(RunGlibUntil([] { return CountLogged("not the answer awaited (type 0)") == 5; }));
    EXPECT_EQ(mListener.mTypes, std::vector<int>{ORZ_RECV_MSG_TYPE_FOUND_DEVICE_REQ})
        << "an answer nobody asked for reached the screens";
    EXPECT_TRUE(mController.GetWaitingProviderResponse());
    EXPECT_EQ(mController.GetQueuedMessageCount(), 1u) << "the next request waits for the real answer";

    pelorn_clock_advance_ms(179999);
    EXPECT_EQ(mListener.Count(ORZ_RECV_MSG_TYPE_NO_RESPONSE), 0u);
    pelorn_clock_advance_ms(1);
    EXPECT_EQ(mListener.Count(ORZ_RECV_MSG_TYPE_NO_RESPONSE), 1u);
    EXPECT_FALSE(mController.GetWaitingProviderResponse());
    EXPECT_EQ(mController.GetQueuedMessageCount(), 0u) << "the time-out drops what was queued behind";

    // A header claiming 4 GiB ends the link; the found report behind it must
    // not be taken for one, and the next request reconnects.
    const std::string found = R"({"msgId":"rux-founddevice-req","result":"0"})";
    phone.Command("send-raw " + WriteFile("out-of-step", std::string("\xFF\xFF\xFF\xFF", 4) + DataFrame(found)));
    ASSERT_TRUE(phone.WaitFor("watch disconnected: closed by the watch")) << phone.Output();
    ASSERT_TRUE(RunGlibUntil([] { return pelorn_log_captured("", "OnKivTerminationIndication(1)"); }));
    EXPECT_TRUE(pelorn_log_captured("accessory", "frame header claims 4294967295 bytes"));
    EXPECT_TRUE(pelorn_log_captured("accessory", "peer's stream out of step; connection ended"));
    ASSERT_TRUE(mController.SendMessage(ORZ_SEND_MSG_TYPE_START_REQ));
    EXPECT_TRUE(RunGlibUntil([&] { return phone.CountPrinted(START_TEXT) == 2; })) << phone.Output();
    EXPECT_EQ(phone.CountPrinted("watch connected"), 2u);
    EXPECT_EQ(mListener.Count(ORZ_RECV_MSG_TYPE_FOUND_DEVICE_REQ), 1u) << "what followed the bad header was read";
    EXPECT_FALSE(phone.Printed("mgr_location_setting_get_req")) << "the dropped request went before this one";
    EXPECT_EQ(CountLogged("OnKivError"), 0);
}

TEST_F(HostilePhoneTest, LongPacketsAreLoggedAsAPrefixAndTheirLength)
{
    PhoneSimProcess phone({"--never-answer"});
    ASSERT_TRUE(Connected(phone));
    mController.SendMessage(ORZ_SEND_MSG_TYPE_LOCATION_REQ); // the long answer below is the awaited one
    ASSERT_TRUE(phone.WaitFor("not answering"));

    // Five packets of 5 MiB (less one byte) each, then a location answer whose members are long but fit.
    const std::string huge = "{\"msgId\":\"" + std::string(PelornAccessoryWire::MAX_PACKET - 12, 'h') + "\"}";
    std::string frames;
    for (int i = 0; i < 5; i++)
        frames += DataFrame(huge);
    const std::string longText(20000, 'a');
    frames += DataFrame(R"({"msgId":"mgr_host_location_res","address":")" + longText + R"(","city":")" + longText +
                        R"(","latitude":"1.5"})");
    phone.Command("send-raw " + WriteFile("long", frames));
    ASSERT_TRUE(RunGlibUntil([&] { return mListener.Count(ORZ_RECV_MSG_TYPE_LOCATION_RSP) == 1; }, 20000));

    EXPECT_EQ(CountLogged("OnKivDataIndication message : {\"msgId\":\"hhh"), 5);
    EXPECT_EQ(CountLogged("... (5242879 bytes)"), 5u);
    EXPECT_TRUE(pelorn_log_captured("", "locationAddress:aaaa"));
    EXPECT_TRUE(pelorn_log_captured("", "... (20000 bytes)"));
    size_t longest = 0;
    for (const std::string& line : pelorn_log_captured_lines())
        longest = std::max(longest, line.size());
    EXPECT_LT(longest, 512u) << "no log line carries more than a prefix of what the phone sent";
}

namespace
{
/* A bare socket to phone-sim, playing a watch that says only what the test writes. */
struct RawWatch
{
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ~RawWatch()
    {
        if (fd >= 0)
            close(fd);
    }
    bool Connect()
    {
        struct sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        const std::string path = PelornAccessoryWire::SocketPath();
        if (fd < 0 || path.size() >= sizeof(address.sun_path))
            return false;
        memcpy(address.sun_path, path.c_str(), path.size() + 1);
        // A read that would wait for ever fails the test instead.
        struct timeval patience = {5, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof(patience));
        return connect(fd, (struct sockaddr*)&address, sizeof(address)) == 0;
    }
};
} // namespace

/* phone-sim without the platform's keys, against a bare watch. */
TEST(PhoneSimReader, WatchSendingAFourGigabyteHeaderOrThatStopsReadingIsDroppedAndPhoneSimStillEnds)
{
    PelornTest::ScopedTestDirs dirs;
    PhoneSimProcess phone({"--no-host-keys"});
    ASSERT_TRUE(phone.Ready());
    RawWatch framing;
    ASSERT_TRUE(framing.Connect());
    ASSERT_EQ(write(framing.fd, "\xFF\xFF\xFF\xFF", 4), 4);
    EXPECT_TRUE(phone.WaitFor("watch disconnected: broken framing")) << phone.Output();
    char byte;
    EXPECT_EQ(read(framing.fd, &byte, 1), 0) << "phone-sim closed its end";

    RawWatch deaf;
    ASSERT_TRUE(deaf.Connect());
    ASSERT_TRUE(RunGlibUntil([&] { return phone.CountPrinted("watch connected") == 2; })) << phone.Output();
    const std::string path = dirs.StateDir() + "/flood";
    std::ofstream(path, std::ios::binary) << std::string(16 * 1024 * 1024, 'f');
    phone.Command("send-raw " + path);
    EXPECT_TRUE(phone.WaitFor("watch disconnected: the watch stopped reading", 15000)) << phone.Output();
    phone.Command("found");
    EXPECT_TRUE(phone.WaitFor("no service connection; not sent")) << "phone-sim is back on its main loop";
}
