#ifndef PELORN_KIV_MESSAGE_PARSER_H
#define PELORN_KIV_MESSAGE_PARSER_H

#include "CallData.h"
#include "FoundDeviceData.h"
#include "JsonUtil.h"
#include "LocationData.h"
#include "LocationSetting.h"

namespace NSPelorn
{
/* Reads the phone's messages. Every Parse call reads the object parsed at
 * construction; data and count only guard against a missing packet. Each
 * returns 0 on success and -1 on failure. */
class KivMessageParser : public NSORZCommon::JsonUtil
{
public:
    KivMessageParser(const char* data, int dataLen);
    virtual ~KivMessageParser();

    /* Leaves type untouched when the message carries no "msgId". */
    int ParseMessageID(const char* data, int count, int& type);
    int ParseCallData(const char* data, int count, CallData* callData);
    int ParseFoundDeviceData(const char* data, int count, FoundDeviceData* foundDeviceData);
    int ParseLocationData(const char* data, int count, LocationData* locationData);
    int ParseLocationSettingData(const char* data, int count, LocationSetting* locationSetting);

private:
    std::string Read(const char* key);
};
} // namespace NSPelorn

#endif
