/* How long can a map download keep the main loop from running? A 1 ms GLib
 * timer measures its own lateness: first with the loop idle, then while a
 * 64 MiB body downloads through Network and is cancelled half way. The
 * headline is the longest gap seen during the download and the cancel. */
#include "../common/seeded_watch.h"
#include "CurlNetworkConnection.h"
#include "HttpNetworkEventListner.h"
#include "LoopbackHttpServer.h"
#include "Network.h"
#include "NetworkProxy.h"
#include "pelorn_paths.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <stdio.h>
#include <string>

namespace
{
const size_t BODY_SIZE = 64u * 1024 * 1024;
const int IDLE_MS = 1000;
const int DOWNLOAD_MS = 1000;
const int AFTER_CANCEL_MS = 500;

/* The 1 ms tick and the longest interval between two of its runs. */
class GapMeter
{
public:
    GapMeter()
    {
        mLast = g_get_monotonic_time();
        mSource = g_timeout_add(1, TickCb, this);
    }
    ~GapMeter()
    {
        g_source_remove(mSource);
    }
    void Reset()
    {
        mLast = g_get_monotonic_time();
        mLongestUs = 0;
    }
    double LongestMs() const
    {
        return mLongestUs / 1000.0;
    }

private:
    static gboolean TickCb(gpointer data)
    {
        static_cast<GapMeter*>(data)->OnTick();
        return G_SOURCE_CONTINUE;
    }
    void OnTick()
    {
        const gint64 now = g_get_monotonic_time();
        if (now - mLast > mLongestUs)
            mLongestUs = now - mLast;
        mLast = now;
    }

    gint64 mLast = 0;
    gint64 mLongestUs = 0;
    guint mSource = 0;
};

class Outcome : public NSORZCommon::HttpNetworkEventListner
{
public:
    int mRequestId = -1;
    bool mEnded = false;
    int mLength = 0;

    void OnHttpRequestCompleted(int requestId, int) override
    {
        mRequestId = requestId;
    }
    void OnHttpRequestFailed(int) override
    {
        mEnded = true;
    }
    void OnHttpRequestCancelCompleted(int) override
    {
    }
    void OnHttpResponseCompleted(int, int, const char*, int length) override
    {
        mLength = length;
        mEnded = true;
    }
    void OnHttpResponseFailed(int, int, int) override
    {
        mEnded = true;
    }
    void OnHttpResponseTimeout(int, int) override
    {
        mEnded = true;
    }
};

void RunFor(int ms)
{
    const gint64 end = g_get_monotonic_time() + (gint64)ms * 1000;
    while (g_get_monotonic_time() < end)
        g_main_context_iteration(nullptr, TRUE);
}

} // namespace

int main()
{
    for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
        g_unsetenv(name);
    const std::string folder = PelornBenchUseTemporaryFolders();

    const std::string body(BODY_SIZE, 'm');
    PelornLoopback::LoopbackHttpServer server([&body](const PelornLoopback::LoopbackHttpServer::Request&) {
        PelornLoopback::LoopbackHttpServer::Response response;
        response.body = body;
        response.chunkSize = 64 * 1024;
        response.chunkDelayMs = 2; // about 2 s in all: the cancel comes half way
        response.headers = {"Content-Type: image/png"};
        return response;
    });

    // The whole body must be wanted, or the engine's response limit would
    // end the transfer long before the cancel.
    auto* engine = dynamic_cast<NSORZCommon::CurlNetworkConnection*>(
        NSORZCommon::NetworkProxy::GetInstance()->GetNetwork().get());
    if (engine)
    {
        NSORZCommon::CurlNetworkConnection::TransferLimits limits = engine->GetTransferLimits();
        limits.mMaxBodyBytes = 2 * BODY_SIZE;
        engine->SetTransferLimits(limits);
    }

    GapMeter meter;
    RunFor(100);
    meter.Reset();
    RunFor(IDLE_MS);
    const double idleMs = meter.LongestMs();

    Outcome outcome;
    NSORZCommon::Network network;
    network.SetEventListener(&outcome);
    meter.Reset();
    network.HttpRequest(server.Url("/big.png"), 1);
    RunFor(DOWNLOAD_MS);
    const bool endedBeforeCancel = outcome.mEnded;
    const gint64 cancelStart = g_get_monotonic_time();
    NSORZCommon::NetworkProxy::GetInstance()->HttpCancel(outcome.mRequestId);
    const double cancelMs = (g_get_monotonic_time() - cancelStart) / 1000.0;
    RunFor(AFTER_CANCEL_MS);
    const double downloadMs = meter.LongestMs();
    PelornBenchRemoveWatch(folder.c_str());

    printf("body: %zu bytes, cancelled after %d ms%s\n", BODY_SIZE, DOWNLOAD_MS,
           endedBeforeCancel ? " (it had already ended)" : "");
    printf("idle loop, longest gap: %.2f ms\n", idleMs);
    printf("cancel call: %.2f ms\n", cancelMs);
    printf("stall: %.2f ms\n", downloadMs);
    return 0;
}
