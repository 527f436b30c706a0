/* The service agent the application registers, and the calls it makes on
 * the link; each answers at once and reports later, on the main loop. */

#include "accessory_client.h"

#include "dlog.h"
#include "pelorn_link_state.h"

using namespace PelornAccessoryWire;

namespace PelornAccessoryClient
{
namespace
{
struct LaterWork
{
    guint64 generation;
    std::function<void()> work;
};
} // namespace

void AccessoryClient::Later(std::function<void()> work)
{
    auto* item = new LaterWork{mGeneration, std::move(work)};
    g_idle_add_full(
        G_PRIORITY_DEFAULT,
        [](gpointer data) -> gboolean {
            auto* item = static_cast<LaterWork*>(data);
            if (item->generation == AccessoryClient::Get().mGeneration)
                item->work();
            return G_SOURCE_REMOVE;
        },
        item, [](gpointer data) { delete static_cast<LaterWork*>(data); });
}

int AccessoryClient::RegisterNotifications(const AccessoryNotification& notification)
{
    mNotification = notification;
    mRegistered = true;
    StartDeviceMonitor();
    return 0;
}

int AccessoryClient::DeregisterNotifications()
{
    if (!mRegistered)
        return ACCESSORY_ERROR_NOT_REGISTERED;
    StopDeviceMonitor();
    mRegistered = false;
    mNotification = AccessoryNotification{};
    mGeneration++;
    return 0;
}

void AccessoryClient::SocketFileChangedCb(GFileMonitor*, GFile*, GFile*, GFileMonitorEvent event, gpointer data)
{
    static_cast<AccessoryClient*>(data)->OnSocketFileChanged(event);
}

void AccessoryClient::StartDeviceMonitor()
{
    StopDeviceMonitor();
    GFile* file = g_file_new_for_path(SocketPath().c_str());
    GError* error = nullptr;
    mDeviceMonitor = g_file_monitor_file(file, G_FILE_MONITOR_NONE, nullptr, &error);
    g_object_unref(file);
    if (!mDeviceMonitor)
    {
        dlog_print(DLOG_ERROR, LOG_TAG, "cannot watch %s: %s", SocketPath().c_str(), error ? error->message : "?");
        g_clear_error(&error);
        return;
    }
    g_signal_connect(mDeviceMonitor, "changed", G_CALLBACK(SocketFileChangedCb), this);
}

void AccessoryClient::StopDeviceMonitor()
{
    if (!mDeviceMonitor)
        return;
    g_signal_handlers_disconnect_by_data(mDeviceMonitor, this);
    g_file_monitor_cancel(mDeviceMonitor);
    g_object_unref(mDeviceMonitor);
    mDeviceMonitor = nullptr;
}

void AccessoryClient::OnSocketFileChanged(GFileMonitorEvent event)
{
    int status;
    if (event == G_FILE_MONITOR_EVENT_CREATED)
        status = DEVICE_ATTACHED;
    else if (event == G_FILE_MONITOR_EVENT_DELETED)
        status = DEVICE_DETACHED;
    else
        return;
    if (mRegistered && mNotification.onDeviceStatus)
        mNotification.onDeviceStatus(DEVICE_TYPE_BT, status);
}

int AccessoryClient::RegisterServiceAgent(AccessoryServiceDesc* service)
{
    if (!service || !service->profilePath || !service->serviceName || !service->channels || service->channelCount < 1)
        return INVALID_ARGUMENTS;
    if (!mRegistered)
        return ACCESSORY_ERROR_NOT_REGISTERED;

    // The same service registered again keeps its agent id.
    if (mAgentId == 0 || mProfilePath != service->profilePath || mServiceName != service->serviceName)
    {
        CloseSession();
        mAgentId = mNextAgentId++;
        mProfilePath = service->profilePath;
        mServiceName = service->serviceName;
    }
    const unsigned int agentId = mAgentId;
    Later([this, agentId] {
        if (mNotification.onRegisterServiceAgentConfirm)
            mNotification.onRegisterServiceAgentConfirm(ACCESSORY_REGISTER_SUCCESS, agentId);
    });
    return 0;
}

int AccessoryClient::DeRegisterServiceAgent(unsigned int localAgentId)
{
    if (localAgentId == 0 || localAgentId != mAgentId)
        return ACCESSORY_ERROR_NOT_REGISTERED;
    if (mSession && mSession->state == SessionState::CONNECTED)
        TerminateServiceConnection(mSession->handle);
    CloseSession();
    mAgentId = 0;
    mGeneration++;
    return 0;
}

int AccessoryClient::FindPeerAgent(unsigned int localAgentId)
{
    if (!IsRegistered(localAgentId))
        return ACCESSORY_ERROR_NOT_REGISTERED;
    if (mSession && mSession->state != SessionState::HELLO_SENT)
    {
        Later([this, localAgentId] {
            if (mSession && mNotification.onPeerAgent)
                mNotification.onPeerAgent(localAgentId, &mSession->peer, PEER_AGENT_FOUND);
        });
        return 0;
    }
    if (mSession)
    {
        mSession->searchWanted = true;
        return 0;
    }
    OpenSession(true, false);
    return 0;
}

int AccessoryClient::CreateServiceConnection(unsigned int localAgentId, PeerAgent* peer)
{
    if (!IsRegistered(localAgentId))
        return ACCESSORY_ERROR_NOT_REGISTERED;
    if (!peer)
        return INVALID_ARGUMENTS;
    if (!mSession)
    {
        OpenSession(false, true);
        return 0;
    }
    switch (mSession->state)
    {
    case SessionState::HELLO_SENT:
        mSession->connectWanted = true;
        return 0;
    case SessionState::PEER_KNOWN:
        SendConnectRequest();
        return 0;
    case SessionState::CONNECT_SENT:
        return ACCESSORY_ERROR_BUSY;
    case SessionState::CONNECTED:
    {
        const unsigned int handle = mSession->handle;
        Later([this, localAgentId, handle] {
            if (mSession && mNotification.onServiceCreateConfirm)
                mNotification.onServiceCreateConfirm(localAgentId, handle, &mSession->peer, CONNECTION_ALREADY_EXIST);
        });
        return 0;
    }
    }
    return SDK_ERROR;
}

int AccessoryClient::AcceptServiceConnection(unsigned int localAgentId, unsigned int handle, PeerAgent* peer)
{
    if (!IsRegistered(localAgentId))
        return ACCESSORY_ERROR_NOT_REGISTERED;
    if (!mSession || handle == 0 || mSession->offeredHandle != handle || mSession->state == SessionState::CONNECTED)
        return INVALID_ARGUMENTS;
    std::string payload;
    PutU32(payload, handle);
    if (!Write(EncodeFrame(FRAME_ACCEPT, payload)))
        return NETWORK_FAILURE;
    DisarmTimeout();
    mSession->state = SessionState::CONNECTED;
    mSession->handle = handle;
    mSession->offeredHandle = 0;
    return 0;
}

int AccessoryClient::SendData(unsigned int handle, unsigned short channelId, unsigned int length, void* buffer)
{
    if (!mSession || mSession->state != SessionState::CONNECTED || handle == 0 || handle != mSession->handle)
        return INVALID_SERVICE_CONNECTION;
    if (!buffer || length == 0 || length > MAX_PACKET)
        return INVALID_ARGUMENTS;
    // One frame may wait for the peer to read; the next is refused until it has left.
    if (!mSession->backlog.empty())
        return BUFFER_FULL;
    if (!Write(EncodeData(channelId, static_cast<const char*>(buffer), length)))
        return NETWORK_FAILURE;
    return DATA_SUCCESS;
}

int AccessoryClient::TerminateServiceConnection(unsigned int handle)
{
    if (!mSession || mSession->state != SessionState::CONNECTED || handle == 0 || handle != mSession->handle)
        return INVALID_SERVICE_CONNECTION;
    std::string payload;
    PutU32(payload, handle);
    Write(EncodeFrame(FRAME_TERMINATE, payload));
    CloseSession();
    return 0;
}

} // namespace PelornAccessoryClient

