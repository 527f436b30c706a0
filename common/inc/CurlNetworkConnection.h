#ifndef ORZ_COMMON_CURL_NETWORK_CONNECTION_H
#define ORZ_COMMON_CURL_NETWORK_CONNECTION_H

#include "CurlHttpRequestData.h"
#include "CurlHttpResponseData.h"
#include "INetwork.h"
#include "INetworkEventListener.h"

#include <curl/curl.h>
#include <glib.h>
#include <list>
#include <memory>
#include <pthread.h>
#include <string>

namespace NSORZCommon
{
/* HTTP transfers on libcurl's multi interface. A worker thread drives the
 * transfers and exists only while some are pending; finished transfers are
 * announced through a pipe watched by the GLib main loop, so every listener
 * call happens on the main thread, with mMutex released. */
class CurlNetworkConnection : public INetwork
{
public:
    class PipeIOChannelData
    {
    public:
        virtual ~PipeIOChannelData() = default;
        GIOChannel* mGIOPipeChanel = nullptr;
        guint mPipeWatchId = 0;
        int mPipeFd[2] = {0, 0}; // read end, write end
    };

    /* One pipe message: the worker sends its address, the main loop deletes it. */
    class PipeTransCurlData
    {
    public:
        explicit PipeTransCurlData(int state) : curlState(state)
        {
        }
        virtual ~PipeTransCurlData() = default;
        int curlState;
    };

    class CurlSingleEasySession
    {
    public:
        CurlSingleEasySession(CURL* easyHandle, curl_slist* headerSlist,
                              std::shared_ptr<CurlHttpRequestData> requestData,
                              std::shared_ptr<CurlHttpResponseData> responseData);
        virtual ~CurlSingleEasySession();

        CURL* mEasyHandle;
        curl_slist* mHeaderSlist;
        std::shared_ptr<CurlHttpRequestData> mRequestDataPtr;
        std::shared_ptr<CurlHttpResponseData> mResponseDataPtr;
        int curlState; // 0 running, 1 done with 200, 2 done otherwise, 3 reported
    };

    class CurlMultiSession
    {
    public:
        virtual ~CurlMultiSession() = default;
        CURLM* mMultiHandle = nullptr;
        std::list<std::shared_ptr<CurlSingleEasySession>> mEasySessionList;
    };

    CurlNetworkConnection();
    ~CurlNetworkConnection() override;
    CurlNetworkConnection(const CurlNetworkConnection&) = delete;
    CurlNetworkConnection& operator=(const CurlNetworkConnection&) = delete;

    void SetEventListener(INetworkEventListener* listener);

    void HttpRequest(std::shared_ptr<IHttpRequestData> request, std::string proxyAddress) override;
    void CancelHttpRequest(std::shared_ptr<IHttpRequestData> request) override;
    void CancelHttpRequest(int requestId) override;
    void Close() override;

    /* No batch, no worker, no pipe. */
    bool IsIdle() const;
    /* How many workers have been started so far; each batch starts one. */
    unsigned int GetWorkerStartCount() const;
    /* The main loop's watch on the current pipe, 0 between batches. */
    guint GetPipeWatchId() const;
    /* The worker found nothing left to do and is on its way out. */
    bool IsWorkerEnding();

private:
    void StartThread();
    void StopThread();
    static void* StartCurlMultiMainLoop(void* data);
    void RunCurlMultiMainLoop();
    void AnnounceFinishedTransfers(CURLM* multiHandle);
    static gboolean SGIOPipeWatchCB(GIOChannel* channel, GIOCondition condition, gpointer data);
    gboolean OnPipeWatch(GIOCondition condition);
    void CheckThreadStatus(PipeTransCurlData* message);
    bool ResponseHttpRequestEveryCurlMsgDone();
    void ResponseHttpRequest();
    void ReportSession(int state, const std::shared_ptr<CurlSingleEasySession>& session);
    int AppendEasySession(const std::shared_ptr<CurlSingleEasySession>& session);
    std::shared_ptr<CurlSingleEasySession> FindSingleEasySessiong(CURL* easyHandle);
    std::shared_ptr<CurlSingleEasySession> FindSingleEasySessiong(int requestId);
    bool IsSessionInBatch(const std::shared_ptr<CurlSingleEasySession>& session);
    void DestoryHttpRequest(const std::shared_ptr<CurlSingleEasySession>& session);
    void DestoryAllHttpRequest();
    void ReleaseMultiSession(std::list<std::shared_ptr<CurlSingleEasySession>>& sessions);
    void WritePipeMessage(int state);
    void WakeWorker();
    static size_t ResponseHttpPacketCB(char* data, size_t size, size_t count, void* packet);
    static void AppendPacketBodyData(CurlHttpTotalPacketData* packet, const char* data, int length);
    bool MutexLockImpl();
    bool MutexUnlockImpl();

    INetworkEventListener* mEventListener;
    PipeIOChannelData mPipeIOChannelData;
    std::shared_ptr<CurlMultiSession> mCurlMultiSessionPtr;
    pthread_mutex_t mMutex;

    /* The worker sleeps in select(); a byte on this pipe wakes it up early
     * (new transfer, cancel, stop). */
    int mWakeFd[2];
    /* Both guarded by mMutex: the main thread asks the worker to stop, and
     * the worker records that it has decided to end. */
    bool mStopRequested;
    bool mWorkerEnding;
    unsigned int mWorkerStartCount;
};
} // namespace NSORZCommon

#endif
