#include "CurlHttpTotalPacketData.h"

namespace NSORZCommon
{
CurlHttpTotalPacketData::CurlHttpTotalPacketData() : mBodyLength(0), mBodyData(nullptr)
{
}

CurlHttpTotalPacketData::~CurlHttpTotalPacketData()
{
    delete[] mBodyData;
}
} // namespace NSORZCommon
