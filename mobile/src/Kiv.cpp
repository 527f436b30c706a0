#include "Kiv.h"

#include "OrzLog.h"
#include "pelorn_clock.h"

#include <stdlib.h>
#include <string.h>

namespace NSPelorn
{
namespace
{
const char* const KIV_PROFILE_PATH = "/system/rux";
const char* const KIV_SERVICE_NAME = "RuxConsumer";
const unsigned short KIV_CHANNEL_ID = 103;
const int KIV_MAX_RETRY = 5;
const unsigned int KIV_MAX_SEND_SIZE = 65531;

const char* DataResultName(int result)
{
    switch (result)
    {
    case DATA_SUCCESS:
        return "DATA_SUCCESS";
    case INVALID_ARGUMENTS:
        return "INVALID_ARGUMENTS";
    case INVALID_SERVICE_CONNECTION:
        return "INVALID_SERVICE_CONNECTION";
    case NETWORK_FAILURE:
        return "NETWORK_FAILURE";
    case BUFFER_FULL:
        return "BUFFER_FULL";
    case SDK_ERROR:
        return "SDK_ERROR";
    default:
        return nullptr;
    }
}

// The library's two notices nobody here needs: a peer's details changed, a
// full send buffer drained (the controller re-sends on its own timer).
void OnPeerAgentUpdate(unsigned int, PeerAgent*, int)
{
}

void OnBufferAvailable(unsigned int, unsigned short)
{
}
} // namespace

Kiv* Kiv::GetInstance()
{
    static Kiv* instance = new Kiv();
    return instance;
}

Kiv::Kiv()
    : mKivEventListener(nullptr), mServiceHandleId(0), mLocalAgentID(0), mPeerAgent(nullptr), mFindPeerRetryCount(0),
      mCreateConnectionRetryCount(0), mFindPeerAgentTimer(0), mCreateServiceConnectionTimer(0),
      mTerminateServiceConnectionTimer(0)
{
}

Kiv::~Kiv()
{
    DeRegisterServiceAgent();
}

void Kiv::SetKivEventListener(KivEventListener* listener)
{
    mKivEventListener = listener;
}

int Kiv::IsKivReadyToSendMessage()
{
    if (GetKivLocalAgentId() == 0)
    {
        LOGE("GetKivLocalAgentId() == 0");
        return 1;
    }
    if (GetPeerAgent() == NULL)
    {
        LOGE("GetPeerAgent() == NULL");
        return 2;
    }
    if (GetKivServiceHandleId() == 0)
    {
        LOGE("GetKivServiceHandleId() == 0");
        return 3;
    }
    return 0;
}

void Kiv::RegisterServiceAgent()
{
    AccessoryNotification* kivNotification = (AccessoryNotification*)calloc(1, sizeof(AccessoryNotification));
    if (kivNotification == NULL)
    {
        LOGE("[%s(): %d] (%s) [return]", __func__, __LINE__, "Fail to malloc kivNotification");
    }
    else
    {
        kivNotification->onRegisterServiceAgentConfirm = OnRegisterServiceAgentConfirm;
        kivNotification->onDataIndication = OnDataIndication;
        kivNotification->onServiceConnectionIndication = OnServiceConnectionIndication;
        kivNotification->onServiceTerminationIndication = OnServiceTerminationIndication;
        kivNotification->onServiceCreateConfirm = OnServiceCreateConfirm;
        kivNotification->onPeerAgent = OnPeerAgent;
        kivNotification->onPeerAgentUpdate = OnPeerAgentUpdate;
        kivNotification->onError = OnError;
        kivNotification->onBufferAvailable = OnBufferAvailable;
        kivNotification->onDeviceStatus = OnDeviceStatus;
        if (registerNotifications(*kivNotification) != 0)
            LOGE("Fail to registerNotifications");
    }

    AccessoryChannelDesc* channel = (AccessoryChannelDesc*)calloc(1, sizeof(AccessoryChannelDesc));
    if (channel == NULL)
    {
        LOGE("Fail to malloc ChannelDesc");
    }
    else
    {
        channel->channelId = KIV_CHANNEL_ID;
        channel->priority = 1;
        channel->dataRate = 2;
    }

    AccessoryServiceDesc* service = NULL;
    if (channel == NULL)
    {
        LOGE("channel is NULL");
    }
    else
    {
        service = (AccessoryServiceDesc*)calloc(1, sizeof(AccessoryServiceDesc));
        if (service == NULL)
        {
            LOGE("Fail to malloc ServiceDesc");
        }
        else
        {
            service->profilePath = KIV_PROFILE_PATH;
            service->serviceName = KIV_SERVICE_NAME;
            service->role = 0;
            service->channelCount = 1;
            service->channels = channel;
            service->version = 1;
            int ret = registerServiceAgent(service);
            if (ret != 0)
                LOGE("registerServiceAgent is failed [%d]", ret);
        }
    }

    free(kivNotification);
    free(channel);
    free(service);
}

void Kiv::OnRegisterServiceAgentConfirm(int status, unsigned int localAgentId)
{
    Kiv* pThis = GetInstance();
    RET_IF(pThis == NULL);
    if (localAgentId == pThis->mLocalAgentID)
    {
        LOGE("[%s(): %d] (Already Registered uwLocalAgentId, %d : %d) [return]", __func__, __LINE__, localAgentId,
             pThis->mLocalAgentID);
        return;
    }
    if (status != 0)
    {
        LOGE("Register service agent failed. [StatusCode : %d]", status);
        return;
    }
    pThis->mLocalAgentID = localAgentId;
    pThis->FindPeerAgent();
}

void Kiv::FindPeerAgent()
{
    if (GetKivLocalAgentId() == 0)
    {
        LOGE("GetKivLocalAgentId() == 0");
        return;
    }
    if (GetPeerAgent() != NULL)
    {
        LOGE("GetPeerAgent() != NULL");
        return;
    }
    int ret = findPeerAgent(mLocalAgentID);
    if (ret != 0)
        LOGE("findPeerAgent Failed (%d), mLocalAgentID : %d", ret, mLocalAgentID);
}

void Kiv::OnPeerAgent(unsigned int localAgentId, PeerAgent* peer, int result)
{
    Kiv* pThis = GetInstance();
    RET_IF(pThis == NULL);
    LOGE("uwLocalAgentId : %d", localAgentId);

    if (result == PEER_AGENT_FOUND)
    {
        LOGE("PEER_AGENT_FOUND");
        pThis->SetPeerAgent(peer);
        pThis->CreateServiceConnection();
        if (pThis->mKivEventListener)
            pThis->mKivEventListener->OnKivPeerAgentFound(result);
        else
            LOGE("pThis->mKivEventListener is null");
        return;
    }

    LOGE("PEER_AGENT_FOUND_FAIL [%d]", result);
    if (pThis->mFindPeerRetryCount < KIV_MAX_RETRY)
    {
        pThis->CreateFindPeerAgentTimer();
        pThis->mFindPeerRetryCount++;
    }
    else
    {
        LOGE("[CriticalError] All retry attempts to FindPeer are failed... so CloseServiceConnection");
        pThis->RemoveAllTimers();
        pThis->TerminateServiceConnection();
        pThis->mFindPeerRetryCount = 0;
    }
}

gboolean Kiv::FindPeerAgentTimerCB(gpointer data)
{
    Kiv* pThis = static_cast<Kiv*>(data);
    RETV_IF(pThis == NULL, G_SOURCE_REMOVE);
    // This timer is over: forget its id before removing the others.
    pThis->mFindPeerAgentTimer = 0;
    pThis->RemoveAllTimers();
    if (pThis->GetPeerAgent() == NULL)
        pThis->FindPeerAgent();
    else
        LOGE("there is already peerAgent(%p)", (void*)pThis->GetPeerAgent());
    return G_SOURCE_REMOVE;
}

void Kiv::CreateFindPeerAgentTimer()
{
    if (mFindPeerAgentTimer != 0)
    {
        LOGE("Fail to CreateFindPeerAgent Timer, Alreay Timer Exist");
        return;
    }
    mFindPeerAgentTimer = pelorn_timer_add(mFindPeerRetryCount == 0 ? 2000 : 5000, FindPeerAgentTimerCB, this);
}

void Kiv::CreateServiceConnection()
{
    if (GetPeerAgent() == NULL || GetKivLocalAgentId() == 0 || GetKivServiceHandleId() != 0)
    {
        LOGE("peer agent already connected, GetKivServiceHandleId:%d, GetKivLocalAgentId:%d, GetPeerAgent:%p",
             GetKivServiceHandleId(), GetKivLocalAgentId(), (void*)GetPeerAgent());
        return;
    }
    LOGE("GetLocalAgentId : %d", mLocalAgentID);
    int ret = createServiceConnection(mLocalAgentID, mPeerAgent);
    if (ret == 0)
        LOGE("createServiceConnection Success. Waiting for ConnectionConfirm...");
    else
        LOGE("createServiceConnection Failed (%d)", ret);
}

void Kiv::OnServiceCreateConfirm(unsigned int localAgentId, unsigned int handle, PeerAgent* peer, int result)
{
    Kiv* pThis = GetInstance();
    RET_IF(pThis == NULL);

    if (result == CONNECTION_SUCCESS)
    {
        pThis->mServiceHandleId = handle;
    }
    else if (result == CONNECTION_ALREADY_EXIST)
    {
        LOGE("CONNECTION_ALREADY_EXIST");
        pThis->mServiceHandleId = handle;
    }
    else
    {
        LOGE("CREATE_CONNECTION_FAIL [%d]", result);
        LOGE("retry CreateConnectionService count : [%d]", pThis->mCreateConnectionRetryCount);
        if (pThis->mCreateConnectionRetryCount < KIV_MAX_RETRY)
        {
            pThis->CreateServiceConnectionTimer();
            pThis->mCreateConnectionRetryCount++;
        }
        else
        {
            LOGE("[CriticalError] All retry attempts to ServiceConnect are failed... so CloseServiceConnection");
            pThis->RemoveAllTimers();
            pThis->TerminateServiceConnection();
            pThis->mCreateConnectionRetryCount = 0;
        }
    }

    if (pThis->mKivEventListener)
        pThis->mKivEventListener->OnKivConnectionCreationConfirm(result);
    else
        LOGE("pThis->mKivEventListener is null");
}

void Kiv::CreateServiceConnectionTimer()
{
    if (mCreateServiceConnectionTimer != 0)
    {
        LOGE("Fail to CreateServiceConnection Timer, Alreay Timer Exist");
        return;
    }
    mCreateServiceConnectionTimer = pelorn_timer_add(5000, CreateServiceConnectionTimerCB, this);
}

gboolean Kiv::CreateServiceConnectionTimerCB(gpointer data)
{
    Kiv* pThis = static_cast<Kiv*>(data);
    RETV_IF(pThis == NULL, G_SOURCE_REMOVE);
    pThis->mCreateServiceConnectionTimer = 0;
    pThis->RemoveAllTimers();
    pThis->CreateServiceConnection();
    return G_SOURCE_REMOVE;
}

void Kiv::OpenServiceConnection()
{
    if (GetKivLocalAgentId() == 0)
    {
        LOGE("GetKivLocalAgentId() == 0");
        return;
    }
    if (GetPeerAgent() == NULL)
    {
        LOGE("GetPeerAgent() == NULL");
        return;
    }
    if (GetKivServiceHandleId() != 0)
    {
        LOGE("GetKivServiceHandleId() != 0");
        return;
    }
    CreateServiceConnection();
}

void Kiv::OnServiceConnectionIndication(unsigned int localAgentId, unsigned int handle, PeerAgent* peer)
{
    Kiv* pThis = GetInstance();
    RET_IF(pThis == NULL);
    if (pThis->GetKivServiceHandleId() != 0)
    {
        LOGE("Fail to acceptServiceConnection : ALREADY_CONNECTED");
        return;
    }
    int ret = acceptServiceConnection(localAgentId, handle, peer);
    if (ret != 0)
    {
        LOGE("Fail to acceptServiceConnection : %d", ret);
        return;
    }
    pThis->mLocalAgentID = localAgentId;
    pThis->SetPeerAgent(peer);
    pThis->mServiceHandleId = handle;
}

int Kiv::KivDataSend(const std::string& data)
{
    if (mServiceHandleId == 0)
    {
        LOGE("serviceHandleId == 0");
        return INVALID_SERVICE_CONNECTION;
    }
    if (data.length() < 1 || data.length() > KIV_MAX_SEND_SIZE)
    {
        LOGE("Message is NULL or too long to Send. DataSize[%d]", (int)data.length());
        return INVALID_ARGUMENTS;
    }

    int result = sendData(mServiceHandleId, KIV_CHANNEL_ID, (unsigned int)data.length(), (void*)data.data());
    const char* name = DataResultName(result);
    if (name)
        LOGE("%s", name);
    else
        LOGE("Unknown error : %d", result);
    return result;
}

void Kiv::OnDataIndication(unsigned int handle, unsigned short channelId, unsigned int length, void* buffer)
{
    Kiv* pThis = GetInstance();
    RET_IF(pThis == NULL);

    std::string text;
    if (buffer == NULL)
    {
        LOGE("pvBuffer == NULL");
    }
    else
    {
        char* copy = (char*)calloc((size_t)length + 1, 1);
        RETM_IF(copy == NULL, "Fail to malloc data buffer");
        // The phone's packets are texts: whatever follows a NUL is not part of it.
        const size_t used = strnlen((const char*)buffer, length);
        memcpy(copy, buffer, used);
        text.assign(copy, used);
        free(copy);
    }

    if (pThis->mKivEventListener)
        pThis->mKivEventListener->OnKivDataIndication(text);
    else
        LOGE("pThis->mKivEventListener is null");
}

void Kiv::OnServiceTerminationIndication(unsigned int handle, int status)
{
    Kiv* pThis = GetInstance();
    RET_IF(pThis == NULL);
    if (status > TERMINATION_DEVICE_UNREACHABLE)
        LOGE("UNKOWN Error [wStatusCode : %d]", status);
    pThis->RemoveAllTimers();
    pThis->TerminateServiceConnection();
    if (pThis->mKivEventListener)
        pThis->mKivEventListener->OnKivTerminationIndication(status);
    else
        LOGE("pThis->mKivEventListener is null");
}

void Kiv::OnError(unsigned int handle, int error)
{
    Kiv* pThis = GetInstance();
    RET_IF(pThis == NULL);
    LOGE("On ERROR Occured : [%d]", error);
    pThis->RemoveAllTimers();
    pThis->TerminateServiceConnection();
    if (pThis->mKivEventListener)
        pThis->mKivEventListener->OnKivError(error);
    else
        LOGE("pThis->mKivEventListener is null");
}

void Kiv::OnDeviceStatus(int type, int status)
{
    Kiv* pThis = GetInstance();
    RET_IF(pThis == NULL);
    if (status == DEVICE_ATTACHED)
    {
        LOGE("DEVICE_ATTACHED");
        pThis->FindPeerAgent();
    }
    else
    {
        LOGE("DEVICE_DETACHED");
        pThis->RemoveAllTimers();
        pThis->TerminateServiceConnection();
        pThis->SetPeerAgent(NULL);
    }
    if (pThis->mKivEventListener)
        pThis->mKivEventListener->OnKivDeviceStatus(type, status);
    else
        LOGE("pThis->mKivEventListener is null");
}

void Kiv::TerminateServiceConnection()
{
    if (mServiceHandleId == 0)
    {
        LOGE("ServiceConnection is not exist [%d]", mServiceHandleId);
    }
    else
    {
        int ret = terminateServiceConnection(mServiceHandleId);
        if (ret != 0)
            LOGE("terminateServiceConnection Failed [%d]", ret);
    }
    mServiceHandleId = 0;
}

void Kiv::DeRegisterServiceAgent()
{
    RemoveAllTimers();
    TerminateServiceConnection();
    SetPeerAgent(NULL);
    if (deregisterNotifications() != 0)
        LOGE("deregisterNotifications failed");
    if (mLocalAgentID != 0)
    {
        LOGE("deRegisterServiceAgent : %d", mLocalAgentID);
        if (deRegisterServiceAgent(mLocalAgentID) != 0)
            LOGE("deRegisterServiceAgent failed");
        mLocalAgentID = 0;
    }
}

void Kiv::SetPeerAgent(PeerAgent* peer)
{
    if (peer == NULL)
    {
        if (mPeerAgent)
        {
            free(mPeerAgent->appName);
            free(mPeerAgent->profileVersion);
            free(mPeerAgent->deviceName);
            free(mPeerAgent);
        }
        mPeerAgent = NULL;
        return;
    }

    if (mPeerAgent == NULL)
    {
        mPeerAgent = (PeerAgent*)calloc(1, sizeof(PeerAgent));
        RETM_IF(mPeerAgent == NULL, "Fail to malloc PeerAgent");
    }
    else
    {
        free(mPeerAgent->appName);
        free(mPeerAgent->profileVersion);
        free(mPeerAgent->deviceName);
    }
    mPeerAgent->peerAgentId = peer->peerAgentId;
    mPeerAgent->deviceId = peer->deviceId;
    mPeerAgent->appName = peer->appName ? strdup(peer->appName) : NULL;
    mPeerAgent->profileVersion = peer->profileVersion ? strdup(peer->profileVersion) : NULL;
    mPeerAgent->deviceName = peer->deviceName ? strdup(peer->deviceName) : NULL;
}

void Kiv::RemoveAllTimers()
{
    if (mFindPeerAgentTimer)
        pelorn_timer_remove(mFindPeerAgentTimer);
    if (mCreateServiceConnectionTimer)
        pelorn_timer_remove(mCreateServiceConnectionTimer);
    if (mTerminateServiceConnectionTimer)
        pelorn_timer_remove(mTerminateServiceConnectionTimer);
    mFindPeerAgentTimer = 0;
    mCreateServiceConnectionTimer = 0;
    mTerminateServiceConnectionTimer = 0;
}
} // namespace NSPelorn
