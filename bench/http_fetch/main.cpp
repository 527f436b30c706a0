/* Fetch 50 images of about 60 KB from a loopback server, all requested at
 * once, first through Network (facade, broker, worker thread, pipe back to
 * the GLib loop), then through a plain libcurl multi loop on the calling
 * thread. Each round fetches both ways; the median of the rounds' ratios is
 * the headline. */
#include "../common/seeded_watch.h"
#include "CurlNetworkConnection.h"
#include "HttpNetworkEventListner.h"
#include "LoopbackHttpServer.h"
#include "Network.h"
#include "NetworkProxy.h"
#include "pelorn_paths.h"

#include <algorithm>
#include <curl/curl.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <memory>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

static const char* const HELP = R"HELP(Usage: bench_http_fetch

Fetches 50 images of about 60 KB from a loopback server through Network and
through a bare libcurl multi loop, both ways in each of 21 rounds (which
goes first alternates). Last line, the median of the rounds' ratios:
"ratio: X" (Network over bare libcurl).

Environment: runs in fresh temporary PELORN_STATE_DIR and PELORN_RUNTIME_DIR
folders of its own (any set outside are not touched). http_proxy and
friends are cleared for the run.

Example:
  build/bench_http_fetch
)HELP";

namespace
{
const int IMAGE_COUNT = 50;
const size_t IMAGE_SIZE = 60 * 1024;
// A round takes about 15 ms, and single rounds either way range over half
// of that on a machine sharing its cores: the median of five rounds swung
// from 1.0 to 1.7 between runs, that of 21 by about a third of that.
const int ROUNDS = 21;

std::string ImageBytes(int index)
{
    std::string bytes(IMAGE_SIZE, '\0');
    guint32 state = 2166136261u + (guint32)index;
    for (char& byte : bytes)
    {
        state = state * 1664525u + 1013904223u;
        byte = (char)(state >> 24);
    }
    return bytes;
}

class FetchCounter : public NSORZCommon::HttpNetworkEventListner
{
public:
    int mDone = 0;
    int mFailed = 0;
    size_t mBytes = 0;

