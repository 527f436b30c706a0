#include "CurlNetworkConnection.h"

#include "OrzLog.h"

#include <atomic>
#include <errno.h>
#include <fcntl.h>
#include <sys/select.h>
#include <unistd.h>
#include <vector>

namespace NSORZCommon
{
namespace
{
/* One engine per process: the worker's handle (main thread only) and the
 * number of transfers added and not yet reported or dropped. */
pthread_t gCurlThread = 0;
std::atomic<int> gEasySessionCount(0);

const int STATE_RUNNING = 0;
const int STATE_DONE_OK = 1;
const int STATE_DONE_FAILED = 2;
const int STATE_REPORTED = 3;
const int STATE_WORKER_ENDING = 4;

const long MAX_WAIT_MS = 1000;

void CloseFd(int& fd)
{
    if (fd > 0)
        close(fd);
    fd = 0;
}

/* libcurl's verbose trace goes to the platform log like everything else. */
int CurlDebugCB(CURL* handle, curl_infotype type, char* data, size_t size, void* userData)
{
    if (type == CURLINFO_TEXT && size > 0)
    {
        int length = (int)size;
        if (data[length - 1] == '\n')
            --length;
        LOGE("curl: %.*s", length, data);
    }
    return 0;
}
} // namespace

CurlNetworkConnection::CurlSingleEasySession::CurlSingleEasySession(
    CURL* easyHandle, curl_slist* headerSlist, std::shared_ptr<CurlHttpRequestData> requestData,
    std::shared_ptr<CurlHttpResponseData> responseData)
    : mEasyHandle(easyHandle), mHeaderSlist(headerSlist), mRequestDataPtr(std::move(requestData)),
      mResponseDataPtr(std::move(responseData)), curlState(STATE_RUNNING)
{
}

CurlNetworkConnection::CurlSingleEasySession::~CurlSingleEasySession() = default;

CurlNetworkConnection::CurlNetworkConnection()
    : mEventListener(nullptr), mWakeFd{0, 0}, mStopRequested(false), mWorkerEnding(false), mWorkerStartCount(0)
{
    curl_global_init(CURL_GLOBAL_ALL);
    pthread_mutex_init(&mMutex, nullptr);
}

CurlNetworkConnection::~CurlNetworkConnection()
{
    StopThread();
    DestoryAllHttpRequest();
    curl_global_cleanup();
    mCurlMultiSessionPtr.reset();
    pthread_mutex_destroy(&mMutex);
}

void CurlNetworkConnection::SetEventListener(INetworkEventListener* listener)
{
    mEventListener = listener;
}

bool CurlNetworkConnection::MutexLockImpl()
{
    int status = pthread_mutex_lock(&mMutex);
    RETV_IF(status != 0, false);
    return true;
}

bool CurlNetworkConnection::MutexUnlockImpl()
{
    int status = pthread_mutex_unlock(&mMutex);
    RETV_IF(status != 0, false);
    return true;
}

bool CurlNetworkConnection::IsIdle() const
{
    return !mCurlMultiSessionPtr && gCurlThread == 0 && mPipeIOChannelData.mPipeFd[0] == 0 &&
           mPipeIOChannelData.mGIOPipeChanel == nullptr && mPipeIOChannelData.mPipeWatchId == 0;
}

unsigned int CurlNetworkConnection::GetWorkerStartCount() const
{
    return mWorkerStartCount;
}

guint CurlNetworkConnection::GetPipeWatchId() const
{
    return mPipeIOChannelData.mPipeWatchId;
}

bool CurlNetworkConnection::IsWorkerEnding()
{
    if (!MutexLockImpl())
        return false;
    const bool ending = mWorkerEnding && gCurlThread != 0;
    MutexUnlockImpl();
    return ending;
}

void CurlNetworkConnection::HttpRequest(std::shared_ptr<IHttpRequestData> request, std::string proxyAddress)
{
    std::shared_ptr<CurlHttpRequestData> requestData = std::dynamic_pointer_cast<CurlHttpRequestData>(request);
    if (!requestData)
    {
        LOGE("Invalid httpRequestDataPtr");
        return;
    }
    CURL* easyHandle = curl_easy_init();
    if (!easyHandle)
    {
        LOGE("Failed curl_easy_init");
        return;
    }

    if (curl_easy_setopt(easyHandle, CURLOPT_VERBOSE, 1L) != CURLE_OK)
        LOGE("Failed CURLOPT_VERBOSE option");
    curl_easy_setopt(easyHandle, CURLOPT_DEBUGFUNCTION, CurlDebugCB);
    // The transfers run on a thread of their own: no signals for time-outs.
    curl_easy_setopt(easyHandle, CURLOPT_NOSIGNAL, 1L);
    if (curl_easy_setopt(easyHandle, CURLOPT_URL, requestData->mUrl.c_str()) != CURLE_OK)
        LOGE("Failed CURLOPT_URL option");
    if (!proxyAddress.empty() && curl_easy_setopt(easyHandle, CURLOPT_PROXY, proxyAddress.c_str()) != CURLE_OK)
        LOGE("Failed proxy option");

    curl_slist* headerSlist = nullptr;
    for (const std::string& line : requestData->mHeaderList)
    {
        if (line.empty())
            continue;
        curl_slist* appended = curl_slist_append(headerSlist, line.c_str());
        if (appended)
            headerSlist = appended;
    }
    if (curl_easy_setopt(easyHandle, CURLOPT_HTTPHEADER, headerSlist) != CURLE_OK)
        LOGE("Failed CURLOPT_HTTPHEADER option");
    if (curl_easy_setopt(easyHandle, CURLOPT_FOLLOWLOCATION, 1L) != CURLE_OK)
        LOGE("Failed CURLOPT_FOLLOWLOCATION option");
    if (curl_easy_setopt(easyHandle, CURLOPT_NOPROGRESS, 1L) != CURLE_OK)
        LOGE("Failed CURLOPT_NOPROGRESS option");
    if (curl_easy_setopt(easyHandle, CURLOPT_SSL_CIPHER_LIST, "HIGH") != CURLE_OK)
        LOGE("Failed CURLOPT_SSL_CIPHER_LIST option");
    if (curl_easy_setopt(easyHandle, CURLOPT_SSL_VERIFYPEER, 0L) != CURLE_OK)
        LOGE("Failed CURLOPT_SSL_VERIFYPEER option(0L)");
    else
        LOGE("success! CURLOPT_SSL_VERIFYPEER option(0L)");
    if (curl_easy_setopt(easyHandle, CURLOPT_SSL_VERIFYHOST, 0L) != CURLE_OK)
        LOGE("Failed CURLOPT_SSL_VERIFYHOST option(0L)");
    else
        LOGE("success! CURLOPT_SSL_VERIFYHOST option(0L)");
    const bool isPost = !requestData->mPostData.empty();
    if (isPost && curl_easy_setopt(easyHandle, CURLOPT_POSTFIELDS, requestData->mPostData.c_str()) != CURLE_OK)
        LOGE("Failed CURLOPT_POST option");
    if (curl_easy_setopt(easyHandle, CURLOPT_POST, isPost ? 1L : 0L) != CURLE_OK)
        LOGE("Failed CURLOPT_POST option");

    std::shared_ptr<CurlHttpResponseData> responseData = std::make_shared<CurlHttpResponseData>();
    responseData->mTotalPacketDataPtr = std::make_shared<CurlHttpTotalPacketData>();
    CurlHttpTotalPacketData* packet = responseData->mTotalPacketDataPtr.get();
    if (curl_easy_setopt(easyHandle, CURLOPT_WRITEFUNCTION, ResponseHttpPacketCB) != CURLE_OK)
        LOGE("Failed CURLOPT_WRITEFUNCTION option");
    if (curl_easy_setopt(easyHandle, CURLOPT_WRITEDATA, packet) != CURLE_OK)
        LOGE("Failed CURLOPT_WRITEDATA option");
    if (curl_easy_setopt(easyHandle, CURLOPT_PRIVATE, packet) != CURLE_OK)
        LOGE("Failed CURLOPT_PRIVATE option");
    if (curl_easy_setopt(easyHandle, CURLOPT_ENCODING, "gzip,deflate") != CURLE_OK)
        LOGE("Failed CURLOPT_ENCODING option");

    std::shared_ptr<CurlSingleEasySession> session =
        std::make_shared<CurlSingleEasySession>(easyHandle, headerSlist, requestData, responseData);

    bool appended = false;
    bool createdMultiHandle = false;
    bool workerEnding = false;
    if (MutexLockImpl())
    {
        if (!mCurlMultiSessionPtr)
            mCurlMultiSessionPtr = std::make_shared<CurlMultiSession>();
        if (!mCurlMultiSessionPtr->mMultiHandle)
        {
            mCurlMultiSessionPtr->mMultiHandle = curl_multi_init();
            createdMultiHandle = mCurlMultiSessionPtr->mMultiHandle != nullptr;
        }
        appended = mCurlMultiSessionPtr->mMultiHandle && AppendEasySession(session) == 0;
        // Read together with the append: a worker that has already decided
        // to end will never start this transfer.
        workerEnding = mWorkerEnding;
        if (!appended && createdMultiHandle)
        {
            // Leave no batch behind that no worker would ever drive.
            curl_multi_cleanup(mCurlMultiSessionPtr->mMultiHandle);
            mCurlMultiSessionPtr.reset();
        }
        MutexUnlockImpl();
    }

    if (!appended)
    {
        LOGE("Failed append easy session");
        curl_easy_cleanup(easyHandle);
        curl_slist_free_all(headerSlist);
        session->mEasyHandle = nullptr;
        session->mHeaderSlist = nullptr;
        if (mEventListener)
            mEventListener->OnHttpRequestFailed(requestData);
        return;
    }

    if (mEventListener)
        mEventListener->OnHttpRequestCompleted(requestData);

    if (gCurlThread == 0 || workerEnding)
    {
        // First transfer of a batch, or the worker is on its way out: hand
        // the batch to a fresh worker with a fresh pipe.
        StopThread();
        StartThread();
    }
    else
    {
        WakeWorker();
    }
}

int CurlNetworkConnection::AppendEasySession(const std::shared_ptr<CurlSingleEasySession>& session)
{
    if (!session || !session->mEasyHandle)
    {
        LOGE("[Failed] Invalid curlSingleEasySessiongPtr");
        return -1;
    }
    if (!mCurlMultiSessionPtr || !mCurlMultiSessionPtr->mMultiHandle)
    {
        LOGE("Failed get multi session or easy session list");
        return -1;
    }
    if (curl_multi_add_handle(mCurlMultiSessionPtr->mMultiHandle, session->mEasyHandle) != CURLM_OK)
    {
        LOGE("[Failed] curl_multi_add_handle");
        return -1;
    }
    mCurlMultiSessionPtr->mEasySessionList.push_back(session);
    ++gEasySessionCount;
    return 0;
}

gboolean CurlNetworkConnection::SGIOPipeWatchCB(GIOChannel* channel, GIOCondition condition, gpointer data)
{
    CurlNetworkConnection* pThis = static_cast<CurlNetworkConnection*>(data);
    RETV_IF(pThis == NULL, FALSE);
    return pThis->OnPipeWatch(condition);
}

void CurlNetworkConnection::StartThread()
{
    if (pipe2(mPipeIOChannelData.mPipeFd, O_NONBLOCK) != 0)
    {
        LOGE("pipe create failed");
        mPipeIOChannelData.mPipeFd[0] = mPipeIOChannelData.mPipeFd[1] = 0;
        return;
    }
    if (pipe2(mWakeFd, O_NONBLOCK | O_CLOEXEC) != 0)
    {
        LOGE("pipe create failed");
        mWakeFd[0] = mWakeFd[1] = 0;
    }
    mPipeIOChannelData.mGIOPipeChanel = g_io_channel_unix_new(mPipeIOChannelData.mPipeFd[0]);
    mPipeIOChannelData.mPipeWatchId =
        g_io_add_watch(mPipeIOChannelData.mGIOPipeChanel, (GIOCondition)(G_IO_IN | G_IO_ERR | G_IO_HUP),
                       SGIOPipeWatchCB, this);

    // No worker exists here, so these need no lock to be seen by the new one.
    mStopRequested = false;
    mWorkerEnding = false;
    if (pthread_create(&gCurlThread, nullptr, StartCurlMultiMainLoop, this) != 0)
    {
        LOGE("pthread_create failed");
        gCurlThread = 0;
        return;
    }
    ++mWorkerStartCount;
}

void CurlNetworkConnection::StopThread()
{
    if (gCurlThread != 0)
    {
        // The worker only ever blocks in select() without the lock, and
        // checks the flag under the lock; it leaves on its own, never with
        // the lock held.
        if (MutexLockImpl())
        {
            mStopRequested = true;
            MutexUnlockImpl();
        }
        WakeWorker();
        pthread_join(gCurlThread, nullptr);
        gCurlThread = 0;
    }

    PipeIOChannelData& pipeData = mPipeIOChannelData;
    if (pipeData.mPipeWatchId > 0)
    {
        g_source_remove(pipeData.mPipeWatchId);
        pipeData.mPipeWatchId = 0;
    }
    if (pipeData.mPipeFd[0] > 0)
    {
        // Whatever is still in the pipe belongs to the batch being stopped;
        // its transfers are reported (or dropped) by the caller.
        PipeTransCurlData* message = nullptr;
        while (read(pipeData.mPipeFd[0], &message, sizeof(message)) == (ssize_t)sizeof(message))
            delete message;
    }
    CloseFd(pipeData.mPipeFd[0]);
    CloseFd(pipeData.mPipeFd[1]);
    CloseFd(mWakeFd[0]);
    CloseFd(mWakeFd[1]);
    if (pipeData.mGIOPipeChanel)
    {
        g_io_channel_unref(pipeData.mGIOPipeChanel);
        pipeData.mGIOPipeChanel = nullptr;
    }
}

void CurlNetworkConnection::WakeWorker()
{
    if (mWakeFd[1] > 0)
    {
        const char byte = 1;
        // A full pipe already holds a wake-up; nothing is lost.
        if (write(mWakeFd[1], &byte, 1) < 0 && errno != EAGAIN)
            LOGE("Failed wake worker");
    }
}

void CurlNetworkConnection::WritePipeMessage(int state)
{
    PipeTransCurlData* message = new PipeTransCurlData(state);
    ssize_t written = write(mPipeIOChannelData.mPipeFd[1], &message, sizeof(message));
    if (written < 1)
    {
        LOGE("Failed write pipe");
        delete message;
    }
}

void* CurlNetworkConnection::StartCurlMultiMainLoop(void* data)
{
    CurlNetworkConnection* pThis = static_cast<CurlNetworkConnection*>(data);
    RETV_IF(pThis == NULL, nullptr);
    pThis->RunCurlMultiMainLoop();
    return nullptr;
}

void CurlNetworkConnection::RunCurlMultiMainLoop()
{
    // The pipe and the wake pipe are created before this thread and closed
    // only after it was joined, so their descriptors are stable here.
    const int wakeFd = mWakeFd[0];
    int running = 0;

    if (!MutexLockImpl())
        return;
    CURLM* multiHandle = mCurlMultiSessionPtr ? mCurlMultiSessionPtr->mMultiHandle : nullptr;
    if (multiHandle)
    {
        CURLMcode code = curl_multi_perform(multiHandle, &running);
        if (code != CURLM_OK)
            LOGE("Failed multi perform :%d", (int)code);
    }
    MutexUnlockImpl();

    for (;;)
    {
        long timeoutMs = -1;
        fd_set readSet, writeSet, errorSet;
        FD_ZERO(&readSet);
        FD_ZERO(&writeSet);
        FD_ZERO(&errorSet);
        int maxFd = -1;

        if (!MutexLockImpl())
            return;
        if (mStopRequested)
        {
            MutexUnlockImpl();
            return;
        }
        multiHandle = mCurlMultiSessionPtr ? mCurlMultiSessionPtr->mMultiHandle : nullptr;
        // Announce every transfer as soon as it is done, not when the last
        // one of the batch is.
        if (multiHandle)
            AnnounceFinishedTransfers(multiHandle);
        // Deciding to end happens under the lock, like adding a transfer: a
        // request that comes later sees mWorkerEnding and starts a new worker.
        if (gEasySessionCount < 1)
        {
            mWorkerEnding = true;
            WritePipeMessage(STATE_WORKER_ENDING);
            MutexUnlockImpl();
            return;
        }
        if (multiHandle)
        {
            curl_multi_timeout(multiHandle, &timeoutMs);
            if (curl_multi_fdset(multiHandle, &readSet, &writeSet, &errorSet, &maxFd) != CURLM_OK)
                LOGE("Failed get multi fd set");
        }
        MutexUnlockImpl();

        if (wakeFd > 0)
        {
            FD_SET(wakeFd, &readSet);
            if (wakeFd > maxFd)
                maxFd = wakeFd;
        }
        // Never longer than libcurl asks for, and never more than a second.
        long waitMs = (timeoutMs >= 0 && timeoutMs < MAX_WAIT_MS) ? timeoutMs : MAX_WAIT_MS;
        struct timeval wait;
        wait.tv_sec = waitMs / 1000;
        wait.tv_usec = (waitMs % 1000) * 1000;
        int ready = select(maxFd + 1, &readSet, &writeSet, &errorSet, &wait);
        if (ready < 0)
            LOGE("select error");
        if (ready > 0 && wakeFd > 0 && FD_ISSET(wakeFd, &readSet))
        {
            char drain[64];
            while (read(wakeFd, drain, sizeof(drain)) > 0)
            {
            }
        }

        if (!MutexLockImpl())
            return;
        multiHandle = mCurlMultiSessionPtr ? mCurlMultiSessionPtr->mMultiHandle : nullptr;
        if (!mStopRequested && multiHandle)
        {
            CURLMcode code = curl_multi_perform(multiHandle, &running);
            if (code != CURLM_OK)
                LOGE("Failed multi perform :%d", (int)code);
        }
        MutexUnlockImpl();
    }
}

void CurlNetworkConnection::AnnounceFinishedTransfers(CURLM* multiHandle)
{
    // Called on the worker with mMutex held.
    CURLMsg* message = nullptr;
    int left = 0;
    while ((message = curl_multi_info_read(multiHandle, &left)) != nullptr)
    {
        if (message->msg != CURLMSG_DONE)
            continue;
        std::shared_ptr<CurlSingleEasySession> session = FindSingleEasySessiong(message->easy_handle);
        if (!session)
            continue;
        long responseCode = 0;
        curl_easy_getinfo(message->easy_handle, CURLINFO_RESPONSE_CODE, &responseCode);
        // A body cut short (or undecodable) is no image either, even when
        // its status line said 200.
        if (responseCode == 200 && message->data.result == CURLE_OK)
        {
            session->curlState = STATE_DONE_OK;
        }
        else
        {
            LOGE("Response Error Code :%d", (int)responseCode);
            if (message->data.result != CURLE_OK)
                LOGE("transfer result: %s", curl_easy_strerror(message->data.result));
            session->curlState = STATE_DONE_FAILED;
            session->mRequestDataPtr->mResponseCode = (int)responseCode;
        }
        WritePipeMessage(session->curlState);
    }
}

gboolean CurlNetworkConnection::OnPipeWatch(GIOCondition condition)
{
    if (!mPipeIOChannelData.mGIOPipeChanel)
    {
        LOGE("INAVLID mGIOPipeChanel");
        mPipeIOChannelData.mPipeWatchId = 0;
        return FALSE;
    }
    const guint watchId = mPipeIOChannelData.mPipeWatchId;
    if (condition & G_IO_IN)
    {
        // A report may tear the batch down (closing this pipe) or start a
        // new one; read only while the pipe this watch serves is open.
        while (mPipeIOChannelData.mPipeFd[0] > 0 && mPipeIOChannelData.mPipeWatchId == watchId)
        {
            PipeTransCurlData* message = nullptr;
            ssize_t ret = read(mPipeIOChannelData.mPipeFd[0], &message, sizeof(message));
            if (ret < 1)
            {
                LOGE("there is no message in the pipe, ret:%d", (int)ret);
                break;
            }
            CheckThreadStatus(message);
        }
    }
    if (condition & G_IO_ERR)
        LOGE("G_IO_ERR");
    if (condition & G_IO_HUP)
        LOGE("G_IO_HUP");

    if (mPipeIOChannelData.mPipeWatchId != watchId)
        return FALSE; // this watch was removed while reporting
    if (gEasySessionCount > 0 && !(condition & (G_IO_ERR | G_IO_HUP)))
        return TRUE;
    mPipeIOChannelData.mPipeWatchId = 0;
    return FALSE;
}

void CurlNetworkConnection::CheckThreadStatus(PipeTransCurlData* message)
{
    if (!message)
    {
        LOGE("invalid pointer type");
        return;
    }
    switch (message->curlState)
    {
    case STATE_DONE_OK:
    case STATE_DONE_FAILED:
        if (ResponseHttpRequestEveryCurlMsgDone())
        {
            StopThread();
            ResponseHttpRequest();
        }
        break;
    case STATE_WORKER_ENDING:
        StopThread();
        ResponseHttpRequest();
        break;
    default:
        LOGE("curlState: %d", message->curlState);
        break;
    }
    delete message;
}

bool CurlNetworkConnection::IsSessionInBatch(const std::shared_ptr<CurlSingleEasySession>& session)
{
    if (!mCurlMultiSessionPtr)
        return false;
    for (const auto& candidate : mCurlMultiSessionPtr->mEasySessionList)
        if (candidate == session)
            return true;
    return false;
}

void CurlNetworkConnection::ReportSession(int state, const std::shared_ptr<CurlSingleEasySession>& session)
{
    if (!mEventListener)
        return;
    if (state == STATE_DONE_OK)
        mEventListener->OnHttpResponseCompleted(session->mRequestDataPtr, session->mResponseDataPtr);
    else
        mEventListener->OnHttpResponseFailed(session->mRequestDataPtr);
}

bool CurlNetworkConnection::ResponseHttpRequestEveryCurlMsgDone()
{
    if (!MutexLockImpl())
        return gEasySessionCount < 1;
    if (!mCurlMultiSessionPtr || !mCurlMultiSessionPtr->mMultiHandle)
    {
        MutexUnlockImpl();
        LOGE("Failed get curl multi session");
        return true;
    }
    // Listeners run unlocked and may cancel, add or close meanwhile, so walk
    // a copy and check each session is still part of the batch.
    std::vector<std::shared_ptr<CurlSingleEasySession>> sessions(mCurlMultiSessionPtr->mEasySessionList.begin(),
                                                                 mCurlMultiSessionPtr->mEasySessionList.end());
    for (const auto& session : sessions)
    {
        if (!IsSessionInBatch(session))
            continue;
        const int state = session->curlState;
        if (state != STATE_DONE_OK && state != STATE_DONE_FAILED)
            continue;
        session->curlState = STATE_REPORTED;
        --gEasySessionCount;
        MutexUnlockImpl();
        ReportSession(state, session);
        if (!MutexLockImpl())
            return gEasySessionCount < 1;
    }
    MutexUnlockImpl();
    return gEasySessionCount < 1;
}

void CurlNetworkConnection::ReleaseMultiSession(std::list<std::shared_ptr<CurlSingleEasySession>>& sessions)
{
    // Called with mMutex held.
    CURLM* multiHandle = mCurlMultiSessionPtr->mMultiHandle;
    for (const auto& session : mCurlMultiSessionPtr->mEasySessionList)
    {
        if (multiHandle && session->mEasyHandle)
            curl_multi_remove_handle(multiHandle, session->mEasyHandle);
    }
    if (multiHandle)
        curl_multi_cleanup(multiHandle);
    mCurlMultiSessionPtr->mMultiHandle = nullptr;
    for (const auto& session : mCurlMultiSessionPtr->mEasySessionList)
    {
        curl_slist_free_all(session->mHeaderSlist);
        session->mHeaderSlist = nullptr;
        if (session->mEasyHandle)
            curl_easy_cleanup(session->mEasyHandle);
        session->mEasyHandle = nullptr;
    }
    sessions.swap(mCurlMultiSessionPtr->mEasySessionList);
    mCurlMultiSessionPtr.reset();
}

void CurlNetworkConnection::ResponseHttpRequest()
{
    std::list<std::shared_ptr<CurlSingleEasySession>> sessions;
    if (!MutexLockImpl())
        return;
    if (!mCurlMultiSessionPtr)
    {
        MutexUnlockImpl();
        LOGE("Failed get curl multi session");
        return;
    }
    ReleaseMultiSession(sessions);
    std::vector<std::pair<int, std::shared_ptr<CurlSingleEasySession>>> unreported;
    for (const auto& session : sessions)
    {
        if (session->curlState == STATE_DONE_OK || session->curlState == STATE_DONE_FAILED)
        {
            unreported.emplace_back(session->curlState, session);
            session->curlState = STATE_REPORTED;
            --gEasySessionCount;
        }
        else if (session->curlState == STATE_RUNNING)
        {
            // Only a batch dropped mid-way leaves these; they will never finish.
            --gEasySessionCount;
        }
    }
    MutexUnlockImpl();
    for (const auto& entry : unreported)
        ReportSession(entry.first, entry.second);
}

std::shared_ptr<CurlNetworkConnection::CurlSingleEasySession>
CurlNetworkConnection::FindSingleEasySessiong(CURL* easyHandle)
{
    if (!mCurlMultiSessionPtr)
        return nullptr;
    for (const auto& session : mCurlMultiSessionPtr->mEasySessionList)
        if (session->mEasyHandle == easyHandle)
            return session;
    return nullptr;
}

std::shared_ptr<CurlNetworkConnection::CurlSingleEasySession> CurlNetworkConnection::FindSingleEasySessiong(int requestId)
{
    if (!mCurlMultiSessionPtr)
        return nullptr;
    // Request IDs are reused once everything was reported, so a reported
    // session may carry the same ID as a live one.
    for (const auto& session : mCurlMultiSessionPtr->mEasySessionList)
        if (session->curlState != STATE_REPORTED && session->mRequestDataPtr &&
            session->mRequestDataPtr->mRequestId == requestId)
            return session;
    return nullptr;
}

void CurlNetworkConnection::CancelHttpRequest(std::shared_ptr<IHttpRequestData> request)
{
    std::shared_ptr<CurlHttpRequestData> requestData = std::dynamic_pointer_cast<CurlHttpRequestData>(request);
    if (!requestData)
    {
        LOGE("Failed get curlHttpRequestDataPtr curl multi session");
        return;
    }
    CancelHttpRequest(requestData->mRequestId);
}

void CurlNetworkConnection::CancelHttpRequest(int requestId)
{
    if (!MutexLockImpl())
        return;
    if (!mCurlMultiSessionPtr || !mCurlMultiSessionPtr->mMultiHandle)
    {
        MutexUnlockImpl();
        LOGE("Failed get curl multi session");
        return;
    }
    std::shared_ptr<CurlSingleEasySession> session = FindSingleEasySessiong(requestId);
    if (!session)
        LOGE("Failed find curl single easy session ptr");
    else
        DestoryHttpRequest(session);
    MutexUnlockImpl();
    // Let the worker see at once that its transfer is gone.
    WakeWorker();
}

void CurlNetworkConnection::DestoryHttpRequest(const std::shared_ptr<CurlSingleEasySession>& session)
{
    // Called with mMutex held.
    if (session->mEasyHandle)
    {
        curl_multi_remove_handle(mCurlMultiSessionPtr->mMultiHandle, session->mEasyHandle);
        curl_easy_cleanup(session->mEasyHandle);
        session->mEasyHandle = nullptr;
    }
    curl_slist_free_all(session->mHeaderSlist);
    session->mHeaderSlist = nullptr;
    mCurlMultiSessionPtr->mEasySessionList.remove(session);
    if (session->curlState != STATE_REPORTED)
        --gEasySessionCount;
}

void CurlNetworkConnection::DestoryAllHttpRequest()
{
    std::list<std::shared_ptr<CurlSingleEasySession>> sessions;
    if (!MutexLockImpl())
        return;
    if (mCurlMultiSessionPtr)
    {
        ReleaseMultiSession(sessions);
        for (const auto& session : sessions)
            if (session->curlState != STATE_REPORTED)
                --gEasySessionCount;
    }
    MutexUnlockImpl();
}

void CurlNetworkConnection::Close()
{
    StopThread();
    DestoryAllHttpRequest();
}

size_t CurlNetworkConnection::ResponseHttpPacketCB(char* data, size_t size, size_t count, void* packet)
{
    const size_t packetLen = size * count;
    if (packetLen < 1)
    {
        LOGE("packetLen < 1");
        return 0;
    }
    if (!data)
    {
        LOGE("Invalid received data");
        return packetLen;
    }
    CurlHttpTotalPacketData* totalPacket = static_cast<CurlHttpTotalPacketData*>(packet);
    if (!totalPacket)
    {
        LOGE("Invalid cur http packet data");
        return 0;
    }
    AppendPacketBodyData(totalPacket, data, (int)packetLen);
    return packetLen;
}

void CurlNetworkConnection::AppendPacketBodyData(CurlHttpTotalPacketData* packet, const char* data, int length)
{
    const int totalLength = packet->mBodyLength + length;
    if (totalLength < 1)
    {
        LOGE("Invalied total len");
        return;
    }
    char* body = new char[totalLength + 1];
    if (packet->mBodyData && packet->mBodyLength > 0)
        memcpy(body, packet->mBodyData, packet->mBodyLength);
    memcpy(body + packet->mBodyLength, data, length);
    body[totalLength] = '\0';
    delete[] packet->mBodyData;
    packet->mBodyData = body;
    packet->mBodyLength = totalLength;
}
} // namespace NSORZCommon
