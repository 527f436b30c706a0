#ifndef ORZ_COMMON_CSC_UTIL_H
#define ORZ_COMMON_CSC_UTIL_H

namespace NSORZCommon
{
/* The maker's feature flag that the application reads at resume. */
class CSCUtil
{
public:
    CSCUtil();
    virtual ~CSCUtil();

    static bool IsFeatureEnabled();
};
} // namespace NSORZCommon

#endif
