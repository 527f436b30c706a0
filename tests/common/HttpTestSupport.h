#ifndef PELORN_TESTS_COMMON_HTTP_TEST_SUPPORT_H
#define PELORN_TESTS_COMMON_HTTP_TEST_SUPPORT_H

#include "CurlNetworkConnection.h"
#include "LoopbackHttpServer.h"
#include "TestEnvironment.h"

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <map>
#include <stdlib.h>
#include <string>
#include <vector>

namespace PelornTest
{
using PelornLoopback::LoopbackHttpServer;

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

/* Records every event of a transfer engine, as the tests read them. */
struct EngineEvent
{
    std::string kind;
    int requestId = -1;
    int responseCode = -1;
    std::string body;
    bool terminated = false;
    bool engineIdle = false; // whether the batch was already torn down when the event came
};

class RecordingEngineListener : public NSORZCommon::INetworkEventListener
{
public:
    NSORZCommon::CurlNetworkConnection* mEngine = nullptr;
    std::vector<EngineEvent> mEvents;

    void OnHttpRequestCompleted(std::shared_ptr<NSORZCommon::IHttpRequestData> request) override
    {
        Record("accepted", request);
    }
    void OnHttpRequestFailed(std::shared_ptr<NSORZCommon::IHttpRequestData> request) override
    {
        Record("refused", request);
    }
    void OnHttpRequestCancelCompleted(std::shared_ptr<NSORZCommon::IHttpRequestData> request) override
    {
        Record("cancelled", request);
    }
    void OnHttpResponseCompleted(std::shared_ptr<NSORZCommon::IHttpRequestData> request,
                                 std::shared_ptr<NSORZCommon::IHttpResponseData> response) override
    {
        EngineEvent& event = Record("completed", request);
        auto curlResponse = std::dynamic_pointer_cast<NSORZCommon::CurlHttpResponseData>(response);
        ASSERT_TRUE(curlResponse && curlResponse->mTotalPacketDataPtr);
        const NSORZCommon::CurlHttpTotalPacketData& packet = *curlResponse->mTotalPacketDataPtr;
        event.body.assign(packet.mBodyData ? packet.mBodyData : "", packet.mBodyLength);
        event.terminated = packet.mBodyData && packet.mBodyData[packet.mBodyLength] == '\0';
    }
    void OnHttpResponseFailed(std::shared_ptr<NSORZCommon::IHttpRequestData> request) override
    {
        Record("failed", request);
    }

    const EngineEvent* Find(const std::string& kind, int requestId) const
    {
        for (const EngineEvent& event : mEvents)
            if (event.kind == kind && event.requestId == requestId)
                return &event;
        return nullptr;
    }

private:
    EngineEvent& Record(const char* kind, const std::shared_ptr<NSORZCommon::IHttpRequestData>& request)
    {
        auto curlRequest = std::dynamic_pointer_cast<NSORZCommon::CurlHttpRequestData>(request);
        EngineEvent event;
        event.kind = kind;
        event.requestId = curlRequest ? curlRequest->mRequestId : -1;
        event.responseCode = curlRequest ? curlRequest->mResponseCode : -1;
        event.engineIdle = mEngine && mEngine->IsIdle();
        mEvents.push_back(event);
        return mEvents.back();
    }
};
/* A transfer engine of the test's own, every event recorded. */
class EngineTest : public ::testing::Test
{
protected:
    EngineTest()
    {
        ClearProxyEnvironment();
        mEngine.SetEventListener(&mListener);
        mListener.mEngine = &mEngine;
        // The engine's own time limits lie past every wait, so a silent
        // transfer ends only when the engine is told to end it.
        NSORZCommon::CurlNetworkConnection::TransferLimits limits = mEngine.GetTransferLimits();
        limits.mLowSpeedSeconds = limits.mTotalTimeoutSeconds = 600;
        mEngine.SetTransferLimits(limits);
    }
    ~EngineTest() override
    {
        mEngine.Close();
    }

    std::shared_ptr<NSORZCommon::CurlHttpRequestData> Request(int id, const std::string& url,
                                                              const std::string& proxy = "")
    {
        auto request = std::make_shared<NSORZCommon::CurlHttpRequestData>();
        request->mRequestId = id;
        request->mRequestType = 1;
        request->mUrl = url;
        request->mHeaderList = {"User-Agent: pelorn-test", ""};
        mEngine.HttpRequest(request, proxy);
        return request;
    }

    /* How request id ended, waited for at most timeoutMs: "failed <status>",
     * the body it completed with (only when zero-terminated) or "never". */
    std::string Ending(int id, int timeoutMs = 60000)
    {
        const EngineEvent *completed = nullptr, *failed = nullptr;
        RunGlibUntil(
            [&]
            {
                completed = mListener.Find("completed", id);
                failed = mListener.Find("failed", id);
                return completed || failed;
            },
            timeoutMs);
        if (failed)
            return "failed " + std::to_string(failed->responseCode);
        if (completed)
            return completed->terminated ? completed->body : "(not zero-terminated)";
        return "never";
    }

    ScopedTestDirs mDirs;
    RecordingEngineListener mListener;
    NSORZCommon::CurlNetworkConnection mEngine;
};
} // namespace PelornTest

#endif
