#ifndef PELORN_PLATFORM_ACCESSORY_CLIENT_H
#define PELORN_PLATFORM_ACCESSORY_CLIENT_H

/* The accessory-protocol client over a local stream socket. The phone's end
 * (phone-sim, or the phone's companion service through a bridge) listens on
 * PelornAccessoryWire::SocketPath(); one socket carries the handshake that
 * finds the peer, the service connection and its packets.
 *
 * Its parts: the service agent the application registers and calls
 * (accessory_service_agent.cpp), the session's socket with its writes and
 * timeouts (accessory_connection.cpp), and the frames read from it
 * (accessory_framing.cpp). */

#include "accessory_agent.h"

#include "pelorn_accessory_wire.h"

#include <functional>
#include <gio/gio.h>
#include <memory>
#include <string>

namespace PelornAccessoryClient
{
const char* const LOG_TAG = "accessory";

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
    PelornAccessoryWire::FrameReader reader;
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
} // namespace PelornAccessoryClient

#endif
