#include "CallData.h"
#include "ConsumerController.h"
#include "ControllerLinkTest.h"
#include "FoundDeviceData.h"
#include "ConsumerMessageType.h"
#include "Kiv.h"
#include "PhoneSimProcess.h"
#include "TestEnvironment.h"
#include "pelorn_clock.h"
#include "pelorn_log_capture.h"
#include "vconf.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace NSPelorn;
using PelornTest::CountLogged;
using PelornTest::PhoneSimProcess;
using PelornTest::RunGlibUntil;

namespace
{
const char* const STOP_TEXT = R"(recv {"msgId":"rux-stopalert-req"})";
const char* const FOUND_TEXT = R"(recv {"msgId":"rux-founddevice-rsp"})";

struct Received
{
    int type;
    CallData call;
    FoundDeviceData found;
    bool hadRecord;
};

class RecordingListener : public ConsumerEventListener
{
public:
    void OnConsumerMsgReceived(int recvType, void* data) override
    {
        Received r{recvType, {}, {}, data != nullptr};
        if (data && recvType == ORZ_RECV_MSG_TYPE_START_RSP)
            r.call = *static_cast<CallData*>(data);
        if (data && recvType == ORZ_RECV_MSG_TYPE_FOUND_DEVICE_REQ)
            r.found = *static_cast<FoundDeviceData*>(data);
        mReceived.push_back(r);
    }
    bool Got(int type) const { return Find(type) != nullptr; }
    const Received* Find(int type) const
    {
        for (const Received& r : mReceived)
            if (r.type == type)
                return &r;
        return nullptr;
    }
    std::vector<Received> mReceived;
};

class ConsumerControllerTest : public ControllerLinkTest<RecordingListener>
{
};
} // namespace

/* The phone's own limit ends its ringing, and the person at the phone's
 * terminal learns it: that end once went unreported because the last tick had
 * already dropped the ring timer. The found and stop ends are shown where an
 * app rings (LaunchHandOver, Display). */
TEST_F(ConsumerControllerTest, StartAndStopBeforeTheLinkCancelOutThenARingRunsToThePhonesLimitAndPacketsFitTheLink)
{
    // Only phone-sim's clock runs fast: 180 s of ringing take under 2 s.
    PhoneSimProcess phone({}, {"PELORN_CLOCK_SPEED=100"});
    ASSERT_TRUE(phone.Ready());
    // A start and a stop before the link is up cancel out.
    Kiv::GetInstance()->SetKivEventListener(&mController);
    ASSERT_TRUE(mController.SendMessage(ORZ_SEND_MSG_TYPE_START_REQ));
    ASSERT_TRUE(mController.SendMessage(ORZ_SEND_MSG_TYPE_STOP_REQ));
    EXPECT_EQ(mController.GetQueuedMessageCount(), 0u);
    ASSERT_TRUE(LinkReady());
    // Anything left queued would have gone out before this.
    ASSERT_TRUE(mController.SendMessage(ORZ_SEND_MSG_TYPE_FOUND_DEVICE_RSP));
    ASSERT_TRUE(phone.WaitFor(FOUND_TEXT)) << phone.Output();
    EXPECT_EQ(phone.CountPrinted("recv "), 1u) << phone.Output();
    EXPECT_TRUE(mListener.mReceived.empty());

    ASSERT_TRUE(mController.SendMessage(ORZ_SEND_MSG_TYPE_START_REQ));
    ASSERT_TRUE(RunGlibUntil([&] { return mListener.Got(ORZ_RECV_MSG_TYPE_START_RSP); }));
    const Received* start = mListener.Find(ORZ_RECV_MSG_TYPE_START_RSP);
    ASSERT_TRUE(start->hadRecord);
    EXPECT_EQ(start->call.mIsResponse, 1);
    EXPECT_EQ(start->call.mResult, 0);
    EXPECT_EQ(start->call.mReason, 0);
    EXPECT_TRUE(phone.Printed(START_TEXT)) << phone.Output();
    EXPECT_TRUE(phone.WaitFor("ringing: 180 s left"));
    EXPECT_FALSE(mController.GetWaitingProviderResponse());
    EXPECT_TRUE(phone.WaitFor("limit reached: ringing stopped after 180 s", 15000)) << phone.Output();

    // The largest packet the link takes, and none larger or empty.
    Kiv* kiv = Kiv::GetInstance();
    EXPECT_EQ(kiv->KivDataSend(std::string(65531, 'x')), DATA_SUCCESS);
    EXPECT_EQ(kiv->KivDataSend(std::string(65532, 'x')), INVALID_ARGUMENTS);
    EXPECT_EQ(kiv->KivDataSend(""), INVALID_ARGUMENTS);
    EXPECT_TRUE(phone.WaitFor("recv " + std::string(65531, 'x') + "\n"));
}

