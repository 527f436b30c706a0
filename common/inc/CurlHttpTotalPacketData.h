#ifndef ORZ_COMMON_CURL_HTTP_TOTAL_PACKET_DATA_H
#define ORZ_COMMON_CURL_HTTP_TOTAL_PACKET_DATA_H

#include "IHttpPacketData.h"

#include <stddef.h>

namespace NSORZCommon
{
/* The received body. mBodyData (malloc'd, mBodyCapacity bytes) is always
 * followed by one 0 byte that mBodyLength does not count, so a text body can
 * be read as a C string. The engine bounds the length well below INT_MAX. */
class CurlHttpTotalPacketData : public IHttpPacketData
{
public:
    CurlHttpTotalPacketData();
    ~CurlHttpTotalPacketData() override;
    CurlHttpTotalPacketData(const CurlHttpTotalPacketData&) = delete;
    CurlHttpTotalPacketData& operator=(const CurlHttpTotalPacketData&) = delete;

    int mBodyLength;
    char* mBodyData;
    size_t mBodyCapacity;
};
} // namespace NSORZCommon

#endif
