#ifndef ORZ_COMMON_NETWORK_CONNECTION_H
#define ORZ_COMMON_NETWORK_CONNECTION_H

#include <net_connection.h>
#include <string>

namespace NSORZCommon
{
/* Short-lived view of the platform connection service: create on the stack,
 * ask, let go. The platform handle is made on first need. */
class NetworkConnection
{
public:
    NetworkConnection();
    virtual ~NetworkConnection();
    NetworkConnection(const NetworkConnection&) = delete;
    NetworkConnection& operator=(const NetworkConnection&) = delete;

    /* Whether a data network can be used; type gets the connection type. */
    bool IsNetworkAvailable(connection_type_e& type);
    /* The proxy requests must use, empty when there is none. */
    std::string GetSystemNetworkProxyAddressStr();

private:
    bool EnsureConnection();

    connection_h mConnection;
    connection_type_changed_cb mEventListener;
    void* mUserData;
};
} // namespace NSORZCommon

#endif