TEST_F(ConsumerControllerTest, StopQueuedBehindARefusedStartIsDroppedAndALateAnswerStillStopsTheTimeOut)
{
    PhoneSimProcess phone({"--late", "300", "--refuse", "2"});
    ASSERT_TRUE(Connected(phone));
    mController.SendMessage(ORZ_SEND_MSG_TYPE_START_REQ);
    ASSERT_TRUE(phone.WaitFor(START_TEXT));
    mController.SendMessage(ORZ_SEND_MSG_TYPE_STOP_REQ);

    ASSERT_TRUE(RunGlibUntil([&] { return mListener.Got(ORZ_RECV_MSG_TYPE_START_RSP); }));
    const Received* start = mListener.Find(ORZ_RECV_MSG_TYPE_START_RSP);
    EXPECT_EQ(start->call.mResult, 1);
    EXPECT_EQ(start->call.mReason, 2);
    EXPECT_EQ(mController.GetQueuedMessageCount(), 0u);
    mController.SendMessage(ORZ_SEND_MSG_TYPE_FOUND_DEVICE_RSP);
    ASSERT_TRUE(phone.WaitFor(FOUND_TEXT)) << phone.Output();
    EXPECT_FALSE(phone.Printed(STOP_TEXT)) << "sent after all\n" << phone.Output();

    // A location answer arriving after its wait was cancelled still stops the time-out.
    pelorn_clock_set_manual(TRUE);
    mController.SendMessage(ORZ_SEND_MSG_TYPE_LOCATION_REQ);
    ASSERT_TRUE(phone.WaitFor("recv {\"msgId\":\"mgr_host_location_req\"}"));
    mController.SendMessage(ORZ_SEND_MSG_TYPE_LOCATION_STOP_REQ);
    EXPECT_FALSE(mController.GetWaitingProviderResponse());
    ASSERT_TRUE(RunGlibUntil([&] { return mListener.Got(ORZ_RECV_MSG_TYPE_LOCATION_RSP); }));
    pelorn_clock_advance_ms(180000);
    EXPECT_FALSE(mListener.Got(ORZ_RECV_MSG_TYPE_NO_RESPONSE));
}

TEST_F(ConsumerControllerTest, FullBufferIsRetriedFiveTimesThenDropped)
{
    g_setenv("PELORN_ACCESSORY_SNDBUF", "4096", TRUE);
    PhoneSimProcess phone({"--stall"});
    ASSERT_TRUE(Connected(phone));
    ASSERT_TRUE(phone.WaitFor("stalled"));
    pelorn_clock_set_manual(TRUE);

    // Found-device reports need no answer, so each leaves at once until the phone's socket is full.
    int sent = 0;
    while (!pelorn_log_captured("", "BUFFER_FULL") && sent < 20000)
    {
        mController.SendMessage(ORZ_SEND_MSG_TYPE_FOUND_DEVICE_RSP);
        sent++;
    }
    ASSERT_TRUE(pelorn_log_captured("", "BUFFER_FULL")) << "never filled after " << sent << " messages";
    EXPECT_EQ(mController.GetQueuedMessageCount(), 1u);

    pelorn_log_capture_clear();
    for (int i = 0; i < 5; i++)
        pelorn_clock_advance_ms(200);
    EXPECT_EQ(CountLogged("BUFFER_FULL"), 5);
    EXPECT_TRUE(pelorn_log_captured("", "we tried to re-send five times. but we can't send for the data"));
    EXPECT_EQ(mController.GetQueuedMessageCount(), 0u);
    pelorn_clock_advance_ms(1000);
    EXPECT_EQ(CountLogged("SendMessageToHost, message:"), 5) << "no seventh attempt";
}

TEST_F(ConsumerControllerTest, PeerSearchRetriesAt2Then5SecondsThenGivesUp)
{
    vconf_set_bool("memory/brig/brig_connected", 1);
    pelorn_clock_set_manual(TRUE);
    mController.OpenConnection();
    auto failures = [] { return (size_t)CountLogged("PEER_AGENT_FOUND_FAIL"); };
    ASSERT_TRUE(RunGlibUntil([&] { return failures() == 1; }));

    const guint delays[] = {2000, 5000, 5000, 5000, 5000};
    for (size_t i = 0; i < G_N_ELEMENTS(delays); i++)
    {
        ASSERT_EQ(pelorn_clock_pending(), 1u) << "retry " << i;
        pelorn_clock_advance_ms(delays[i] - 1);
        EXPECT_EQ(pelorn_clock_pending(), 1u) << "retried early at retry " << i;
        pelorn_clock_advance_ms(1);
        ASSERT_TRUE(RunGlibUntil([&] { return failures() == i + 2; })) << "no retry " << i;
    }
    EXPECT_TRUE(pelorn_log_captured("", "[CriticalError] All retry attempts to FindPeer are failed"));
    EXPECT_EQ(pelorn_clock_pending(), 0u);

    // The count starts again: the next failure schedules a 2 s retry.
    Kiv::GetInstance()->FindPeerAgent();
    ASSERT_TRUE(RunGlibUntil([&] { return failures() == 7; }));
    pelorn_clock_advance_ms(1999);
    EXPECT_EQ(pelorn_clock_pending(), 1u) << "retried early";
}

