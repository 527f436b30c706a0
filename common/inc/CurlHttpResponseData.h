#ifndef ORZ_COMMON_CURL_HTTP_RESPONSE_DATA_H
#define ORZ_COMMON_CURL_HTTP_RESPONSE_DATA_H

#include "CurlHttpTotalPacketData.h"
#include "IHttpResponseData.h"

#include <memory>

namespace NSORZCommon
{
class CurlHttpResponseData : public IHttpResponseData
{
public:
    CurlHttpResponseData();
    ~CurlHttpResponseData() override;

    std::shared_ptr<CurlHttpTotalPacketData> mTotalPacketDataPtr;
};
} // namespace NSORZCommon

#endif
