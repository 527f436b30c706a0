#include "LastSeenAgeFormatter.h"

#include "OrzLog.h"

#include <stdio.h>
#include <stdlib.h>
#include <system_settings.h>
#include <utils_i18n.h>

namespace
{
const int kUnits = 128;
const time_t kMinute = 60;
const time_t kHour = 60 * 60;

/* ICU text to UTF-8; empty when it does not fit. */
std::string ToUtf8(const i18n_uchar* text, int32_t length)
{
    char buffer[kUnits * 4] = {0};
    int32_t utf8Length = 0;
    if (i18n_ustring_to_UTF8(buffer, sizeof(buffer), &utf8Length, text, length) != I18N_ERROR_NONE)
        return std::string();
    return std::string(buffer, utf8Length);
}

/* The fixed offset in force at that moment, as ICU takes it ("GMT+5:30"). */
std::string ZoneIdAt(time_t when)
{
    struct tm local;
    localtime_r(&when, &local);
    const long offset = local.tm_gmtoff;
    char zone[32];
    snprintf(zone, sizeof(zone), "GMT%c%ld:%02ld", offset < 0 ? '-' : '+', labs(offset) / 3600,
             (labs(offset) % 3600) / 60);
    return zone;
}

/* The date and/or time of that moment for a pattern skeleton, in the locale's order. */
int32_t FormatSkeleton(time_t when, const std::string& locale, const char* skeletonText, i18n_uchar* out)
{
    i18n_udatepg_h generator = NULL;
    RETV_IF(i18n_udatepg_create(locale.c_str(), &generator) != I18N_ERROR_NONE || !generator, -1);
    i18n_uchar skeleton[kUnits] = {0};
    i18n_ustring_copy_ua_n(skeleton, skeletonText, kUnits - 1);
    i18n_uchar pattern[kUnits] = {0};
    int32_t patternLength = 0;
    int ret = i18n_udatepg_get_best_pattern(generator, skeleton, i18n_ustring_get_length(skeleton), pattern,
                                            kUnits, &patternLength);
    i18n_udatepg_destroy(generator);
    RETVM_IF(ret != I18N_ERROR_NONE || patternLength >= kUnits, -1, "i18n_udatepg_get_best_pattern failed");

    i18n_uchar zone[kUnits] = {0};
    i18n_ustring_copy_ua_n(zone, ZoneIdAt(when).c_str(), kUnits - 1);
    i18n_udate_format_h format = NULL;
    ret = i18n_udate_create(I18N_UDATE_PATTERN, I18N_UDATE_PATTERN, locale.c_str(), zone, -1, pattern,
                            patternLength, &format);
    RETVM_IF(ret != I18N_ERROR_NONE || !format, -1, "i18n_udate_create failed");
    int32_t needed = 0;
    ret = i18n_udate_format_date(format, (i18n_udate)when * 1000.0, out, kUnits, NULL, &needed);
    i18n_udate_destroy(format);
    RETVM_IF(ret != I18N_ERROR_NONE || needed >= kUnits, -1, "i18n_udate_format_date failed");
    return needed;
}

bool SameLocalDay(const struct tm& a, const struct tm& b)
{
    return a.tm_year == b.tm_year && a.tm_yday == b.tm_yday;
}

class RelativeFormatter
{
public:
    explicit RelativeFormatter(const std::string& locale) : mHandle(NULL)
    {
        if (i18n_ureldatefmt_create(locale.c_str(), I18N_UDAT_STYLE_SHORT, &mHandle) != I18N_ERROR_NONE)
            mHandle = NULL;
    }
    ~RelativeFormatter()
    {
        if (mHandle)
            i18n_ureldatefmt_destroy(mHandle);
    }
    RelativeFormatter(const RelativeFormatter&) = delete;
    RelativeFormatter& operator=(const RelativeFormatter&) = delete;

    i18n_ureldatefmt_h Get() const
    {
        return mHandle;
    }

    int32_t Format(double offset, i18n_udat_rel_unit_e unit, i18n_uchar* out) const
    {
        int32_t length = 0;
        if (!mHandle ||
            i18n_ureldatefmt_format(mHandle, offset, unit, out, kUnits, &length) != I18N_ERROR_NONE ||
            length >= kUnits)
            return -1;
        return length;
    }

private:
    i18n_ureldatefmt_h mHandle;
};
} // namespace

namespace NSORZCommon
{
std::string LastSeenAgeFormatter::Format(time_t seen, time_t now, const std::string& locale, bool use24Hour)
{
    RelativeFormatter relative(locale);
    if (!relative.Get())
    {
        LOGE("i18n_ureldatefmt_create failed (%s)", locale.c_str());
        return std::string();
    }
    const char* timeSkeleton = use24Hour ? "HHmm" : "hmma";
    i18n_uchar text[kUnits] = {0};
    int32_t length = -1;

    // A clock set back since then still reads as a moment ago, never as the future.
    const time_t age = now > seen ? now - seen : 0;
    struct tm seenDay;
    struct tm today;
    localtime_r(&seen, &seenDay);
    localtime_r(&now, &today);
    time_t dayBefore = now - 24 * kHour;
    struct tm yesterday;
    localtime_r(&dayBefore, &yesterday);

    if (age < kMinute)
    {
        length = relative.Format(0, I18N_UDAT_REL_UNIT_SECOND, text);
    }
    else if (age < kHour)
    {
        length = relative.Format(-(double)(age / kMinute), I18N_UDAT_REL_UNIT_MINUTE, text);
    }
    else if (SameLocalDay(seenDay, today) || age < 2 * kHour)
    {
        length = relative.Format(-(double)(age / kHour), I18N_UDAT_REL_UNIT_HOUR, text);
    }
    else if (SameLocalDay(seenDay, yesterday))
    {
        i18n_uchar day[kUnits] = {0};
        i18n_uchar time[kUnits] = {0};
        const int32_t dayLength = relative.Format(-1, I18N_UDAT_REL_UNIT_DAY, day);
        const int32_t timeLength = FormatSkeleton(seen, locale, timeSkeleton, time);
        if (dayLength >= 0 && timeLength >= 0 &&
            i18n_ureldatefmt_combine_date_and_time(relative.Get(), day, dayLength, time, timeLength, text,
                                                   kUnits, &length) != I18N_ERROR_NONE)
            length = -1;
        if (length >= kUnits)
            length = -1;
    }
    else
    {
        length = FormatSkeleton(seen, locale, use24Hour ? "MMMdHHmm" : "MMMdhmma", text);
    }
    if (length < 0)
    {
        LOGE("cannot format the age in %s", locale.c_str());
        return std::string();
    }
    return ToUtf8(text, length);
}

std::string LastSeenAgeFormatter::CurrentLocale()
{
    char* language = NULL;
    char* region = NULL;
    system_settings_get_value_string(SYSTEM_SETTINGS_KEY_LOCALE_LANGUAGE, &language);
    system_settings_get_value_string(SYSTEM_SETTINGS_KEY_LOCALE_COUNTRY, &region);
    std::string languagePart = language ? language : "";
    std::string regionPart = region ? region : "";
    free(language);
    free(region);
    languagePart = languagePart.substr(0, languagePart.find_first_of("_.@"));
    regionPart = regionPart.substr(0, regionPart.find_first_of(".@"));
    const std::string::size_type underscore = regionPart.find('_');
    std::string country = underscore == std::string::npos ? std::string() : regionPart.substr(underscore + 1);
    if (languagePart.empty())
        languagePart = "en";
    return country.empty() ? languagePart : languagePart + "_" + country;
}
} // namespace NSORZCommon
