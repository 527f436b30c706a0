#include "CSCUtil.h"

#include "OrzLog.h"

#include <csc_feature.h>

namespace
{
const int CSC_FEATURE_PELORN = 38;
}

namespace NSORZCommon
{
CSCUtil::CSCUtil()
{
}

CSCUtil::~CSCUtil()
{
}

bool CSCUtil::IsFeatureEnabled()
{
    return csc_feature_get_bool(CSC_FEATURE_PELORN) == CSC_FEATURE_BOOL_TRUE;
}
} // namespace NSORZCommon
