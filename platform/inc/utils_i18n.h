#ifndef PELORN_PLATFORM_UTILS_I18N_H
#define PELORN_PLATFORM_UTILS_I18N_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The platform's i18n calls: thin wrappers over the ICU C API. Texts are
 * UTF-16 code units; error codes are ICU's (I18N_ERROR_NONE when none). */

typedef enum
{
    I18N_ERROR_NONE = 0,
    I18N_ERROR_INVALID_PARAMETER = -22,
    I18N_ERROR_OUT_OF_MEMORY = -12,
    I18N_ERROR_BUFFER_OVERFLOW = -75,
    I18N_ERROR_ILLEGAL_ARGUMENT = -0x01140000 | 0x01,
    I18N_ERROR_UNKNOWN = -0x01140000 | 0xff,
} i18n_error_code_e;

typedef uint16_t i18n_uchar;
typedef double i18n_udate;
typedef void* i18n_udatepg_h;
typedef void* i18n_udate_format_h;
typedef void* i18n_field_position_h;

typedef enum
{
    I18N_UDATE_FULL = 0,
    I18N_UDATE_LONG = 1,
    I18N_UDATE_MEDIUM = 2,
    I18N_UDATE_SHORT = 3,
    I18N_UDATE_DEFAULT = I18N_UDATE_MEDIUM,
    I18N_UDATE_NONE = -1,
    I18N_UDATE_PATTERN = -2,
} i18n_udate_format_style_e;

/* NULL sets the default from the environment (LC_ALL, LC_MESSAGES, LANG). */
int i18n_ulocale_set_default(const char* locale_id);
int i18n_ulocale_get_default(const char** locale);

/* Copies at most n units; the destination is terminated when room is left. */
i18n_uchar* i18n_ustring_copy_ua_n(i18n_uchar* dest, const char* src, int32_t n);
char* i18n_ustring_copy_au_n(char* dest, const i18n_uchar* src, int32_t n);
/* UTF-16 to UTF-8; *dest_len receives the UTF-8 length. */
int i18n_ustring_to_UTF8(char* dest, int32_t dest_capacity, int32_t* dest_len, const i18n_uchar* src,
                         int32_t src_len);
int32_t i18n_ustring_get_length(const i18n_uchar* s);

int i18n_udatepg_create(const char* locale, i18n_udatepg_h* dtpg);
int i18n_udatepg_destroy(i18n_udatepg_h dtpg);
int i18n_udatepg_get_best_pattern(i18n_udatepg_h dtpg, const i18n_uchar* skeleton, int32_t len,
                                  i18n_uchar* best_pattern, int32_t capacity, int32_t* best_pattern_len);

/* With I18N_UDATE_PATTERN for both styles the pattern is used as given.
 * tz_id_len/pattern_len -1: terminated text. */
int i18n_udate_create(i18n_udate_format_style_e time_style, i18n_udate_format_style_e date_style,
                      const char* locale, const i18n_uchar* tz_id, int32_t tz_id_len, const i18n_uchar* pattern,
                      int32_t pattern_len, i18n_udate_format_h* format);
int i18n_udate_destroy(i18n_udate_format_h format);
/* date in milliseconds since the epoch. */
int i18n_udate_format_date(const i18n_udate_format_h format, i18n_udate date_to_format, i18n_uchar* result,
                           int32_t result_len, i18n_field_position_h pos, int32_t* buf_size_needed);


/* Relative dates ("12 min. ago", "yesterday") in a locale's words. */
typedef void* i18n_ureldatefmt_h;

typedef enum
{
    I18N_UDAT_STYLE_LONG = 0,
    I18N_UDAT_STYLE_SHORT = 1,
    I18N_UDAT_STYLE_NARROW = 2,
} i18n_udat_style_e;

typedef enum
{
    I18N_UDAT_REL_UNIT_YEAR = 0,
    I18N_UDAT_REL_UNIT_QUARTER = 1,
    I18N_UDAT_REL_UNIT_MONTH = 2,
    I18N_UDAT_REL_UNIT_WEEK = 3,
    I18N_UDAT_REL_UNIT_DAY = 4,
    I18N_UDAT_REL_UNIT_HOUR = 5,
    I18N_UDAT_REL_UNIT_MINUTE = 6,
    I18N_UDAT_REL_UNIT_SECOND = 7,
} i18n_udat_rel_unit_e;

int i18n_ureldatefmt_create(const char* locale, i18n_udat_style_e style, i18n_ureldatefmt_h* formatter);
int i18n_ureldatefmt_destroy(i18n_ureldatefmt_h formatter);
/* offset < 0 lies in the past; words where the locale has them ("yesterday",
 * "now"), numbers otherwise. *result_len receives the length needed. */
int i18n_ureldatefmt_format(i18n_ureldatefmt_h formatter, double offset, i18n_udat_rel_unit_e unit,
                            i18n_uchar* result, int32_t result_capacity, int32_t* result_len);
/* Joins a relative day and a time of day the way the locale does. */
int i18n_ureldatefmt_combine_date_and_time(i18n_ureldatefmt_h formatter, const i18n_uchar* relative_date,
                                           int32_t relative_date_len, const i18n_uchar* time, int32_t time_len,
                                           i18n_uchar* result, int32_t result_capacity, int32_t* result_len);

/* Which units a region measures in. */
typedef enum
{
    I18N_ULOCDATA_MS_SI = 0,
    I18N_ULOCDATA_MS_US = 1,
    I18N_ULOCDATA_MS_UK = 2,
} i18n_ulocdata_measurement_system_e;

/* locale: an ICU locale id; its region decides ("en_US" US, "en_GB" UK, "ko_KR" SI). */
int i18n_ulocdata_get_measurement_system(const char* locale, i18n_ulocdata_measurement_system_e* system);

#ifdef __cplusplus
}
#endif

#endif
