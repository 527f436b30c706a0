#include "utils_i18n.h"

#include <unicode/udat.h>
#include <unicode/udatpg.h>
#include <unicode/uloc.h>
#include <unicode/ulocdata.h>
#include <unicode/ureldatefmt.h>
#include <unicode/ustring.h>

static_assert(sizeof(i18n_uchar) == sizeof(UChar), "i18n_uchar must be one UTF-16 unit");

namespace
{
int Result(UErrorCode status)
{
    if (U_SUCCESS(status))
        return I18N_ERROR_NONE;
    switch (status)
    {
    case U_ILLEGAL_ARGUMENT_ERROR:
        return I18N_ERROR_INVALID_PARAMETER;
    case U_MEMORY_ALLOCATION_ERROR:
        return I18N_ERROR_OUT_OF_MEMORY;
    case U_BUFFER_OVERFLOW_ERROR:
        return I18N_ERROR_BUFFER_OVERFLOW;
    default:
        return I18N_ERROR_UNKNOWN;
    }
}

UChar* U(i18n_uchar* s)
{
    return reinterpret_cast<UChar*>(s);
}

const UChar* U(const i18n_uchar* s)
{
    return reinterpret_cast<const UChar*>(s);
}
} // namespace

int i18n_ulocale_set_default(const char* locale_id)
{
    UErrorCode status = U_ZERO_ERROR;
    uloc_setDefault(locale_id, &status);
    return Result(status);
}

int i18n_ulocale_get_default(const char** locale)
{
    if (!locale)
        return I18N_ERROR_INVALID_PARAMETER;
    *locale = uloc_getDefault();
    return I18N_ERROR_NONE;
}

i18n_uchar* i18n_ustring_copy_ua_n(i18n_uchar* dest, const char* src, int32_t n)
{
    if (!dest || !src || n < 0)
        return nullptr;
    u_uastrncpy(U(dest), src, n);
    return dest;
}

char* i18n_ustring_copy_au_n(char* dest, const i18n_uchar* src, int32_t n)
{
    if (!dest || !src || n < 0)
        return nullptr;
    return u_austrncpy(dest, U(src), n);
}

int i18n_ustring_to_UTF8(char* dest, int32_t dest_capacity, int32_t* dest_len, const i18n_uchar* src,
                         int32_t src_len)
{
    if (!src)
        return I18N_ERROR_INVALID_PARAMETER;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8(dest, dest_capacity, dest_len, U(src), src_len, &status);
    return Result(status);
}

int32_t i18n_ustring_get_length(const i18n_uchar* s)
{
    return s ? u_strlen(U(s)) : 0;
}

int i18n_udatepg_create(const char* locale, i18n_udatepg_h* dtpg)
{
    if (!dtpg)
        return I18N_ERROR_INVALID_PARAMETER;
    UErrorCode status = U_ZERO_ERROR;
    *dtpg = udatpg_open(locale, &status);
    return Result(status);
}

int i18n_udatepg_destroy(i18n_udatepg_h dtpg)
{
    if (!dtpg)
        return I18N_ERROR_INVALID_PARAMETER;
    udatpg_close(static_cast<UDateTimePatternGenerator*>(dtpg));
    return I18N_ERROR_NONE;
}

int i18n_udatepg_get_best_pattern(i18n_udatepg_h dtpg, const i18n_uchar* skeleton, int32_t len,
                                  i18n_uchar* best_pattern, int32_t capacity, int32_t* best_pattern_len)
{
    if (!dtpg || !skeleton || !best_pattern_len)
        return I18N_ERROR_INVALID_PARAMETER;
    UErrorCode status = U_ZERO_ERROR;
    *best_pattern_len = udatpg_getBestPattern(static_cast<UDateTimePatternGenerator*>(dtpg), U(skeleton), len,
                                              U(best_pattern), capacity, &status);
    return Result(status);
}

int i18n_udate_create(i18n_udate_format_style_e time_style, i18n_udate_format_style_e date_style,
                      const char* locale, const i18n_uchar* tz_id, int32_t tz_id_len, const i18n_uchar* pattern,
                      int32_t pattern_len, i18n_udate_format_h* format)
{
    if (!format)
        return I18N_ERROR_INVALID_PARAMETER;
    UErrorCode status = U_ZERO_ERROR;
    *format = udat_open(static_cast<UDateFormatStyle>(time_style), static_cast<UDateFormatStyle>(date_style), locale,
                        U(tz_id), tz_id_len, U(pattern), pattern_len, &status);
    return Result(status);
}

