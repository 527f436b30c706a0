#ifndef ORZ_COMMON_CURL_HTTP_TOTAL_PACKET_DATA_H
#define ORZ_COMMON_CURL_HTTP_TOTAL_PACKET_DATA_H

#include "IHttpPacketData.h"

namespace NSORZCommon
{
/* The received body. mBodyData is always followed by one 0 byte that
 * mBodyLength does not count, so a text body can be read as a C string. */
class CurlHttpTotalPacketData : public IHttpPacketData
{
public:
    CurlHttpTotalPacketData();
    ~CurlHttpTotalPacketData() override;
    CurlHttpTotalPacketData(const CurlHttpTotalPacketData&) = delete;
    CurlHttpTotalPacketData& operator=(const CurlHttpTotalPacketData&) = delete;

    int mBodyLength;
    char* mBodyData;
};
} // namespace NSORZCommon

#endif
