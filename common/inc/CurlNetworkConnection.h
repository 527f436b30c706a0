#ifndef ORZ_COMMON_CURL_NETWORK_CONNECTION_H
#define ORZ_COMMON_CURL_NETWORK_CONNECTION_H

#include "CurlHttpRequestData.h"
#include "CurlHttpResponseData.h"
#include "INetwork.h"
#include "INetworkEventListener.h"

#include <atomic>
#include <curl/curl.h>
#include <glib.h>
#include <list>
#include <memory>
#include <pthread.h>
#include <string>
#include <vector>

namespace NSORZCommon
{
/* HTTP transfers on libcurl's multi interface. A worker thread drives the
 * transfers and exists only while some are pending; it alone touches the
 * multi handle and the easy handles it was given. The main thread and the
 * worker meet only at three queues (to add, to drop, finished) under mMutex,
 * held just long enough to move entries, never across a libcurl call. A
 * finished transfer is announced through a pipe watched by the GLib main
 * loop, so every listener call happens on the main thread. */
class CurlNetworkConnection : public INetwork
{
public:
    /* Loads and starts the HTTP library on a thread of its own, once: the
     * first map fetch otherwise pays for it (a dozen libraries and their
     * set-up, over 20 ms) on the main loop. Called when a screen that leads
     * to a fetch is about to be used; until then the library costs nothing. */
    static void Preload();

    /* Bounds on every transfer; a response over mMaxBodyBytes (decoded size,
     * so a compressed body counts as it unpacks) is a failed response. */
    struct TransferLimits
    {
        size_t mMaxBodyBytes = 4u * 1024 * 1024;
        long mMaxRedirects = 5;
        long mConnectTimeoutMs = 15000;
        /* Fewer than mLowSpeedBytes per second for mLowSpeedSeconds ends it. */
        long mLowSpeedBytes = 1;
        long mLowSpeedSeconds = 20;
        long mTotalTimeoutSeconds = 120;
    };

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

    /* One transfer. The easy handle is set up on the main thread, then
     * belongs to the worker, which frees it when the transfer finishes; a
     * handle dropped before that goes with the session's last owner. */
    class CurlSingleEasySession
    {
    public:
        CurlSingleEasySession(CURL* easyHandle, curl_slist* headerSlist,
                              std::shared_ptr<CurlHttpRequestData> requestData,
                              std::shared_ptr<CurlHttpResponseData> responseData);
        virtual ~CurlSingleEasySession();
        CurlSingleEasySession(const CurlSingleEasySession&) = delete;
        CurlSingleEasySession& operator=(const CurlSingleEasySession&) = delete;

        CURL* mEasyHandle;
        curl_slist* mHeaderSlist;
        std::shared_ptr<CurlHttpRequestData> mRequestDataPtr;
        std::shared_ptr<CurlHttpResponseData> mResponseDataPtr;
        int curlState; // 0 running, 1 done with 200, 2 done otherwise, 3 reported
        /* Set by the main thread; the write callback then stops the transfer. */
        std::atomic<bool> mCancelled;
        /* Written by the worker only. */
        size_t mMaxBodyBytes;
        bool mBodyOverLimit;
    };

    /* The current batch as the main thread sees it: the transfers accepted
     * and not yet reported or cancelled. */
    class CurlMultiSession
    {
    public:
        virtual ~CurlMultiSession() = default;
        std::list<std::shared_ptr<CurlSingleEasySession>> mEasySessionList;
    };

    CurlNetworkConnection();
    ~CurlNetworkConnection() override;
    CurlNetworkConnection(const CurlNetworkConnection&) = delete;
    CurlNetworkConnection& operator=(const CurlNetworkConnection&) = delete;

    void SetEventListener(INetworkEventListener* listener);
    /* Applies to transfers requested from now on. */
    void SetTransferLimits(const TransferLimits& limits);
    TransferLimits GetTransferLimits() const;

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

    /* Environment variable naming a PEM file of extra certificate
     * authorities trusted besides the system's store. */
    static const char* const EXTRA_CA_FILE_ENV;

private:
    bool StartThread();
    void StopThread();
    void MarkAllCancelled();
    static void* StartCurlMultiMainLoop(void* data);
    void RunCurlMultiMainLoop();
    void FinishTransfer(CURLM* multiHandle, CURLMsg* message, std::vector<std::shared_ptr<CurlSingleEasySession>>& active,
                        std::vector<std::shared_ptr<CurlSingleEasySession>>& finished);
    static gboolean SGIOPipeWatchCB(GIOChannel* channel, GIOCondition condition, gpointer data);
    gboolean OnPipeWatch(GIOCondition condition);
    bool CheckThreadStatus(PipeTransCurlData* message);
    bool ResponseHttpRequestEveryCurlMsgDone();
    void ResponseHttpRequest();
    void ReportSession(int state, const std::shared_ptr<CurlSingleEasySession>& session);
    bool TakeLiveSession(const std::shared_ptr<CurlSingleEasySession>& session);
    std::shared_ptr<CurlSingleEasySession> FindSingleEasySessiong(int requestId);
    void DestoryHttpRequest(const std::shared_ptr<CurlSingleEasySession>& session);
    void DestoryAllHttpRequest();
    void ApplyOptions(CURL* easyHandle, const CurlHttpRequestData& request, const std::string& proxyAddress,
                      curl_slist* headerSlist, CurlSingleEasySession* session);
    void WritePipeMessage(int state);
    void DrainPipe();
    void WakeWorker();
    static size_t ResponseHttpPacketCB(char* data, size_t size, size_t count, void* session);
    static bool AppendPacketBodyData(CurlHttpTotalPacketData* packet, const char* data, size_t length,
                                     size_t maxLength);
    bool MutexLockImpl();
    bool MutexUnlockImpl();

    INetworkEventListener* mEventListener;
    PipeIOChannelData mPipeIOChannelData;
    std::shared_ptr<CurlMultiSession> mCurlMultiSessionPtr;
    pthread_mutex_t mMutex;
    TransferLimits mLimits;

    /* Guarded by mMutex: what crosses between the threads. */
    std::vector<std::shared_ptr<CurlSingleEasySession>> mAddQueue;
    std::vector<std::shared_ptr<CurlSingleEasySession>> mRemoveQueue;
    std::vector<std::shared_ptr<CurlSingleEasySession>> mDoneQueue;
    bool mStopRequested;
    bool mWorkerEnding;

    /* The worker sleeps in curl_multi_poll(); a byte on this pipe wakes it
     * up early (new transfer, cancel, stop). */
    int mWakeFd[2];
    /* Made by the main thread just before it starts a worker, then the
     * worker's alone: it cleans it up (closing the batch's connections) as
     * its last act, so that the main loop never waits on those closes. */
    CURLM* mWorkerMultiHandle;
    unsigned int mWorkerStartCount;
};
} // namespace NSORZCommon

#endif
