/* The transfer engine against servers that misbehave on purpose: every
 * transfer must end, bounded in time and memory, and the main loop must stay
 * free while it runs. */
#include "CurlNetworkConnection.h"
#include "EngineRecorder.h"
#include "HttpTestSupport.h"
#include "MapServerProcess.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

using namespace NSORZCommon;
using PelornTest::EngineEvent;
using PelornTest::LoopbackHttpServer;
using PelornTest::RecordingEngineListener;
using PelornTest::Redirect;
using PelornTest::RoutedHttpServer;
using Response = LoopbackHttpServer::Response;

namespace
{
const size_t MIB = 1024 * 1024;

class HostileHttpServerTest : public PelornTest::EngineTest
{
protected:
    void Limit(size_t maxBodyBytes, long lowSpeedSeconds = 20, long lowSpeedBytes = 1)
    {
        CurlNetworkConnection::TransferLimits limits = mEngine.GetTransferLimits();
        limits.mMaxBodyBytes = maxBodyBytes;
        limits.mLowSpeedSeconds = lowSpeedSeconds;
        limits.mLowSpeedBytes = lowSpeedBytes;
        mEngine.SetTransferLimits(limits);
    }

    /* The one outcome of request id, waited for at most timeoutMs. */
    const EngineEvent* Outcome(int id, int timeoutMs = 60000)
    {
        auto find = [&]() -> const EngineEvent* {
            for (const EngineEvent& event : mListener.mEvents)
                if (event.requestId == id && (event.kind == "completed" || event.kind == "failed"))
                    return &event;
            return nullptr;
        };
        PelornTest::RunGlibUntil([&] { return find() != nullptr; }, timeoutMs);
        return find();
    }
    /* Request id ended as a failure with that status (any, when not given). */
    ::testing::AssertionResult Failed(int id, int status = -2, int timeoutMs = 60000)
    {
        const EngineEvent* outcome = Outcome(id, timeoutMs);
        if (!outcome)
            return ::testing::AssertionFailure() << "request " << id << " never ended";
        if (outcome->kind != "failed" || (status != -2 && outcome->responseCode != status))
            return ::testing::AssertionFailure() << "request " << id << ": " << outcome->kind << ", status "
                                                 << outcome->responseCode;
        return ::testing::AssertionSuccess();
    }
};
} // namespace

// Regression: a server redirecting to itself was followed thousands of times.
TEST_F(HostileHttpServerTest, RedirectLoopAndRedirectOffTheWebEndAsFailures)
{
    RoutedHttpServer server({{"/loop", Redirect("/loop")}, {"/file", Redirect("file:///etc/hostname")}});
    Request(0, server.Url("/loop"));
    Request(1, server.Url("/file"));

    EXPECT_TRUE(Failed(0, 302));
    EXPECT_TRUE(Failed(1));

    size_t loopRequests = 0;
    for (const auto& request : server.Server().Requests())
        loopRequests += request.target == "/loop";
    EXPECT_EQ(loopRequests, (size_t)mEngine.GetTransferLimits().mMaxRedirects + 1);
}

// Regression: a server that sent its head and then nothing held the transfer
// for ever, and a Network destroyed meanwhile left it running.
TEST_F(HostileHttpServerTest, ServerFallingSilentAfterItsHeadIsGivenUpOn)
{
    // libcurl averages the speed over a few seconds; a higher floor keeps
    // the burst of the first bytes from hiding the stall for long.
    Limit(4 * MIB, 1, 1000);
    Response stall;
    stall.body = std::string(5000, 's');
    stall.stopAfterBytes = 100;
    stall.holdOpenAfterStop = true;
    RoutedHttpServer server({{"/stall", stall}});
    Request(0, server.Url("/stall"));

    // The server never ends the response, and the whole-transfer limit lies
    // past this deadline: only the stall limit can have ended it.
    ASSERT_GT(mEngine.GetTransferLimits().mTotalTimeoutSeconds, 90);
    EXPECT_TRUE(Failed(0, 200, 90000)) << "the stall limit never ended the transfer";
    EXPECT_TRUE(PelornTest::RunGlibUntil([&] { return server.Server().AbandonedSilentConnections() == 1; }));
}

TEST_F(HostileHttpServerTest, ConnectionClosedMidBodyIsAFailureNotAShortImage)
{
    Response cut;
    cut.body = PelornTest::PatternBody(20000);
    cut.stopAfterBytes = 7000;
    Response unannounced;
    unannounced.body = PelornTest::PatternBody(3000);
    unannounced.omitContentLength = true;
    RoutedHttpServer server({{"/cut", cut}, {"/until-close", unannounced}});
    Request(0, server.Url("/cut"));
    Request(1, server.Url("/until-close"));

    EXPECT_TRUE(Failed(0, 200));
    // A body that ends with its connection is whole when nothing was promised.
    const EngineEvent* whole = Outcome(1);
    ASSERT_NE(whole, nullptr);
    ASSERT_EQ(whole->kind, "completed");
    EXPECT_EQ(whole->body, PelornTest::PatternBody(3000));
}

