#include "ConsumerController.h"

#include "ConsumerMessageType.h"
#include "DBusUtil.h"
#include "KivMessageParser.h"
#include "MessageManager.h"
#include "OrzLog.h"
#include "StringUtil.h"
#include "pelorn_clock.h"

namespace NSPelorn
{
namespace
{
const guint PROVIDER_RESPONSE_TIMEOUT_SEC = 180;
const guint SEND_DATA_RETRY_MS = 200;
const guint CLOSE_CONNECTION_RETRY_SEC = 1;
const int MAX_RESEND_COUNT = 5;
const char* const BRIG_CONNECTED_KEY = "memory/brig/brig_connected";

/* The host manager's view of the phone, read through the platform. */
bool IsHostConnected()
{
    int connected = 0;
    if (vconf_get_bool(BRIG_CONNECTED_KEY, &connected) != VCONF_OK)
    {
        LOGE("vconf_get_bool  failed(%d)", VCONF_ERROR);
        return false;
    }
    return connected != 0;
}

/* The resource daemon keeps one state per process, so one utility serves the
 * whole process; it is never destroyed, since the link may still be closed
 * while static objects are torn down. */
void SendProcessPriority(const char* message)
{
    static NSORZCommon::DBusUtil* const dbusUtil = new NSORZCommon::DBusUtil();
    LOGE("process priority: %s", message);
    if (std::string(message) == "include")
        dbusUtil->SendProcInclude();
    else
        dbusUtil->SendProcExclude();
}

/* The phone's message that answers a request; none for the found-device
 * report, which the phone never answers. */
int AnswerTypeOf(int sendType)
{
    switch (sendType)
    {
    case ORZ_SEND_MSG_TYPE_START_REQ:
        return ORZ_RECV_MSG_TYPE_START_RSP;
    case ORZ_SEND_MSG_TYPE_STOP_REQ:
        return ORZ_RECV_MSG_TYPE_STOP_RSP;
    case ORZ_SEND_MSG_TYPE_LOCATION_REQ:
        return ORZ_RECV_MSG_TYPE_LOCATION_RSP;
    case ORZ_SEND_MSG_TYPE_LOCATION_SETTING_GET_REQ:
        return ORZ_RECV_MSG_TYPE_LOCATION_SETTING_GET_RSP;
    case ORZ_SEND_MSG_TYPE_LOCATION_SETTING_SET_REQ:
        return ORZ_RECV_MSG_TYPE_LOCATION_SETTING_SET_RSP;
    default:
        return ORZ_RECV_MSG_TYPE_INVALID;
    }
}
} // namespace

ConsumerController::ConsumerController()
    : mKiv(nullptr), mWaitingProviderResponse(false), mProviderResponseTimer(0), mCloseConnectionTimer(0),
      mConsumerEventListener(nullptr), mSendDataTimer(0), mResendCount(0),
      mAwaitedAnswerType(ORZ_RECV_MSG_TYPE_INVALID)
{
}

ConsumerController::~ConsumerController()
{
    if (mProviderResponseTimer)
        pelorn_timer_remove(mProviderResponseTimer);
    if (mCloseConnectionTimer)
        pelorn_timer_remove(mCloseConnectionTimer);
    if (mSendDataTimer)
        pelorn_timer_remove(mSendDataTimer);
    vconf_ignore_key_changed(BRIG_CONNECTED_KEY, BrigConnectionChangedCb);
    Kiv* kiv = Kiv::GetInstance();
    if (kiv)
        kiv->SetKivEventListener(nullptr);
}

bool ConsumerController::SendMessage(int sendType)
{
    mKiv = Kiv::GetInstance();
    if (mKiv == NULL)
    {
        LOGE("mKiv == NULL");
        return false;
    }
    // A request made before the link was opened (a launch that rings at once)
    // starts the link steps itself; their confirmations must reach this queue.
    mKiv->SetKivEventListener(this);

    if (sendType == ORZ_SEND_MSG_TYPE_LOCATION_STOP_REQ)
    {
        mWaitingProviderResponse = false;
        return true;
    }
    if (sendType == ORZ_SEND_MSG_TYPE_START_GIVE_UP)
    {
        GiveUpRing();
        return true;
    }

    if (!CheckNeedSending(sendType))
    {
        // The new request cancels the opposite one that has not left yet.
        mSendMessageQueue.pop_back();
        return true;
    }

    mSendMessageQueue.push_back(sendType);
    switch (mKiv->IsKivReadyToSendMessage())
    {
    case 0:
        SendMessageToHost();
        break;
    case 1:
        mKiv->RegisterServiceAgent();
        break;
    case 2:
        mKiv->FindPeerAgent();
        break;
    case 3:
        mKiv->OpenServiceConnection();
        break;
    default:
        break;
    }
    // After the request has left: the signal goes through the system bus (its
    // first use loads the bus library, every use waits for the flush), and
    // nothing on the phone's side waits for it.
    if (sendType == ORZ_SEND_MSG_TYPE_START_REQ)
        SendProcessPriority("include");
    else if (sendType == ORZ_SEND_MSG_TYPE_STOP_REQ)
        SendProcessPriority("exclude");
    return true;
}

bool ConsumerController::CheckNeedSending(int sendType)
{
    if (mSendMessageQueue.empty())
    {
        LOGE("mSendMessageQueue.empty() == true");
        return true;
    }
    const int last = mSendMessageQueue.back();
    if (last == ORZ_SEND_MSG_TYPE_START_REQ && sendType == ORZ_SEND_MSG_TYPE_STOP_REQ)
    {
        LOGE("queue last msg:ORZ_SEND_MSG_TYPE_START_REQ, input msg:ORZ_SEND_MSG_TYPE_STOP_REQ. so filter out");
        return false;
    }
    if (last == ORZ_SEND_MSG_TYPE_STOP_REQ && sendType == ORZ_SEND_MSG_TYPE_START_REQ)
    {
        LOGE("queue last msg:ORZ_SEND_MSG_TYPE_STOP_REQ, input msg:ORZ_SEND_MSG_TYPE_START_REQ. so filter out");
        return false;
    }
    return true;
}

void ConsumerController::RemoveQueueHead()
{
    if (!mSendMessageQueue.empty())
        mSendMessageQueue.pop_front();
    mResendCount = 0;
}

/* The wearer was told that the phone could not be reached. A ring request
 * still queued (no link yet) must not leave later and ring a phone nobody
 * looks for; one that left may reach a slow phone yet, so a stop follows it.
 * That stop awaits no answer: a silent phone would hold every later request
 * behind it for the answer time-out, and the next tap must go at once. */
void ConsumerController::GiveUpRing()
{
    const bool left = mWaitingProviderResponse && mAwaitedAnswerType == ORZ_RECV_MSG_TYPE_START_RSP;
    mSendMessageQueue.remove_if(
        [](int type) { return type == ORZ_SEND_MSG_TYPE_START_REQ || type == ORZ_SEND_MSG_TYPE_STOP_REQ; });
    LOGE("the ring request is given up (%s)", left ? "sent, unanswered" : "not sent");
    if (!left)
        return;
    mWaitingProviderResponse = false;
    mAwaitedAnswerType = ORZ_RECV_MSG_TYPE_INVALID;
    if (mProviderResponseTimer)
    {
        pelorn_timer_remove(mProviderResponseTimer);
        mProviderResponseTimer = 0;
    }
    mSendMessageQueue.push_front(ORZ_SEND_MSG_TYPE_START_GIVE_UP);
    mResendCount = 0;
    SendMessageToHost();
    SendProcessPriority("exclude");
}

void ConsumerController::SendMessageToHost()
{
    if (mWaitingProviderResponse)
    {
        LOGE("GetWaitingProviderResponse() == true");
        return;
    }
    MessageManager* messageManager = MessageManager::GetInstance();
    if (messageManager == NULL)
    {
        LOGE("messageManager == NULL");
        return;
    }
    if (mSendMessageQueue.empty())
        return;
    mKiv = Kiv::GetInstance();
    RETM_IF(mKiv == NULL, "mKiv == NULL");

    const int sendType = mSendMessageQueue.front();
    const std::string message = messageManager->CreateSendMessage(
        sendType == ORZ_SEND_MSG_TYPE_START_GIVE_UP ? ORZ_SEND_MSG_TYPE_STOP_REQ : sendType);
    if (message.empty())
    {
        LOGE("invalid message");
        RemoveQueueHead();
        return;
    }

    const int result = mKiv->KivDataSend(message);
    LOGE("SendMessageToHost, message:%s", message.c_str());
    if (result == DATA_SUCCESS && sendType == ORZ_SEND_MSG_TYPE_START_GIVE_UP)
    {
        RemoveQueueHead();
        SendMessageToHost(); // what queued behind it goes now
    }
    else if (result == DATA_SUCCESS)
    {
        if (mProviderResponseTimer)
            pelorn_timer_remove(mProviderResponseTimer);
        mProviderResponseTimer = pelorn_timer_add_seconds(PROVIDER_RESPONSE_TIMEOUT_SEC, ProviderResponseTimer, this);
        mAwaitedAnswerType = AnswerTypeOf(sendType);
        LOGE("set mWaitingProviderResponse as true");
        // The phone does not answer its own found-device report.
        if (sendType != ORZ_SEND_MSG_TYPE_FOUND_DEVICE_RSP)
            mWaitingProviderResponse = true;
        RemoveQueueHead();
    }
    else if (result == BUFFER_FULL)
    {
        if (mResendCount < MAX_RESEND_COUNT)
        {
            if (mSendDataTimer)
                pelorn_timer_remove(mSendDataTimer);
            mResendCount++;
            mSendDataTimer = pelorn_timer_add(SEND_DATA_RETRY_MS, SendDataTimerCb, this);
        }
        else
        {
            LOGE("we tried to re-send five times. but we can't send for the data(%s)", message.c_str());
            RemoveQueueHead();
        }
    }
    else
    {
        LOGE("Fail to send Data to HostDevice for the data(%s)", message.c_str());
        RemoveQueueHead();
    }
}

gboolean ConsumerController::SendDataTimerCb(gpointer data)
{
    ConsumerController* pThis = static_cast<ConsumerController*>(data);
    RETV_IF(pThis == NULL, G_SOURCE_REMOVE);
    // Cleared first: a re-send that fails again starts a new timer of its own.
    pThis->mSendDataTimer = 0;
    pThis->SendMessageToHost();
    return G_SOURCE_REMOVE;
}

gboolean ConsumerController::ProviderResponseTimer(gpointer data)
{
    ConsumerController* pThis = static_cast<ConsumerController*>(data);
    RETV_IF(pThis == NULL, G_SOURCE_REMOVE);
    LOGE("ProviderResponseTimer. no response from provider. remove all messages in queue");
    pThis->mSendMessageQueue.clear();
    pThis->mResendCount = 0;
    pThis->mProviderResponseTimer = 0;
    pThis->mAwaitedAnswerType = ORZ_RECV_MSG_TYPE_INVALID;
    if (pThis->mConsumerEventListener)
        pThis->mConsumerEventListener->OnConsumerMsgReceived(ORZ_RECV_MSG_TYPE_NO_RESPONSE, NULL);
    else
        LOGE("mConsumerEventListener is null");
    LOGE("set mWaitingProviderResponse as false");
    pThis->mWaitingProviderResponse = false;
    return G_SOURCE_REMOVE;
}

int ConsumerController::GetValidLengthOfProviderMsg(const char* receivedData, int length)
{
    if (receivedData == NULL)
    {
        LOGE("receivedData == NULL");
        return 0;
    }
    if (length <= 0)
        return 0;

    int depth = 0;
    int count = 0;
    for (const char* p = receivedData;; p++)
    {
        // Bit 5 cleared folds '{' onto '[' and '}' onto ']'.
        const unsigned char folded = (unsigned char)*p & 0xDF;
        if (folded == 0x5B)
            depth++;
        else if (folded == 0x5D)
            depth--;
        count++;
        if (depth == 0)
            return count;
        if (count >= length)
            return length;
    }
}

void ConsumerController::Deliver(int recvType, void* data)
{
    // Ended before the listener runs: it may send the next request at once.
    if (recvType == mAwaitedAnswerType)
    {
        LOGE("set mWaitingProviderResponse as false");
        mWaitingProviderResponse = false;
        mAwaitedAnswerType = ORZ_RECV_MSG_TYPE_INVALID;
        if (mProviderResponseTimer)
        {
            pelorn_timer_remove(mProviderResponseTimer);
            mProviderResponseTimer = 0;
        }
    }
    if (mConsumerEventListener)
        mConsumerEventListener->OnConsumerMsgReceived(recvType, data);
    else
        LOGE("mConsumerEventListener is null");
}

void ConsumerController::OnKivDataIndication(const std::string& data)
{
    // Only the answer to the request in flight is acted on and ends the wait
    // (see Deliver), once: anything else the phone sends, garbage included, is
    // dropped and leaves the time-out running. The phone's found-device report
    // answers nothing and always counts.
    const int validCount = GetValidLengthOfProviderMsg(data.c_str(), (int)data.length());
    if (validCount <= 0)
    {
        LOGE("validCount <=0");
        return;
    }

    LOGE("OnKivDataIndication message : %s", NSORZCommon::StringUtil::LogExcerpt(data).c_str());
    const int awaited = mAwaitedAnswerType;

    const char* text = data.c_str();
    KivMessageParser parser(text, validCount);
    int recvType = ORZ_RECV_MSG_TYPE_INVALID;
    int ret = parser.ParseMessageID(text, validCount, recvType);
    if (ret != 0)
    {
        LOGE("ParseMessageID error : %d", ret);
    }
    else if (recvType != ORZ_RECV_MSG_TYPE_INVALID && recvType != ORZ_RECV_MSG_TYPE_FOUND_DEVICE_REQ &&
             recvType != awaited)
    {
        // An answer to no request outstanding, or a second one to the same:
        // acting on it would ask the phone and the map server again.
        LOGE("answer of type %d dropped: not the answer awaited (type %d)", recvType, awaited);
        return;
    }
    else
    {
        LOGE("recvMsgType [%d]", recvType);
        switch (recvType)
        {
        case ORZ_RECV_MSG_TYPE_START_RSP:
        {
            CallData callData;
            ret = parser.ParseCallData(text, validCount, &callData);
            if (ret != 0)
            {
                LOGE("ParseCallData error : %d", ret);
                break;
            }
            // A refused ring needs no stop: the screen goes back on its own.
            if (callData.mIsResponse == 1 && callData.mReason != 0 && !mSendMessageQueue.empty() &&
                mSendMessageQueue.front() == ORZ_SEND_MSG_TYPE_STOP_REQ)
                RemoveQueueHead();
            Deliver(ORZ_RECV_MSG_TYPE_START_RSP, &callData);
            break;
        }
        case ORZ_RECV_MSG_TYPE_STOP_RSP:
            SendProcessPriority("exclude");
            Deliver(ORZ_RECV_MSG_TYPE_STOP_RSP, NULL);
            break;
        case ORZ_RECV_MSG_TYPE_FOUND_DEVICE_REQ:
        {
            SendProcessPriority("exclude");
            FoundDeviceData foundDeviceData;
            ret = parser.ParseFoundDeviceData(text, validCount, &foundDeviceData);
            if (ret != 0)
            {
                LOGE("ParseFoundDeviceData error : %d", ret);
                break;
            }
            Deliver(ORZ_RECV_MSG_TYPE_FOUND_DEVICE_REQ, &foundDeviceData);
            LOGE("foundDeviceDataPtr->mResult [%d]", foundDeviceData.mResult);
            break;
        }
        case ORZ_RECV_MSG_TYPE_LOCATION_RSP:
        {
            LocationData locationData;
            ret = parser.ParseLocationData(text, validCount, &locationData);
            if (ret != 0)
            {
                LOGE("ParseLocationData error : %d", ret);
                break;
            }
            Deliver(ORZ_RECV_MSG_TYPE_LOCATION_RSP, &locationData);
            break;
        }
        case ORZ_RECV_MSG_TYPE_LOCATION_SETTING_GET_RSP:
        {
            LocationSetting locationSetting;
            ret = parser.ParseLocationSettingData(text, validCount, &locationSetting);
            if (ret != 0)
            {
                LOGE("ParseLocationData error : %d", ret);
                break;
            }
            LOGE("locationSettingPtr->mLocationState: %d", locationSetting.mLocationState);
            LOGE("locationSettingPtr->mLocationHighAccuracyState: %d", locationSetting.mLocationHighAccuracyState);
            Deliver(ORZ_RECV_MSG_TYPE_LOCATION_SETTING_GET_RSP, &locationSetting);
            break;
        }
        case ORZ_RECV_MSG_TYPE_LOCATION_SETTING_SET_RSP:
            Deliver(ORZ_RECV_MSG_TYPE_LOCATION_SETTING_SET_RSP, NULL);
            break;
        default:
            LOGE("invalid message type. so we don't need to send this message to view");
            break;
        }
    }
    if (awaited != ORZ_RECV_MSG_TYPE_INVALID && awaited != recvType)
        LOGE("not the answer awaited (type %d); the answer time-out runs on", awaited);

    SendMessageToHost();
}

bool ConsumerController::OpenConnection()
{
    LOGE("ConsumerController::OpenConnection()");
    if (mCloseConnectionTimer)
    {
        LOGE("there is closeConnectionTimer. we stop it and use old connection");
        pelorn_timer_remove(mCloseConnectionTimer);
        mCloseConnectionTimer = 0;
        return true;
    }

    mKiv = Kiv::GetInstance();
    RETVM_IF(mKiv == NULL, true, "mKiv == NULL");
    mKiv->SetKivEventListener(this);
    if (IsHostConnected())
    {
        mKiv->RegisterServiceAgent();
    }
    else if (vconf_notify_key_changed(BRIG_CONNECTED_KEY, BrigConnectionChangedCb, this) != VCONF_OK)
    {
        LOGE("NotifyBrigConnectionChangedCb failed");
    }
    return true;
}

void ConsumerController::BrigConnectionChangedCb(keynode_t* node, void* data)
{
    ConsumerController* pThis = static_cast<ConsumerController*>(data);
    RET_IF(pThis == NULL);
    pThis->mKiv = Kiv::GetInstance();
    RETM_IF(pThis->mKiv == NULL, "pThis->mKiv == NULL");
    if (!IsHostConnected())
        return;
    pThis->mSendMessageQueue.clear();
    pThis->mResendCount = 0;
    pThis->mWaitingProviderResponse = false;
    pThis->mKiv->RegisterServiceAgent();
}

bool ConsumerController::CloseConnection()
{
    if (mWaitingProviderResponse)
    {
        LOGE("ConsumerController::CloseConnection. GetWaitingProviderResponse is true. so we are waiting");
        // A second close while one waits replaces it: one pending close is enough.
        if (mCloseConnectionTimer)
            pelorn_timer_remove(mCloseConnectionTimer);
        mCloseConnectionTimer = pelorn_timer_add_seconds(CLOSE_CONNECTION_RETRY_SEC, CloseConnectionTimer, this);
        return true;
    }
    LOGE("ConsumerController::CloseConnection()");
    CloseConnectionNow();
    return true;
}

void ConsumerController::CloseConnectionNow()
{
    vconf_ignore_key_changed(BRIG_CONNECTED_KEY, BrigConnectionChangedCb);
    mKiv = Kiv::GetInstance();
    if (mKiv)
        mKiv->DeRegisterServiceAgent();
    SendProcessPriority("exclude");
    mSendMessageQueue.clear();
    mResendCount = 0;
    LOGE("set mWaitingProviderResponse as false");
    mWaitingProviderResponse = false;
}

gboolean ConsumerController::CloseConnectionTimer(gpointer data)
{
    ConsumerController* pThis = static_cast<ConsumerController*>(data);
    RETV_IF(pThis == NULL, G_SOURCE_REMOVE);
    if (pThis->mWaitingProviderResponse)
    {
        LOGE("GetWaitingProviderResponse is true. so we should wait");
        return G_SOURCE_CONTINUE;
    }
    LOGE("ConsumerController::CloseConnectionTimer.");
    pThis->CloseConnectionNow();
    pThis->mCloseConnectionTimer = 0;
    return G_SOURCE_REMOVE;
}

void ConsumerController::OnKivConnectionCreationConfirm(int result)
{
    if (result != 0)
    {
        LOGE("OnKivConnectionCreationConfirm ConnectionCreation failed[%d]", result);
        return;
    }
    SendMessageToHost();
}

void ConsumerController::OnKivDeviceStatus(int type, int status)
{
    if (status != DEVICE_DETACHED)
        return;
    const bool awaiting = mWaitingProviderResponse;
    mSendMessageQueue.clear();
    mResendCount = 0;
    mWaitingProviderResponse = false;
    LOGE("OnKivDeviceStatus(DEVICE_DETACHED)");
    if (awaiting)
        ReportLinkLost();
}

void ConsumerController::OnKivTerminationIndication(int reason)
{
    LOGE("OnKivTerminationIndication(%d)", reason);
    if (mWaitingProviderResponse)
        ReportLinkLost();
}

void ConsumerController::OnKivError(int error)
{
    if (Kiv::GetInstance() == NULL)
    {
        LOGE("mKiv == NULL");
        return;
    }
    LOGE("OnKivError(%d)", error);
    if (mWaitingProviderResponse)
        ReportLinkLost();
}

/* The screen waiting for the answer hears at once that it will not come; the
 * answer time-out still runs, so whoever waits on it is not cut short. */
void ConsumerController::ReportLinkLost()
{
    LOGE("the link went while answer %d was awaited", mAwaitedAnswerType);
    if (mConsumerEventListener)
        mConsumerEventListener->OnConsumerMsgReceived(ORZ_RECV_MSG_TYPE_LINK_LOST, NULL);
}

void ConsumerController::OnKivPeerAgentFound(int result)
{
}
} // namespace NSPelorn
