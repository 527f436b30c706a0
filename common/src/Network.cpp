#include "Network.h"

#include "NetProxyHttpReqData.h"
#include "NetworkConnection.h"
#include "NetworkProxy.h"
#include "OrzLog.h"
#include "pelorn_clock.h"

namespace NSORZCommon
{
namespace
{
const unsigned int REQUEST_TIMEOUT_SECONDS = 90;
const char* const USER_AGENT_HEADER = "User-Agent: Mozilla/5.0 (Linux; U; Tizen 1.0; en-us) AppleWebkit/534.46 "
                                      "(KHTML, like Gecko) Mobile Tizen Browser/1.0";
} // namespace

Network::Network() : mRequestId(-1), mListenerId(-1), mTimerId(0), mRequestType(0), mEventListener(nullptr)
{
}

Network::~Network()
{
    RemoveRequestTimer();
    NetworkProxy::GetInstance()->UnRegisterHttpNetworkEventListener(this);
}

void Network::SetEventListener(HttpNetworkEventListner* listener)
{
    mEventListener = listener;
}

void Network::HttpRequest(const std::string& url, int requestType)
{
    NetworkProxy* proxy = NetworkProxy::GetInstance();
    mListenerId = proxy->RegisterHttpNetworkEventListener(this);
    mRequestType = requestType;

    NetProxyHttpReqData data;
    data.mRequestType = requestType;
    data.mUrl = url;
    data.mHeaderList.push_back(USER_AGENT_HEADER);

    std::string proxyAddress;
    {
        NetworkConnection connection;
        proxyAddress = connection.GetSystemNetworkProxyAddressStr();
    }
    proxy->HttpRequest(data, mListenerId, proxyAddress);
}

void Network::RemoveRequestTimer()
{
    if (mTimerId > 0)
    {
        pelorn_timer_remove(mTimerId);
        mTimerId = 0;
    }
}

gboolean Network::RequestTimeOutCB(void* data)
{
    Network* pThis = static_cast<Network*>(data);
    RETV_IF(pThis == NULL, FALSE);
    pThis->OnRequestTimeOut();
    return FALSE;
}

void Network::StartRequestTimer(unsigned int seconds)
{
    if (mTimerId > 0)
    {
        pelorn_timer_remove(mTimerId);
        mTimerId = 0;
        LOGE("network timeout timer removed");
    }
    mTimerId = pelorn_timer_add_seconds(seconds, RequestTimeOutCB, this);
    if (mTimerId < 1)
        LOGE("Failed start timer");
    else
        LOGE("network timeout timer started");
}

void Network::OnRequestTimeOut()
{
    // The timer is one-shot: its source goes away when this returns.
    mTimerId = 0;
    NetworkProxy* proxy = NetworkProxy::GetInstance();
    proxy->HttpCancel(mRequestId);
    proxy->UnRegisterHttpNetworkEventListener(mListenerId);
    if (mEventListener)
        mEventListener->OnHttpResponseTimeout(mRequestId, mRequestType);
}

void Network::OnHttpRequestCompleted(int requestId, int requestType)
{
    mRequestId = requestId;
    if (mEventListener)
        mEventListener->OnHttpRequestCompleted(requestId, requestType);
    StartRequestTimer(REQUEST_TIMEOUT_SECONDS);
}

void Network::OnHttpRequestFailed(int requestType)
{
    RemoveRequestTimer();
    if (mEventListener)
        mEventListener->OnHttpRequestFailed(requestType);
}

void Network::OnHttpRequestCancelCompleted(int requestType)
{
    RemoveRequestTimer();
    if (mEventListener)
        mEventListener->OnHttpRequestCancelCompleted(requestType);
}

void Network::OnHttpResponseCompleted(int requestId, int requestType, const char* data, int length)
{
    RemoveRequestTimer();
    if (mEventListener)
        mEventListener->OnHttpResponseCompleted(requestId, requestType, data, length);
}

void Network::OnHttpResponseFailed(int requestId, int responseCode, int requestType)
{
    RemoveRequestTimer();
    if (mEventListener)
        mEventListener->OnHttpResponseFailed(requestId, responseCode, requestType);
}

void Network::OnHttpResponseTimeout(int requestId, int requestType)
{
    RemoveRequestTimer();
    NetworkProxy::GetInstance()->UnRegisterHttpNetworkEventListener(this);
    if (mEventListener)
        mEventListener->OnHttpResponseTimeout(requestId, requestType);
}
} // namespace NSORZCommon
