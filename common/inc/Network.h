#ifndef ORZ_COMMON_NETWORK_H
#define ORZ_COMMON_NETWORK_H

#include "HttpNetworkEventListner.h"

#include <glib.h>
#include <string>

namespace NSORZCommon
{
/* One user's HTTP requests: adds the user agent and the system proxy, and
 * gives up on a request 90 s after the engine accepted it. Destroying it
 * cancels its transfer in flight; nothing of it is reported afterwards. */
class Network : public HttpNetworkEventListner
{
public:
    Network();
    ~Network() override;
    Network(const Network&) = delete;
    Network& operator=(const Network&) = delete;

    void SetEventListener(HttpNetworkEventListner* listener);
    void HttpRequest(const std::string& url, int requestType);
    void StartRequestTimer(unsigned int seconds);

    void OnHttpRequestCompleted(int requestId, int requestType) override;
    void OnHttpRequestFailed(int requestType) override;
    void OnHttpRequestCancelCompleted(int requestType) override;
    void OnHttpResponseCompleted(int requestId, int requestType, const char* data, int length) override;
    void OnHttpResponseFailed(int requestId, int responseCode, int requestType) override;
    void OnHttpResponseTimeout(int requestId, int requestType) override;

private:
    static gboolean RequestTimeOutCB(void* data);
    void OnRequestTimeOut();
    void RemoveRequestTimer();

    int mRequestId;
    int mListenerId;
    guint mTimerId;
    int mRequestType;
    HttpNetworkEventListner* mEventListener;
};
} // namespace NSORZCommon

#endif
