#include "Network.h"
#include "CurlNetworkConnection.h"
#include "HttpTestSupport.h"
#include "NetworkConnection.h"
#include "NetworkProxy.h"
#include "TestEnvironment.h"
#include "pelorn_clock.h"
#include "vconf.h"

#include <gtest/gtest.h>
#include <memory>

using namespace NSORZCommon;
using PelornTest::Body;
using PelornTest::RoutedHttpServer;
using PelornTest::RunGlibUntil;
using PelornTest::Silent;

namespace
{
struct HttpEvent
{
    std::string kind;
    int requestId, requestType, responseCode;
    std::string body;
};

/* A Network asked for url, and what it hears: the Network can go away while
 * its listener keeps listening. */
class Client : public HttpNetworkEventListner
{
public:
    explicit Client(const std::string& url, int type = 1) : network(new Network)
    {
        network->SetEventListener(this);
        network->HttpRequest(url, type);
    }

    void OnHttpRequestCompleted(int id, int type) override
    {
        Add("accepted", id, type);
    }
    void OnHttpRequestFailed(int type) override
    {
        Add("refused", -1, type);
    }
    void OnHttpRequestCancelCompleted(int type) override
    {
        Add("cancelled", -1, type);
    }
    void OnHttpResponseCompleted(int id, int type, const char* data, int length) override
    {
        Add("completed", id, type, -1, std::string(data, length));
    }
    void OnHttpResponseFailed(int id, int code, int type) override
    {
        Add("failed", id, type, code);
    }
    void OnHttpResponseTimeout(int id, int type) override
    {
        Add("timeout", id, type);
    }

    /* The kinds heard, in order, e.g. "accepted completed". */
    std::string Kinds() const
    {
        std::string kinds;
        for (const HttpEvent& event : events)
            kinds += (kinds.empty() ? "" : " ") + event.kind;
        return kinds;
    }

    std::vector<HttpEvent> events;
    std::unique_ptr<Network> network;

private:
    void Add(const char* kind, int id, int type, int code = -1, const std::string& body = "")
    {
        events.push_back({kind, id, type, code, body});
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
        RunGlibUntil([] { return Engine()->IsIdle(); });
        PelornTest::ClearProxyEnvironment();
    }

    static CurlNetworkConnection* Engine()
    {
        return dynamic_cast<CurlNetworkConnection*>(NetworkProxy::GetInstance()->GetNetwork().get());
    }
    static int Register(Network* network)
    {
        return NetworkProxy::GetInstance()->RegisterHttpNetworkEventListener(network);
    }
    static std::string Proxy()
    {
        return NetworkConnection().GetSystemNetworkProxyAddressStr();
    }

    PelornTest::ScopedTestDirs mDirs;
};
} // namespace

// Regression: IDs restarted at 0 once the listener map emptied while an old
// transfer lived on, so network B was handed network A's late body and lost
// its own time-out.
// A 404 stops its request's time-out; a silent server times out after exactly 90 s.
TEST_F(NetworkTest, LateResponseOfDestroyedNetworkNeverReachesTheNextOne)
{
    pelorn_clock_set_manual(TRUE);
    RoutedHttpServer server({{"/alpha", Body("alpha")},
                             {"/beta", Body("beta")},
                             {"/a", Body(std::string(4000, 'A'), 100, 20)}, // about 0.8 s
                             {"/b", Silent()}});
    Client alpha(server.Url("/alpha"), 1), beta(server.Url("/beta"), 2);
    const int listenerIdA = Register(alpha.network.get()), listenerIdB = Register(beta.network.get());
    EXPECT_EQ(listenerIdB, listenerIdA + 1);
    ASSERT_TRUE(RunGlibUntil([&] { return alpha.events.size() == 2 && beta.events.size() == 2; }));
    ASSERT_EQ(alpha.Kinds(), "accepted completed");
    ASSERT_EQ(beta.Kinds(), "accepted completed");
    const int requestIdA = alpha.events[1].requestId;
    EXPECT_EQ(alpha.events[0].requestId, requestIdA);
    EXPECT_EQ(alpha.events[1].requestType, 1);
    EXPECT_EQ(alpha.events[1].body, "alpha");
    EXPECT_EQ(beta.events[1].requestId, requestIdA + 1);
    EXPECT_EQ(beta.events[1].requestType, 2);
    EXPECT_EQ(beta.events[1].body, "beta");

    // Both went away: a newcomer still gets IDs never seen before.
    alpha.network.reset();
    beta.network.reset();
    Client missing(server.Url("/nowhere"));
    EXPECT_GT(Register(missing.network.get()), listenerIdB);
    EXPECT_EQ(pelorn_clock_pending(), 1u);
    ASSERT_TRUE(RunGlibUntil([&] { return missing.events.size() == 2; }));
    EXPECT_GT(missing.events[1].requestId, requestIdA + 1);
    ASSERT_EQ(missing.Kinds(), "accepted failed");
    EXPECT_EQ(missing.events[1].responseCode, 404);
    EXPECT_EQ(missing.events[1].requestType, 1);
    EXPECT_EQ(pelorn_clock_pending(), 0u) << "the answered request's time-out must stop";

    Client a(server.Url("/a"));
    ASSERT_TRUE(RunGlibUntil([&] { return server.Server().Requests().size() == 4; }));
    a.network.reset();
    Client b(server.Url("/b"));
    ASSERT_TRUE(RunGlibUntil([&] { return server.Server().Requests().size() == 5; }));
    ASSERT_EQ(b.Kinds(), "accepted");
    ASSERT_NE(b.events[0].requestId, a.events[0].requestId);

    // The same body asked for later has come whole: A's would have too.
    Client later(server.Url("/a"));
    ASSERT_TRUE(RunGlibUntil([&] { return later.Kinds() == "accepted completed"; }));
    EXPECT_EQ(a.Kinds(), "accepted") << "a destroyed Network hears nothing";
    ASSERT_EQ(b.Kinds(), "accepted") << "B must not receive A's body";
    EXPECT_EQ(pelorn_clock_pending(), 1u) << "B's time-out must still be running";

    pelorn_clock_advance_ms(89999);
    EXPECT_EQ(b.Kinds(), "accepted") << "no time-out before 90 s";
    pelorn_clock_advance_ms(1);
    ASSERT_EQ(b.Kinds(), "accepted timeout");
    EXPECT_EQ(b.events[1].requestId, b.events[0].requestId);
    EXPECT_EQ(b.events[1].requestType, 1);

    // The transfer was really cancelled, the Network unregistered, and nothing else follows.
    EXPECT_TRUE(RunGlibUntil([&] { return server.Server().AbandonedSilentConnections() == 1; }));
    EXPECT_TRUE(RunGlibUntil([] { return Engine()->IsIdle(); }));
    EXPECT_EQ(b.events.size(), 2u);
    EXPECT_EQ(NetworkProxy::GetInstance()->FindHttpNetworkEventListner(b.events[0].requestId), nullptr);
    for (const auto& request : server.Server().Requests())
        EXPECT_EQ(request.headers.at("user-agent"),
                  "Mozilla/5.0 (Linux; U; Tizen 1.0; en-us) AppleWebkit/534.46 "
                  "(KHTML, like Gecko) Mobile Tizen Browser/1.0");
}

