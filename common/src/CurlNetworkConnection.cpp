#include "CurlNetworkConnection.h"

#include "OrzLog.h"

#include <errno.h>
#include <limits.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace NSORZCommon
{
const char* const CurlNetworkConnection::EXTRA_CA_FILE_ENV = "PELORN_CA_FILE";

namespace
{
/* One engine per process: the worker's handle (main thread only) and the
 * number of transfers accepted and not yet reported or dropped (main thread
 * only as well; atomic so a stray reader elsewhere stays well defined). */
pthread_t gCurlThread = 0;
std::atomic<int> gEasySessionCount(0);

const int STATE_RUNNING = 0;
const int STATE_DONE_OK = 1;
const int STATE_DONE_FAILED = 2;
const int STATE_REPORTED = 3;
const int STATE_WORKER_ENDING = 4;

const long MAX_WAIT_MS = 1000;
const size_t FIRST_BODY_CAPACITY = 16 * 1024;

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

/* The trace costs a log write per header line, so it is off unless asked for. */
bool VerboseWanted()
{
    const char* value = getenv("PELORN_CURL_VERBOSE");
    return value && *value && *value != '0';
}
} // namespace

CurlNetworkConnection::CurlSingleEasySession::CurlSingleEasySession(
    CURL* easyHandle, curl_slist* headerSlist, std::shared_ptr<CurlHttpRequestData> requestData,
    std::shared_ptr<CurlHttpResponseData> responseData)
    : mEasyHandle(easyHandle), mHeaderSlist(headerSlist), mRequestDataPtr(std::move(requestData)),
      mResponseDataPtr(std::move(responseData)), curlState(STATE_RUNNING), mCancelled(false), mMaxBodyBytes(0),
      mBodyOverLimit(false)
{
}

CurlNetworkConnection::CurlSingleEasySession::~CurlSingleEasySession()
{
    // Whoever lets go last frees the handle; by then it is in no multi handle.
    if (mEasyHandle)
        curl_easy_cleanup(mEasyHandle);
    curl_slist_free_all(mHeaderSlist);
}

CurlNetworkConnection::CurlNetworkConnection()
    : mEventListener(nullptr), mStopRequested(false), mWorkerEnding(false), mWakeFd{0, 0},
      mWorkerMultiHandle(nullptr), mWorkerStartCount(0)
{
    curl_global_init(CURL_GLOBAL_ALL);
    pthread_mutex_init(&mMutex, nullptr);
}

CurlNetworkConnection::~CurlNetworkConnection()
{
    MarkAllCancelled();
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

void CurlNetworkConnection::SetTransferLimits(const TransferLimits& limits)
{
    mLimits = limits;
    // The body length handed to listeners is an int.
    const size_t largest = (size_t)INT_MAX - 1;
    if (mLimits.mMaxBodyBytes > largest)
        mLimits.mMaxBodyBytes = largest;
}

CurlNetworkConnection::TransferLimits CurlNetworkConnection::GetTransferLimits() const
{
    return mLimits;
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

void CurlNetworkConnection::ApplyOptions(CURL* easyHandle, const CurlHttpRequestData& request,
                                         const std::string& proxyAddress, curl_slist* headerSlist,
                                         CurlSingleEasySession* session)
{
    const bool verbose = VerboseWanted();
    if (curl_easy_setopt(easyHandle, CURLOPT_VERBOSE, verbose ? 1L : 0L) != CURLE_OK)
        LOGE("Failed CURLOPT_VERBOSE option");
    if (verbose)
        curl_easy_setopt(easyHandle, CURLOPT_DEBUGFUNCTION, CurlDebugCB);
    // The transfers run on a thread of their own: no signals for time-outs.
    curl_easy_setopt(easyHandle, CURLOPT_NOSIGNAL, 1L);
    if (curl_easy_setopt(easyHandle, CURLOPT_URL, request.mUrl.c_str()) != CURLE_OK)
        LOGE("Failed CURLOPT_URL option");
    if (!proxyAddress.empty() && curl_easy_setopt(easyHandle, CURLOPT_PROXY, proxyAddress.c_str()) != CURLE_OK)
        LOGE("Failed proxy option");
    if (curl_easy_setopt(easyHandle, CURLOPT_HTTPHEADER, headerSlist) != CURLE_OK)
        LOGE("Failed CURLOPT_HTTPHEADER option");

    // Only web addresses, however the server redirects, and never endlessly.
    if (curl_easy_setopt(easyHandle, CURLOPT_PROTOCOLS_STR, "http,https") != CURLE_OK)
        LOGE("Failed CURLOPT_PROTOCOLS_STR option");
    if (curl_easy_setopt(easyHandle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") != CURLE_OK)
        LOGE("Failed CURLOPT_REDIR_PROTOCOLS_STR option");
    if (curl_easy_setopt(easyHandle, CURLOPT_FOLLOWLOCATION, 1L) != CURLE_OK)
        LOGE("Failed CURLOPT_FOLLOWLOCATION option");
    if (curl_easy_setopt(easyHandle, CURLOPT_MAXREDIRS, mLimits.mMaxRedirects) != CURLE_OK)
        LOGE("Failed CURLOPT_MAXREDIRS option");
    if (curl_easy_setopt(easyHandle, CURLOPT_NOPROGRESS, 1L) != CURLE_OK)
        LOGE("Failed CURLOPT_NOPROGRESS option");

    // A server that accepts and then says nothing, or trickles, must not
    // hold a transfer (and the watch's radio) forever.
    if (curl_easy_setopt(easyHandle, CURLOPT_CONNECTTIMEOUT_MS, mLimits.mConnectTimeoutMs) != CURLE_OK)
        LOGE("Failed CURLOPT_CONNECTTIMEOUT_MS option");
    if (curl_easy_setopt(easyHandle, CURLOPT_LOW_SPEED_LIMIT, mLimits.mLowSpeedBytes) != CURLE_OK ||
        curl_easy_setopt(easyHandle, CURLOPT_LOW_SPEED_TIME, mLimits.mLowSpeedSeconds) != CURLE_OK)
        LOGE("Failed CURLOPT_LOW_SPEED option");
    if (curl_easy_setopt(easyHandle, CURLOPT_TIMEOUT, mLimits.mTotalTimeoutSeconds) != CURLE_OK)
        LOGE("Failed CURLOPT_TIMEOUT option");
    // A declared length over the limit fails before any byte is kept.
    if (curl_easy_setopt(easyHandle, CURLOPT_MAXFILESIZE_LARGE, (curl_off_t)mLimits.mMaxBodyBytes) != CURLE_OK)
        LOGE("Failed CURLOPT_MAXFILESIZE_LARGE option");

    if (curl_easy_setopt(easyHandle, CURLOPT_SSL_CIPHER_LIST, "HIGH") != CURLE_OK)
        LOGE("Failed CURLOPT_SSL_CIPHER_LIST option");
    // The wearer's position and the provider keys travel in these requests:
    // the peer must prove who it is.
    if (curl_easy_setopt(easyHandle, CURLOPT_SSL_VERIFYPEER, 1L) != CURLE_OK)
        LOGE("Failed CURLOPT_SSL_VERIFYPEER option(1L)");
    if (curl_easy_setopt(easyHandle, CURLOPT_SSL_VERIFYHOST, 2L) != CURLE_OK)
        LOGE("Failed CURLOPT_SSL_VERIFYHOST option(2L)");
    // An extra authority (the local map-server's) joins the system store:
    // libcurl keeps its default CA folder when only the file is replaced.
    const char* extraCa = getenv(EXTRA_CA_FILE_ENV);
    if (extraCa && *extraCa && curl_easy_setopt(easyHandle, CURLOPT_CAINFO, extraCa) != CURLE_OK)
        LOGE("Failed CURLOPT_CAINFO option");

    const bool isPost = !request.mPostData.empty();
    if (isPost && curl_easy_setopt(easyHandle, CURLOPT_POSTFIELDS, request.mPostData.c_str()) != CURLE_OK)
        LOGE("Failed CURLOPT_POST option");
    if (curl_easy_setopt(easyHandle, CURLOPT_POST, isPost ? 1L : 0L) != CURLE_OK)
        LOGE("Failed CURLOPT_POST option");

    if (curl_easy_setopt(easyHandle, CURLOPT_WRITEFUNCTION, ResponseHttpPacketCB) != CURLE_OK)
        LOGE("Failed CURLOPT_WRITEFUNCTION option");
    if (curl_easy_setopt(easyHandle, CURLOPT_WRITEDATA, session) != CURLE_OK)
        LOGE("Failed CURLOPT_WRITEDATA option");
    if (curl_easy_setopt(easyHandle, CURLOPT_PRIVATE, session) != CURLE_OK)
        LOGE("Failed CURLOPT_PRIVATE option");
    if (curl_easy_setopt(easyHandle, CURLOPT_ACCEPT_ENCODING, "gzip,deflate") != CURLE_OK)
        LOGE("Failed CURLOPT_ENCODING option");
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

    curl_slist* headerSlist = nullptr;
    for (const std::string& line : requestData->mHeaderList)
    {
        if (line.empty())
            continue;
        curl_slist* appended = curl_slist_append(headerSlist, line.c_str());
        if (appended)
            headerSlist = appended;
    }
    std::shared_ptr<CurlHttpResponseData> responseData = std::make_shared<CurlHttpResponseData>();
    responseData->mTotalPacketDataPtr = std::make_shared<CurlHttpTotalPacketData>();
    std::shared_ptr<CurlSingleEasySession> session =
        std::make_shared<CurlSingleEasySession>(easyHandle, headerSlist, requestData, responseData);
    session->mMaxBodyBytes = mLimits.mMaxBodyBytes;
    ApplyOptions(easyHandle, *requestData, proxyAddress, headerSlist, session.get());

    if (!mCurlMultiSessionPtr)
        mCurlMultiSessionPtr = std::make_shared<CurlMultiSession>();
    bool workerEnding = false;
    if (!MutexLockImpl())
    {
        LOGE("Failed append easy session");
        if (mEventListener)
            mEventListener->OnHttpRequestFailed(requestData);
        return;
    }
    mAddQueue.push_back(session);
    // Read together with the hand-over: a worker that has already decided
    // to end will never take this transfer.
    workerEnding = mWorkerEnding;
    MutexUnlockImpl();

    if (gCurlThread == 0 || workerEnding)
    {
        // First transfer of a batch, or the worker is on its way out: hand
        // the batch to a fresh worker with a fresh pipe.
        StopThread();
        if (!StartThread())
        {
            LOGE("Failed append easy session");
            if (MutexLockImpl())
            {
                mAddQueue.clear();
                MutexUnlockImpl();
            }
            StopThread();
            if (mCurlMultiSessionPtr->mEasySessionList.empty())
                mCurlMultiSessionPtr.reset();
            if (mEventListener)
                mEventListener->OnHttpRequestFailed(requestData);
            return;
        }
    }
    else
    {
        WakeWorker();
    }

    mCurlMultiSessionPtr->mEasySessionList.push_back(session);
    ++gEasySessionCount;
    if (mEventListener)
        mEventListener->OnHttpRequestCompleted(requestData);
}

gboolean CurlNetworkConnection::SGIOPipeWatchCB(GIOChannel* channel, GIOCondition condition, gpointer data)
{
    CurlNetworkConnection* pThis = static_cast<CurlNetworkConnection*>(data);
    RETV_IF(pThis == NULL, FALSE);
    return pThis->OnPipeWatch(condition);
}

bool CurlNetworkConnection::StartThread()
{
    if (pipe2(mPipeIOChannelData.mPipeFd, O_NONBLOCK | O_CLOEXEC) != 0)
    {
        LOGE("pipe create failed");
        mPipeIOChannelData.mPipeFd[0] = mPipeIOChannelData.mPipeFd[1] = 0;
        return false;
    }
    if (pipe2(mWakeFd, O_NONBLOCK | O_CLOEXEC) != 0)
    {
        LOGE("pipe create failed");
        mWakeFd[0] = mWakeFd[1] = 0;
    }
    if (!mCurlMultiSessionPtr)
        mCurlMultiSessionPtr = std::make_shared<CurlMultiSession>();
    CURLM* multiHandle = curl_multi_init();
    if (!multiHandle)
    {
        LOGE("Failed curl_multi_init");
        return false;
    }
    mPipeIOChannelData.mGIOPipeChanel = g_io_channel_unix_new(mPipeIOChannelData.mPipeFd[0]);
    mPipeIOChannelData.mPipeWatchId =
        g_io_add_watch(mPipeIOChannelData.mGIOPipeChanel, (GIOCondition)(G_IO_IN | G_IO_ERR | G_IO_HUP),
                       SGIOPipeWatchCB, this);

    // No worker exists here, so these need no lock to be seen by the new one.
    mStopRequested = false;
    mWorkerEnding = false;
    mWorkerMultiHandle = multiHandle;
    if (pthread_create(&gCurlThread, nullptr, StartCurlMultiMainLoop, this) != 0)
    {
        LOGE("pthread_create failed");
        gCurlThread = 0;
        mWorkerMultiHandle = nullptr;
        curl_multi_cleanup(multiHandle);
        return false;
    }
    ++mWorkerStartCount;

    // Results an earlier worker left behind lost their messages with its
    // pipe; one message on the new pipe gets them reported.
    bool leftOver = false;
    if (MutexLockImpl())
    {
        leftOver = !mDoneQueue.empty();
        MutexUnlockImpl();
    }
    if (leftOver)
        WritePipeMessage(STATE_DONE_OK);
    return true;
}

void CurlNetworkConnection::StopThread()
{
    if (gCurlThread != 0)
    {
        // The worker never holds the lock across a libcurl call and checks
        // the flag at the top of every round, so the join is one round away.
        if (MutexLockImpl())
        {
            mStopRequested = true;
            MutexUnlockImpl();
        }
        WakeWorker();
        pthread_join(gCurlThread, nullptr);
        gCurlThread = 0;
    }
    if (MutexLockImpl())
    {
        mStopRequested = false;
        mWorkerEnding = false;
        MutexUnlockImpl();
    }
    // The worker cleaned its multi handle up before leaving.
    mWorkerMultiHandle = nullptr;

    PipeIOChannelData& pipeData = mPipeIOChannelData;
    if (pipeData.mPipeWatchId > 0)
    {
        g_source_remove(pipeData.mPipeWatchId);
        pipeData.mPipeWatchId = 0;
    }
    DrainPipe();
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

void CurlNetworkConnection::DrainPipe()
{
    // Messages only wake the main loop; the results themselves wait in the
    // finished queue, so dropping them loses nothing.
    if (mPipeIOChannelData.mPipeFd[0] <= 0)
        return;
    PipeTransCurlData* message = nullptr;
    while (read(mPipeIOChannelData.mPipeFd[0], &message, sizeof(message)) == (ssize_t)sizeof(message))
        delete message;
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
    // Named so that a profile or top tells its share from the main loop's.
    pthread_setname_np(pthread_self(), "pelorn-http");
    pThis->RunCurlMultiMainLoop();
    return nullptr;
}

void CurlNetworkConnection::RunCurlMultiMainLoop()
{
    // The pipes are made before this thread starts and closed only after it
    // was joined, so they are stable here; the multi handle and the easy
    // handles in it are this thread's alone.
    const int wakeFd = mWakeFd[0];
    CURLM* const multiHandle = mWorkerMultiHandle;
    bool ending = false;

    std::vector<std::shared_ptr<CurlSingleEasySession>> active;
    std::vector<std::shared_ptr<CurlSingleEasySession>> adds, removes, finished;
    for (;;)
    {
        adds.clear();
        removes.clear();
        if (!MutexLockImpl())
            break;
        const bool stop = mStopRequested;
        adds.swap(mAddQueue);
        removes.swap(mRemoveQueue);
        MutexUnlockImpl();
        if (stop)
        {
            // Left in the queue: the main thread clears it on tear-down.
            if (MutexLockImpl())
            {
                adds.insert(adds.end(), mAddQueue.begin(), mAddQueue.end());
                mAddQueue.swap(adds);
                MutexUnlockImpl();
            }
            break;
        }

        for (const auto& session : adds)
        {
            if (session->mCancelled)
                continue;
            if (curl_multi_add_handle(multiHandle, session->mEasyHandle) != CURLM_OK)
            {
                LOGE("[Failed] curl_multi_add_handle");
                session->curlState = STATE_DONE_FAILED;
                finished.push_back(session);
                continue;
            }
            active.push_back(session);
        }
        for (const auto& session : removes)
        {
            for (auto it = active.begin(); it != active.end(); ++it)
            {
                if (*it == session)
                {
                    curl_multi_remove_handle(multiHandle, session->mEasyHandle);
                    active.erase(it);
                    break;
                }
            }
        }

        if (!active.empty())
        {
            int running = 0;
            CURLMcode code = curl_multi_perform(multiHandle, &running);
            if (code != CURLM_OK)
                LOGE("Failed multi perform :%d", (int)code);
            CURLMsg* message = nullptr;
            int left = 0;
            while ((message = curl_multi_info_read(multiHandle, &left)) != nullptr)
            {
                if (message->msg == CURLMSG_DONE)
                    FinishTransfer(multiHandle, message, active, finished);
            }
        }

        if (!finished.empty())
        {
            // The main loop takes the whole queue per wake-up, so only a
            // queue that was empty needs a message: a burst of finished
            // transfers costs the main loop one wake-up, not one each.
            bool wasEmpty = false;
            if (MutexLockImpl())
            {
                wasEmpty = mDoneQueue.empty();
                mDoneQueue.insert(mDoneQueue.end(), finished.begin(), finished.end());
                MutexUnlockImpl();
            }
            if (wasEmpty)
                WritePipeMessage(finished.front()->curlState);
            finished.clear();
        }

        if (active.empty())
        {
            // Deciding to end happens under the lock, like handing over a
            // transfer: a request that comes later sees mWorkerEnding and
            // starts a new worker.
            bool end = false;
            if (MutexLockImpl())
            {
                end = mAddQueue.empty() && mRemoveQueue.empty() && !mStopRequested;
                if (end)
                    mWorkerEnding = true;
                MutexUnlockImpl();
            }
            if (end)
            {
                ending = true;
                break;
            }
            continue;
        }

        curl_waitfd wake;
        wake.fd = wakeFd;
        wake.events = CURL_WAIT_POLLIN;
        wake.revents = 0;
        int ready = 0;
        if (curl_multi_poll(multiHandle, &wake, wakeFd > 0 ? 1 : 0, MAX_WAIT_MS, &ready) != CURLM_OK)
            LOGE("select error");
        if (wake.revents)
        {
            char drain[64];
            while (read(wakeFd, drain, sizeof(drain)) > 0)
            {
            }
        }
    }

    for (const auto& session : active)
        curl_multi_remove_handle(multiHandle, session->mEasyHandle);
    curl_multi_cleanup(multiHandle);
    // Last: once the main loop reads this, joining is only the thread's exit.
    if (ending)
        WritePipeMessage(STATE_WORKER_ENDING);
}

void CurlNetworkConnection::FinishTransfer(CURLM* multiHandle, CURLMsg* message,
                                           std::vector<std::shared_ptr<CurlSingleEasySession>>& active,
                                           std::vector<std::shared_ptr<CurlSingleEasySession>>& finished)
{
    // Worker thread, no lock: the session is this thread's until handed over.
    std::shared_ptr<CurlSingleEasySession> session;
    for (auto it = active.begin(); it != active.end(); ++it)
    {
        if ((*it)->mEasyHandle == message->easy_handle)
        {
            session = *it;
            active.erase(it);
            break;
        }
    }
    if (!session)
        return;
    const CURLcode result = message->data.result;
    curl_multi_remove_handle(multiHandle, session->mEasyHandle);
    long responseCode = 0;
    curl_easy_getinfo(session->mEasyHandle, CURLINFO_RESPONSE_CODE, &responseCode);
    // Nothing needs the handle any more. Freeing it here, where its buffers
    // were made, keeps that work off the main loop that reports the result.
    curl_easy_cleanup(session->mEasyHandle);
    session->mEasyHandle = nullptr;
    curl_slist_free_all(session->mHeaderSlist);
    session->mHeaderSlist = nullptr;
    // A body cut short, over the limit or undecodable is no image either,
    // even when its status line said 200.
    if (responseCode == 200 && result == CURLE_OK && !session->mBodyOverLimit)
    {
        session->curlState = STATE_DONE_OK;
    }
    else
    {
        LOGE("Response Error Code :%d", (int)responseCode);
        if (session->mBodyOverLimit || result == CURLE_FILESIZE_EXCEEDED)
            LOGE("response body over %zu bytes: transfer aborted", session->mMaxBodyBytes);
        else if (result != CURLE_OK)
            LOGE("transfer result: %s", curl_easy_strerror(result));
        session->curlState = STATE_DONE_FAILED;
        session->mRequestDataPtr->mResponseCode = (int)responseCode;
    }
    finished.push_back(session);
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
    const unsigned int generation = mWorkerStartCount;
    bool workerEnded = false;
    if (condition & G_IO_IN)
    {
        for (;;)
        {
            PipeTransCurlData* message = nullptr;
            ssize_t ret = read(mPipeIOChannelData.mPipeFd[0], &message, sizeof(message));
            if (ret < (ssize_t)sizeof(message))
            {
                if (ret > 0 || (ret < 0 && errno != EAGAIN))
                    LOGE("there is no message in the pipe, ret:%d", (int)ret);
                break;
            }
            if (CheckThreadStatus(message))
                workerEnded = true;
        }
    }
    if (condition & G_IO_ERR)
        LOGE("G_IO_ERR");
    if (condition & G_IO_HUP)
        LOGE("G_IO_HUP");

    // Listeners run here and may cancel, add or close meanwhile.
    ResponseHttpRequestEveryCurlMsgDone();
    if (mPipeIOChannelData.mPipeWatchId != watchId || mWorkerStartCount != generation)
        return FALSE; // this watch's batch was stopped or replaced while reporting
    if (workerEnded)
    {
        StopThread();
        ResponseHttpRequest();
        return FALSE;
    }
    if (condition & (G_IO_ERR | G_IO_HUP))
    {
        mPipeIOChannelData.mPipeWatchId = 0;
        return FALSE;
    }
    return TRUE;
}

bool CurlNetworkConnection::CheckThreadStatus(PipeTransCurlData* message)
{
    if (!message)
    {
        LOGE("invalid pointer type");
        return false;
    }
    bool workerEnded = false;
    switch (message->curlState)
    {
    case STATE_DONE_OK:
    case STATE_DONE_FAILED:
        break; // the finished queue is read once the pipe is empty
    case STATE_WORKER_ENDING:
        workerEnded = true;
        break;
    default:
        LOGE("curlState: %d", message->curlState);
        break;
    }
    delete message;
    return workerEnded;
}

bool CurlNetworkConnection::TakeLiveSession(const std::shared_ptr<CurlSingleEasySession>& session)
{
    if (!mCurlMultiSessionPtr)
        return false;
    std::list<std::shared_ptr<CurlSingleEasySession>>& live = mCurlMultiSessionPtr->mEasySessionList;
    for (auto it = live.begin(); it != live.end(); ++it)
    {
        if (*it == session)
        {
            live.erase(it);
            --gEasySessionCount;
            return true;
        }
    }
    return false;
}

void CurlNetworkConnection::ReportSession(int state, const std::shared_ptr<CurlSingleEasySession>& session)
{
    session->curlState = STATE_REPORTED;
    if (!mEventListener)
        return;
    if (state == STATE_DONE_OK)
        mEventListener->OnHttpResponseCompleted(session->mRequestDataPtr, session->mResponseDataPtr);
    else
        mEventListener->OnHttpResponseFailed(session->mRequestDataPtr);
}

bool CurlNetworkConnection::ResponseHttpRequestEveryCurlMsgDone()
{
    std::vector<std::shared_ptr<CurlSingleEasySession>> done;
    if (!MutexLockImpl())
        return gEasySessionCount < 1;
    done.swap(mDoneQueue);
    MutexUnlockImpl();
    // A session cancelled (or dropped by a close) after it finished is no
    // longer live, and its result goes unreported.
    for (const auto& session : done)
    {
        if (TakeLiveSession(session))
            ReportSession(session->curlState, session);
    }
    return gEasySessionCount < 1;
}

void CurlNetworkConnection::ResponseHttpRequest()
{
    // Tear-down of a batch whose worker has ended and been joined.
    if (!mCurlMultiSessionPtr)
    {
        LOGE("Failed get curl multi session");
        return;
    }
    std::vector<std::shared_ptr<CurlSingleEasySession>> done;
    if (MutexLockImpl())
    {
        done.swap(mDoneQueue);
        mAddQueue.clear();
        mRemoveQueue.clear();
        MutexUnlockImpl();
    }
    std::shared_ptr<CurlMultiSession> batch;
    batch.swap(mCurlMultiSessionPtr);
    std::list<std::shared_ptr<CurlSingleEasySession>> live;
    live.swap(batch->mEasySessionList);
    gEasySessionCount -= (int)live.size();
    // Listeners may start the next batch; this one is already gone.
    for (const auto& session : done)
    {
        for (const auto& candidate : live)
        {
            if (candidate == session)
            {
                ReportSession(session->curlState, session);
                break;
            }
        }
    }
}

std::shared_ptr<CurlNetworkConnection::CurlSingleEasySession> CurlNetworkConnection::FindSingleEasySessiong(int requestId)
{
    if (!mCurlMultiSessionPtr)
        return nullptr;
    for (const auto& session : mCurlMultiSessionPtr->mEasySessionList)
        if (session->mRequestDataPtr && session->mRequestDataPtr->mRequestId == requestId)
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
    if (!mCurlMultiSessionPtr)
    {
        LOGE("Failed get curl multi session");
        return;
    }
    std::shared_ptr<CurlSingleEasySession> session = FindSingleEasySessiong(requestId);
    if (!session)
    {
        LOGE("Failed find curl single easy session ptr");
        return;
    }
    DestoryHttpRequest(session);
}

void CurlNetworkConnection::DestoryHttpRequest(const std::shared_ptr<CurlSingleEasySession>& session)
{
    // Returns at once: the worker drops the transfer on its next round, and
    // the write callback stops it even in the middle of one.
    session->mCancelled = true;
    TakeLiveSession(session);
    if (MutexLockImpl())
    {
        mRemoveQueue.push_back(session);
        MutexUnlockImpl();
    }
    WakeWorker();
}

void CurlNetworkConnection::MarkAllCancelled()
{
    if (!mCurlMultiSessionPtr)
        return;
    for (const auto& session : mCurlMultiSessionPtr->mEasySessionList)
        session->mCancelled = true;
}

void CurlNetworkConnection::DestoryAllHttpRequest()
{
    // Called once the worker is gone: nothing is reported.
    if (MutexLockImpl())
    {
        mAddQueue.clear();
        mRemoveQueue.clear();
        mDoneQueue.clear();
        MutexUnlockImpl();
    }
    if (mCurlMultiSessionPtr)
    {
        gEasySessionCount -= (int)mCurlMultiSessionPtr->mEasySessionList.size();
        mCurlMultiSessionPtr->mEasySessionList.clear();
        mCurlMultiSessionPtr.reset();
    }
}

void CurlNetworkConnection::Close()
{
    MarkAllCancelled();
    StopThread();
    DestoryAllHttpRequest();
}

size_t CurlNetworkConnection::ResponseHttpPacketCB(char* data, size_t size, size_t count, void* session)
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
    CurlSingleEasySession* easySession = static_cast<CurlSingleEasySession*>(session);
    if (!easySession || !easySession->mResponseDataPtr || !easySession->mResponseDataPtr->mTotalPacketDataPtr)
    {
        LOGE("Invalid cur http packet data");
        return 0;
    }
    // Returning less than was given makes libcurl abort the transfer.
    if (easySession->mCancelled)
        return 0;
    CurlHttpTotalPacketData* packet = easySession->mResponseDataPtr->mTotalPacketDataPtr.get();
    if (packet->mBodyCapacity == 0 && easySession->mEasyHandle)
    {
        // A declared length (within the limit, which libcurl has checked)
        // sizes the body once; a compressed body still grows as it unpacks.
        curl_off_t declared = -1;
        if (curl_easy_getinfo(easySession->mEasyHandle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &declared) ==
                CURLE_OK &&
            declared > 0 && (size_t)declared <= easySession->mMaxBodyBytes && (size_t)declared >= packetLen)
        {
            char* body = static_cast<char*>(malloc((size_t)declared + 1));
            if (body)
            {
                packet->mBodyData = body;
                packet->mBodyCapacity = (size_t)declared + 1;
            }
        }
    }
    if (!AppendPacketBodyData(packet, data, packetLen, easySession->mMaxBodyBytes))
    {
        easySession->mBodyOverLimit = true;
        return 0;
    }
    return packetLen;
}

bool CurlNetworkConnection::AppendPacketBodyData(CurlHttpTotalPacketData* packet, const char* data, size_t length,
                                                 size_t maxLength)
{
    const size_t used = packet->mBodyLength > 0 ? (size_t)packet->mBodyLength : 0;
    if (length > maxLength || used > maxLength - length)
        return false;
    const size_t total = used + length;
    // One byte more than the body for the terminating 0; the capacity grows
    // by doubling, so a large body costs a few copies, not one per chunk.
    if (total + 1 > packet->mBodyCapacity)
    {
        size_t capacity = packet->mBodyCapacity > 0 ? packet->mBodyCapacity : FIRST_BODY_CAPACITY;
        while (capacity < total + 1)
            capacity *= 2;
        if (capacity > maxLength + 1)
            capacity = maxLength + 1;
        char* grown = static_cast<char*>(realloc(packet->mBodyData, capacity));
        if (!grown)
        {
            LOGE("Invalied total len");
            return false;
        }
        packet->mBodyData = grown;
        packet->mBodyCapacity = capacity;
    }
    memcpy(packet->mBodyData + used, data, length);
    packet->mBodyData[total] = '\0';
    packet->mBodyLength = (int)total;
    return true;
}
} // namespace NSORZCommon
