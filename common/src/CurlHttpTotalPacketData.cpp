#include "CurlHttpTotalPacketData.h"

#include <stdlib.h>

namespace NSORZCommon
{
CurlHttpTotalPacketData::CurlHttpTotalPacketData() : mBodyLength(0), mBodyData(nullptr), mBodyCapacity(0)
{
}

CurlHttpTotalPacketData::~CurlHttpTotalPacketData()
{
    free(mBodyData);
}
} // namespace NSORZCommon