TEST_F(ConsumerControllerTest, SilentPeerCountsAsAFailedSearch)
{
    g_setenv("PELORN_ACCESSORY_TIMEOUT_MS", "300", TRUE);
    PhoneSimProcess phone({"--silent-peer"});
    ASSERT_TRUE(phone.Ready());
    pelorn_clock_set_manual(TRUE);
    mController.OpenConnection();
    ASSERT_TRUE(RunGlibUntil([] { return pelorn_log_captured("", "PEER_AGENT_FOUND_FAIL [2]"); }));
    EXPECT_EQ(pelorn_clock_pending(), 1u);
    EXPECT_EQ(Kiv::GetInstance()->GetPeerAgent(), nullptr);
}

TEST_F(ConsumerControllerTest, RefusedConnectionIsRetriedEveryFiveSeconds)
{
    PhoneSimProcess phone({"--reject-connection", "4"});
    ASSERT_TRUE(phone.Ready());
    pelorn_clock_set_manual(TRUE);
    mController.OpenConnection();
    ASSERT_TRUE(RunGlibUntil([] { return pelorn_log_captured("", "CREATE_CONNECTION_FAIL [4]"); }));
    EXPECT_TRUE(pelorn_log_captured("", "OnKivConnectionCreationConfirm ConnectionCreation failed[4]"));
    ASSERT_EQ(pelorn_clock_pending(), 1u);
    pelorn_clock_advance_ms(4999);
    EXPECT_EQ(pelorn_clock_pending(), 1u) << "retried early";
    pelorn_clock_advance_ms(1);
    ASSERT_TRUE(RunGlibUntil([] { return CountLogged("CREATE_CONNECTION_FAIL") == 2; }));
}

/* The phone goes while an answer is awaited: the peer is forgotten, and the
 * wait must not outlive it. */
/* The watch told the wearer that the phone was not reached. A start still
 * queued must never leave later; one that left gets a stop, and that stop
 * holds nothing back: the next tap's start goes at once. */
TEST_F(ConsumerControllerTest, AGivenUpRingDropsAQueuedStartOrStopsASentOneWithoutWaiting)
{
    PhoneSimProcess phone({"--never-answer"});
    ASSERT_TRUE(phone.Ready());
    Kiv::GetInstance()->SetKivEventListener(&mController);
    ASSERT_TRUE(mController.SendMessage(ORZ_SEND_MSG_TYPE_START_REQ)); // no link yet: queued
    ASSERT_TRUE(mController.SendMessage(ORZ_SEND_MSG_TYPE_START_GIVE_UP));
    EXPECT_EQ(mController.GetQueuedMessageCount(), 0u);
    ASSERT_TRUE(LinkReady());
    ASSERT_TRUE(mController.SendMessage(ORZ_SEND_MSG_TYPE_FOUND_DEVICE_RSP)); // after anything left queued
    ASSERT_TRUE(phone.WaitFor(FOUND_TEXT)) << phone.Output();
    EXPECT_EQ(phone.CountPrinted("recv "), 1u) << phone.Output();

    ASSERT_TRUE(mController.SendMessage(ORZ_SEND_MSG_TYPE_START_REQ));
    ASSERT_TRUE(phone.WaitFor(START_TEXT)) << phone.Output();
    ASSERT_TRUE(mController.GetWaitingProviderResponse());
    ASSERT_TRUE(mController.SendMessage(ORZ_SEND_MSG_TYPE_START_GIVE_UP));
    EXPECT_FALSE(mController.GetWaitingProviderResponse()) << "the stop of a given-up ring awaits an answer";
    ASSERT_TRUE(phone.WaitFor(STOP_TEXT)) << phone.Output();
    ASSERT_TRUE(mController.SendMessage(ORZ_SEND_MSG_TYPE_START_REQ));
    EXPECT_TRUE(RunGlibUntil([&] { return phone.CountPrinted(START_TEXT) == 2; })) << phone.Output();
    EXPECT_EQ(phone.CountPrinted(STOP_TEXT), 1u) << phone.Output();
}