// Alone, so that no other transfer's end can close its connection for it;
// the engine's own limits lie past the wait, so only the cancel can end it.
TEST_F(NetworkTest, DestroyedNetworkStopsItsTransfer)
{
    CurlNetworkConnection::TransferLimits limits = Engine()->GetTransferLimits();
    limits.mLowSpeedSeconds = limits.mTotalTimeoutSeconds = 600;
    Engine()->SetTransferLimits(limits);
    RoutedHttpServer server({{"/never", Silent()}});
    Client client(server.Url("/never"));
    ASSERT_TRUE(RunGlibUntil([&] { return server.Server().Requests().size() == 1; }));
    client.network.reset();
    EXPECT_TRUE(RunGlibUntil([&] { return server.Server().AbandonedSilentConnections() == 1; }))
        << "the transfer of a destroyed Network must not run on against a silent server";
    EXPECT_TRUE(RunGlibUntil([] { return Engine()->IsIdle(); }));
    EXPECT_EQ(client.Kinds(), "accepted");
}

// libcurl itself ignores the upper-case variable for http:// URLs, so a
// request reaching the proxy proves the address was handed over by us.
TEST_F(NetworkTest, ProxyFromEnvironmentIsUsedTheSettingWinsZeroAddressesMeanNoneAndAnyLinkWillDo)
{
    EXPECT_EQ(Proxy(), "");
    RoutedHttpServer proxy({{"/staticmap.png", Body("through the proxy")}});
    const std::string address = "http://127.0.0.1:" + std::to_string(proxy.Server().Port());
    setenv("HTTP_PROXY", address.c_str(), 1);
    EXPECT_EQ(Proxy(), address);
    Client client("http://maps.pelorn.invalid/staticmap.png");
    ASSERT_TRUE(RunGlibUntil([&] { return client.events.size() == 2; }));
    EXPECT_EQ(client.events[1].body, "through the proxy");
    ASSERT_EQ(proxy.Server().Requests().size(), 1u);
    EXPECT_EQ(proxy.Server().Requests()[0].target, "http://maps.pelorn.invalid/staticmap.png");

    // The platform setting wins over the environment.
    vconf_set_str("memory/dnet/proxy", "10.0.0.8:8080");
    EXPECT_EQ(Proxy(), "10.0.0.8:8080");
    vconf_set_str("memory/dnet/proxy", "0.0.0.0");
    EXPECT_EQ(Proxy(), "");
    vconf_set_str("memory/dnet/proxy", "http://0.0.0.0");
    EXPECT_EQ(Proxy(), "");

    // Any connection counts as available, even with data restricted.
    const struct
    {
        int status;
        connection_type_e type;
        bool available;
    } cases[] = {{2, CONNECTION_TYPE_WIFI, true},
                 {4, CONNECTION_TYPE_BT, true},
                 {3, CONNECTION_TYPE_ETHERNET, true},
                 {1, CONNECTION_TYPE_CELLULAR, true},
                 {0, CONNECTION_TYPE_DISCONNECTED, false}};
    vconf_set_int("db/setting/data_restriction", 1);
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.status);
        vconf_set_int("memory/dnet/status", c.status);
        connection_type_e type = CONNECTION_TYPE_NET_PROXY;
        EXPECT_EQ(NetworkConnection().IsNetworkAvailable(type), c.available);
        EXPECT_EQ(type, c.type);
    }
}
