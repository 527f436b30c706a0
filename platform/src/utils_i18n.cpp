#include "utils_i18n.h"

#include <unicode/udat.h>
#include <unicode/udatpg.h>
#include <unicode/uloc.h>
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
