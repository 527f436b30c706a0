#include "NetworkConnection.h"
#include "HttpTestSupport.h"
#include "TestEnvironment.h"
#include "vconf.h"

#include <gtest/gtest.h>

using NSORZCommon::NetworkConnection;

namespace
{
class NetworkConnectionTest : public ::testing::Test
{
protected:
    NetworkConnectionTest()
    {
        PelornTest::ClearProxyEnvironment();
    }
    ~NetworkConnectionTest() override
    {
        PelornTest::ClearProxyEnvironment();
    }

    std::string Proxy()
    {
        NetworkConnection connection;
        return connection.GetSystemNetworkProxyAddressStr();
    }

    PelornTest::ScopedTestDirs mDirs;
};
} // namespace

TEST_F(NetworkConnectionTest, ZeroProxyAddressesMeanNoProxyOthersPassUnchanged)
{
    EXPECT_EQ(Proxy(), "");

    setenv("HTTP_PROXY", "http://proxy.example:3128", 1);
    EXPECT_EQ(Proxy(), "http://proxy.example:3128");

    // The platform setting wins over the environment.
    vconf_set_str("memory/dnet/proxy", "10.0.0.8:8080");
    EXPECT_EQ(Proxy(), "10.0.0.8:8080");
    vconf_set_str("memory/dnet/proxy", "0.0.0.0");
    EXPECT_EQ(Proxy(), "");
    vconf_set_str("memory/dnet/proxy", "http://0.0.0.0");
    EXPECT_EQ(Proxy(), "");
}

TEST_F(NetworkConnectionTest, AnyConnectionCountsAsAvailableEvenWithDataRestriction)
{
    struct Case
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
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.status);
        vconf_set_int("memory/dnet/status", c.status);
        connection_type_e type = CONNECTION_TYPE_NET_PROXY;
        NetworkConnection connection;
        EXPECT_EQ(connection.IsNetworkAvailable(type), c.available);
        EXPECT_EQ(type, c.type);
    }
}
