// libcurl is needed only once the location screen fetches a map, yet linking
// it starts a dozen libraries with it (TLS, LDAP, SSH, Kerberos, RTMP...):
// about 4 MB resident and their start-up constructors in every launch. The
// programs are therefore not linked against it; these definitions of the
// libcurl calls the code makes load the library on the first call and hand
// each call on. Without the library every call fails the way libcurl reports
// failures, which the transfer engine already treats as a failed request.
#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>

#include "CurlNetworkConnection.h"
#include "OrzLog.h"

#include "pelorn_on_demand.h"
#include <atomic>
#include <stdarg.h>

namespace
{
const char* const kCurlLibrary = "libcurl.so.4";

PelornOnDemandLibrary gCurl{kCurlLibrary, ORZ_LOG_TAG};

template <typename Fn> Fn Resolve(const char* name)
{
    return pelorn_on_demand<Fn>(gCurl, name);
}
} // namespace

#define PELORN_CURL_FORWARD(...) PELORN_ON_DEMAND_FORWARD(gCurl, __VA_ARGS__)

PELORN_CURL_FORWARD(CURLcode, curl_global_init, (long flags), (flags), CURLE_FAILED_INIT)
PELORN_CURL_FORWARD(CURL*, curl_easy_init, (void), (), nullptr)
PELORN_CURL_FORWARD(CURLcode, curl_easy_perform, (CURL * curl), (curl), CURLE_FAILED_INIT)
PELORN_CURL_FORWARD(const char*, curl_easy_strerror, (CURLcode code), (code), "libcurl is not available")
PELORN_CURL_FORWARD(curl_slist*, curl_slist_append, (curl_slist * list, const char* text), (list, text),
                    nullptr)
PELORN_CURL_FORWARD(CURLM*, curl_multi_init, (void), (), nullptr)
PELORN_CURL_FORWARD(CURLMcode, curl_multi_add_handle, (CURLM * multi, CURL* easy), (multi, easy),
                    CURLM_BAD_HANDLE)
PELORN_CURL_FORWARD(CURLMcode, curl_multi_remove_handle, (CURLM * multi, CURL* easy), (multi, easy),
                    CURLM_BAD_HANDLE)
PELORN_CURL_FORWARD(CURLMcode, curl_multi_perform, (CURLM * multi, int* running), (multi, running),
                    CURLM_BAD_HANDLE)
PELORN_CURL_FORWARD(CURLMcode, curl_multi_fdset,
                    (CURLM * multi, fd_set* readSet, fd_set* writeSet, fd_set* exceptSet, int* maxFd),
                    (multi, readSet, writeSet, exceptSet, maxFd), CURLM_BAD_HANDLE)
PELORN_CURL_FORWARD(CURLMcode, curl_multi_timeout, (CURLM * multi, long* ms), (multi, ms), CURLM_BAD_HANDLE)
PELORN_CURL_FORWARD(CURLMcode, curl_multi_poll,
                    (CURLM * multi, curl_waitfd* extra, unsigned int extraCount, int timeoutMs, int* ready),
                    (multi, extra, extraCount, timeoutMs, ready), CURLM_BAD_HANDLE)
PELORN_CURL_FORWARD(CURLMsg*, curl_multi_info_read, (CURLM * multi, int* left), (multi, left), nullptr)

// Nothing to release without the library: these have no failure to report.
extern "C" void curl_global_cleanup(void)
{
    static const auto fn = Resolve<void (*)(void)>("curl_global_cleanup");
    if (fn)
        fn();
}

extern "C" void curl_easy_cleanup(CURL* curl)
{
    static const auto fn = Resolve<void (*)(CURL*)>("curl_easy_cleanup");
    if (fn)
        fn(curl);
}

extern "C" void curl_slist_free_all(curl_slist* list)
{
    static const auto fn = Resolve<void (*)(curl_slist*)>("curl_slist_free_all");
    if (fn)
        fn(list);
}

extern "C" CURLMcode curl_multi_cleanup(CURLM* multi)
{
    static const auto fn = Resolve<CURLMcode (*)(CURLM*)>("curl_multi_cleanup");
    return fn ? fn(multi) : CURLM_BAD_HANDLE;
}

// The option number says what its one argument is: a long, a pointer (data
// or callback), a curl_off_t or a blob pointer.
extern "C" CURLcode curl_easy_setopt(CURL* curl, CURLoption option, ...)
{
    static const auto fn = Resolve<CURLcode (*)(CURL*, CURLoption, ...)>("curl_easy_setopt");
    if (!fn)
        return CURLE_FAILED_INIT;
    va_list args;
    va_start(args, option);
    CURLcode result;
    if (option < CURLOPTTYPE_OBJECTPOINT)
        result = fn(curl, option, va_arg(args, long));
    else if (option >= CURLOPTTYPE_OFF_T && option < CURLOPTTYPE_BLOB)
        result = fn(curl, option, va_arg(args, curl_off_t));
    else
        result = fn(curl, option, va_arg(args, void*));
    va_end(args);
    return result;
}

// Every piece of information is written through a pointer.
extern "C" CURLcode curl_easy_getinfo(CURL* curl, CURLINFO info, ...)
{
    static const auto fn = Resolve<CURLcode (*)(CURL*, CURLINFO, ...)>("curl_easy_getinfo");
    if (!fn)
        return CURLE_FAILED_INIT;
    va_list args;
    va_start(args, info);
    void* out = va_arg(args, void*);
    va_end(args);
    return fn(curl, info, out);
}

namespace NSORZCommon
{
// The library stays initialised for the rest of the process: this share of
// its global state is never cleaned up, so that no transfer finds it gone.
void CurlNetworkConnection::Preload()
{
    static std::atomic<bool> started(false);
    if (!started.exchange(true))
        pelorn_on_demand_open_async(gCurl, [] { curl_global_init(CURL_GLOBAL_ALL); });
}
} // namespace NSORZCommon
