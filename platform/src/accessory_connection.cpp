/* The session's socket: opened for a search or a connection, written to
 * without blocking (one frame may wait for the peer), closed, and given up
 * when the peer does not answer the handshake in time. */

#include "accessory_client.h"

#include "dlog.h"

#include <errno.h>
#include <glib-unix.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace PelornAccessoryWire;

namespace PelornAccessoryClient
{
namespace
{
guint EnvUInt(const char* name, guint fallback)
{
    const char* env = getenv(name);
    if (!env || !*env)
        return fallback;
    long value = strtol(env, nullptr, 10);
    return value > 0 ? (guint)value : fallback;
}
} // namespace

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
        // A phone that went away is the link's business, not a failure of ours.
        const bool peerGone = errno == EPIPE || errno == ECONNRESET;
        dlog_print(peerGone ? DLOG_WARN : DLOG_ERROR, LOG_TAG, "send to peer failed: %s", g_strerror(errno));
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

} // namespace PelornAccessoryClient
