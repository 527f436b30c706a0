#ifndef PELORN_TOOLS_LOOPBACK_HTTP_SERVER_H
#define PELORN_TOOLS_LOOPBACK_HTTP_SERVER_H

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace PelornLoopback
{
/* A small HTTP/1.1 server on 127.0.0.1 (any free port) for tests and
 * benchmarks: one thread accepts, one thread serves each connection, with
 * keep-alive. The handler decides every answer and may be called from
 * several threads at once. */
class LoopbackHttpServer
{
public:
    struct Request
    {
        std::string method;
        std::string target; // as sent: "/path" or, through a proxy, "http://host/path"
        std::map<std::string, std::string> headers; // names in lower case
    };

    struct Response
    {
        int status = 200;
        std::string body;
        std::vector<std::string> headers; // extra "Name: value" lines
        size_t chunkSize = 0;             // body written in pieces of this size (0: at once)
        int chunkDelayMs = 0;             // pause between pieces
        bool silent = false;              // read the request, never answer
        /* Misbehaving after the head: send only this many body bytes (the
         * head still declares the whole body), then either hold the
         * connection open saying nothing or close it. */
        size_t stopAfterBytes = std::string::npos;
        bool holdOpenAfterStop = false;
        bool omitContentLength = false; // body ends when the connection closes
    };

    using Handler = std::function<Response(const Request&)>;

    explicit LoopbackHttpServer(Handler handler);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    int Port() const { return mPort; }
    std::string Url(const std::string& path) const;

    std::vector<Request> Requests() const;
    /* Connections left waiting by a silent answer that the client then closed. */
    int AbandonedSilentConnections() const { return mAbandoned.load(); }
    /* Responses the client stopped reading before their last byte. */
    int CutShortResponses() const { return mCutShort.load(); }
    /* Connections accepted so far; a client may send several requests over one. */
    int ConnectionsAccepted() const
    {
        return mAccepted.load();
    }
    /* Connections the client closed while the server waited for a request. */
    int ConnectionsClosedByClient() const
    {
        return mClosedByClient.load();
    }

    /* A loopback port on which nothing listens. */
    static int UnusedPort();

private:
    void AcceptLoop();
    void Serve(int fd);
    bool WaitReadable(int fd);
    void HoldUntilClientCloses(int fd);
    bool SendAll(int fd, const char* data, size_t length);

    Handler mHandler;
    int mListenFd = -1;
    int mStopPipe[2] = {-1, -1};
    int mPort = 0;
    std::thread mAcceptThread;
    mutable std::mutex mMutex;
    std::vector<std::thread> mConnectionThreads;
    std::vector<Request> mRequests;
    std::atomic<int> mAbandoned{0};
    std::atomic<int> mCutShort{0};
    std::atomic<int> mClosedByClient{0};
    std::atomic<int> mAccepted{0};
};
} // namespace PelornLoopback

#endif
