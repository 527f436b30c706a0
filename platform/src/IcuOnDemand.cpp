// ICU formats dates for the location screen alone, yet linking it maps and
// relocates its two big libraries (about 1.6 MB resident) in every launch.
// The programs are therefore not linked against it; these definitions of the
// ICU calls that utils_i18n makes load it on the first call and hand each call
// on. ICU's names carry its major version (u_strlen is u_strlen_72), which the
// headers supply here as well. Without the library each call reports
// U_MISSING_RESOURCE_ERROR through its status, as ICU would for missing data.
#include <atomic>
#include <unicode/udat.h>
#include <unicode/udatpg.h>
#include <unicode/uloc.h>
#include <unicode/ulocdata.h>
#include <unicode/ureldatefmt.h>
#include <unicode/ustring.h>
#include <unicode/uvernum.h>

#include "dlog.h"

#include "pelorn_on_demand.h"

#define PELORN_ICU_TEXT2(x) #x
#define PELORN_ICU_TEXT(x) PELORN_ICU_TEXT2(x)

namespace
{
// The i18n library brings the common one it depends on; dlsym looks in both.
const char* const kIcuLibrary = "libicui18n.so." PELORN_ICU_TEXT(U_ICU_VERSION_MAJOR_NUM);

PelornOnDemandLibrary gIcu{kIcuLibrary, "pelorn-p"};

template <typename Fn> Fn Resolve(const char* name)
{
    return pelorn_on_demand<Fn>(gIcu, name);
}

bool Missing(UErrorCode* status)
{
    if (status && U_SUCCESS(*status))
        *status = U_MISSING_RESOURCE_ERROR;
    return false;
}
} // namespace

// Each resolves its versioned target once (thread-safe static initialisation).
#define PELORN_ICU_TARGET(fnType, name) static const auto fn = Resolve<fnType>(PELORN_ICU_TEXT(name))

extern "C" void uloc_setDefault(const char* localeId, UErrorCode* status)
{
    PELORN_ICU_TARGET(void (*)(const char*, UErrorCode*), uloc_setDefault);
    if (fn)
        fn(localeId, status);
    else
        Missing(status);
}

extern "C" const char* uloc_getDefault(void)
{
    PELORN_ICU_TARGET(const char* (*)(void), uloc_getDefault);
    return fn ? fn() : "en_US_POSIX";
}

extern "C" UDateTimePatternGenerator* udatpg_open(const char* locale, UErrorCode* status)
{
    PELORN_ICU_TARGET(UDateTimePatternGenerator * (*)(const char*, UErrorCode*), udatpg_open);
    return fn ? fn(locale, status) : (Missing(status), nullptr);
}

extern "C" int32_t udatpg_getBestPattern(UDateTimePatternGenerator* generator, const UChar* skeleton,
                                         int32_t length, UChar* bestPattern, int32_t capacity,
                                         UErrorCode* status)
{
    PELORN_ICU_TARGET(
        int32_t(*)(UDateTimePatternGenerator*, const UChar*, int32_t, UChar*, int32_t, UErrorCode*),
        udatpg_getBestPattern);
    return fn ? fn(generator, skeleton, length, bestPattern, capacity, status) : (Missing(status), 0);
}

extern "C" void udatpg_close(UDateTimePatternGenerator* generator)
{
    PELORN_ICU_TARGET(void (*)(UDateTimePatternGenerator*), udatpg_close);
    if (fn)
        fn(generator);
}

extern "C" UDateFormat* udat_open(UDateFormatStyle timeStyle, UDateFormatStyle dateStyle, const char* locale,
                                  const UChar* tzId, int32_t tzIdLength, const UChar* pattern,
                                  int32_t patternLength, UErrorCode* status)
{
    PELORN_ICU_TARGET(UDateFormat * (*)(UDateFormatStyle, UDateFormatStyle, const char*, const UChar*,
                                        int32_t, const UChar*, int32_t, UErrorCode*),
                      udat_open);
    return fn ? fn(timeStyle, dateStyle, locale, tzId, tzIdLength, pattern, patternLength, status)
              : (Missing(status), nullptr);
}

extern "C" int32_t udat_format(const UDateFormat* format, UDate date, UChar* result, int32_t resultLength,
                               UFieldPosition* position, UErrorCode* status)
{
    PELORN_ICU_TARGET(int32_t(*)(const UDateFormat*, UDate, UChar*, int32_t, UFieldPosition*, UErrorCode*),
                      udat_format);
    return fn ? fn(format, date, result, resultLength, position, status) : (Missing(status), 0);
}

extern "C" void udat_close(UDateFormat* format)
{
    PELORN_ICU_TARGET(void (*)(UDateFormat*), udat_close);
    if (fn)
        fn(format);
}