int i18n_udate_destroy(i18n_udate_format_h format)
{
    if (!format)
        return I18N_ERROR_INVALID_PARAMETER;
    udat_close(static_cast<UDateFormat*>(format));
    return I18N_ERROR_NONE;
}

int i18n_udate_format_date(const i18n_udate_format_h format, i18n_udate date_to_format, i18n_uchar* result,
                           int32_t result_len, i18n_field_position_h pos, int32_t* buf_size_needed)
{
    if (!format || !buf_size_needed)
        return I18N_ERROR_INVALID_PARAMETER;
    UErrorCode status = U_ZERO_ERROR;
    *buf_size_needed = udat_format(static_cast<const UDateFormat*>(format), date_to_format, U(result), result_len,
                                   static_cast<UFieldPosition*>(pos), &status);
    return Result(status);
}

int i18n_ureldatefmt_create(const char* locale, i18n_udat_style_e style, i18n_ureldatefmt_h* formatter)
{
    if (!formatter || style < I18N_UDAT_STYLE_LONG || style > I18N_UDAT_STYLE_NARROW)
        return I18N_ERROR_INVALID_PARAMETER;
    UErrorCode status = U_ZERO_ERROR;
    URelativeDateTimeFormatter* handle = ureldatefmt_open(
        locale, nullptr, static_cast<UDateRelativeDateTimeFormatterStyle>(style), UDISPCTX_CAPITALIZATION_NONE,
        &status);
    if (U_FAILURE(status))
    {
        ureldatefmt_close(handle);
        *formatter = nullptr;
        return Result(status);
    }
    *formatter = handle;
    return I18N_ERROR_NONE;
}

int i18n_ureldatefmt_destroy(i18n_ureldatefmt_h formatter)
{
    if (!formatter)
        return I18N_ERROR_INVALID_PARAMETER;
    ureldatefmt_close(static_cast<URelativeDateTimeFormatter*>(formatter));
    return I18N_ERROR_NONE;
}

int i18n_ureldatefmt_format(i18n_ureldatefmt_h formatter, double offset, i18n_udat_rel_unit_e unit,
                            i18n_uchar* result, int32_t result_capacity, int32_t* result_len)
{
    if (!formatter || !result_len || unit < I18N_UDAT_REL_UNIT_YEAR || unit > I18N_UDAT_REL_UNIT_SECOND)
        return I18N_ERROR_INVALID_PARAMETER;
    static const URelativeDateTimeUnit units[] = {UDAT_REL_UNIT_YEAR, UDAT_REL_UNIT_QUARTER, UDAT_REL_UNIT_MONTH,
                                                  UDAT_REL_UNIT_WEEK, UDAT_REL_UNIT_DAY,     UDAT_REL_UNIT_HOUR,
                                                  UDAT_REL_UNIT_MINUTE, UDAT_REL_UNIT_SECOND};
    UErrorCode status = U_ZERO_ERROR;
    *result_len = ureldatefmt_format(static_cast<URelativeDateTimeFormatter*>(formatter), offset, units[unit],
                                     U(result), result_capacity, &status);
    return Result(status);
}

int i18n_ureldatefmt_combine_date_and_time(i18n_ureldatefmt_h formatter, const i18n_uchar* relative_date,
                                           int32_t relative_date_len, const i18n_uchar* time, int32_t time_len,
                                           i18n_uchar* result, int32_t result_capacity, int32_t* result_len)
{
    if (!formatter || !relative_date || !time || !result_len)
        return I18N_ERROR_INVALID_PARAMETER;
    UErrorCode status = U_ZERO_ERROR;
    *result_len = ureldatefmt_combineDateAndTime(static_cast<URelativeDateTimeFormatter*>(formatter),
                                                 U(relative_date), relative_date_len, U(time), time_len, U(result),
                                                 result_capacity, &status);
    return Result(status);
}

int i18n_ulocdata_get_measurement_system(const char* locale, i18n_ulocdata_measurement_system_e* system)
{
    if (!locale || !system)
        return I18N_ERROR_INVALID_PARAMETER;
    UErrorCode status = U_ZERO_ERROR;
    const UMeasurementSystem found = ulocdata_getMeasurementSystem(locale, &status);
    if (U_FAILURE(status))
        return Result(status);
    *system = static_cast<i18n_ulocdata_measurement_system_e>(found);
    return I18N_ERROR_NONE;
}
