#ifndef ORZ_COMMON_SYSTEM_UTIL_H
#define ORZ_COMMON_SYSTEM_UTIL_H

#include <string>

namespace NSORZCommon
{
/* Locale, time zone, font and location-service state of the system; each
 * answers the empty text (or false) when the system cannot say. */
class SystemUtil
{
public:
    SystemUtil();
    virtual ~SystemUtil();

    /* "en_US" */
    static std::string GetCurrentLocale();
    /* "en_US.UTF-8" */
    static std::string GetCurrentLocaleUtf8();
    /* "Asia/Seoul" */
    static std::string GetTimeZone();
    static std::string GetCurrentFont();
    static bool IsLocationServiceEnabled();
    /* "en" */
    static std::string GetCurrentSystemLangStr();
    /* "US" */
    static std::string GetCurrentSystemRegionStr();
};
} // namespace NSORZCommon

#endif
