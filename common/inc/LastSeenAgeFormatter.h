#ifndef ORZ_COMMON_LAST_SEEN_AGE_FORMATTER_H
#define ORZ_COMMON_LAST_SEEN_AGE_FORMATTER_H

#include <string>
#include <time.h>

namespace NSORZCommon
{
/* How long ago something was seen, in the locale's own words: "now",
 * "12 min. ago", "3 hr. ago", "yesterday, 18:40", "Dec 3, 18:40". Times of
 * day follow the 12/24-hour setting; dates are local dates. */
class LastSeenAgeFormatter
{
public:
    /* locale: an ICU locale id such as "en_US" or "ko_KR". Empty text when
     * ICU cannot format it. */
    static std::string Format(time_t seen, time_t now, const std::string& locale, bool use24Hour);
    /* The display language with the region format's country ("en" + "KR" gives
     * "en_KR"): the words follow the language, the dates the region. */
    static std::string CurrentLocale();
};
} // namespace NSORZCommon

#endif
