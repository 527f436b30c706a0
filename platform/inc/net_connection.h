#ifndef PELORN_PLATFORM_NET_CONNECTION_H
#define PELORN_PLATFORM_NET_CONNECTION_H

#ifdef __cplusplus
extern "C" {
#endif

/* The platform's network connection service.
 *
 * On this machine the connection type comes from the settings key
 * "memory/dnet/status" when something plays the platform's network daemon
 * and publishes it (0 off, 1 cellular, 2 Wi-Fi, 3 Ethernet, 4 Bluetooth;
 * `desktop-bridge` does, from NetworkManager or GIO, see pelorn_system_events.h);
 * otherwise from GIO's network monitor (no network: disconnected; else Wi-Fi
 * when a wireless interface exists, Ethernet otherwise). The proxy is the
 * settings key "memory/dnet/proxy" when set, else the http_proxy or
 * HTTP_PROXY environment variable. Type-change callbacks run on the GLib
 * default main context. */

typedef struct _connection_handle_s* connection_h;

typedef enum
{
    CONNECTION_TYPE_DISCONNECTED = 0,
    CONNECTION_TYPE_WIFI = 1,
    CONNECTION_TYPE_CELLULAR = 2,
    CONNECTION_TYPE_ETHERNET = 3,
    CONNECTION_TYPE_BT = 4,
    CONNECTION_TYPE_NET_PROXY = 5,
} connection_type_e;

typedef enum
{
    CONNECTION_ADDRESS_FAMILY_IPV4 = 0,
    CONNECTION_ADDRESS_FAMILY_IPV6 = 1,
} connection_address_family_e;

typedef enum
{
    CONNECTION_ERROR_NONE = 0,
    CONNECTION_ERROR_INVALID_PARAMETER = -22,
    CONNECTION_ERROR_OUT_OF_MEMORY = -12,
    CONNECTION_ERROR_INVALID_OPERATION = -38,
    CONNECTION_ERROR_NO_CONNECTION = -0x01C10000 - 0x03,
    CONNECTION_ERROR_OPERATION_FAILED = -0x01C10000 - 0x0602,
} connection_error_e;

typedef void (*connection_type_changed_cb)(connection_type_e type, void* user_data);

int connection_create(connection_h* connection);
int connection_destroy(connection_h connection);
int connection_get_type(connection_h connection, connection_type_e* type);
/* *proxy is a newly allocated text (free() it), or NULL when no proxy is set. */
int connection_get_proxy(connection_h connection, connection_address_family_e address_family, char** proxy);
int connection_set_type_changed_cb(connection_h connection, connection_type_changed_cb callback, void* user_data);
int connection_unset_type_changed_cb(connection_h connection);

#ifdef __cplusplus
}
#endif

#endif
