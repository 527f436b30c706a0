/* The accessory-protocol client over a local stream socket. The phone's end
 * (phone-sim, or the phone's companion service through a bridge) listens on
 * PelornAccessoryWire::SocketPath(); one socket carries the handshake that
 * finds the peer, the service connection and its packets. */

#include "accessory_agent.h"

#include "dlog.h"
#include "pelorn_accessory_wire.h"
#include "pelorn_link_state.h"

#include <errno.h>
#include <fcntl.h>
#include <functional>
#include <gio/gio.h>
#include <glib-unix.h>
#include <memory>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

using namespace PelornAccessoryWire;

namespace
{
const char* const LOG_TAG = "accessory";

guint EnvUInt(const char* name, guint fallback)
{
    const char* env = getenv(name);
    if (!env || !*env)
        return fallback;
    long value = strtol(env, nullptr, 10);
    return value > 0 ? (guint)value : fallback;
}

enum class SessionState
{
    HELLO_SENT,
    PEER_KNOWN,
    CONNECT_SENT,
    CONNECTED,
};

struct Session
{
    int fd = -1;
    guint readWatch = 0;
    guint writeWatch = 0;
    guint timeout = 0;
    std::string backlog;
    FrameReader reader;
    SessionState state = SessionState::HELLO_SENT;
    bool searchWanted = false;
    bool connectWanted = false;
    PeerAgent peer = {};
    std::string peerStrings[3];
    unsigned int handle = 0;
    unsigned int offeredHandle = 0;
};

class AccessoryClient
{
public:
    static AccessoryClient& Get()
    {
        static AccessoryClient* client = new AccessoryClient();
        return *client;
    }

    int RegisterNotifications(const AccessoryNotification& notification);
    int DeregisterNotifications();
    int RegisterServiceAgent(AccessoryServiceDesc* service);
    int DeRegisterServiceAgent(unsigned int localAgentId);
    int FindPeerAgent(unsigned int localAgentId);
    int CreateServiceConnection(unsigned int localAgentId, PeerAgent* peer);
    int AcceptServiceConnection(unsigned int localAgentId, unsigned int handle, PeerAgent* peer);
    int SendData(unsigned int handle, unsigned short channelId, unsigned int length, void* buffer);
    int TerminateServiceConnection(unsigned int handle);

private:
    bool IsRegistered(unsigned int localAgentId) const { return mRegistered && localAgentId != 0 && localAgentId == mAgentId; }
    void Later(std::function<void()> work);
    void StartDeviceMonitor();
    void StopDeviceMonitor();
    void OnSocketFileChanged(GFileMonitorEvent event);
    bool OpenSession(bool search, bool connect);
    void CloseSession();
    bool Write(const std::string& bytes);
    void ArmTimeout();
    void DisarmTimeout();
    void SendConnectRequest();
    void OnReadable();
    void OnWritable();
    void OnTimeout();
    /* The session ended before or after the handshake: report what was pending. */
    void FailSession(int searchResult, int connectResult, int terminationStatus, bool protocolError);
    bool HandleFrame(uint8_t type, const std::string& payload);

    static void SocketFileChangedCb(GFileMonitor*, GFile*, GFile*, GFileMonitorEvent event, gpointer data);
    static gboolean SessionIoCb(gint fd, GIOCondition condition, gpointer data);
    static gboolean SessionWritableCb(gint fd, GIOCondition condition, gpointer data);
    static gboolean HandshakeTimeoutCb(gpointer data);

    bool mRegistered = false;
    AccessoryNotification mNotification = {};
    GFileMonitor* mDeviceMonitor = nullptr;
    unsigned int mAgentId = 0;
    unsigned int mNextAgentId = 1;
    std::string mProfilePath;
    std::string mServiceName;
    std::unique_ptr<Session> mSession;
    /* Bumped whenever the callbacks or the agent go away, so that answers
     * queued before that are not delivered to the new owner. */
    guint64 mGeneration = 0;
};

struct LaterWork
{
    guint64 generation;
    std::function<void()> work;
};

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

bool AccessoryClient::OpenSession(bool search, bool connect)
{
    const unsigned int agentId = mAgentId;
    const std::string path = SocketPath();
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    struct sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    bool ok = fd >= 0 && path.size() < sizeof(address.sun_path);
    if (ok)
    {
        memcpy(address.sun_path, path.c_str(), path.size() + 1);
        guint sndbuf = EnvUInt("PELORN_ACCESSORY_SNDBUF", 0);
        if (sndbuf > 0)
            setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sndbuf, sizeof(sndbuf));
        ok = ::connect(fd, (struct sockaddr*)&address, sizeof(address)) == 0;
    }
    if (!ok)
    {
        dlog_print(DLOG_ERROR, LOG_TAG, "no peer at %s: %s", path.c_str(), g_strerror(errno));
        if (fd >= 0)
            close(fd);
        Later([this, agentId, search, connect] {
            if (search && mNotification.onPeerAgent)
                mNotification.onPeerAgent(agentId, nullptr, PEER_AGENT_NOT_FOUND);
            if (connect && mNotification.onServiceCreateConfirm)
                mNotification.onServiceCreateConfirm(agentId, 0, nullptr, CONNECTION_FAILURE_DEVICE_UNREACHABLE);
        });
        return false;
    }