// Regression: the body grew by a copy per chunk and its length was an int
// that overflowed; nothing bounded it.
TEST_F(HostileHttpServerTest, OversizedBodyIsAbortedAtTheLimitDeclaredOrNot)
{
    Limit(1 * MIB);
    Response declared;
    declared.body = std::string(3 * MIB, 'd');
    // More than loopback's socket buffers can swallow, so the server sees
    // the client give up.
    Response undeclared;
    undeclared.body = std::string(32 * MIB, 'u');
    undeclared.omitContentLength = true;
    undeclared.chunkSize = 256 * 1024;
    Response justUnder;
    justUnder.body = PelornTest::PatternBody(1 * MIB);
    justUnder.chunkSize = 3000;
    // One byte past the limit, with no length declared: only the engine's own count can tell.
    Response oneOver;
    oneOver.body = PelornTest::PatternBody(1 * MIB + 1);
    oneOver.omitContentLength = true;
    oneOver.chunkSize = 3000;
    RoutedHttpServer server(
        {{"/declared", declared}, {"/undeclared", undeclared}, {"/under", justUnder}, {"/one-over", oneOver}});
    Request(0, server.Url("/declared"));
    Request(1, server.Url("/undeclared"));
    Request(2, server.Url("/under"));
    Request(3, server.Url("/one-over"));

    for (int id : {0, 1, 3})
        EXPECT_TRUE(Failed(id, 200));
    const EngineEvent* under = Outcome(2);
    ASSERT_NE(under, nullptr);
    ASSERT_EQ(under->kind, "completed");
    EXPECT_TRUE(under->body == PelornTest::PatternBody(1 * MIB)) << "a body at the limit arrives whole";
    EXPECT_TRUE(under->terminated);
    // The server could not hand over what nobody read any more.
    EXPECT_TRUE(PelornTest::RunGlibUntil([&] { return server.Server().CutShortResponses() >= 1; }));
}

// Regression: 256 KB on the wire unpacked to 256 MiB, all of it kept.
TEST_F(HostileHttpServerTest, GzipBombIsStoppedAtTheDecodedLimit)
{
    Limit(1 * MIB);
    Response bomb;
    bomb.body = PelornTest::Gzip(std::string(48 * MIB, '\0'));
    bomb.headers = {"Content-Encoding: gzip"};
    ASSERT_LT(bomb.body.size(), 1 * MIB) << "the packed body itself is under the limit";
    RoutedHttpServer server({{"/bomb", bomb}});
    Request(0, server.Url("/bomb"));

    ASSERT_TRUE(Failed(0, 200));
    EXPECT_LE(Outcome(0)->body.size(), 1 * MIB) << "more was kept than the limit allows";
}

// Regression: cancelling waited on the lock the worker held while curl
// copied the body, for seconds with a large body.
TEST_F(HostileHttpServerTest, CancelDuringLargeDownloadReturnsAtOnce)
{
    Limit(256 * MIB);
    Response large;
    large.body = std::string(64 * MIB, 'L');
    large.chunkSize = 256 * 1024;
    large.chunkDelayMs = 5; // about 1.3 s in all
    RoutedHttpServer server({{"/large", large}});
    Request(0, server.Url("/large"));
    ASSERT_TRUE(PelornTest::RunGlibUntil([&] { return server.Server().Requests().size() == 1; }));
    PelornTest::RunGlibFor(300);
    ASSERT_EQ(mListener.mEvents.size(), 1u) << "still downloading";

    // The server paces the body, so the transfer lasts over a second however
    // fast the machine is. A cancel that waited for the worker to finish would
    // return after the whole body was sent, and the server would see no cut.
    mEngine.CancelHttpRequest(0);
    EXPECT_EQ(server.Server().CutShortResponses(), 0) << "cut before the cancel";

    EXPECT_TRUE(PelornTest::RunGlibUntil([&] { return mEngine.IsIdle(); }, 60000));
    EXPECT_TRUE(PelornTest::RunGlibUntil([&] { return server.Server().CutShortResponses() == 1; }, 60000))
        << "the cancelled transfer's connection must be dropped, while the body was still being sent";
    PelornTest::RunGlibFor(100);
    EXPECT_EQ(mListener.mEvents.size(), 1u) << "a cancelled transfer reports nothing";
}

// Regression: peer and host verification were off, so anyone on the path
// could read the wearer's position and the provider keys.
TEST_F(HostileHttpServerTest, HttpsPeerMustBeVouchedForByATrustedAuthority)
{
    PelornTest::MapServerProcess server;
    ASSERT_TRUE(server.IsRunning());
    const std::string url = "https://image.maps.api.here.com/mia/1.6/mapview?app_id=a&app_code=b&w=360&h=360&"
                            "ctr=40.712800,-74.006000&z=16&ml=eng";

    g_unsetenv(CurlNetworkConnection::EXTRA_CA_FILE_ENV);
    Request(0, url, server.ProxyAddress());
    EXPECT_TRUE(Failed(0, 0)) << "a certificate from an unknown authority was accepted";

    g_setenv(CurlNetworkConnection::EXTRA_CA_FILE_ENV, server.CaFile().c_str(), TRUE);
    Request(1, url, server.ProxyAddress());
    const EngineEvent* trusted = Outcome(1);
    g_unsetenv(CurlNetworkConnection::EXTRA_CA_FILE_ENV);
    ASSERT_NE(trusted, nullptr);
    ASSERT_EQ(trusted->kind, "completed");
    EXPECT_EQ(trusted->body.compare(0, 8, "\x89PNG\r\n\x1a\n"), 0);
    EXPECT_EQ(server.LoggedUrls(), std::vector<std::string>{url}) << "only the verified request got through";
}
