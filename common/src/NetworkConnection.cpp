#include "NetworkConnection.h"

#include "OrzLog.h"
#include "VconfUtil.h"

#include <stdlib.h>
#include <string.h>

namespace NSORZCommon
{
NetworkConnection::NetworkConnection() : mConnection(nullptr), mEventListener(nullptr), mUserData(nullptr)
{
}

NetworkConnection::~NetworkConnection()
{
    if (!mConnection)
        return;
    if (connection_unset_type_changed_cb(mConnection) != CONNECTION_ERROR_NONE)
        LOGE("connection_unset_type_changed_cb failed");
    if (connection_destroy(mConnection) != CONNECTION_ERROR_NONE)
        LOGE("connection_destroy failed");
    mConnection = nullptr;
}

bool NetworkConnection::EnsureConnection()
{
    if (mConnection)
        return true;
    int ret = connection_create(&mConnection);
    if (ret != CONNECTION_ERROR_NONE)
        LOGE("connection_create failed(%d)", ret);
    if (!mConnection)
    {
        LOGE("mConnection == NULL");
        return false;
    }
    return true;
}

bool NetworkConnection::IsNetworkAvailable(connection_type_e& type)
{
    type = CONNECTION_TYPE_DISCONNECTED;
    if (!EnsureConnection())
        return false;
    int ret = connection_get_type(mConnection, &type);
    if (ret != CONNECTION_ERROR_NONE)
    {
        LOGE("connection_get_type:%d", ret);
        return false;
    }
    bool isAvailable = false;
    if (type == CONNECTION_TYPE_DISCONNECTED)
    {
        LOGE("connection type disconnected or bt connection. network connection type:%d", (int)type);
    }
    else
    {
        const int dataRestriction = VconfUtil::GetDataRestriction();
        // Reported, not enforced: the watch still uses the cellular link.
        if (dataRestriction == 1 && type == CONNECTION_TYPE_CELLULAR)
            LOGE("db/setting/data_restriction : %d", dataRestriction);
        isAvailable = true;
    }
    LOGE("network isAvailable:%d", isAvailable);
    return isAvailable;
}

std::string NetworkConnection::GetSystemNetworkProxyAddressStr()
{
    if (!EnsureConnection())
        return std::string();
    char* proxy = nullptr;
    int ret = connection_get_proxy(mConnection, CONNECTION_ADDRESS_FAMILY_IPV4, &proxy);
    std::string address;
    if (ret == CONNECTION_ERROR_NONE && proxy && *proxy && strcmp(proxy, "http://0.0.0.0") != 0 &&
        strcmp(proxy, "0.0.0.0") != 0)
        address = proxy;
    else
        LOGE("Invalid proxy address(%s), errorState:%d", proxy ? proxy : "", ret);
    free(proxy);
    return address;
}
} // namespace NSORZCommon
