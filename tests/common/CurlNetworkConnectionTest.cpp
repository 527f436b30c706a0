#include "CurlNetworkConnection.h"
#include "HttpTestSupport.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

using namespace NSORZCommon;
using PelornTest::Body;
using PelornLoopback::LoopbackHttpServer;
using PelornTest::PatternBody;
using PelornTest::RoutedHttpServer;
using PelornTest::Silent;
using Response = LoopbackHttpServer::Response;

namespace
{
class CurlNetworkConnectionTest : public PelornTest::EngineTest
{
protected:
    bool RunUntilEvents(size_t count, int timeoutMs = 10000)
    {
        return PelornTest::RunGlibUntil([&] { return mListener.mEvents.size() >= count; }, timeoutMs);
    }
};
} // namespace

// Bodies sent in pieces down to single bytes, a gzip body, a redirect, a 404
// and a refused connection, all in one batch: each ends on its own, a body
// whole and zero-terminated (the terminator not counted).
TEST_F(CurlNetworkConnectionTest, EachTransferOfABatchEndsWithItsOwnBodyOrStatus)
{
    const std::string small = PatternBody(400), large = PatternBody(150 * 1024);
    const std::string text = std::string(3000, 'x') + PatternBody(3000);
    Response gzip = Body(PelornTest::Gzip(text), 512, 1);
    gzip.headers = {"Content-Encoding: gzip", "Content-Type: text/plain"};
    RoutedHttpServer server({{"/1", Body(small, 1, 1)},
                             {"/3", Body(small, 3, 1)},
                             {"/7", Body(small, 7, 1)},
                             {"/large", Body(large, 1000, 0)},
                             {"/zipped", gzip},
                             {"/old", PelornTest::Redirect("/moved/here")},
                             {"/moved/here", Body("arrived")}});
    const std::string refused = "http://127.0.0.1:" + std::to_string(LoopbackHttpServer::UnusedPort()) + "/x";
    const std::pair<std::string, std::string> cases[] = {{server.Url("/1"), small},
                                                         {server.Url("/3"), small},
                                                         {server.Url("/7"), small},
                                                         {server.Url("/large"), large},
                                                         {server.Url("/zipped"), text},
                                                         {server.Url("/old"), "arrived"},
                                                         {server.Url("/missing"), "failed 404"},
                                                         {refused, "failed 0"}};
    for (int id = 0; id < 8; ++id)
        Request(id, cases[id].first);
    for (int id = 0; id < 8; ++id)
        EXPECT_TRUE(Ending(id) == cases[id].second) << cases[id].first << ": " << Ending(id).substr(0, 60);
    EXPECT_EQ(mListener.mEvents.size(), 16u) << "one acceptance and one outcome each";
    EXPECT_TRUE(PelornTest::RunGlibUntil([&] { return mEngine.IsIdle(); }));
}

// One worker serves a batch, each transfer reported as it finishes; once the
// batch is torn down, the next request starts a new worker and pipe.
// Closing drops what is still pending, without a word to the listener.
TEST_F(CurlNetworkConnectionTest, BatchResultsComeAsTheyFinishTheNextBatchHasItsOwnWorkerAndCloseDropsTheRest)
{
    RoutedHttpServer server(
        {{"/fast", Body("fast")}, {"/slow", Body(PatternBody(2000), 100, 20)}, {"/never", Silent()}});
    Request(0, server.Url("/slow"));
    const guint firstWatch = mEngine.GetPipeWatchId();
    ASSERT_NE(firstWatch, 0u);
    Request(1, server.Url("/fast"));
    ASSERT_TRUE(RunUntilEvents(4));
    ASSERT_EQ(mListener.mEvents[2].kind, "completed");
    EXPECT_EQ(mListener.mEvents[2].requestId, 1);
    EXPECT_FALSE(mListener.mEvents[2].engineIdle) << "the batch must live on while a transfer is pending";
    ASSERT_EQ(mListener.mEvents[3].kind, "completed");
    EXPECT_EQ(mListener.mEvents[3].requestId, 0);
    EXPECT_EQ(mListener.mEvents[3].body, PatternBody(2000));
    EXPECT_EQ(mEngine.GetWorkerStartCount(), 1u);
    ASSERT_TRUE(PelornTest::RunGlibUntil([&] { return mEngine.IsIdle(); }));

    Request(0, server.Url("/fast"));
    EXPECT_NE(mEngine.GetPipeWatchId(), firstWatch);
    EXPECT_EQ(mEngine.GetWorkerStartCount(), 2u);
    ASSERT_TRUE(RunUntilEvents(6));
    EXPECT_EQ(mListener.mEvents[5].body, "fast");
    EXPECT_TRUE(PelornTest::RunGlibUntil([&] { return mEngine.IsIdle(); }));

    Request(2, server.Url("/never"));
    Request(3, server.Url("/never"));
    ASSERT_TRUE(PelornTest::RunGlibUntil([&] { return server.Server().Requests().size() == 5; }));
    mEngine.Close();
    EXPECT_TRUE(mEngine.IsIdle());
    PelornTest::RunGlibFor(200);
    EXPECT_EQ(mListener.mEvents.size(), 8u) << "the two acceptances only";
    EXPECT_TRUE(PelornTest::RunGlibUntil([&] { return server.Server().AbandonedSilentConnections() == 2; }));
}

