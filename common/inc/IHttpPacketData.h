#ifndef ORZ_COMMON_I_HTTP_PACKET_DATA_H
#define ORZ_COMMON_I_HTTP_PACKET_DATA_H

namespace NSORZCommon
{
class IHttpPacketData
{
public:
    virtual ~IHttpPacketData() = default;
};
} // namespace NSORZCommon

#endif
