#include "VconfUtil.h"
#include "TestEnvironment.h"

#include <glib.h>
#include <gtest/gtest.h>

using NSORZCommon::VconfUtil;
using PelornTest::ScopedTestDirs;

TEST(VconfUtilTest, UnreadableKeysAnswerDefaultsStoredOnesTheirValueAndAnUnwritableStoreKeepsTheDefault)
{
    {
        ScopedTestDirs dirs(false);
        EXPECT_EQ(VconfUtil::GetRegionFormatTime1224(), 1);
        EXPECT_EQ(VconfUtil::GetKivConnectionType(), -1);
        EXPECT_EQ(VconfUtil::GetPMState(), -1);
        EXPECT_EQ(VconfUtil::GetHostDeviceNetworkStatus(), -1);
        EXPECT_EQ(VconfUtil::GetIOSConnected(), 0);
        EXPECT_EQ(VconfUtil::GetSystemVibrationLevel(), 0);
        EXPECT_FALSE(VconfUtil::GetIsConnectedBrig());
        EXPECT_TRUE(VconfUtil::IsBRIGConnected());
        EXPECT_TRUE(VconfUtil::IsLDUBinary())
            << "an unreadable retail key must count as a demonstration unit";
        EXPECT_FALSE(VconfUtil::GetUserAgreementForORZZIB());
        EXPECT_EQ(VconfUtil::GetDataRestriction(), 0);
        EXPECT_EQ(VconfUtil::GetLanguageCode(), "");
        EXPECT_EQ(VconfUtil::GetHostDeviceVendor(), "");

        EXPECT_TRUE(VconfUtil::SetUserAgreementForORZZIB(true));
        EXPECT_TRUE(VconfUtil::GetUserAgreementForORZZIB());
        EXPECT_TRUE(VconfUtil::SetSystemVibrationLevel(4));
        EXPECT_EQ(VconfUtil::GetSystemVibrationLevel(), 4);

        // Stored values are answered unchanged; a half-written retail key counts as retail.
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
        vconf_set_str("db/menu_widget/language", "ko_KR");
        EXPECT_FALSE(VconfUtil::IsCurrLanguageBy(0));

        vconf_set_int("db/retailmode/enabled", 0);
        ASSERT_FALSE(VconfUtil::IsLDUBinary());
        const std::string path = dirs.StateDir() + "/vconf/db/retailmode/enabled";
        ASSERT_TRUE(g_file_set_contents(path.c_str(), "i:", -1, nullptr));
        EXPECT_TRUE(VconfUtil::IsLDUBinary());
    }
    // A settings folder that cannot hold files (here: a file in its place,
    // which stops root as well as anyone else).
    ScopedTestDirs broken(false);
    ASSERT_TRUE(g_file_set_contents((broken.StateDir() + "/vconf").c_str(), "not a folder", -1, nullptr));
    EXPECT_FALSE(VconfUtil::SetUserAgreementForORZZIB(true));
    EXPECT_FALSE(VconfUtil::GetUserAgreementForORZZIB());
    EXPECT_FALSE(VconfUtil::SetSystemVibrationLevel(2));
    EXPECT_EQ(VconfUtil::GetSystemVibrationLevel(), 0);
}
