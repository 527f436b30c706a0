#ifndef ORZ_COMMON_ICU_UTIL_H
#define ORZ_COMMON_ICU_UTIL_H

#include <string>
#include <time.h>

namespace NSORZCommon
{
/* Dates and times in the user's locale and the current UTC offset. */
class ICUUtil
{
public:
    ICUUtil();
    virtual ~ICUUtil();

    /* The ICU default locale without its encoding ("ko_KR"); "en_US" when there is none. */
    static std::string GetLocaleStr();
    /* Loads the date library on a thread of its own, once, ahead of a screen
     * that shows a date: on the main loop its first use costs a frame. */
    static void Preload();
    /* time: seconds since the epoch; formatType: index into the skeleton table
     * (0 "dd" ... 25 "MMMdd hhmm"). Empty text when ICU cannot format it. */
    static std::string GetFormattedDateTime(time_t time, int formatType);
    /* Whether the locale's region walks in miles and feet (US, UK, Liberia,
     * Myanmar); false when ICU cannot tell. */
    static bool UsesImperialDistances(const std::string& locale);
};
} // namespace NSORZCommon

#endif
