#include "ConsumerMessageType.h"
#include "KivMessageParser.h"
#include "MessageManager.h"

#include <gtest/gtest.h>
#include <string>

using namespace NSPelorn;

namespace
{
// Byte-for-byte comparison that points at the first difference.
::testing::AssertionResult SameBytes(const std::string& expected, const std::string& actual)
{
    if (expected == actual)
        return ::testing::AssertionSuccess();
    size_t i = 0;
    while (i < expected.size() && i < actual.size() && expected[i] == actual[i])
        i++;
    return ::testing::AssertionFailure() << "first difference at offset " << i << "\n  expected: ..."
                                         << expected.substr(i, 20) << "\n  actual:   ..." << actual.substr(i, 20);
}

int TypeOf(const std::string& text)
{
    KivMessageParser parser(text.c_str(), (int)text.size());
    int type = ORZ_RECV_MSG_TYPE_INVALID;
    if (parser.ParseMessageID(text.c_str(), (int)text.size(), type) != 0)
        return -100;
    return type;
}
} // namespace

TEST(MessageManager, SendTextsAreExact)
{
    MessageManager* manager = MessageManager::GetInstance();
    EXPECT_TRUE(SameBytes(R"({"msgId":"rux-startalert-req","time":"180"})", manager->CreateSendMessage(0)));
    EXPECT_TRUE(SameBytes(R"({"msgId":"rux-stopalert-req"})", manager->CreateSendMessage(1)));
    EXPECT_TRUE(SameBytes(R"({"msgId":"rux-founddevice-rsp"})", manager->CreateSendMessage(2)));
    EXPECT_TRUE(SameBytes(R"({"msgId":"mgr_host_location_req"})", manager->CreateSendMessage(3)));
    EXPECT_TRUE(SameBytes(R"({"msgId":"mgr_location_setting_get_req"})", manager->CreateSendMessage(4)));
    EXPECT_TRUE(SameBytes(R"({"msgId":"mgr_location_setting_set_req"})", manager->CreateSendMessage(5)));
    EXPECT_EQ(manager->CreateSendMessage(6), "");
    EXPECT_EQ(manager->CreateSendMessage(-1), "");
    EXPECT_EQ(manager->CreateSendMessage(7), "");
}

TEST(KivMessageParser, MessageIdsMapToReceiveTypes)
{
    EXPECT_EQ(TypeOf(R"({"msgId":"rux-startalert-rsp"})"), ORZ_RECV_MSG_TYPE_START_RSP);
    EXPECT_EQ(TypeOf(R"({"msgId":"rux-stopalert-rsp"})"), ORZ_RECV_MSG_TYPE_STOP_RSP);
    EXPECT_EQ(TypeOf(R"({"msgId":"rux-founddevice-req"})"), ORZ_RECV_MSG_TYPE_FOUND_DEVICE_REQ);
    EXPECT_EQ(TypeOf(R"({"msgId":"mgr_host_location_res"})"), ORZ_RECV_MSG_TYPE_LOCATION_RSP);
    EXPECT_EQ(TypeOf(R"({"msgId":"mgr_location_setting_get_res"})"), ORZ_RECV_MSG_TYPE_LOCATION_SETTING_GET_RSP);
    EXPECT_EQ(TypeOf(R"({"msgId":"mgr_location_setting_set_res"})"), ORZ_RECV_MSG_TYPE_LOCATION_SETTING_SET_RSP);
    // Unknown and differently cased ids fail; a missing id leaves the caller's -1.
    EXPECT_EQ(TypeOf(R"({"msgId":"RUX-STARTALERT-RSP"})"), -100);
    EXPECT_EQ(TypeOf(R"({"msgId":"rux-startalert-req"})"), -100);
    EXPECT_EQ(TypeOf(R"({"result":"0"})"), ORZ_RECV_MSG_TYPE_INVALID);
    EXPECT_EQ(TypeOf(R"({"msgId":"?"})"), ORZ_RECV_MSG_TYPE_INVALID);
    EXPECT_EQ(TypeOf("garbage"), ORZ_RECV_MSG_TYPE_INVALID);

    KivMessageParser parser("{}", 2);
    int type = -1;
    EXPECT_EQ(parser.ParseMessageID(nullptr, 2, type), -1);
    EXPECT_EQ(parser.ParseMessageID("{}", 0, type), -1);
}

TEST(KivMessageParser, CallAndFoundDeviceRecordsReadStringsAndNumbersAlike)
{
    const std::string asStrings = R"({"msgId":"rux-startalert-rsp","result":"1","reason":"3"})";
    const std::string asNumbers = R"({"reason":3,"result":1,"msgId":"rux-startalert-rsp"})";
    for (const std::string& text : {asStrings, asNumbers})
    {
        KivMessageParser parser(text.c_str(), (int)text.size());
        CallData call;
        ASSERT_EQ(parser.ParseCallData(text.c_str(), (int)text.size(), &call), 0);
        EXPECT_EQ(call.mIsResponse, 1);
        EXPECT_EQ(call.mResult, 1);
        EXPECT_EQ(call.mReason, 3);
    }

    const std::string found = R"({"msgId":"rux-founddevice-req","result":"?"})";
    KivMessageParser parser(found.c_str(), (int)found.size());
    FoundDeviceData data;
    data.mResult = 9;
    ASSERT_EQ(parser.ParseFoundDeviceData(found.c_str(), (int)found.size(), &data), 0);
    EXPECT_EQ(data.mIsRequest, 1);
    EXPECT_EQ(data.mResult, 9) << "\"?\" counts as absent and keeps the default";
    EXPECT_EQ(parser.ParseCallData(found.c_str(), (int)found.size(), nullptr), -1);
    EXPECT_EQ(parser.ParseFoundDeviceData(found.c_str(), (int)found.size(), nullptr), -1);
}

