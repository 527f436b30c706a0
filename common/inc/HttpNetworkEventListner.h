#ifndef ORZ_COMMON_HTTP_NETWORK_EVENT_LISTNER_H
#define ORZ_COMMON_HTTP_NETWORK_EVENT_LISTNER_H

namespace NSORZCommon
{
/* Outcome of a request made through Network, on the main thread. The body
 * handed to OnHttpResponseCompleted lives only during the call. */
class HttpNetworkEventListner
{
public:
    virtual ~HttpNetworkEventListner() = default;
    virtual void OnHttpRequestCompleted(int requestId, int requestType) = 0;
    virtual void OnHttpRequestFailed(int requestType) = 0;
    virtual void OnHttpRequestCancelCompleted(int requestType) = 0;
    virtual void OnHttpResponseCompleted(int requestId, int requestType, const char* data, int length) = 0;
    virtual void OnHttpResponseFailed(int requestId, int responseCode, int requestType) = 0;
    virtual void OnHttpResponseTimeout(int requestId, int requestType) = 0;
};
} // namespace NSORZCommon

#endif
