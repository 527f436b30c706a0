#include "ConsumerMessageType.h"
#include "KivMessageParser.h"
#include "MessageManager.h"

#include <gtest/gtest.h>
#include <string>

using namespace NSPelorn;

namespace
{
int TypeOf(const std::string& text)
{
    KivMessageParser parser(text.c_str(), (int)text.size());
    int type = ORZ_RECV_MSG_TYPE_INVALID;
    if (parser.ParseMessageID(text.c_str(), (int)text.size(), type) != 0)
        return -100;
    return type;
}

/* The record as the text leaves it, read into start; the text must parse. */
template <class Record>
Record Parsed(const std::string& text, int (KivMessageParser::*parse)(const char*, int, Record*), Record start = {})
{
    KivMessageParser parser(text.c_str(), (int)text.size());
    EXPECT_EQ(0, (parser.*parse)(text.c_str(), (int)text.size(), &start)) << text;
    return start;
}
} // namespace

TEST(MessageManager, SendTextsAreExact)
{
    const char* const texts[] = {
        R"({"msgId":"rux-startalert-req","time":"180"})", R"({"msgId":"rux-stopalert-req"})",
        R"({"msgId":"rux-founddevice-rsp"})",             R"({"msgId":"mgr_host_location_req"})",
        R"({"msgId":"mgr_location_setting_get_req"})",    R"({"msgId":"mgr_location_setting_set_req"})",
    };
    MessageManager* manager = MessageManager::GetInstance();
    for (int type = 0; type < 6; type++)
        EXPECT_EQ(texts[type], manager->CreateSendMessage(type)) << "type " << type;
    for (int type : {-1, 6, 7})
        EXPECT_EQ("", manager->CreateSendMessage(type)) << "type " << type;
}

TEST(KivMessageParser, MessageIdsMapToReceiveTypesAndNoTextOrNoRecordIsRefused)
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

    // No text or no record is refused, and the record left as it was.
    KivMessageParser parser("{}", 2);
    int type = -1;
    LocationSetting untouched;
    EXPECT_EQ(parser.ParseMessageID(nullptr, 2, type), -1);
    EXPECT_EQ(parser.ParseMessageID("{}", 0, type), -1);
    EXPECT_EQ(parser.ParseCallData("{}", 2, nullptr), -1);
    EXPECT_EQ(parser.ParseFoundDeviceData("{}", 2, nullptr), -1);
    EXPECT_EQ(parser.ParseLocationData("{}", 2, nullptr), -1);
    EXPECT_EQ(parser.ParseLocationSettingData("{}", 2, nullptr), -1);
    EXPECT_EQ(parser.ParseLocationSettingData(nullptr, 2, &untouched), -1);
    EXPECT_EQ(untouched.mLocationHighAccuracyState, 2);
}

TEST(KivMessageParser, RecordsReadStringsAndNumbersAlikeAndKeepDefaultsForMissingMembers)
{
    for (const char* text : {R"({"msgId":"rux-startalert-rsp","result":"1","reason":"3"})",
                             R"({"reason":3,"result":1,"msgId":"rux-startalert-rsp"})"})
    {
        const CallData call = Parsed(text, &KivMessageParser::ParseCallData);
        EXPECT_EQ(call.mIsResponse, 1) << text;
        EXPECT_EQ(call.mResult, 1) << text;
        EXPECT_EQ(call.mReason, 3) << text;
    }
    FoundDeviceData unfound;
    unfound.mResult = 9;
    const FoundDeviceData found =
        Parsed(R"({"msgId":"rux-founddevice-req","result":"?"})", &KivMessageParser::ParseFoundDeviceData, unfound);
    EXPECT_EQ(found.mIsRequest, 1);
    EXPECT_EQ(found.mResult, 9) << "\"?\" counts as absent and keeps the default";

    const LocationData location = Parsed(
        R"({"msgId":"mgr_host_location_res","result":"0","hmlocsetting":"1","phonelocsetting":1,)"
        R"("latitude":37.5,"longitude":"127.05","address":"1 Main Street","city":"Springfield",)"
        R"("country":"Freedonia","time":"-1449216000"})",
        &KivMessageParser::ParseLocationData);
    EXPECT_EQ(location.mIsResponse, 1);
    EXPECT_EQ(location.mHmLocSetting, 1);
    EXPECT_EQ(location.mPhoneLocSetting, 1);
    EXPECT_DOUBLE_EQ(location.mLatitude, 37.5);
    EXPECT_DOUBLE_EQ(location.mLongitude, 127.05);
    EXPECT_EQ(location.mAddress, "1 Main Street");
    EXPECT_EQ(location.mCity, "Springfield");
    EXPECT_EQ(location.mCountry, "Freedonia");
    EXPECT_EQ(location.mTime, -1449216000LL);

    LocationData unplaced;
    unplaced.mLatitude = 500.0;
    const LocationData partial = Parsed(R"({"msgId":"mgr_host_location_res","latitude":"?","time":"9999999999"})",
                                        &KivMessageParser::ParseLocationData, unplaced);
    EXPECT_DOUBLE_EQ(partial.mLatitude, 500.0);
    EXPECT_EQ(partial.mTime, 0) << "a time beyond 32 bits does not convert";
    EXPECT_EQ(partial.mAddress, "");
}

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
        {R"(\"Circular\" Quay\\2)", R"("Circular" Quay\2)"}, // quotes and a backslash as written
    };
    for (const auto& c : cases)
    {
        const LocationData location = Parsed(std::string(R"({"msgId":"mgr_host_location_res","address":")") +
                                                 c.json + R"(","city":"Springfield","country":"Freedonia"})",
                                             &KivMessageParser::ParseLocationData);
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
        const LocationSetting setting = Parsed(c.text, &KivMessageParser::ParseLocationSettingData);
        EXPECT_EQ(setting.mIsResponse, 1) << c.text;
        EXPECT_EQ(setting.mLocationState, c.state) << c.text;
        EXPECT_EQ(setting.mLocationHighAccuracyState, c.highAccuracy) << c.text;
        EXPECT_EQ(setting.mIsQuenlorDevice, c.remote) << c.text;
    }
}
