#include "LoopbackHttpServer.h"

#include <arpa/inet.h>
#include <algorithm>
#include <chrono>
#include <errno.h>
#include <fcntl.h>
#include <glib.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

namespace PelornLoopback
{
namespace
{
const char* ReasonPhrase(int status)
{
    return status == 200 ? "OK" : status == 302 ? "Found" : status == 404 ? "Not Found" : "Status";
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = (char)tolower((unsigned char)c);
    return text;
}

int ListenOnLoopback(int& port)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof(address);
    if (bind(fd, (sockaddr*)&address, sizeof(address)) != 0 || listen(fd, 64) != 0 ||
        getsockname(fd, (sockaddr*)&address, &length) != 0)
    {
        close(fd);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}
} // namespace

LoopbackHttpServer::LoopbackHttpServer(Handler handler) : mHandler(std::move(handler))
{
    if (pipe2(mStopPipe, O_CLOEXEC) != 0)
        mStopPipe[0] = mStopPipe[1] = -1;
    mListenFd = ListenOnLoopback(mPort);
    if (mListenFd >= 0)
        mAcceptThread = std::thread(&LoopbackHttpServer::AcceptLoop, this);
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    // Every serving thread also polls the stop pipe; one byte wakes them all.
    if (mStopPipe[1] >= 0)
        (void)!write(mStopPipe[1], "", 1);
    if (mAcceptThread.joinable())
        mAcceptThread.join();
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        threads.swap(mConnectionThreads);
    }
    for (std::thread& thread : threads)
        thread.join();
    if (mListenFd >= 0)
        close(mListenFd);
    for (int fd : mStopPipe)
        if (fd >= 0)
            close(fd);
}

std::string LoopbackHttpServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(mPort) + path;
}

std::vector<LoopbackHttpServer::Request> LoopbackHttpServer::Requests() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mRequests;
}

int LoopbackHttpServer::UnusedPort()
{
    int port = 0;
    int fd = ListenOnLoopback(port);
    if (fd >= 0)
        close(fd);
    return port;
}

void LoopbackHttpServer::AcceptLoop()
{
    for (;;)
    {
        pollfd fds[2] = {{mListenFd, POLLIN, 0}, {mStopPipe[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0)
            continue;
        if (fds[1].revents)
            return;
        if (!(fds[0].revents & POLLIN))
            continue;
        int fd = accept4(mListenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        ++mAccepted;
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
        std::lock_guard<std::mutex> lock(mMutex);
        mConnectionThreads.emplace_back(&LoopbackHttpServer::Serve, this, fd);
    }
}

bool LoopbackHttpServer::WaitReadable(int fd)
{
    pollfd fds[2] = {{fd, POLLIN, 0}, {mStopPipe[0], POLLIN, 0}};
    while (poll(fds, 2, -1) < 0)
    {
    }
    return fds[1].revents == 0;
}

bool LoopbackHttpServer::SendAll(int fd, const char* data, size_t length)
{
    // A client that stops reading must not keep the server from stopping.
    while (length > 0)
    {
        pollfd fds[2] = {{fd, POLLOUT, 0}, {mStopPipe[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0)
            continue;
        if (fds[1].revents)
            return false;
        ssize_t sent = send(fd, data, length, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (sent <= 0)
            return false;
        data += sent;
        length -= (size_t)sent;
    }
    return true;
}

void LoopbackHttpServer::HoldUntilClientCloses(int fd)
{
    char buffer[4096];
    while (WaitReadable(fd))
    {
        if (recv(fd, buffer, sizeof(buffer), 0) <= 0)
        {
            ++mAbandoned;
            break;
        }
    }
    close(fd);
}

void LoopbackHttpServer::Serve(int fd)
{
    std::string pending;
    char buffer[4096];
    for (;;)
    {
        size_t end;
        while ((end = pending.find("\r\n\r\n")) == std::string::npos)
        {
            if (!WaitReadable(fd))
            {
                close(fd);
                return;
            }
            const ssize_t got = recv(fd, buffer, sizeof(buffer), 0);
            if (got <= 0)
            {
                ++mClosedByClient;
                close(fd);
                return;
            }
            pending.append(buffer, (size_t)got);
        }
        std::string head = pending.substr(0, end);
        pending.erase(0, end + 4);

        Request request;
        gchar** lines = g_strsplit((head + "\r\n").c_str(), "\r\n", -1); // never empty
        gchar** words = g_strsplit(lines[0], " ", 3);
        request.method = words[0] ? words[0] : "";
        request.target = words[0] && words[1] ? words[1] : "";
        g_strfreev(words);
        for (gchar** line = lines + 1; *line; ++line)
            if (const char* colon = strchr(*line, ':'))
            {
                std::string value = colon + 1;
                value.erase(0, value.find_first_not_of(' '));
                request.headers[Lower(std::string(*line, colon - *line))] = value;
            }
        g_strfreev(lines);
        {
            std::lock_guard<std::mutex> lock(mMutex);
            mRequests.push_back(request);
        }

        Response response = mHandler(request);
        if (response.silent)
        {
            HoldUntilClientCloses(fd);
            return;
        }

        std::string header =
            "HTTP/1.1 " + std::to_string(response.status) + " " + ReasonPhrase(response.status) + "\r\n";
        if (response.omitContentLength)
            header += "Connection: close\r\n";
        else
            header += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
        for (const std::string& line : response.headers)
            header += line + "\r\n";
        header += "\r\n";
        if (!SendAll(fd, header.data(), header.size()))
            break;
        const size_t toSend = std::min(response.stopAfterBytes, response.body.size());
        const size_t chunk = response.chunkSize > 0 ? response.chunkSize : std::max<size_t>(toSend, 1);
        bool ok = true;
        for (size_t offset = 0; ok && offset < toSend; offset += chunk)
        {
            if (offset > 0 && response.chunkDelayMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(response.chunkDelayMs));
            ok = SendAll(fd, response.body.data() + offset, std::min(chunk, toSend - offset));
        }
        if (!ok)
        {
            ++mCutShort;
            break;
        }
        if (toSend < response.body.size())
        {
            if (response.holdOpenAfterStop)
            {
                HoldUntilClientCloses(fd);
                return;
            }
            break;
        }
        if (response.omitContentLength)
            break;
    }
    close(fd);
}
} // namespace PelornLoopback
