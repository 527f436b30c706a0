#include "CurlHttpResponseData.h"

namespace NSORZCommon
{
CurlHttpResponseData::CurlHttpResponseData() = default;

CurlHttpResponseData::~CurlHttpResponseData() = default;
} // namespace NSORZCommon
