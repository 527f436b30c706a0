#ifndef ORZ_COMMON_I_NETWORK_EVENT_LISTENER_H
#define ORZ_COMMON_I_NETWORK_EVENT_LISTENER_H

#include "IHttpRequestData.h"
#include "IHttpResponseData.h"

#include <memory>

namespace NSORZCommon
{
/* Events of the transfer engine, always delivered on the main thread. */
class INetworkEventListener
{
public:
    virtual ~INetworkEventListener() = default;
    virtual void OnHttpRequestCompleted(std::shared_ptr<IHttpRequestData> request) = 0;
    virtual void OnHttpRequestFailed(std::shared_ptr<IHttpRequestData> request) = 0;
    virtual void OnHttpRequestCancelCompleted(std::shared_ptr<IHttpRequestData> request) = 0;
    virtual void OnHttpResponseCompleted(std::shared_ptr<IHttpRequestData> request,
                                         std::shared_ptr<IHttpResponseData> response) = 0;
    virtual void OnHttpResponseFailed(std::shared_ptr<IHttpRequestData> request) = 0;
};
} // namespace NSORZCommon

#endif
