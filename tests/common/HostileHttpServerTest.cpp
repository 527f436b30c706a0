/* The transfer engine against servers that misbehave on purpose: every
 * transfer must end, bounded in time and memory, and the main loop must stay
 * free while it runs. */
#include "CurlNetworkConnection.h"
#include "HttpTestSupport.h"
#include "MapServerProcess.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

using namespace NSORZCommon;
using PelornTest::Body;
using PelornTest::EngineEvent;
using PelornLoopback::LoopbackHttpServer;
using PelornTest::PatternBody;
using PelornTest::Redirect;
using PelornTest::RoutedHttpServer;
using Response = LoopbackHttpServer::Response;

namespace
{
const size_t MIB = 1024 * 1024;

/* Only the first bytes of the body are sent, then the connection is closed
 * or held open saying nothing. */
Response Cut(Response response, size_t after, bool holdOpen = false)
{
    response.stopAfterBytes = after;
    response.holdOpenAfterStop = holdOpen;
    return response;
}
/* No length declared: the body ends when the connection closes. */
Response Unannounced(Response response)
{
    response.omitContentLength = true;
    return response;
}

class HostileHttpServerTest : public PelornTest::EngineTest
{
protected:
    void Limit(size_t maxBodyBytes, long lowSpeedSeconds = 600, long lowSpeedBytes = 1)
    {
        CurlNetworkConnection::TransferLimits limits = mEngine.GetTransferLimits();
        limits.mMaxBodyBytes = maxBodyBytes;
        limits.mLowSpeedSeconds = lowSpeedSeconds;
        limits.mLowSpeedBytes = lowSpeedBytes;
        mEngine.SetTransferLimits(limits);
    }
};
} // namespace

// Regression: a server that sent its head and then nothing held the transfer
// for ever, and a Network destroyed meanwhile left it running.
TEST_F(HostileHttpServerTest, ServerFallingSilentAfterItsHeadIsGivenUpOn)
{
    // libcurl averages the speed over a few seconds; a higher floor keeps
    // the burst of the first bytes from hiding the stall for long.
    Limit(4 * MIB, 1, 1000);
    RoutedHttpServer server({{"/stall", Cut(Body(std::string(5000, 's')), 100, true)}});
    Request(0, server.Url("/stall"));

    // The server never ends the response, and the whole-transfer limit lies
    // past this deadline: only the stall limit can have ended it.
    ASSERT_GT(mEngine.GetTransferLimits().mTotalTimeoutSeconds, 90);
    EXPECT_EQ(Ending(0, 90000), "failed 200") << "the stall limit never ended the transfer";
    EXPECT_TRUE(PelornTest::RunGlibUntil([&] { return server.Server().AbandonedSilentConnections() == 1; }));
}

// Regressions: a server redirecting to itself was followed thousands of
// times; the body grew by a copy per chunk and its length was an int that
// overflowed, nothing bounded it, and 256 KB of gzip unpacked to 256 MiB, all
// of it kept; a body cut off mid-way was delivered as a short image.
TEST_F(HostileHttpServerTest, RedirectLoopsCutOrOversizedBodiesFailDeclaredOrNotAndWholeOnesArrive)
{
    Limit(1 * MIB);
    Response bomb = Body(PelornTest::Gzip(std::string(48 * MIB, '\0')));
    bomb.headers = {"Content-Encoding: gzip"};
    ASSERT_LT(bomb.body.size(), 1 * MIB) << "the packed body itself is under the limit";
    // The undeclared one is more than loopback's socket buffers can swallow,
    // so the server sees the client give up; one byte past the limit with no
    // length declared, only the engine's own count can tell.
    const struct
    {
        const char* path;
        Response response;
        std::string ending;
    } cases[] = {
        {"/loop", Redirect("/loop"), "failed 302"},
        {"/file", Redirect("file:///etc/hostname"), "failed 302"},
        {"/declared", Body(std::string(3 * MIB, 'd')), "failed 200"},
        {"/undeclared", Unannounced(Body(std::string(32 * MIB, 'u'), 256 * 1024)), "failed 200"},
        {"/under", Body(PatternBody(1 * MIB), 3000), PatternBody(1 * MIB)},
        {"/one-over", Unannounced(Body(PatternBody(1 * MIB + 1), 3000)), "failed 200"},
        {"/cut", Cut(Body(PatternBody(20000)), 7000), "failed 200"},
        {"/until-close", Unannounced(Body(PatternBody(3000))), PatternBody(3000)},
        {"/bomb", bomb, "failed 200"},
    };
    std::map<std::string, Response> routes;
    for (const auto& c : cases)
        routes[c.path] = c.response;
    RoutedHttpServer server(routes);
    for (int id = 0; id < (int)(sizeof(cases) / sizeof(cases[0])); ++id)
        Request(id, server.Url(cases[id].path));
    for (int id = 0; id < (int)(sizeof(cases) / sizeof(cases[0])); ++id)
        EXPECT_TRUE(Ending(id) == cases[id].ending) << cases[id].path << ": " << Ending(id).substr(0, 60);

    size_t loopRequests = 0;
    for (const auto& request : server.Server().Requests())
        loopRequests += request.target == "/loop";
    EXPECT_EQ(loopRequests, (size_t)mEngine.GetTransferLimits().mMaxRedirects + 1);
    // The server could not hand over what nobody read any more.
    EXPECT_TRUE(PelornTest::RunGlibUntil([&] { return server.Server().CutShortResponses() >= 1; }));
}

// Regression: cancelling waited on the lock the worker held while curl
// copied the body, for seconds with a large body.
TEST_F(HostileHttpServerTest, CancelDuringLargeDownloadReturnsAtOnce)
{
    Limit(256 * MIB);
    RoutedHttpServer server(
        {{"/large", Body(std::string(64 * MIB, 'L'), 256 * 1024, 5)}}); // about 1.3 s in all
    Request(0, server.Url("/large"));
    ASSERT_TRUE(PelornTest::RunGlibUntil([&] { return server.Server().Requests().size() == 1; }));
    PelornTest::RunGlibFor(300);
    ASSERT_EQ(mListener.mEvents.size(), 1u) << "still downloading";

    // The server paces the body, so the transfer lasts over a second however
    // fast the machine is. A cancel that waited for the worker to finish would
    // return after the whole body was sent, and the server would see no cut.
    // Read before the cancel: once it is asked for, the worker may drop the
    // connection before this thread looks again.
    EXPECT_EQ(server.Server().CutShortResponses(), 0) << "cut before the cancel";
    mEngine.CancelHttpRequest(0);

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
    EXPECT_EQ(Ending(0), "failed 0") << "a certificate from an unknown authority was accepted";

    g_setenv(CurlNetworkConnection::EXTRA_CA_FILE_ENV, server.CaFile().c_str(), TRUE);
    Request(1, url, server.ProxyAddress());
    const std::string trusted = Ending(1);
    g_unsetenv(CurlNetworkConnection::EXTRA_CA_FILE_ENV);
    EXPECT_EQ(trusted.compare(0, 8, "\x89PNG\r\n\x1a\n"), 0) << trusted.substr(0, 20);
    EXPECT_EQ(server.LoggedUrls(), std::vector<std::string>{url}) << "only the verified request got through";
}