    void OnHttpRequestCompleted(int, int) override
    {
    }
    void OnHttpRequestFailed(int) override
    {
        ++mFailed;
        ++mDone;
    }
    void OnHttpRequestCancelCompleted(int) override
    {
    }
    void OnHttpResponseCompleted(int, int, const char*, int length) override
    {
        mBytes += (size_t)length;
        ++mDone;
    }
    void OnHttpResponseFailed(int, int, int) override
    {
        ++mFailed;
        ++mDone;
    }
    void OnHttpResponseTimeout(int, int) override
    {
        ++mFailed;
        ++mDone;
    }
};

double FetchThroughNetwork(const PelornLoopback::LoopbackHttpServer& server, size_t& bytes, int& failed)
{
    FetchCounter counter;
    std::vector<std::unique_ptr<NSORZCommon::Network>> networks;
    const gint64 start = g_get_monotonic_time();
    for (int i = 0; i < IMAGE_COUNT; ++i)
    {
        networks.emplace_back(new NSORZCommon::Network());
        networks.back()->SetEventListener(&counter);
        networks.back()->HttpRequest(server.Url("/image/" + std::to_string(i) + ".png"), 1);
    }
    while (counter.mDone < IMAGE_COUNT)
        g_main_context_iteration(nullptr, TRUE);
    const gint64 end = g_get_monotonic_time();
    // The batch's tear-down (closing its connections) is left out, as the
    // bare loop's clean-up is; it must not fall into the next round either.
    auto* engine = dynamic_cast<NSORZCommon::CurlNetworkConnection*>(
        NSORZCommon::NetworkProxy::GetInstance()->GetNetwork().get());
    networks.clear();
    const gint64 idleDeadline = g_get_monotonic_time() + 5 * G_USEC_PER_SEC;
    while (engine && !engine->IsIdle() && g_get_monotonic_time() < idleDeadline)
        g_main_context_iteration(nullptr, TRUE);
    bytes = counter.mBytes;
    failed = counter.mFailed;
    return (end - start) / 1000.0;
}

size_t AppendToString(char* data, size_t size, size_t count, void* out)
{
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

double FetchThroughBareCurl(const PelornLoopback::LoopbackHttpServer& server, size_t& bytes, int& failed)
{
    std::vector<std::string> bodies(IMAGE_COUNT);
    const gint64 start = g_get_monotonic_time();
    CURLM* multi = curl_multi_init();
    for (int i = 0; i < IMAGE_COUNT; ++i)
    {
        CURL* easy = curl_easy_init();
        const std::string url = server.Url("/image/" + std::to_string(i) + ".png");
        curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, AppendToString);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &bodies[i]);
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_multi_add_handle(multi, easy);
    }
    int running = 0;
    do
    {
        curl_multi_perform(multi, &running);
        if (running > 0)
            curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
    } while (running > 0);
    const gint64 end = g_get_monotonic_time();
    failed = 0;
    CURLMsg* message;
    int left;
    while ((message = curl_multi_info_read(multi, &left)) != nullptr)
    {
        long status = 0;
        curl_easy_getinfo(message->easy_handle, CURLINFO_RESPONSE_CODE, &status);
        if (message->data.result != CURLE_OK || status != 200)
            ++failed;
        curl_multi_remove_handle(multi, message->easy_handle);
        curl_easy_cleanup(message->easy_handle);
    }
    curl_multi_cleanup(multi);
    bytes = 0;
    for (const std::string& body : bodies)
        bytes += body.size();
    return (end - start) / 1000.0;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && (!strcmp(argv[1], "--help") || !strcmp(argv[1], "-h")))
    {
        fputs(HELP, stdout);
        return 0;
    }
    for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
        g_unsetenv(name);
    const std::string folder = PelornBenchUseTemporaryFolders();

    std::vector<std::string> images;
    for (int i = 0; i < IMAGE_COUNT; ++i)
        images.push_back(ImageBytes(i));
    PelornLoopback::LoopbackHttpServer server([&images](const PelornLoopback::LoopbackHttpServer::Request& request) {
        PelornLoopback::LoopbackHttpServer::Response response;
        int index = atoi(request.target.c_str() + request.target.rfind('/') + 1);
        if (index < 0 || index >= IMAGE_COUNT)
            index = 0;
        response.body = images[index];
        response.headers = {"Content-Type: image/png"};
        return response;
    });
    curl_global_init(CURL_GLOBAL_ALL);

    std::vector<double> networkTimes, bareTimes, ratios;
    size_t networkBytes = 0, bareBytes = 0;
    int networkFailed = 0, bareFailed = 0;
    // One unmeasured round warms the connection caches of both ways.
    FetchThroughNetwork(server, networkBytes, networkFailed);
    FetchThroughBareCurl(server, bareBytes, bareFailed);
    for (int round = 0; round < ROUNDS; ++round)
    {
        // Every other round the floor goes first: whichever runs second
        // finds the server's threads and the caches as the first left them.
        if (round % 2)
        {
            bareTimes.push_back(FetchThroughBareCurl(server, bareBytes, bareFailed));
            networkTimes.push_back(FetchThroughNetwork(server, networkBytes, networkFailed));
        }
        else
        {
            networkTimes.push_back(FetchThroughNetwork(server, networkBytes, networkFailed));
            bareTimes.push_back(FetchThroughBareCurl(server, bareBytes, bareFailed));
        }
        ratios.push_back(networkTimes.back() / bareTimes.back());
        if (networkFailed || bareFailed)
            break;
    }
    PelornBenchRemoveWatch(folder.c_str());

    const size_t expected = (size_t)IMAGE_COUNT * IMAGE_SIZE;
    if (networkFailed || bareFailed || networkBytes != expected || bareBytes != expected)
    {
        fprintf(stderr, "fetch failed: network %d failed, %zu bytes; bare %d failed, %zu bytes; expected %zu\n",
                networkFailed, networkBytes, bareFailed, bareBytes, expected);
        return 1;
    }
    printf("images: %d x %zu bytes, %d rounds\n", IMAGE_COUNT, IMAGE_SIZE, ROUNDS);
    for (int round = 0; round < ROUNDS; ++round)
        printf("round %d: network %.2f ms, curl multi %.2f ms, ratio %.2f\n", round + 1, networkTimes[round],
               bareTimes[round], ratios[round]);
    printf("network (median): %.2f ms\n", Median(networkTimes));
    printf("curl multi (median): %.2f ms\n", Median(bareTimes));
    printf("ratio: %.2f\n", Median(ratios));
    return 0;
}
