#ifndef ORZ_COMMON_I_NETWORK_H
#define ORZ_COMMON_I_NETWORK_H

#include "IHttpRequestData.h"

#include <memory>
#include <string>

namespace NSORZCommon
{
/* The transfer engine as NetworkProxy sees it; main thread only. */
class INetwork
{
public:
    virtual ~INetwork() = default;
    virtual void HttpRequest(std::shared_ptr<IHttpRequestData> request, std::string proxyAddress) = 0;
    virtual void CancelHttpRequest(std::shared_ptr<IHttpRequestData> request) = 0;
    virtual void CancelHttpRequest(int requestId) = 0;
    /* Stops the worker and drops every transfer without reporting it. */
    virtual void Close() = 0;
};
} // namespace NSORZCommon

#endif
