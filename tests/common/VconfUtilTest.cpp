#include "VconfUtil.h"
#include "TestEnvironment.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <pelorn_log_capture.h>

using NSORZCommon::VconfUtil;
using PelornTest::ScopedTestDirs;

class VconfUtilTest : public ::testing::Test
{
protected:
    VconfUtilTest()
    {
        pelorn_log_capture_begin();
    }
    ~VconfUtilTest() override
    {
        pelorn_log_capture_end();
    }

    ScopedTestDirs mDirs{false};
};

TEST_F(VconfUtilTest, UnreadableKeysAnswerTheirDefaults)
{
    EXPECT_EQ(VconfUtil::GetRegionFormatTime1224(), 1);
    EXPECT_EQ(VconfUtil::GetKivConnectionType(), -1);
    EXPECT_EQ(VconfUtil::GetPMState(), -1);
    EXPECT_EQ(VconfUtil::GetHostDeviceNetworkStatus(), -1);
    EXPECT_EQ(VconfUtil::GetIOSConnected(), 0);
    EXPECT_EQ(VconfUtil::GetSystemVibrationLevel(), 0);
    EXPECT_FALSE(VconfUtil::GetIsConnectedBrig());
    EXPECT_TRUE(VconfUtil::IsBRIGConnected());
    EXPECT_TRUE(VconfUtil::IsLDUBinary()) << "an unreadable retail key must count as a demonstration unit";
    EXPECT_FALSE(VconfUtil::GetUserAgreementForORZZIB());
    EXPECT_EQ(VconfUtil::GetDataRestriction(), 0);
    EXPECT_EQ(VconfUtil::GetLanguageCode(), "");
    EXPECT_EQ(VconfUtil::GetHostDeviceVendor(), "");

    EXPECT_TRUE(pelorn_log_captured("pelorn-c", "vconf_get_int  failed("));
    EXPECT_TRUE(pelorn_log_captured("pelorn-c", "vconf_get_bool  failed("));
    EXPECT_TRUE(pelorn_log_captured("pelorn-c", "Fail to vconf_get_str (csc_country)"));
    EXPECT_TRUE(pelorn_log_captured("pelorn-c", "vconf_get_str  failed"));
    EXPECT_TRUE(pelorn_log_captured("pelorn-c", "GetHostDeviceNetworkStatus(-1)"));
}

TEST_F(VconfUtilTest, StoredValuesAreAnsweredUnchangedAndAHalfWrittenRetailKeyCountsAsRetail)
{
    vconf_set_int("db/retailmode/enabled", 0);
    vconf_set_int("db/menu_widget/regionformat_time1224", 2);
    vconf_set_bool("memory/brig/brig_connected", 0);
    vconf_set_int("memory/private/kiv/conn_type", 3);
    vconf_set_str("db/menu_widget/language", "ko_KR.UTF-8");

    EXPECT_FALSE(VconfUtil::IsLDUBinary());
    vconf_set_int("db/retailmode/enabled", 5);
    EXPECT_TRUE(VconfUtil::IsLDUBinary());
    EXPECT_EQ(VconfUtil::GetRegionFormatTime1224(), 2);
    EXPECT_FALSE(VconfUtil::IsBRIGConnected()) << "a stored 0 must win over the unreadable default";
    EXPECT_FALSE(VconfUtil::GetIsConnectedBrig());
    EXPECT_EQ(VconfUtil::GetKivConnectionType(), 3);

    EXPECT_TRUE(VconfUtil::IsCurrLanguageBy(0));
    EXPECT_FALSE(VconfUtil::IsCurrLanguageBy(1));
    EXPECT_TRUE(
        pelorn_log_captured("pelorn-c", "Unknown type of language : 1 (ADD language code : ko_KR.UTF-8)"));
    vconf_set_str("db/menu_widget/language", "ko_KR");
    EXPECT_FALSE(VconfUtil::IsCurrLanguageBy(0));

    vconf_set_int("db/retailmode/enabled", 0);
    ASSERT_FALSE(VconfUtil::IsLDUBinary());
    const std::string path = mDirs.StateDir() + "/vconf/db/retailmode/enabled";
    ASSERT_TRUE(g_file_set_contents(path.c_str(), "i:", -1, nullptr));
    EXPECT_TRUE(VconfUtil::IsLDUBinary());
}

TEST_F(VconfUtilTest, SettersStoreAndUnwritableStoreKeepsDefault)
{
    EXPECT_TRUE(VconfUtil::SetUserAgreementForORZZIB(true));
    EXPECT_TRUE(VconfUtil::GetUserAgreementForORZZIB());
    EXPECT_TRUE(VconfUtil::SetSystemVibrationLevel(4));
    EXPECT_EQ(VconfUtil::GetSystemVibrationLevel(), 4);
    EXPECT_TRUE(pelorn_log_captured("pelorn-c", "set vibration level as 4"));

    // A settings folder that cannot hold files (here: a file in its place,
    // which stops root as well as anyone else).
    ScopedTestDirs broken(false);
    const std::string vconfDir = broken.StateDir() + "/vconf";
    ASSERT_TRUE(g_file_set_contents(vconfDir.c_str(), "not a folder", -1, nullptr));
    pelorn_log_capture_clear();
    EXPECT_FALSE(VconfUtil::SetUserAgreementForORZZIB(true));
    EXPECT_TRUE(pelorn_log_captured("pelorn-c", "vconf_set_bool failed("));
    EXPECT_FALSE(VconfUtil::GetUserAgreementForORZZIB());
    EXPECT_FALSE(VconfUtil::SetSystemVibrationLevel(2));
    EXPECT_TRUE(pelorn_log_captured("pelorn-c", "vconf_set_int failed("));
    EXPECT_EQ(VconfUtil::GetSystemVibrationLevel(), 0);
}

namespace
{
struct Seen
{
    int calls = 0;
    int value = -1;
};

void ConnectionChangedCb(keynode_t* node, void* data)
{
    Seen* seen = static_cast<Seen*>(data);
    seen->calls++;
    seen->value = vconf_keynode_get_int(node);
}
} // namespace

TEST_F(VconfUtilTest, NotifyDeliversOnTheMainLoopAndIgnoreRemovesItOnce)
{
    Seen seen;
    ASSERT_TRUE(VconfUtil::NotifyKivConnectionChangedCb(ConnectionChangedCb, &seen));
    vconf_set_int("memory/private/kiv/conn_type", 2);
    ASSERT_TRUE(PelornTest::RunGlibUntil([&] { return seen.calls > 0; }));
    EXPECT_EQ(seen.value, 2);

    // That the store stops telling an ignored callback is the store's own test's.
    ASSERT_TRUE(VconfUtil::IgnoreKivConnectionChangedCb(ConnectionChangedCb, &seen));
    EXPECT_FALSE(VconfUtil::IgnoreKivConnectionChangedCb(ConnectionChangedCb, &seen));
}
