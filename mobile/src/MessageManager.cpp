#include "MessageManager.h"

#include "ConsumerMessageType.h"
#include "OrzLog.h"
#include "SimpleJsonBuilder.h"

namespace NSPelorn
{
MessageManager* MessageManager::GetInstance()
{
    static MessageManager* instance = new MessageManager();
    return instance;
}

MessageManager::MessageManager()
{
}

MessageManager::~MessageManager()
{
}

std::string MessageManager::CreateSendMessage(int type)
{
    NSORZCommon::SimpleJsonBuilder builder;
    switch (type)
    {
    case ORZ_SEND_MSG_TYPE_START_REQ:
        builder.Add("msgId", "rux-startalert-req");
        // The phone rings for as long as the watch asks; the value goes as a string.
        builder.Add("time", "180");
        break;
    case ORZ_SEND_MSG_TYPE_STOP_REQ:
        builder.Add("msgId", "rux-stopalert-req");
        break;
    case ORZ_SEND_MSG_TYPE_FOUND_DEVICE_RSP:
        builder.Add("msgId", "rux-founddevice-rsp");
        break;
    case ORZ_SEND_MSG_TYPE_LOCATION_REQ:
        builder.Add("msgId", "mgr_host_location_req");
        break;
    case ORZ_SEND_MSG_TYPE_LOCATION_SETTING_GET_REQ:
        builder.Add("msgId", "mgr_location_setting_get_req");
        break;
    case ORZ_SEND_MSG_TYPE_LOCATION_SETTING_SET_REQ:
        builder.Add("msgId", "mgr_location_setting_set_req");
        break;
    default:
        LOGE("this type(%d) is not handled", type);
        return std::string();
    }
    return builder.ToString();
}
} // namespace NSPelorn