    mSession.reset(new Session());
    mSession->fd = fd;
    mSession->searchWanted = search;
    mSession->connectWanted = connect;
    mSession->readWatch = g_unix_fd_add(fd, (GIOCondition)(G_IO_IN | G_IO_HUP | G_IO_ERR), SessionIoCb, this);

    std::string hello(MAGIC, sizeof(MAGIC));
    hello.push_back((char)VERSION);
    PutU32(hello, agentId);
    hello += mProfilePath;
    hello.push_back('\0');
    hello += mServiceName;
    hello.push_back('\0');
    Write(EncodeFrame(FRAME_HELLO, hello));
    ArmTimeout();
    return true;
}

void AccessoryClient::CloseSession()
{
    if (!mSession)
        return;
    if (mSession->readWatch)
        g_source_remove(mSession->readWatch);
    if (mSession->writeWatch)
        g_source_remove(mSession->writeWatch);
    if (mSession->timeout)
        g_source_remove(mSession->timeout);
    close(mSession->fd);
    mSession.reset();
}

bool AccessoryClient::Write(const std::string& bytes)
{
    Session* session = mSession.get();
    if (!session)
        return false;
    if (!session->backlog.empty())
    {
        session->backlog += bytes;
        return true;
    }
    size_t sent = 0;
    while (sent < bytes.size())
    {
        ssize_t n = send(session->fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0)
        {
            sent += (size_t)n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        dlog_print(DLOG_ERROR, LOG_TAG, "send to peer failed: %s", g_strerror(errno));
        return false;
    }
    if (sent < bytes.size())
    {
        session->backlog.assign(bytes, sent, std::string::npos);
        session->writeWatch = g_unix_fd_add(session->fd, G_IO_OUT, SessionWritableCb, this);
    }
    return true;
}

gboolean AccessoryClient::SessionWritableCb(gint, GIOCondition, gpointer data)
{
    AccessoryClient* self = static_cast<AccessoryClient*>(data);
    if (!self->mSession)
        return G_SOURCE_REMOVE;
    self->OnWritable();
    if (!self->mSession->backlog.empty())
        return G_SOURCE_CONTINUE;
    self->mSession->writeWatch = 0;
    return G_SOURCE_REMOVE;
}

void AccessoryClient::OnWritable()
{
    Session* session = mSession.get();
    while (!session->backlog.empty())
    {
        ssize_t n = send(session->fd, session->backlog.data(), session->backlog.size(), MSG_NOSIGNAL);
        if (n > 0)
        {
            session->backlog.erase(0, (size_t)n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        // The reader side will see the hang-up and report it.
        session->backlog.clear();
        return;
    }
    if (session->state == SessionState::CONNECTED && mNotification.onBufferAvailable)
    {
        const unsigned int handle = session->handle;
        Later([this, handle] {
            if (mNotification.onBufferAvailable)
                mNotification.onBufferAvailable(handle, 0);
        });
    }
}

gboolean AccessoryClient::HandshakeTimeoutCb(gpointer data)
{
    AccessoryClient* self = static_cast<AccessoryClient*>(data);
    if (self->mSession)
        self->mSession->timeout = 0;
    self->OnTimeout();
    return G_SOURCE_REMOVE;
}

void AccessoryClient::ArmTimeout()
{
    DisarmTimeout();
    // The library's own patience, real time: a silent peer must look like no peer.
    mSession->timeout = g_timeout_add(EnvUInt("PELORN_ACCESSORY_TIMEOUT_MS", 3000), HandshakeTimeoutCb, this);
}

void AccessoryClient::DisarmTimeout()
{
    if (mSession && mSession->timeout)
    {
        g_source_remove(mSession->timeout);
        mSession->timeout = 0;
    }
}

void AccessoryClient::OnTimeout()
{
    if (!mSession)
        return;
    dlog_print(DLOG_ERROR, LOG_TAG, "peer did not answer in time");
    FailSession(PEER_AGENT_NO_RESPONSE, CONNECTION_FAILURE_PEER_AGENT_NO_RESPONSE, TERMINATION_DEVICE_UNREACHABLE,
                false);
}

void AccessoryClient::SendConnectRequest()
{
    std::string payload;
    PutU32(payload, (uint32_t)mSession->peer.peerAgentId);
    mSession->connectWanted = false;
    mSession->state = SessionState::CONNECT_SENT;
    Write(EncodeFrame(FRAME_CONNECT_REQ, payload));
    ArmTimeout();
}

void AccessoryClient::FailSession(int searchResult, int connectResult, int terminationStatus, bool protocolError)
{
    const SessionState state = mSession->state;
    const bool search = mSession->searchWanted;
    const bool connect = mSession->connectWanted || state == SessionState::CONNECT_SENT;
    const unsigned int handle = mSession->handle;
    const unsigned int agentId = mAgentId;
    CloseSession();

    if (state == SessionState::CONNECTED)
    {
        if (protocolError && mNotification.onError)
            mNotification.onError(handle, ACCESSORY_ERROR_PROTOCOL);
        else if (!protocolError && mNotification.onServiceTerminationIndication)
            mNotification.onServiceTerminationIndication(handle, terminationStatus);
        return;
    }
    if (search && state == SessionState::HELLO_SENT && mNotification.onPeerAgent)
        mNotification.onPeerAgent(agentId, nullptr, searchResult);
    if (connect && mNotification.onServiceCreateConfirm)
        mNotification.onServiceCreateConfirm(agentId, 0, nullptr, connectResult);
}

gboolean AccessoryClient::SessionIoCb(gint, GIOCondition, gpointer data)
{
    AccessoryClient* self = static_cast<AccessoryClient*>(data);
    Session* before = self->mSession.get();
    self->OnReadable();
    // The session that owned this watch may be gone (its watch already removed).
    if (!self->mSession || self->mSession.get() != before)
        return G_SOURCE_REMOVE;
    return G_SOURCE_CONTINUE;
}

void AccessoryClient::OnReadable()
{
    char buffer[65536];
    ssize_t n;
    do
        n = recv(mSession->fd, buffer, sizeof(buffer), 0);
    while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return;
    if (n <= 0)
    {
        dlog_print(DLOG_ERROR, LOG_TAG, "peer closed the link");
        // Make sure the g_source_remove in CloseSession does not hit the running watch twice.
        mSession->readWatch = 0;
        FailSession(PEER_AGENT_NOT_FOUND, CONNECTION_FAILURE_DEVICE_UNREACHABLE, TERMINATION_DEVICE_UNREACHABLE, false);
        return;
    }

    std::vector<std::pair<uint8_t, std::string>> frames;
    const bool inStep = mSession->reader.Feed(
        buffer, (size_t)n, [&frames](uint8_t type, const std::string& payload) { frames.emplace_back(type, payload); },
        LOG_TAG);
    Session* session = mSession.get();
    bool protocolKept = true;
    for (auto& frame : frames)
    {
        if (mSession.get() != session)
            return;
        if (!HandleFrame(frame.first, frame.second))
        {
            protocolKept = false;
            break;
        }
    }
    if (mSession.get() != session)
        return;
    if (!protocolKept)
    {
        dlog_print(DLOG_ERROR, LOG_TAG, "peer broke the protocol; link dropped");
        mSession->readWatch = 0;
        FailSession(PEER_AGENT_SERVICE_REJECTED, CONNECTION_FAILURE_PEER_AGENT_REJECTED, TERMINATION_DEVICE_UNREACHABLE,
                    true);
    }
    else if (!inStep)
    {
        // Lost frame boundaries end the connection as a peer gone away would, so the
        // watch's usual reconnect brings up a fresh, framed stream.
        dlog_print(DLOG_ERROR, LOG_TAG, "peer's stream out of step; connection ended");
        mSession->readWatch = 0;
        FailSession(PEER_AGENT_NOT_FOUND, CONNECTION_FAILURE_DEVICE_UNREACHABLE, TERMINATION_DEVICE_UNREACHABLE, false);
    }
}

bool AccessoryClient::HandleFrame(uint8_t type, const std::string& payload)
{
    Session* session = mSession.get();
    const unsigned int agentId = mAgentId;
    size_t offset = 0;
    switch (type)
    {
    case FRAME_PEER:
    {
        uint32_t peerId = 0, deviceId = 0;
        if (session->state != SessionState::HELLO_SENT || payload.compare(0, 4, std::string(MAGIC, 4)) != 0 ||
            payload.size() < 5 || (uint8_t)payload[4] != VERSION)
            return false;
        offset = 5;
        if (!GetU32(payload, offset, peerId) || !GetU32(payload, offset, deviceId) ||
            !GetText(payload, offset, session->peerStrings[0]) || !GetText(payload, offset, session->peerStrings[1]) ||
            !GetText(payload, offset, session->peerStrings[2]))
            return false;
        DisarmTimeout();
        session->peer.peerAgentId = peerId;
        session->peer.deviceId = deviceId;
        session->peer.appName = &session->peerStrings[0][0];
        session->peer.profileVersion = &session->peerStrings[1][0];
        session->peer.deviceName = &session->peerStrings[2][0];
        session->state = SessionState::PEER_KNOWN;
        const bool connect = session->connectWanted;
        if (session->searchWanted)
        {
            session->searchWanted = false;
            if (mNotification.onPeerAgent)
                mNotification.onPeerAgent(agentId, &session->peer, PEER_AGENT_FOUND);
        }
        if (connect && mSession.get() == session && session->state == SessionState::PEER_KNOWN)
            SendConnectRequest();
        return true;
    }
    case FRAME_REJECT:
        if (session->state != SessionState::HELLO_SENT && session->state != SessionState::CONNECT_SENT)
            return false;
        dlog_print(DLOG_ERROR, LOG_TAG, "peer refused the service (%d)", payload.empty() ? -1 : (int)(uint8_t)payload[0]);
        mSession->readWatch = 0;
        FailSession(PEER_AGENT_SERVICE_REJECTED, CONNECTION_FAILURE_PEER_AGENT_REJECTED, TERMINATION_PEER_DISCONNECTED,
                    false);
        return true;
    case FRAME_CONNECT_RSP:
    {
        uint32_t handle = 0;
        if (session->state != SessionState::CONNECT_SENT || payload.size() != 5)
            return false;
        const int result = (uint8_t)payload[0];
        offset = 1;
        GetU32(payload, offset, handle);
        DisarmTimeout();
        if ((result == CONNECTION_SUCCESS || result == CONNECTION_ALREADY_EXIST) && handle != 0)
        {
            session->state = SessionState::CONNECTED;
            session->handle = handle;
        }
        else
        {
            session->state = SessionState::PEER_KNOWN;
        }
        if (mNotification.onServiceCreateConfirm)
            mNotification.onServiceCreateConfirm(agentId, handle, &session->peer, result);
        return true;
    }
    case FRAME_CONNECT_IND:
    {
        uint32_t handle = 0;
        if (!GetU32(payload, offset, handle) || handle == 0 || session->state == SessionState::HELLO_SENT)
            return false;
        session->offeredHandle = handle;
        if (mNotification.onServiceConnectionIndication)
            mNotification.onServiceConnectionIndication(agentId, handle, &session->peer);
        return true;
    }
    case FRAME_DATA:
    {
        uint16_t channel = 0;
        if (!GetU16(payload, offset, channel))
            return false;
        if (session->state != SessionState::CONNECTED)
        {
            dlog_print(DLOG_ERROR, LOG_TAG, "packet before the service connection; dropped");
            return true;
        }
        const unsigned int length = (unsigned int)(payload.size() - offset);
        if (mNotification.onDataIndication)
            mNotification.onDataIndication(session->handle, channel, length,
                                           length ? (void*)(payload.data() + offset) : nullptr);
        return true;
    }
    case FRAME_TERMINATE:
        mSession->readWatch = 0;
        FailSession(PEER_AGENT_NOT_FOUND, CONNECTION_FAILURE_PEER_AGENT_REJECTED, TERMINATION_PEER_DISCONNECTED, false);
        return true;
    default:
        dlog_print(DLOG_ERROR, LOG_TAG, "unknown frame type 0x%02x skipped", type);
        return true;
    }
}
} // namespace

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
