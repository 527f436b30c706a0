#include "csc_feature.h"

#include "vconf.h"

#include <string>

int csc_feature_get_bool(int feature)
{
    int value = 0;
    std::string key = "db/csc/feature/" + std::to_string(feature);
    if (feature < 0 || vconf_get_bool(key.c_str(), &value) != VCONF_OK)
        return CSC_FEATURE_BOOL_ERROR;
    return value ? CSC_FEATURE_BOOL_TRUE : CSC_FEATURE_BOOL_FALSE;
}
