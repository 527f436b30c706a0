#ifndef PELORN_PLATFORM_ACCESSORY_AGENT_H
#define PELORN_PLATFORM_ACCESSORY_AGENT_H

/* The accessory-protocol client: registers a consumer service agent, finds
 * the phone's provider agent, opens a service connection and moves packets
 * on its channel. Every call returns 0 on success; every answer comes later
 * through a callback of the notification record, on the GLib default main
 * context, never from inside the call. */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct _PeerAgent
{
    uintptr_t peerAgentId;
    uintptr_t deviceId;
    uintptr_t reserved0; /* the library's own; callers do not copy them */
    uintptr_t reserved1;
    char* appName;
    char* profileVersion;
    char* deviceName;
} PeerAgent;

typedef void (*AccessoryRegisterConfirmCb)(int status, unsigned int localAgentId);
typedef void (*AccessoryDataIndicationCb)(unsigned int handle, unsigned short channelId, unsigned int length,
                                          void* buffer);
typedef void (*AccessoryConnectionIndicationCb)(unsigned int localAgentId, unsigned int handle, PeerAgent* peer);
typedef void (*AccessoryTerminationIndicationCb)(unsigned int handle, int status);
typedef void (*AccessoryCreateConfirmCb)(unsigned int localAgentId, unsigned int handle, PeerAgent* peer, int result);
typedef void (*AccessoryPeerAgentCb)(unsigned int localAgentId, PeerAgent* peer, int result);
typedef void (*AccessoryPeerUpdateCb)(unsigned int localAgentId, PeerAgent* peer, int status);
typedef void (*AccessoryErrorCb)(unsigned int handle, int error);
typedef void (*AccessoryBufferAvailableCb)(unsigned int handle, unsigned short channelId);
typedef void (*AccessoryDeviceStatusCb)(int type, int status);

/* Fourteen pointer-sized entries. */
typedef struct _AccessoryNotification
{
    AccessoryRegisterConfirmCb onRegisterServiceAgentConfirm;
    AccessoryDataIndicationCb onDataIndication;
    AccessoryConnectionIndicationCb onServiceConnectionIndication;
    AccessoryTerminationIndicationCb onServiceTerminationIndication;
    AccessoryCreateConfirmCb onServiceCreateConfirm;
    AccessoryPeerAgentCb onPeerAgent;
    AccessoryPeerUpdateCb onPeerAgentUpdate; /* a known peer changed; optional */
    AccessoryErrorCb onError;
    AccessoryBufferAvailableCb onBufferAvailable; /* a full send buffer drained; optional */
    AccessoryDeviceStatusCb onDeviceStatus;
    void* reserved[4];
} AccessoryNotification;

typedef struct _AccessoryChannelDesc
{
    uint16_t channelId;
    uint16_t priority;
    int32_t dataRate;
    uint32_t reserved[3];
} AccessoryChannelDesc;

typedef struct _AccessoryServiceDesc
{
    const char* profilePath;
    const char* serviceName;
    int32_t role;
    uint8_t channelCount;
    uint8_t reserved0[3];
    AccessoryChannelDesc* channels;
    uint16_t version;
    uint16_t reserved1;
    uint32_t reserved2;
} AccessoryServiceDesc;

/* Registration confirm status. */
#define ACCESSORY_REGISTER_SUCCESS 0

/* Peer search results. */
#define PEER_AGENT_FOUND 0
#define PEER_AGENT_NOT_FOUND 1       /* nobody listens on the socket */
#define PEER_AGENT_NO_RESPONSE 2     /* the peer did not answer the handshake in time */
#define PEER_AGENT_SERVICE_REJECTED 3 /* the peer does not offer the profile */

/* Service connection results. */
#define CONNECTION_SUCCESS 0
#define CONNECTION_ALREADY_EXIST 1
#define CONNECTION_FAILURE_DEVICE_UNREACHABLE 2
#define CONNECTION_FAILURE_PEER_AGENT_NO_RESPONSE 3
#define CONNECTION_FAILURE_PEER_AGENT_REJECTED 4

/* sendData results. */
#define DATA_SUCCESS 0
#define INVALID_ARGUMENTS 1
#define INVALID_SERVICE_CONNECTION 2
#define NETWORK_FAILURE 3
#define BUFFER_FULL 4
#define SDK_ERROR 5

/* Termination statuses. */
#define TERMINATION_PEER_DISCONNECTED 0
#define TERMINATION_DEVICE_UNREACHABLE 1

/* Errors. */
#define ACCESSORY_ERROR_PROTOCOL 1

/* Device statuses: the phone's end of the link appeared or went away. */
#define DEVICE_DETACHED 0
#define DEVICE_ATTACHED 1
#define DEVICE_TYPE_BT 1

/* Calls that answer synchronously with an error use these besides the above. */
#define ACCESSORY_ERROR_NOT_REGISTERED 6
#define ACCESSORY_ERROR_BUSY 7

int registerNotifications(AccessoryNotification notification);
int deregisterNotifications(void);
int registerServiceAgent(AccessoryServiceDesc* service);
int deRegisterServiceAgent(unsigned int localAgentId);
int findPeerAgent(unsigned int localAgentId);
int createServiceConnection(unsigned int localAgentId, PeerAgent* peer);
int acceptServiceConnection(unsigned int localAgentId, unsigned int handle, PeerAgent* peer);
int sendData(unsigned int handle, unsigned short channelId, unsigned int length, void* buffer);
int terminateServiceConnection(unsigned int handle);

#ifdef __cplusplus
}
#endif

#endif
