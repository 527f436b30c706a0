#ifndef PELORN_TESTS_COMMON_ENGINE_RECORDER_H
#define PELORN_TESTS_COMMON_ENGINE_RECORDER_H

#include "CurlNetworkConnection.h"
#include "HttpTestSupport.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace PelornTest
{
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