extern "C" UChar* u_uastrncpy(UChar* dst, const char* src, int32_t n)
{
    PELORN_ICU_TARGET(UChar * (*)(UChar*, const char*, int32_t), u_uastrncpy);
    if (fn)
        return fn(dst, src, n);
    if (dst && n > 0)
        dst[0] = 0;
    return dst;
}

extern "C" char* u_austrncpy(char* dst, const UChar* src, int32_t n)
{
    PELORN_ICU_TARGET(char* (*)(char*, const UChar*, int32_t), u_austrncpy);
    if (fn)
        return fn(dst, src, n);
    if (dst && n > 0)
        dst[0] = 0;
    return dst;
}

extern "C" int32_t u_strlen(const UChar* s)
{
    PELORN_ICU_TARGET(int32_t(*)(const UChar*), u_strlen);
    if (fn)
        return fn(s);
    int32_t n = 0;
    while (s && s[n])
        ++n;
    return n;
}

extern "C" char* u_strToUTF8(char* dest, int32_t destCapacity, int32_t* destLength, const UChar* src,
                             int32_t srcLength, UErrorCode* status)
{
    PELORN_ICU_TARGET(char* (*)(char*, int32_t, int32_t*, const UChar*, int32_t, UErrorCode*), u_strToUTF8);
    return fn ? fn(dest, destCapacity, destLength, src, srcLength, status) : (Missing(status), nullptr);
}

extern "C" URelativeDateTimeFormatter* ureldatefmt_open(const char* locale, UNumberFormat* nfToAdopt,
                                                        UDateRelativeDateTimeFormatterStyle width,
                                                        UDisplayContext capitalizationContext, UErrorCode* status)
{
    PELORN_ICU_TARGET(URelativeDateTimeFormatter * (*)(const char*, UNumberFormat*,
                                                       UDateRelativeDateTimeFormatterStyle, UDisplayContext,
                                                       UErrorCode*),
                      ureldatefmt_open);
    return fn ? fn(locale, nfToAdopt, width, capitalizationContext, status) : (Missing(status), nullptr);
}

extern "C" void ureldatefmt_close(URelativeDateTimeFormatter* reldatefmt)
{
    PELORN_ICU_TARGET(void (*)(URelativeDateTimeFormatter*), ureldatefmt_close);
    if (fn)
        fn(reldatefmt);
}

extern "C" int32_t ureldatefmt_format(const URelativeDateTimeFormatter* reldatefmt, double offset,
                                      URelativeDateTimeUnit unit, UChar* result, int32_t resultCapacity,
                                      UErrorCode* status)
{
    PELORN_ICU_TARGET(int32_t (*)(const URelativeDateTimeFormatter*, double, URelativeDateTimeUnit, UChar*, int32_t,
                                  UErrorCode*),
                      ureldatefmt_format);
    return fn ? fn(reldatefmt, offset, unit, result, resultCapacity, status) : (Missing(status), 0);
}

extern "C" int32_t ureldatefmt_combineDateAndTime(const URelativeDateTimeFormatter* reldatefmt,
                                                  const UChar* relativeDateString, int32_t relativeDateStringLen,
                                                  const UChar* timeString, int32_t timeStringLen, UChar* result,
                                                  int32_t resultCapacity, UErrorCode* status)
{
    PELORN_ICU_TARGET(int32_t (*)(const URelativeDateTimeFormatter*, const UChar*, int32_t, const UChar*, int32_t,
                                  UChar*, int32_t, UErrorCode*),
                      ureldatefmt_combineDateAndTime);
    return fn ? fn(reldatefmt, relativeDateString, relativeDateStringLen, timeString, timeStringLen, result,
                   resultCapacity, status)
              : (Missing(status), 0);
}

extern "C" UMeasurementSystem ulocdata_getMeasurementSystem(const char* localeID, UErrorCode* status)
{
    PELORN_ICU_TARGET(UMeasurementSystem (*)(const char*, UErrorCode*), ulocdata_getMeasurementSystem);
    return fn ? fn(localeID, status) : (Missing(status), UMS_SI);
}

void pelorn_icu_open_async(void)
{
    static std::atomic<bool> started(false);
    if (started.exchange(true))
        return;
    pelorn_on_demand_open_async(gIcu,
                                []
                                {
                                    // ICU keeps what these load for the process; a second opening is cheap.
                                    UErrorCode status = U_ZERO_ERROR;
                                    const char* locale = uloc_getDefault();
                                    ureldatefmt_close(ureldatefmt_open(locale, nullptr, UDAT_STYLE_SHORT,
                                                                       UDISPCTX_CAPITALIZATION_NONE,
                                                                       &status));
                                    status = U_ZERO_ERROR;
                                    udatpg_close(udatpg_open(locale, &status));
                                });
}
