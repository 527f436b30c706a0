#include "ICUUtil.h"

#include "OrzLog.h"
#include "pelorn_on_demand.h"

#include <stdio.h>
#include <stdlib.h>
#include <utils_i18n.h>

namespace
{
const int ZONE_ID_UNITS = 64;
const int PATTERN_UNITS = 128;
const int RESULT_UNITS = 64;
const int FORMAT_TYPE_MONTH_DAY = 15;

const char* const SKELETONS[] = {
    "dd",           "MMMdd",        "yyyyMMM",    "yyyyMMMdd",  "ddMMMyyyy", "MMMMdyyyy", "yyyyMMMMdd",
    "yyyy",         "MMM",          "HHmm",       "hhmm",       "EEE",       "MM",        "MMMMEd",
    "MMMEd",        "MMdd",         "yyyy/MM/dd", "a",          "h",         "HH",        "mm",
    "d",            "EEEdMMM HHmm", "EEEdMMM hhmm", "MMMdd HHmm", "MMMdd hhmm",
};
const int SKELETON_COUNT = sizeof(SKELETONS) / sizeof(SKELETONS[0]);

/* "GMT+5:30", "GMT-3:30": the hours keep the sign, the minutes never carry one. */
std::string ZoneIdForOffset(long offset)
{
    char zone[32];
    long minutes = labs(offset % 3600) / 60;
    if (offset < 0 && offset > -3600)
        snprintf(zone, sizeof(zone), "GMT-0:%02ld", minutes); // "%+ld" of 0 would lose the sign
    else
        snprintf(zone, sizeof(zone), "GMT%+ld:%02ld", offset / 3600, minutes);
    return zone;
}

class DatePatternGenerator
{
public:
    explicit DatePatternGenerator(const char* locale) : mHandle(NULL)
    {
        int ret = i18n_udatepg_create(locale, &mHandle);
        if (ret != I18N_ERROR_NONE)
        {
            LOGE("i18n_udatepg_create failed [%d]", ret);
            mHandle = NULL;
        }
    }
    ~DatePatternGenerator()
    {
        if (mHandle)
            i18n_udatepg_destroy(mHandle);
    }
    i18n_udatepg_h Get() const
    {
        return mHandle;
    }

private:
    i18n_udatepg_h mHandle;
};
} // namespace

namespace NSORZCommon
{
ICUUtil::ICUUtil()
{
}

ICUUtil::~ICUUtil()
{
}

void ICUUtil::Preload()
{
    pelorn_icu_open_async();
}

std::string ICUUtil::GetLocaleStr()
{
    const char* locale = NULL;
    i18n_ulocale_get_default(&locale);
    std::string name = locale ? locale : "";
    std::string token = name.substr(0, name.find('.'));
    RETVM_IF(token.empty(), "en_US", "token == NULL");
    return token;
}

std::string ICUUtil::GetFormattedDateTime(time_t time, int formatType)
{
    RETV_IF(formatType < 0 || formatType >= SKELETON_COUNT, std::string());

    tzset(); // pick up a time zone changed since the last call
    time_t now = ::time(NULL);
    struct tm local;
    localtime_r(&now, &local);
    long offset = local.tm_gmtoff;
    i18n_ulocale_set_default(getenv("LC_TIME"));
    std::string locale = GetLocaleStr();

    i18n_uchar zoneId[ZONE_ID_UNITS] = {0};
    i18n_ustring_copy_ua_n(zoneId, ZoneIdForOffset(offset).c_str(), ZONE_ID_UNITS - 1);

    i18n_uchar pattern[PATTERN_UNITS] = {0};
    int32_t patternLength = 0;
    if (formatType == FORMAT_TYPE_MONTH_DAY && (locale == "ko_KR" || locale == "lo_LA"))
    {
        i18n_ustring_copy_ua_n(pattern, locale == "ko_KR" ? "MM/dd" : "dd/MM", PATTERN_UNITS - 1);
        patternLength = i18n_ustring_get_length(pattern);
    }
    else
    {
        DatePatternGenerator generator(locale.c_str());
        RETV_IF(generator.Get() == NULL, std::string());
        i18n_uchar skeleton[PATTERN_UNITS] = {0};
        i18n_ustring_copy_ua_n(skeleton, SKELETONS[formatType], PATTERN_UNITS - 1);
        int ret = i18n_udatepg_get_best_pattern(generator.Get(), skeleton, i18n_ustring_get_length(skeleton), pattern,
                                                PATTERN_UNITS, &patternLength);
        if (ret != I18N_ERROR_NONE || patternLength >= PATTERN_UNITS)
        {
            LOGE("i18n_udatepg_get_best_pattern failed [%d]", ret);
            return std::string();
        }
    }

    i18n_udate_format_h formatter = NULL;
    int ret = i18n_udate_create(I18N_UDATE_PATTERN, I18N_UDATE_PATTERN, locale.c_str(), zoneId, -1, pattern,
                                patternLength, &formatter);
    if (ret != I18N_ERROR_NONE || !formatter)
    {
        LOGE("i18n_udate_create failed [%d]", ret);
        return std::string();
    }
    i18n_uchar formatted[RESULT_UNITS] = {0};
    int32_t needed = 0;
    ret = i18n_udate_format_date(formatter, (i18n_udate)time * 1000.0, formatted, RESULT_UNITS, NULL, &needed);
    i18n_udate_destroy(formatter);
    if (ret != I18N_ERROR_NONE || needed >= RESULT_UNITS)
    {
        LOGE("i18n_udate_format_date failed [%d]", ret);
        return std::string();
    }

    char result[RESULT_UNITS * 4] = {0};
    int32_t resultLength = 0;
    ret = i18n_ustring_to_UTF8(result, sizeof(result), &resultLength, formatted, needed);
    RETV_IF(ret != I18N_ERROR_NONE, std::string());
    return std::string(result, resultLength);
}

bool ICUUtil::UsesImperialDistances(const std::string& locale)
{
    i18n_ulocdata_measurement_system_e system = I18N_ULOCDATA_MS_SI;
    RETV_IF(i18n_ulocdata_get_measurement_system(locale.c_str(), &system) != I18N_ERROR_NONE, false);
    return system != I18N_ULOCDATA_MS_SI;
}
} // namespace NSORZCommon