using PelornAccessoryClient::AccessoryClient;

int registerNotifications(AccessoryNotification notification)
{
    // The link keys follow the phone's liveness from now on, in this process.
    pelorn_link_state_watch();
    return AccessoryClient::Get().RegisterNotifications(notification);
}

int deregisterNotifications(void)
{
    return AccessoryClient::Get().DeregisterNotifications();
}

int registerServiceAgent(AccessoryServiceDesc* service)
{
    return AccessoryClient::Get().RegisterServiceAgent(service);
}

int deRegisterServiceAgent(unsigned int localAgentId)
{
    return AccessoryClient::Get().DeRegisterServiceAgent(localAgentId);
}

int findPeerAgent(unsigned int localAgentId)
{
    return AccessoryClient::Get().FindPeerAgent(localAgentId);
}

int createServiceConnection(unsigned int localAgentId, PeerAgent* peer)
{
    return AccessoryClient::Get().CreateServiceConnection(localAgentId, peer);
}

int acceptServiceConnection(unsigned int localAgentId, unsigned int handle, PeerAgent* peer)
{
    return AccessoryClient::Get().AcceptServiceConnection(localAgentId, handle, peer);
}

int sendData(unsigned int handle, unsigned short channelId, unsigned int length, void* buffer)
{
    return AccessoryClient::Get().SendData(handle, channelId, length, buffer);
}

int terminateServiceConnection(unsigned int handle)
{
    return AccessoryClient::Get().TerminateServiceConnection(handle);
}
