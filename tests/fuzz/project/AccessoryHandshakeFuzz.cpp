/* What the phone's end writes on the accessory socket from the first byte:
 * the handshake answer, connection and control frames and packets, cut as
 * the socket delivers them. The library runs on a real GLib loop against a
 * real listening socket that plays the phone; after the bytes the phone
 * hangs up, and the session must end and be reported without fault. */

#include "accessory_agent.h"

#include <errno.h>
#include <glib.h>
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{
struct FuzzState
{
    int listenFd = -1;
    unsigned int agentId = 0;
    bool ended = false;
    size_t touched = 0;
};
FuzzState gState;
AccessoryChannelDesc gChannel = {104, 0, 0, {0, 0, 0}};
AccessoryServiceDesc gService = {"/pelorn/fuzz", "PelornFuzz", 0, 1, {0, 0, 0}, &gChannel, 1, 0, 0};

void Touch(const PeerAgent* peer)
{
    if (!peer)
        return;
    for (const char* text : {peer->appName, peer->profileVersion, peer->deviceName})
        gState.touched += text ? strlen(text) : 0;
}

void RegisterConfirmCb(int status, unsigned int localAgentId)
{
    gState.agentId = localAgentId;
}

void DataCb(unsigned int handle, unsigned short channelId, unsigned int length, void* buffer)
{
    const unsigned char* bytes = static_cast<const unsigned char*>(buffer);
    for (unsigned int i = 0; i < length; ++i)
        gState.touched += bytes[i];
}

void ConnectionIndicationCb(unsigned int localAgentId, unsigned int handle, PeerAgent* peer)
{
    Touch(peer);
    acceptServiceConnection(localAgentId, handle, peer);
}

/* The session terminated, or failed on the link. */
void EndedCb(unsigned int handle, int statusOrError)
{
    gState.ended = true;
}

void CreateConfirmCb(unsigned int localAgentId, unsigned int handle, PeerAgent* peer, int result)
{
    Touch(peer);
    if (result != CONNECTION_SUCCESS && result != CONNECTION_ALREADY_EXIST)
        gState.ended = true;
}

void PeerAgentCb(unsigned int localAgentId, PeerAgent* peer, int result)
{
    Touch(peer);
    if (result != PEER_AGENT_FOUND)
        gState.ended = true;
}

void Pump(int rounds)
{
    for (int i = 0; i < rounds && !gState.ended; ++i)
        if (!g_main_context_iteration(nullptr, FALSE))
            break;
}

void SetUpOnce()
{
    char dir[] = "/tmp/pelorn-accessory-fuzz-XXXXXX";
    if (!mkdtemp(dir))
        abort();
    const std::string path = std::string(dir) + "/accessory.sock";
    setenv("PELORN_ACCESSORY_SOCKET", path.c_str(), 1);
    gState.listenFd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    struct sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    memcpy(address.sun_path, path.c_str(), path.size() + 1);
    if (gState.listenFd < 0 || bind(gState.listenFd, (struct sockaddr*)&address, sizeof(address)) != 0 ||
        listen(gState.listenFd, 4) != 0)
        abort();
    AccessoryNotification notification = {};
    notification.onRegisterServiceAgentConfirm = RegisterConfirmCb;
    notification.onDataIndication = DataCb;
    notification.onServiceConnectionIndication = ConnectionIndicationCb;
    notification.onServiceTerminationIndication = EndedCb;
    notification.onServiceCreateConfirm = CreateConfirmCb;
    notification.onPeerAgent = PeerAgentCb;
    notification.onError = EndedCb;
    if (registerNotifications(notification) != 0)
        abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool once = (SetUpOnce(), true);
    (void)once;

    gState.agentId = 0;
    gState.ended = false;
    if (registerServiceAgent(&gService) != 0)
        abort();
    Pump(100);
    if (gState.agentId == 0)
        abort();
    PeerAgent peer = {};
    findPeerAgent(gState.agentId);
    createServiceConnection(gState.agentId, &peer);
    int phone = accept4(gState.listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (phone < 0)
        abort();

    // The phone's bytes, as much as the socket takes at a time; the library
    // reads in between, and may drop the link half way.
    size_t sent = 0;
    for (int rounds = 0; sent < size && rounds < 10000 && !gState.ended; ++rounds)
    {
        ssize_t n = send(phone, data + sent, size - sent, MSG_NOSIGNAL);
        if (n > 0)
            sent += (size_t)n;
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            break;
        Pump(8);
    }
    close(phone);
    // Hung up: whatever state the session reached, it ends within a few rounds.
    Pump(1000);
    // A session left waiting in a state no callback reports (a refused
    // connection with nothing pending) goes with its agent.
    deRegisterServiceAgent(gState.agentId);
    Pump(10);
    return 0;
}