// Regression: a request added after the worker decided to end, but before the
// main loop heard of it, used to be torn down with the batch and never reported.
// What the ended worker finished is reported while the next batch runs on,
// unless it was cancelled before the main loop heard of it.
TEST_F(CurlNetworkConnectionTest, RequestArrivingWhileWorkerEndsIsNotLost)
{
    RoutedHttpServer server({{"/never", Silent()}, {"/late", Body("late")}, {"/done", Body("done")}});
    Request(0, server.Url("/never"));
    ASSERT_TRUE(PelornTest::RunGlibUntil([&] { return server.Server().Requests().size() == 1; }));
    Request(2, server.Url("/done"));
    Request(3, server.Url("/done"));
    mEngine.CancelHttpRequest(0);
    // Without running the main loop: the worker ends, its last word stays in the pipe.
    const gint64 deadline = g_get_monotonic_time() + 60 * G_USEC_PER_SEC;
    while (!mEngine.IsWorkerEnding() && g_get_monotonic_time() < deadline)
        g_usleep(1000);
    ASSERT_TRUE(mEngine.IsWorkerEnding());
    mEngine.CancelHttpRequest(3);

    Request(1, server.Url("/late"));
    Request(4, server.Url("/never")); // the new worker does not end while this waits
    EXPECT_EQ(Ending(1), "late");
    EXPECT_EQ(Ending(2), "done") << "the ended worker's result was lost";
    mEngine.CancelHttpRequest(4);
    EXPECT_TRUE(PelornTest::RunGlibUntil([&] { return mEngine.IsIdle(); }));
    EXPECT_EQ(mListener.mEvents.size(), 7u) << "five acceptances, two results, nothing for the cancelled";
}

// The worker closes its batch's connections itself before it says it has
// ended: the main loop, which reports the results, never waits on those
// closes. Here the main loop does not run at all until they are closed.
TEST_F(CurlNetworkConnectionTest, WorkerClosesItsConnectionsWithoutTheMainLoop)
{
    RoutedHttpServer server(
        {{"/a", Body(PatternBody(30000))}, {"/b", Body("b")}, {"/c", Body(PatternBody(500))}});
    Request(0, server.Url("/a"));
    Request(1, server.Url("/b"));
    Request(2, server.Url("/c"));
    // curl may carry a later request over an earlier one's connection, so
    // every connection, however many there were, is to be closed. The first
    // worker may also have ended before the next request came (this thread
    // lost its core between two calls), and one more started: each closes
    // its own.
    auto allClosed = [&]
    {
        return server.Server().Requests().size() == 3 &&
               server.Server().ConnectionsClosedByClient() == server.Server().ConnectionsAccepted();
    };
    const gint64 deadline = g_get_monotonic_time() + 60 * G_USEC_PER_SEC;
    while (!allClosed() && g_get_monotonic_time() < deadline)
        g_usleep(1000);
    ASSERT_TRUE(allClosed()) << "the connections waited for the main loop: "
                             << server.Server().ConnectionsClosedByClient() << " of "
                             << server.Server().ConnectionsAccepted() << " closed";

    EXPECT_EQ(Ending(0), PatternBody(30000));
    EXPECT_EQ(Ending(1), "b");
    EXPECT_EQ(Ending(2), PatternBody(500));
    EXPECT_TRUE(PelornTest::RunGlibUntil([&] { return mEngine.IsIdle(); }));
}
