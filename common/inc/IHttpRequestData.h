#ifndef ORZ_COMMON_I_HTTP_REQUEST_DATA_H
#define ORZ_COMMON_I_HTTP_REQUEST_DATA_H

namespace NSORZCommon
{
/* What travels through the engine as a request; the engine recovers the
 * concrete type by dynamic cast. */
class IHttpRequestData
{
public:
    virtual ~IHttpRequestData() = default;
};
} // namespace NSORZCommon

#endif
