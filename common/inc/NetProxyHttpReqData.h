#ifndef ORZ_COMMON_NET_PROXY_HTTP_REQ_DATA_H
#define ORZ_COMMON_NET_PROXY_HTTP_REQ_DATA_H

#include <list>
#include <string>

namespace NSORZCommon
{
/* A request as Network hands it to NetworkProxy. */
class NetProxyHttpReqData
{
public:
    int mRequestType = 0;
    std::string mUrl;
    std::string mPostData; // empty: GET
    std::list<std::string> mHeaderList; // "Name: value"
};
} // namespace NSORZCommon

#endif
