#include "KivMessageParser.h"

#include "ConsumerMessageType.h"
#include "OrzLog.h"
#include "StringUtil.h"

using NSORZCommon::StringUtil;

namespace NSPelorn
{
namespace
{
const char* const RECEIVED_MESSAGE_IDS[] = {
    "rux-startalert-rsp",           // ORZ_RECV_MSG_TYPE_START_RSP
    "rux-stopalert-rsp",            // ORZ_RECV_MSG_TYPE_STOP_RSP
    "rux-founddevice-req",          // ORZ_RECV_MSG_TYPE_FOUND_DEVICE_REQ
    "mgr_host_location_res",        // ORZ_RECV_MSG_TYPE_LOCATION_RSP
    "mgr_location_setting_get_res", // ORZ_RECV_MSG_TYPE_LOCATION_SETTING_GET_RSP
    "mgr_location_setting_set_res", // ORZ_RECV_MSG_TYPE_LOCATION_SETTING_SET_RSP
};

bool IsPacketMissing(const char* data, int count)
{
    if (data == nullptr || count <= 0)
    {
        LOGE("msgBuffer == NULL || count <= 0");
        return true;
    }
    return false;
}

// Member values are logged through StringUtil::LogExcerpt: the phone decides their length.

// A member the phone left out keeps the record's default.
void ReadInt(const std::string& text, int& field)
{
    if (!text.empty())
        field = StringUtil::StringToInt(text);
}

void ReadDouble(const std::string& text, double& field)
{
    if (!text.empty())
        field = StringUtil::StringToDouble(text);
}

/* An address is one line of text: a control character the phone put in it
 * (a line break, a tab, an escape) is read as a space. */
void ReadText(const std::string& text, std::string& field)
{
    if (text.empty())
        return;
    field = text;
    for (char& c : field)
        if ((unsigned char)c < 0x20 || c == 0x7F)
            c = ' ';
}
} // namespace

KivMessageParser::KivMessageParser(const char* data, int dataLen) : JsonUtil(data, dataLen)
{
}

KivMessageParser::~KivMessageParser()
{
}

std::string KivMessageParser::Read(const char* key)
{
    return GetValueFromJsonObjectWithKey(mRootObject, key);
}

int KivMessageParser::ParseMessageID(const char* data, int count, int& type)
{
    if (IsPacketMissing(data, count))
        return -1;

    const std::string msgId = Read("msgId");
    if (msgId.empty())
        return 0;

    for (int i = 0; i < (int)G_N_ELEMENTS(RECEIVED_MESSAGE_IDS); i++)
    {
        if (msgId == RECEIVED_MESSAGE_IDS[i])
        {
            type = ORZ_RECV_MSG_TYPE_START_RSP + i;
            return 0;
        }
    }
    return -1;
}

int KivMessageParser::ParseCallData(const char* data, int count, CallData* callData)
{
    RETVM_IF(!callData, -1, "!callData");
    if (IsPacketMissing(data, count))
        return -1;

    if (Read("msgId") == RECEIVED_MESSAGE_IDS[ORZ_RECV_MSG_TYPE_START_RSP])
        callData->mIsResponse = 1;
    ReadInt(Read("result"), callData->mResult);
    ReadInt(Read("reason"), callData->mReason);
    return 0;
}

int KivMessageParser::ParseFoundDeviceData(const char* data, int count, FoundDeviceData* foundDeviceData)
{
    RETVM_IF(!foundDeviceData, -1, "!foundDeviceData");
    if (IsPacketMissing(data, count))
        return -1;

    if (Read("msgId") == RECEIVED_MESSAGE_IDS[ORZ_RECV_MSG_TYPE_FOUND_DEVICE_REQ])
        foundDeviceData->mIsRequest = 1;
    ReadInt(Read("result"), foundDeviceData->mResult);
    return 0;
}

int KivMessageParser::ParseLocationData(const char* data, int count, LocationData* locationData)
{
    RETVM_IF(!locationData, -1, "!locationData");
    if (IsPacketMissing(data, count))
        return -1;

    const std::string msgId = Read("msgId");
    LOGE("msgId:%s", StringUtil::LogExcerpt(msgId).c_str());
    if (msgId == RECEIVED_MESSAGE_IDS[ORZ_RECV_MSG_TYPE_LOCATION_RSP])
        locationData->mIsResponse = 1;

    const std::string result = Read("result");
    LOGE("locationResult:%s", StringUtil::LogExcerpt(result).c_str());
    ReadInt(result, locationData->mResult);

    const std::string hmSetting = Read("hmlocsetting");
    LOGE("locationHMSetting:%s", StringUtil::LogExcerpt(hmSetting).c_str());
    ReadInt(hmSetting, locationData->mHmLocSetting);

    const std::string phoneSetting = Read("phonelocsetting");
    LOGE("locationPhoneSetting:%s", StringUtil::LogExcerpt(phoneSetting).c_str());
    ReadInt(phoneSetting, locationData->mPhoneLocSetting);

    const std::string latitude = Read("latitude");
    LOGE("locationLat:%s", StringUtil::LogExcerpt(latitude).c_str());
    ReadDouble(latitude, locationData->mLatitude);

    const std::string longitude = Read("longitude");
    LOGE("locationLon:%s", StringUtil::LogExcerpt(longitude).c_str());
    ReadDouble(longitude, locationData->mLongitude);

    const std::string address = Read("address");
    LOGE("locationAddress:%s", StringUtil::LogExcerpt(address).c_str());
    ReadText(address, locationData->mAddress);

    const std::string city = Read("city");
    LOGE("locationCity:%s", StringUtil::LogExcerpt(city).c_str());
    ReadText(city, locationData->mCity);

    const std::string country = Read("country");
    LOGE("locationCountry:%s", StringUtil::LogExcerpt(country).c_str());
    ReadText(country, locationData->mCountry);

    // The phone sends seconds as a 32-bit value; a text beyond that range does
    // not convert and reads as 0, like any other unreadable number.
    const std::string time = Read("time");
    LOGE("locationTime:%s", StringUtil::LogExcerpt(time).c_str());
    if (!time.empty())
        locationData->mTime = (int64_t)StringUtil::StringToInt(time);
    return 0;
}

int KivMessageParser::ParseLocationSettingData(const char* data, int count, LocationSetting* locationSetting)
{
    RETVM_IF(!locationSetting, -1, "!locationSetting");
    if (IsPacketMissing(data, count))
        return -1;

    const std::string msgId = Read("msgId");
    LOGE("msgId:%s", StringUtil::LogExcerpt(msgId).c_str());
    if (msgId == RECEIVED_MESSAGE_IDS[ORZ_RECV_MSG_TYPE_LOCATION_SETTING_GET_RSP])
        locationSetting->mIsResponse = 1;

    const std::string location = Read("location");
    LOGE("locationEnabled:%s", StringUtil::LogExcerpt(location).c_str());
    locationSetting->mLocationState = (!location.empty() && location != "0") ? 1 : 0;

    const std::string remote = Read("remote");
    if (!remote.empty())
        locationSetting->mIsQuenlorDevice = StringUtil::StringToInt(remote) != 0;
    LOGE("isQuenlorDevice : %d", locationSetting->mIsQuenlorDevice);

    const std::string highAccuracy = Read("highaccuracy");
    LOGE("highaccuracyOn:%s", StringUtil::LogExcerpt(highAccuracy).c_str());
    locationSetting->mLocationHighAccuracyState = (!highAccuracy.empty() && highAccuracy != "0") ? 1 : 0;
    return 0;
}
} // namespace NSPelorn
