#include "CurlHttpRequestData.h"

namespace NSORZCommon
{
CurlHttpRequestData::CurlHttpRequestData() : mRequestId(-1), mRequestType(0), mResponseCode(0)
{
}

CurlHttpRequestData::CurlHttpRequestData(const NetProxyHttpReqData& data)
    : mRequestId(-1), mRequestType(data.mRequestType), mResponseCode(0), mHeaderList(data.mHeaderList),
      mUrl(data.mUrl)
{
    if (!data.mPostData.empty())
        mPostData = data.mPostData;
}

CurlHttpRequestData::~CurlHttpRequestData() = default;
} // namespace NSORZCommon
