#ifndef PELORN_CONSUMER_EVENT_LISTENER_H
#define PELORN_CONSUMER_EVENT_LISTENER_H

namespace NSPelorn
{
/* Receives the phone's parsed messages. data points to the record of
 * recvType (CallData, FoundDeviceData, LocationData, LocationSetting) or is
 * null; it lives only for the duration of the call. */
class ConsumerEventListener
{
public:
    virtual ~ConsumerEventListener() {}

    virtual void OnConsumerMsgReceived(int recvType, void* data) = 0;
};
} // namespace NSPelorn

#endif
