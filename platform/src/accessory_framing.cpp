/* What the peer sends: the stream cut into frames, each frame checked and
 * turned into the session's next state or a report to the application. */

#include "accessory_client.h"

#include "dlog.h"

#include <errno.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace PelornAccessoryWire;

namespace PelornAccessoryClient
{
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
        // The phone went away (killed, out of range): the watch goes on without it.
        dlog_print(DLOG_WARN, LOG_TAG, "peer closed the link");
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
} // namespace PelornAccessoryClient
