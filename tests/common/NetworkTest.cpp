#include "CurlNetworkConnection.h"
#include "HttpTestSupport.h"
#include "Network.h"
#include "NetworkProxy.h"
#include "TestEnvironment.h"
#include "pelorn_clock.h"
#include "pelorn_log_capture.h"
#include "vconf.h"

#include <gtest/gtest.h>

using namespace NSORZCommon;
using PelornTest::Body;
using PelornTest::LoopbackHttpServer;
using PelornTest::RoutedHttpServer;
using PelornTest::Silent;
using Response = LoopbackHttpServer::Response;

namespace
{
struct HttpEvent
{
    std::string kind;
    int requestId = -1;
    int requestType = -1;
    int responseCode = -1;
    std::string body;
};

class RecordingHttpListener : public HttpNetworkEventListner
{
public:
    std::vector<HttpEvent> mEvents;

    void OnHttpRequestCompleted(int requestId, int requestType) override
    {
        mEvents.push_back({"accepted", requestId, requestType, -1, ""});
    }
    void OnHttpRequestFailed(int requestType) override
    {
        mEvents.push_back({"refused", -1, requestType, -1, ""});
    }
    void OnHttpRequestCancelCompleted(int requestType) override
    {
        mEvents.push_back({"cancelled", -1, requestType, -1, ""});
    }
    void OnHttpResponseCompleted(int requestId, int requestType, const char* data, int length) override
    {
        mEvents.push_back({"completed", requestId, requestType, -1, std::string(data, length)});
    }
    void OnHttpResponseFailed(int requestId, int responseCode, int requestType) override
    {
        mEvents.push_back({"failed", requestId, requestType, responseCode, ""});
    }
    void OnHttpResponseTimeout(int requestId, int requestType) override
    {
        mEvents.push_back({"timeout", requestId, requestType, -1, ""});
    }

    bool Has(const std::string& kind) const
    {
        for (const HttpEvent& event : mEvents)
            if (event.kind == kind)
                return true;
        return false;
    }
};

class NetworkTest : public ::testing::Test
{
protected:
    NetworkTest()
    {
        PelornTest::ClearProxyEnvironment();
    }
    ~NetworkTest() override
    {
        PelornTest::RunGlibUntil([] { return Engine()->IsIdle(); });
        PelornTest::ClearProxyEnvironment();
    }

    static CurlNetworkConnection* Engine()
    {
        return dynamic_cast<CurlNetworkConnection*>(NetworkProxy::GetInstance()->GetNetwork().get());
    }

    PelornTest::ScopedTestDirs mDirs;
};

/* A Network and what it hears. */
struct Client
{
    explicit Client(const std::string& url, int type = 1)
    {
        network.SetEventListener(&listener);
        network.HttpRequest(url, type);
    }
    RecordingHttpListener listener;
    Network network;
};
} // namespace

TEST_F(NetworkTest, TwoNetworksGetTheirOwnIdsAndResponses)
{
    RoutedHttpServer server({{"/a", Body("alpha")}, {"/b", Body("beta")}});
    RecordingHttpListener listenerA, listenerB;
    int listenerIdA = -1, listenerIdB = -1;
    {
        Network networkA, networkB;
        networkA.SetEventListener(&listenerA);
        networkB.SetEventListener(&listenerB);
        networkA.HttpRequest(server.Url("/a"), 1);
        networkB.HttpRequest(server.Url("/b"), 2);
        listenerIdA = NetworkProxy::GetInstance()->RegisterHttpNetworkEventListener(&networkA);
        listenerIdB = NetworkProxy::GetInstance()->RegisterHttpNetworkEventListener(&networkB);
        EXPECT_EQ(listenerIdB, listenerIdA + 1);
        ASSERT_TRUE(PelornTest::RunGlibUntil(
            [&] { return listenerA.mEvents.size() == 2 && listenerB.mEvents.size() == 2; }));
    }
    ASSERT_EQ(listenerA.mEvents[0].kind, "accepted");
    ASSERT_EQ(listenerA.mEvents[1].kind, "completed");
    const int requestIdA = listenerA.mEvents[1].requestId;
    EXPECT_EQ(listenerA.mEvents[0].requestId, requestIdA);
    EXPECT_EQ(listenerA.mEvents[1].requestType, 1);
    EXPECT_EQ(listenerA.mEvents[1].body, "alpha");
    ASSERT_EQ(listenerB.mEvents[1].kind, "completed");
    EXPECT_EQ(listenerB.mEvents[1].requestId, requestIdA + 1);
    EXPECT_EQ(listenerB.mEvents[1].requestType, 2);
    EXPECT_EQ(listenerB.mEvents[1].body, "beta");

    for (const auto& request : server.Server().Requests())
        EXPECT_EQ(request.headers.at("user-agent"), "Mozilla/5.0 (Linux; U; Tizen 1.0; en-us) AppleWebkit/534.46 "
                                                    "(KHTML, like Gecko) Mobile Tizen Browser/1.0");

    // Both went away: a newcomer still gets IDs never seen before.
    RecordingHttpListener listenerC;
    Network networkC;
    networkC.SetEventListener(&listenerC);
    networkC.HttpRequest(server.Url("/a"), 3);
    EXPECT_GT(NetworkProxy::GetInstance()->RegisterHttpNetworkEventListener(&networkC), listenerIdB);
    ASSERT_TRUE(PelornTest::RunGlibUntil([&] { return listenerC.mEvents.size() == 2; }));
    EXPECT_GT(listenerC.mEvents[1].requestId, requestIdA + 1);
}

