#ifndef ORZ_COMMON_NETWORK_PROXY_H
#define ORZ_COMMON_NETWORK_PROXY_H

#include "HttpNetworkEventListner.h"
#include "INetwork.h"
#include "INetworkEventListener.h"
#include "NetProxyHttpReqData.h"

#include <map>
#include <memory>
#include <string>

namespace NSORZCommon
{
/* Process-wide broker between the Network objects and the one transfer
 * engine: hands out listener and request IDs (each used once in a process)
 * and routes each engine event back to the listener that asked. A listener
 * that unregisters has its pending transfers cancelled. Main thread only. */
class NetworkProxy : public INetworkEventListener
{
public:
    static NetworkProxy* GetInstance();

    int RegisterHttpNetworkEventListener(HttpNetworkEventListner* listener);
    void UnRegisterHttpNetworkEventListener(HttpNetworkEventListner* listener);
    void UnRegisterHttpNetworkEventListener(int listenerId);
    void HttpRequest(const NetProxyHttpReqData& data, int listenerId, const std::string& proxyAddress);
    void HttpCancel(int requestId);
    HttpNetworkEventListner* FindHttpNetworkEventListner(int requestId);

    /* The engine behind the broker. */
    std::shared_ptr<INetwork> GetNetwork() const;

    void OnHttpRequestCompleted(std::shared_ptr<IHttpRequestData> request) override;
    void OnHttpRequestFailed(std::shared_ptr<IHttpRequestData> request) override;
    void OnHttpRequestCancelCompleted(std::shared_ptr<IHttpRequestData> request) override;
    void OnHttpResponseCompleted(std::shared_ptr<IHttpRequestData> request,
                                 std::shared_ptr<IHttpResponseData> response) override;
    void OnHttpResponseFailed(std::shared_ptr<IHttpRequestData> request) override;

private:
    NetworkProxy();
    ~NetworkProxy() override;
    NetworkProxy(const NetworkProxy&) = delete;
    NetworkProxy& operator=(const NetworkProxy&) = delete;

    std::shared_ptr<INetwork> mNetworkPtr;
    int mListenerIdCounter; // the next listener ID
    std::map<int, HttpNetworkEventListner*> mHttpNetworkProxyEventListenerMap;
    int mRequestIdCounter; // the next request ID
    std::map<int, int> mRequestListenerMap;
};
} // namespace NSORZCommon

#endif
