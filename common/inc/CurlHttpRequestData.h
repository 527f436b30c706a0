#ifndef ORZ_COMMON_CURL_HTTP_REQUEST_DATA_H
#define ORZ_COMMON_CURL_HTTP_REQUEST_DATA_H

#include "IHttpRequestData.h"
#include "NetProxyHttpReqData.h"

#include <list>
#include <string>

namespace NSORZCommon
{
/* A request as the engine performs it. mResponseCode is written by the
 * worker under the engine's lock and read on the main thread after the
 * transfer has been reported through the pipe. */
class CurlHttpRequestData : public IHttpRequestData
{
public:
    CurlHttpRequestData();
    explicit CurlHttpRequestData(const NetProxyHttpReqData& data);
    ~CurlHttpRequestData() override;

    int mRequestId;
    int mRequestType;
    int mResponseCode;
    std::list<std::string> mHeaderList;
    std::string mUrl;
    std::string mPostData;
};
} // namespace NSORZCommon

#endif