TEST_F(ConsumerControllerTest, DetachForgetsThePeerAndItsAwaitedAnswerAttachFindsItAgainAndAPauseWaitsForTheAnswer)
{
    PhoneSimProcess phone({"--never-answer"});
    ASSERT_TRUE(Connected(phone));
    mController.SendMessage(ORZ_SEND_MSG_TYPE_START_REQ);
    ASSERT_TRUE(phone.WaitFor(START_TEXT));

    phone.Command("detach");
    ASSERT_TRUE(RunGlibUntil([] { return pelorn_log_captured("", "OnKivDeviceStatus(DEVICE_DETACHED)"); }));
    EXPECT_EQ(Kiv::GetInstance()->GetPeerAgent(), nullptr);
    EXPECT_EQ(Kiv::GetInstance()->GetKivServiceHandleId(), 0u);

    phone.Command("attach");
    ASSERT_TRUE(RunGlibUntil([] { return pelorn_log_captured("", "DEVICE_ATTACHED"); }));
    ASSERT_TRUE(LinkReady());
    pelorn_clock_set_manual(TRUE);
    mController.SendMessage(ORZ_SEND_MSG_TYPE_STOP_REQ);
    ASSERT_TRUE(phone.WaitFor(STOP_TEXT)) << "the request waited for an answer the detached phone can never give";

    // A pause while this answer is awaited keeps the link until the answer or its time-out.
    ASSERT_FALSE(mListener.Got(ORZ_RECV_MSG_TYPE_NO_RESPONSE));
    const size_t disconnects = phone.CountPrinted("watch disconnected");
    mController.CloseConnection();
    pelorn_clock_advance_ms(3000);
    EXPECT_NE(Kiv::GetInstance()->GetKivServiceHandleId(), 0u) << "closed while an answer was awaited";
    mController.OpenConnection(); // resume within the wait keeps the old link
    EXPECT_TRUE(pelorn_log_captured("", "there is closeConnectionTimer. we stop it and use old connection"));

    mController.CloseConnection();
    pelorn_clock_advance_ms(177000); // the answer time-out ends the wait
    EXPECT_TRUE(mListener.Got(ORZ_RECV_MSG_TYPE_NO_RESPONSE));
    pelorn_clock_advance_ms(1000);
    EXPECT_EQ(Kiv::GetInstance()->GetKivLocalAgentId(), 0u);
    EXPECT_TRUE(RunGlibUntil([&] { return phone.CountPrinted("watch disconnected") > disconnects; }));
}

TEST(ConsumerControllerValidLength, FindsTheEndOfTheFirstValue)
{
    ConsumerController controller;
    auto valid = [&](const std::string& s) { return controller.GetValidLengthOfProviderMsg(s.c_str(), (int)s.size()); };
    EXPECT_EQ(valid(R"({"a":"b"})"), 9);
    EXPECT_EQ(valid(R"({"a":"b"}trailing)"), 9);
    EXPECT_EQ(valid(R"({"a":{"b":[1]}}{})"), 15);
    EXPECT_EQ(valid("xyz{}"), 1);
    EXPECT_EQ(valid(R"({"a":"}"})"), 7) << "a brace inside a string counts";
    EXPECT_EQ(valid(R"({"a":)"), 5);
    EXPECT_EQ(valid(""), 0);
    EXPECT_EQ(controller.GetValidLengthOfProviderMsg(nullptr, 4), 0);
}

TEST(KivDataIndication, PacketIsCutAtTheFirstNul)
{
    struct Catcher : KivEventListener
    {
        std::vector<std::string> texts;
        void OnKivDataIndication(const std::string& data) override { texts.push_back(data); }
        void OnKivTerminationIndication(int) override {}
        void OnKivError(int) override {}
        void OnKivConnectionCreationConfirm(int) override {}
        void OnKivPeerAgentFound(int) override {}
        void OnKivDeviceStatus(int, int) override {}
    } catcher;
    Kiv::GetInstance()->SetKivEventListener(&catcher);
    char packet[] = "{\"msgId\":\"a\"}\0{\"more\":1}";
    Kiv::OnDataIndication(1, 103, sizeof(packet) - 1, packet);
    Kiv::OnDataIndication(1, 103, 5, nullptr);
    Kiv::GetInstance()->SetKivEventListener(nullptr);
    ASSERT_EQ(catcher.texts.size(), 2u);
    EXPECT_EQ(catcher.texts[0], "{\"msgId\":\"a\"}");
    EXPECT_EQ(catcher.texts[1], "");
}
