#ifndef PELORN_KIV_EVENT_LISTENER_H
#define PELORN_KIV_EVENT_LISTENER_H

#include <string>

namespace NSPelorn
{
/* What the accessory link reports to its one client. */
class KivEventListener
{
public:
    virtual ~KivEventListener() {}

    virtual void OnKivDataIndication(const std::string& data) = 0;
    virtual void OnKivTerminationIndication(int status) = 0;
    virtual void OnKivError(int error) = 0;
    virtual void OnKivConnectionCreationConfirm(int result) = 0;
    virtual void OnKivPeerAgentFound(int result) = 0;
    virtual void OnKivDeviceStatus(int type, int status) = 0;
};
} // namespace NSPelorn

#endif