TEST(KivMessageParser, LocationRecordKeepsDefaultsForMissingMembers)
{
    const std::string text =
        R"({"msgId":"mgr_host_location_res","result":"0","hmlocsetting":"1","phonelocsetting":1,)"
        R"("latitude":37.5,"longitude":"127.05","address":"1 Main Street","city":"Springfield",)"
        R"("country":"Freedonia","time":"-1449216000"})";
    KivMessageParser parser(text.c_str(), (int)text.size());
    LocationData location;
    ASSERT_EQ(parser.ParseLocationData(text.c_str(), (int)text.size(), &location), 0);
    EXPECT_EQ(location.mIsResponse, 1);
    EXPECT_EQ(location.mHmLocSetting, 1);
    EXPECT_EQ(location.mPhoneLocSetting, 1);
    EXPECT_DOUBLE_EQ(location.mLatitude, 37.5);
    EXPECT_DOUBLE_EQ(location.mLongitude, 127.05);
    EXPECT_EQ(location.mAddress, "1 Main Street");
    EXPECT_EQ(location.mCity, "Springfield");
    EXPECT_EQ(location.mCountry, "Freedonia");
    EXPECT_EQ(location.mTime, -1449216000LL);

    const std::string sparse = R"({"msgId":"mgr_host_location_res","latitude":"?","time":"9999999999"})";
    KivMessageParser sparseParser(sparse.c_str(), (int)sparse.size());
    LocationData partial;
    partial.mLatitude = 500.0;
    ASSERT_EQ(sparseParser.ParseLocationData(sparse.c_str(), (int)sparse.size(), &partial), 0);
    EXPECT_DOUBLE_EQ(partial.mLatitude, 500.0);
    EXPECT_EQ(partial.mTime, 0) << "a time beyond 32 bits does not convert";
    EXPECT_EQ(partial.mAddress, "");
    EXPECT_EQ(sparseParser.ParseLocationData(sparse.c_str(), (int)sparse.size(), nullptr), -1);
}

/* An escaped NUL ended the address, dropping the city and country too; a line
 * break or an escape in it reached the screen and the log as it stood. */
TEST(KivMessageParser, AddressesAreOneLineOfPlainTextWhateverThePhoneEscapes)
{
    const struct
    {
        const char* json; // the address member as the phone writes it
        const char* read;
    } cases[] = {
        {R"(before\u0000after)", "beforeafter"},
        {R"(\u0000)", ""},
        {R"(one\\u0000two)", R"(one\u0000two)"}, // an escaped backslash, then plain text
        {R"(A\n12-07 00:00:00.000 E/pelorn-p(1): FORGED)", "A 12-07 00:00:00.000 E/pelorn-p(1): FORGED"},
        {R"(tab\tcr\resc\u001b[31mdel\u007f)", "tab cr esc [31mdel "},
        {R"(<b>x</b> &amp; x < y)", "<b>x</b> &amp; x < y"},
    };
    for (const auto& c : cases)
    {
        const std::string text = std::string(R"({"msgId":"mgr_host_location_res","address":")") + c.json +
                                 R"(","city":"Springfield","country":"Freedonia"})";
        KivMessageParser parser(text.c_str(), (int)text.size());
        LocationData location;
        ASSERT_EQ(parser.ParseLocationData(text.c_str(), (int)text.size(), &location), 0) << c.json;
        EXPECT_EQ(location.mAddress, c.read) << c.json;
        EXPECT_EQ(location.mCity, "Springfield") << c.json;
        EXPECT_EQ(location.mCountry, "Freedonia") << c.json;
    }
}

TEST(KivMessageParser, LocationSettingSwitches)
{
    struct Case
    {
        const char* text;
        int state;
        int highAccuracy;
        bool remote;
    } cases[] = {
        {R"({"msgId":"mgr_location_setting_get_res","location":"1","remote":"1","highaccuracy":"0"})", 1, 0, true},
        {R"({"msgId":"mgr_location_setting_get_res","location":"0","remote":0})", 0, 0, false},
        {R"({"msgId":"mgr_location_setting_get_res","location":"2","highaccuracy":1})", 1, 1, false},
        {R"({"msgId":"mgr_location_setting_get_res","highaccuracy":"?"})", 0, 0, false},
    };
    for (const Case& c : cases)
    {
        const std::string text = c.text;
        KivMessageParser parser(text.c_str(), (int)text.size());
        LocationSetting setting;
        ASSERT_EQ(parser.ParseLocationSettingData(text.c_str(), (int)text.size(), &setting), 0) << text;
        EXPECT_EQ(setting.mIsResponse, 1) << text;
        EXPECT_EQ(setting.mLocationState, c.state) << text;
        EXPECT_EQ(setting.mLocationHighAccuracyState, c.highAccuracy) << text;
        EXPECT_EQ(setting.mIsQuenlorDevice, c.remote) << text;
    }
    LocationSetting untouched;
    EXPECT_EQ(untouched.mLocationHighAccuracyState, 2);
    KivMessageParser parser("{}", 2);
    EXPECT_EQ(parser.ParseLocationSettingData("{}", 2, nullptr), -1);
    EXPECT_EQ(parser.ParseLocationSettingData(nullptr, 2, &untouched), -1);
    EXPECT_EQ(untouched.mLocationHighAccuracyState, 2);
}
