#ifndef PELORN_TESTS_COMMON_HTTP_TEST_SUPPORT_H
#define PELORN_TESTS_COMMON_HTTP_TEST_SUPPORT_H

#include "LoopbackHttpServer.h"

#include <gio/gio.h>
#include <map>
#include <mutex>
#include <stdlib.h>
#include <string>

namespace PelornTest
{
/* A loopback server answering from a fixed table of paths (404 otherwise). */
class RoutedHttpServer
{
public:
    using Response = LoopbackHttpServer::Response;

    explicit RoutedHttpServer(std::map<std::string, Response> routes)
        : mRoutes(std::move(routes)), mServer([this](const LoopbackHttpServer::Request& request) {
              // Through a proxy the target is the absolute URL; route on its path.
              std::string path = request.target;
              size_t scheme = path.find("://");
              if (scheme != std::string::npos)
                  path = path.substr(path.find('/', scheme + 3));
              auto it = mRoutes.find(path);
              if (it != mRoutes.end())
                  return it->second;
              Response missing;
              missing.status = 404;
              missing.body = "no such thing";
              return missing;
          })
    {
    }

    LoopbackHttpServer& Server() { return mServer; }
    std::string Url(const std::string& path) const { return mServer.Url(path); }

private:
    const std::map<std::string, Response> mRoutes;
    LoopbackHttpServer mServer;
};

inline LoopbackHttpServer::Response Body(const std::string& body, size_t chunkSize = 0, int chunkDelayMs = 0)
{
    LoopbackHttpServer::Response response;
    response.body = body;
    response.chunkSize = chunkSize;
    response.chunkDelayMs = chunkDelayMs;
    return response;
}

/* Reads the request, never answers. */
inline LoopbackHttpServer::Response Silent()
{
    LoopbackHttpServer::Response response;
    response.silent = true;
    return response;
}

inline LoopbackHttpServer::Response Redirect(const std::string& location)
{
    LoopbackHttpServer::Response response;
    response.status = 302;
    response.headers = {"Location: " + location};
    return response;
}

/* Bytes that differ at every offset within a period of 251, so a piece lost,
 * doubled or moved shows. */
inline std::string PatternBody(size_t length)
{
    std::string body(length, '\0');
    for (size_t i = 0; i < length; ++i)
        body[i] = (char)('!' + (i * 7 + i / 251) % 90);
    return body;
}

inline std::string Gzip(const std::string& data)
{
    GZlibCompressor* compressor = g_zlib_compressor_new(G_ZLIB_COMPRESSOR_FORMAT_GZIP, -1);
    std::string out(data.size() + 1024, '\0');
    gsize read = 0, written = 0;
    g_converter_convert(G_CONVERTER(compressor), data.data(), data.size(), &out[0], out.size(),
                        G_CONVERTER_INPUT_AT_END, &read, &written, nullptr);
    g_object_unref(compressor);
    out.resize(written);
    return out;
}

/* Proxy variables of the machine must not reroute loopback requests. */
inline void ClearProxyEnvironment()
{
    for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY",
                             "no_proxy", "NO_PROXY"})
        unsetenv(name);
}
} // namespace PelornTest

#endif
