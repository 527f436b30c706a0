#include "NetworkProxy.h"

#include "CurlHttpRequestData.h"
#include "CurlHttpResponseData.h"
#include "CurlNetworkConnection.h"
#include "OrzLog.h"

#include <vector>

namespace NSORZCommon
{
NetworkProxy* NetworkProxy::GetInstance()
{
    // Never destroyed: the engine's worker must not outlive a deleted broker
    // during static destruction.
    static NetworkProxy* instance = new NetworkProxy();
    return instance;
}

NetworkProxy::NetworkProxy() : mListenerIdCounter(0), mRequestIdCounter(0)
{
    std::shared_ptr<CurlNetworkConnection> engine = std::make_shared<CurlNetworkConnection>();
    engine->SetEventListener(this);
    mNetworkPtr = engine;
}

NetworkProxy::~NetworkProxy() = default;

std::shared_ptr<INetwork> NetworkProxy::GetNetwork() const
{
    return mNetworkPtr;
}

int NetworkProxy::RegisterHttpNetworkEventListener(HttpNetworkEventListner* listener)
{
    if (!listener)
        return -1;
    for (const auto& entry : mHttpNetworkProxyEventListenerMap)
    {
        if (entry.second == listener)
        {
            LOGE("Already register listener");
            return entry.first;
        }
    }
    // Never handed out twice in a process: a late event for a listener that
    // went away must find no one, not whoever registered after it.
    const int listenerId = mListenerIdCounter++;
    mHttpNetworkProxyEventListenerMap[listenerId] = listener;
    return listenerId;
}

void NetworkProxy::UnRegisterHttpNetworkEventListener(HttpNetworkEventListner* listener)
{
    int listenerId = -1;
    for (const auto& entry : mHttpNetworkProxyEventListenerMap)
    {
        if (entry.second == listener)
        {
            listenerId = entry.first;
            break;
        }
    }
    if (listenerId < 0)
        return;
    UnRegisterHttpNetworkEventListener(listenerId);
}

void NetworkProxy::UnRegisterHttpNetworkEventListener(int listenerId)
{
    if (mHttpNetworkProxyEventListenerMap.erase(listenerId) == 0)
        LOGE("mHttpNetworkProxyEventListenerMap.erase failed(%d). there is no request ID", listenerId);
    // Nobody is left to hear about this listener's transfers: stop them.
    std::vector<int> orphaned;
    for (const auto& entry : mRequestListenerMap)
        if (entry.second == listenerId)
            orphaned.push_back(entry.first);
    for (int requestId : orphaned)
        HttpCancel(requestId);
}

void NetworkProxy::HttpRequest(const NetProxyHttpReqData& data, int listenerId, const std::string& proxyAddress)
{
    if (mHttpNetworkProxyEventListenerMap.find(listenerId) == mHttpNetworkProxyEventListenerMap.end())
    {
        LOGE("Invalid networkReqID");
        return;
    }
    std::shared_ptr<CurlHttpRequestData> request = std::make_shared<CurlHttpRequestData>(data);
    request->mRequestId = mRequestIdCounter++;
    mRequestListenerMap[request->mRequestId] = listenerId;
    mNetworkPtr->HttpRequest(request, proxyAddress);
}

void NetworkProxy::HttpCancel(int requestId)
{
    if (mRequestListenerMap.find(requestId) == mRequestListenerMap.end())
    {
        LOGE("Invalid reqID");
        return;
    }
    // A cancelled transfer produces no further event, so its route goes too.
    mRequestListenerMap.erase(requestId);
    if (!mNetworkPtr)
    {
        LOGE("Invalid network proxyt ptr");
        return;
    }
    mNetworkPtr->CancelHttpRequest(requestId);
}

HttpNetworkEventListner* NetworkProxy::FindHttpNetworkEventListner(int requestId)
{
    auto request = mRequestListenerMap.find(requestId);
    if (request == mRequestListenerMap.end())
    {
        LOGE("invalid request id");
        return nullptr;
    }
    auto listener = mHttpNetworkProxyEventListenerMap.find(request->second);
    if (listener == mHttpNetworkProxyEventListenerMap.end())
        return nullptr;
    return listener->second;
}

namespace
{
std::shared_ptr<CurlHttpRequestData> AsCurlRequest(const std::shared_ptr<IHttpRequestData>& request)
{
    return std::dynamic_pointer_cast<CurlHttpRequestData>(request);
}
} // namespace

void NetworkProxy::OnHttpRequestCompleted(std::shared_ptr<IHttpRequestData> request)
{
    std::shared_ptr<CurlHttpRequestData> curlRequest = AsCurlRequest(request);
    RET_IF(!curlRequest);
    HttpNetworkEventListner* listener = FindHttpNetworkEventListner(curlRequest->mRequestId);
    if (listener)
        listener->OnHttpRequestCompleted(curlRequest->mRequestId, curlRequest->mRequestType);
}

void NetworkProxy::OnHttpRequestFailed(std::shared_ptr<IHttpRequestData> request)
{
    std::shared_ptr<CurlHttpRequestData> curlRequest = AsCurlRequest(request);
    RET_IF(!curlRequest);
    HttpNetworkEventListner* listener = FindHttpNetworkEventListner(curlRequest->mRequestId);
    mRequestListenerMap.erase(curlRequest->mRequestId);
    if (listener)
        listener->OnHttpRequestFailed(curlRequest->mRequestType);
}

void NetworkProxy::OnHttpRequestCancelCompleted(std::shared_ptr<IHttpRequestData> request)
{
    std::shared_ptr<CurlHttpRequestData> curlRequest = AsCurlRequest(request);
    RET_IF(!curlRequest);
    HttpNetworkEventListner* listener = FindHttpNetworkEventListner(curlRequest->mRequestId);
    mRequestListenerMap.erase(curlRequest->mRequestId);
    if (listener)
        listener->OnHttpRequestCancelCompleted(curlRequest->mRequestType);
}

void NetworkProxy::OnHttpResponseCompleted(std::shared_ptr<IHttpRequestData> request,
                                           std::shared_ptr<IHttpResponseData> response)
{
    std::shared_ptr<CurlHttpRequestData> curlRequest = AsCurlRequest(request);
    RET_IF(!curlRequest);
    HttpNetworkEventListner* listener = FindHttpNetworkEventListner(curlRequest->mRequestId);
    mRequestListenerMap.erase(curlRequest->mRequestId);
    if (!listener)
        return;
    std::shared_ptr<CurlHttpResponseData> curlResponse = std::dynamic_pointer_cast<CurlHttpResponseData>(response);
    if (!curlResponse || !curlResponse->mTotalPacketDataPtr)
    {
        listener->OnHttpResponseFailed(curlRequest->mRequestId, curlRequest->mResponseCode,
                                       curlRequest->mRequestType);
        return;
    }
    const CurlHttpTotalPacketData& packet = *curlResponse->mTotalPacketDataPtr;
    // An empty body has no array; hand out an empty text rather than null.
    listener->OnHttpResponseCompleted(curlRequest->mRequestId, curlRequest->mRequestType,
                                      packet.mBodyData ? packet.mBodyData : "", packet.mBodyLength);
}

void NetworkProxy::OnHttpResponseFailed(std::shared_ptr<IHttpRequestData> request)
{
    std::shared_ptr<CurlHttpRequestData> curlRequest = AsCurlRequest(request);
    RET_IF(!curlRequest);
    HttpNetworkEventListner* listener = FindHttpNetworkEventListner(curlRequest->mRequestId);
    mRequestListenerMap.erase(curlRequest->mRequestId);
    if (!listener)
    {
        LOGE("there is no eventListener");
        return;
    }
    listener->OnHttpResponseFailed(curlRequest->mRequestId, curlRequest->mResponseCode, curlRequest->mRequestType);
}
} // namespace NSORZCommon
