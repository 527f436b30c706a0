#ifndef ORZ_COMMON_I_HTTP_RESPONSE_DATA_H
#define ORZ_COMMON_I_HTTP_RESPONSE_DATA_H

namespace NSORZCommon
{
class IHttpResponseData
{
public:
    virtual ~IHttpResponseData() = default;
};
} // namespace NSORZCommon

#endif