// Regression: IDs restarted at 0 once the listener map emptied while an old
// transfer lived on, so network B was handed network A's late body and lost
// its own time-out.
TEST_F(NetworkTest, LateResponseOfDestroyedNetworkNeverReachesTheNextOne)
{
    pelorn_clock_set_manual(TRUE);
    RoutedHttpServer server({{"/a", Body(std::string(4000, 'A'), 100, 20)}, {"/b", Silent()}}); // A: about 0.8 s
    RecordingHttpListener listenerA, listenerB;
    {
        Network networkA;
        networkA.SetEventListener(&listenerA);
        networkA.HttpRequest(server.Url("/a"), 1);
        ASSERT_TRUE(PelornTest::RunGlibUntil([&] { return server.Server().Requests().size() == 1; }));
    }
    Network networkB;
    networkB.SetEventListener(&listenerB);
    networkB.HttpRequest(server.Url("/b"), 1);
    ASSERT_TRUE(PelornTest::RunGlibUntil([&] { return server.Server().Requests().size() == 2; }));
    ASSERT_EQ(listenerB.mEvents.size(), 1u);
    ASSERT_NE(listenerB.mEvents[0].requestId, listenerA.mEvents[0].requestId);

    // Long past the moment A's body would have been complete.
    PelornTest::RunGlibFor(1200);
    EXPECT_EQ(listenerA.mEvents.size(), 1u) << "a destroyed Network hears nothing";
    ASSERT_EQ(listenerB.mEvents.size(), 1u) << "B must not receive A's body";
    EXPECT_EQ(pelorn_clock_pending(), 1u) << "B's time-out must still be running";

    pelorn_clock_advance_ms(90000);
    ASSERT_EQ(listenerB.mEvents.size(), 2u);
    EXPECT_EQ(listenerB.mEvents[1].kind, "timeout");
    EXPECT_EQ(listenerB.mEvents[1].requestId, listenerB.mEvents[0].requestId);
}

// Alone, so that no other transfer's end can close its connection for it.
TEST_F(NetworkTest, DestroyedNetworkStopsItsTransfer)
{
    RoutedHttpServer server({{"/never", Silent()}});
    RecordingHttpListener listener;
    {
        Network network;
        network.SetEventListener(&listener);
        network.HttpRequest(server.Url("/never"), 1);
        ASSERT_TRUE(PelornTest::RunGlibUntil([&] { return server.Server().Requests().size() == 1; }));
    }
    EXPECT_TRUE(PelornTest::RunGlibUntil([&] { return server.Server().AbandonedSilentConnections() == 1; }))
        << "the transfer of a destroyed Network must not run on against a silent server";
    EXPECT_TRUE(PelornTest::RunGlibUntil([] { return Engine()->IsIdle(); }));
    EXPECT_EQ(listener.mEvents.size(), 1u);
}

