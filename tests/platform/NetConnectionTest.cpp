#include "TestEnvironment.h"
#include "net_connection.h"
#include "vconf.h"

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <stdlib.h>

namespace
{
void RecordTypeCb(connection_type_e type, void* userData)
{
    static_cast<std::vector<connection_type_e>*>(userData)->push_back(type);
}
} // namespace

TEST(NetConnectionTest, TypeFollowsTheNetworkMonitorUntilTheStatusKeyIsPublished)
{
    PelornTest::ScopedTestDirs dirs;
    connection_h connection = nullptr;
    ASSERT_EQ(connection_create(&connection), CONNECTION_ERROR_NONE);

    connection_type_e type = CONNECTION_TYPE_NET_PROXY;
    ASSERT_EQ(connection_get_type(connection, &type), CONNECTION_ERROR_NONE);
    const bool available = g_network_monitor_get_network_available(g_network_monitor_get_default());
    EXPECT_EQ(type == CONNECTION_TYPE_DISCONNECTED, !available);

    std::vector<connection_type_e> heard;
    ASSERT_EQ(connection_set_type_changed_cb(connection, RecordTypeCb, &heard), CONNECTION_ERROR_NONE);
    vconf_set_int("memory/dnet/status", 4);
    ASSERT_TRUE(
        PelornTest::RunGlibUntil([&] { return !heard.empty() && heard.back() == CONNECTION_TYPE_BT; }));
    vconf_set_int("memory/dnet/status", 0);
    ASSERT_TRUE(PelornTest::RunGlibUntil([&] { return heard.back() == CONNECTION_TYPE_DISCONNECTED; }));
    ASSERT_EQ(connection_get_type(connection, &type), CONNECTION_ERROR_NONE);
    EXPECT_EQ(type, CONNECTION_TYPE_DISCONNECTED);

    const size_t before = heard.size();
    EXPECT_EQ(connection_unset_type_changed_cb(connection), CONNECTION_ERROR_NONE);
    vconf_set_int("memory/dnet/status", 2);
    PelornTest::RunGlibFor(200);
    EXPECT_EQ(heard.size(), before);
    EXPECT_EQ(connection_destroy(connection), CONNECTION_ERROR_NONE);
}