TEST_F(NetworkTest, ResponseForDestroyedNetworkIsDropped)
{
    RoutedHttpServer server({{"/slow", Body(PelornTest::PatternBody(600), 100, 30)}});
    RecordingHttpListener listener;
    {
        Network network;
        network.SetEventListener(&listener);
        network.HttpRequest(server.Url("/slow"), 1);
    }
    EXPECT_TRUE(PelornTest::RunGlibUntil([] { return Engine()->IsIdle(); }));
    ASSERT_EQ(listener.mEvents.size(), 1u);
    EXPECT_EQ(listener.mEvents[0].kind, "accepted");
}

TEST_F(NetworkTest, NotFoundIsReportedWithItsStatusAndStopsTheTimeOut)
{
    pelorn_clock_set_manual(TRUE);
    RoutedHttpServer server({});
    Client client(server.Url("/nowhere"));
    RecordingHttpListener& listener = client.listener;
    ASSERT_TRUE(listener.Has("accepted"));
    EXPECT_EQ(pelorn_clock_pending(), 1u);

    ASSERT_TRUE(PelornTest::RunGlibUntil([&] { return listener.Has("failed"); }));
    EXPECT_EQ(listener.mEvents[1].responseCode, 404);
    EXPECT_EQ(listener.mEvents[1].requestType, 1);
    EXPECT_EQ(pelorn_clock_pending(), 0u);
}

TEST_F(NetworkTest, SilentServerTimesOutAfterNinetySeconds)
{
    pelorn_clock_set_manual(TRUE);
    RoutedHttpServer server({{"/never", Silent()}});
    Client client(server.Url("/never"));
    RecordingHttpListener& listener = client.listener;
    ASSERT_TRUE(PelornTest::RunGlibUntil([&] { return server.Server().Requests().size() == 1; }));
    ASSERT_EQ(listener.mEvents.size(), 1u);
    const int requestId = listener.mEvents[0].requestId;

    pelorn_clock_advance_ms(89999);
    PelornTest::RunGlibFor(50);
    EXPECT_EQ(listener.mEvents.size(), 1u) << "no time-out before 90 s";

    pelorn_clock_advance_ms(1);
    ASSERT_EQ(listener.mEvents.size(), 2u);
    EXPECT_EQ(listener.mEvents[1].kind, "timeout");
    EXPECT_EQ(listener.mEvents[1].requestId, requestId);
    EXPECT_EQ(listener.mEvents[1].requestType, 1);

    // The transfer was really cancelled and nothing else follows.
    EXPECT_TRUE(PelornTest::RunGlibUntil([&] { return server.Server().AbandonedSilentConnections() == 1; }));
    EXPECT_TRUE(PelornTest::RunGlibUntil([] { return Engine()->IsIdle(); }));
    PelornTest::RunGlibFor(100);
    EXPECT_EQ(listener.mEvents.size(), 2u);
    EXPECT_EQ(NetworkProxy::GetInstance()->FindHttpNetworkEventListner(requestId), nullptr)
        << "the timed-out Network must be unregistered";
}

// libcurl itself ignores the upper-case variable for http:// URLs, so a
// request reaching the proxy proves the address was handed over by us; a
// proxy setting of the zero address means direct, whatever the environment.
TEST_F(NetworkTest, ProxyFromEnvironmentIsUsedAndASettingOfZeroAddressMeansDirect)
{
    RoutedHttpServer proxy({{"/staticmap.png", Body("through the proxy")}, {"/direct", Body("direct")}});
    setenv("HTTP_PROXY", ("http://127.0.0.1:" + std::to_string(proxy.Server().Port())).c_str(), 1);
    {
        Client client("http://maps.pelorn.invalid/staticmap.png");
        ASSERT_TRUE(PelornTest::RunGlibUntil([&] { return client.listener.mEvents.size() == 2; }));
        EXPECT_EQ(client.listener.mEvents[1].body, "through the proxy");
    }
    ASSERT_EQ(proxy.Server().Requests().size(), 1u);
    EXPECT_EQ(proxy.Server().Requests()[0].target, "http://maps.pelorn.invalid/staticmap.png");

    vconf_set_str("memory/dnet/proxy", "http://0.0.0.0");
    unsetenv("HTTP_PROXY");
    Client client(proxy.Url("/direct"));
    ASSERT_TRUE(PelornTest::RunGlibUntil([&] { return client.listener.mEvents.size() == 2; }));
    EXPECT_EQ(client.listener.mEvents[1].body, "direct");
    EXPECT_EQ(proxy.Server().Requests()[1].target, "/direct");
}
