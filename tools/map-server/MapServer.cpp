#include "MapServer.h"

#include "MapPicture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <thread>

namespace
{
const size_t kMaxHead = 16 * 1024;

/* One side of a connection: the raw socket, or TLS over it once a tunnel is up. */
class Stream
{
public:
    explicit Stream(int fd) : mFd(fd), mSsl(nullptr)
    {
    }
    ~Stream()
    {
        if (mSsl)
        {
            SSL_shutdown(mSsl);
            SSL_free(mSsl);
        }
    }
    bool StartTls(SSL_CTX* ctx)
    {
        if (!ctx)
            return false;
        mSsl = SSL_new(ctx);
        if (!mSsl)
            return false;
        SSL_set_fd(mSsl, mFd);
        return SSL_accept(mSsl) == 1;
    }
    long Read(char* buffer, size_t size)
    {
        if (mSsl)
            return SSL_read(mSsl, buffer, static_cast<int>(size));
        return ::read(mFd, buffer, size);
    }
    bool WriteAll(const std::string& data)
    {
        size_t done = 0;
        while (done < data.size())
        {
            long n = mSsl ? SSL_write(mSsl, data.data() + done, static_cast<int>(data.size() - done))
                          : ::write(mFd, data.data() + done, data.size() - done);
            if (n <= 0)
                return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }
    /* Reads up to the blank line that ends a request head; empty on close or overflow. */
    std::string ReadHead()
    {
        std::string head;
        char c;
        while (head.size() < kMaxHead)
        {
            if (Read(&c, 1) != 1)
                return std::string();
            head.push_back(c);
            if (head.size() >= 4 && head.compare(head.size() - 4, 4, "\r\n\r\n") == 0)
                return head;
        }
        return std::string();
    }

private:
    int mFd;
    SSL* mSsl;
};

struct RequestHead
{
    std::string method;
    std::string target;
    std::string host;
};

bool ParseHead(const std::string& head, RequestHead& out)
{
    std::string::size_type lineEnd = head.find("\r\n");
    std::string line = head.substr(0, lineEnd);
    std::string::size_type s1 = line.find(' ');
    std::string::size_type s2 = s1 == std::string::npos ? s1 : line.find(' ', s1 + 1);
    if (s1 == std::string::npos || s2 == std::string::npos)
        return false;
    out.method = line.substr(0, s1);
    out.target = line.substr(s1 + 1, s2 - s1 - 1);

    std::string::size_type pos = lineEnd + 2;
    while (pos < head.size())
    {
        std::string::size_type end = head.find("\r\n", pos);
        if (end == std::string::npos || end == pos)
            break;
        std::string header = head.substr(pos, end - pos);
        if (strncasecmp(header.c_str(), "Host:", 5) == 0)
        {
            std::string::size_type v = header.find_first_not_of(' ', 5);
            out.host = v == std::string::npos ? std::string() : header.substr(v);
        }
        pos = end + 2;
    }
    return true;
}

std::string StripDefaultPort(const std::string& authority, const std::string& port)
{
    if (authority.size() > port.size() && authority.compare(authority.size() - port.size(), port.size(), port) == 0)
        return authority.substr(0, authority.size() - port.size());
    return authority;
}

const char* ReasonPhrase(int status)
{
    switch (status)
    {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

std::string Response(int status, const std::string& type, const std::string& body)
{
    std::string out = "HTTP/1.1 " + std::to_string(status) + " " + ReasonPhrase(status) + "\r\n";
    out += "Content-Type: " + type + "\r\n";
    out += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    out += "Connection: close\r\n\r\n";
    return out + body;
}
} // namespace

MapServer::MapServer() : mListenFd(-1), mPort(0), mForcedStatus(0)
{
}

MapServer::~MapServer()
{
    if (mListenFd >= 0)
        ::close(mListenFd);
}

void MapServer::SetLogPath(const std::string& path)
{
    mLogPath = path;
}

void MapServer::SetForcedStatus(int status)
{
    mForcedStatus = status;
}

void MapServer::SetPicture(const std::string& bytes)
{
    mPicture = bytes;
}

LocalTlsAuthority& MapServer::GetAuthority()
{
    return mTls;
}

bool MapServer::Listen(int port)
{
    mListenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (mListenFd < 0)
        return false;
    int one = 1;
    setsockopt(mListenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    sockaddr_in addr;
    std::memset(&addr, 0, sizeof(addr));
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (::bind(mListenFd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || ::listen(mListenFd, 16) != 0)
        return false;
    socklen_t len = sizeof(addr);
    getsockname(mListenFd, reinterpret_cast<sockaddr*>(&addr), &len);
    mPort = ntohs(addr.sin_port);
    return true;
}

int MapServer::GetPort() const
{
    return mPort;
}

void MapServer::Run()
{
    for (;;)
    {
        int fd = ::accept4(mListenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        std::thread([this, fd]() {
            HandleConnection(fd);
            ::close(fd);
        }).detach();
    }
}

void MapServer::HandleConnection(int fd)
{
    Stream stream(fd);
    RequestHead head;
    if (!ParseHead(stream.ReadHead(), head))
        return;
    if (head.method == "CONNECT")
    {
        if (!stream.WriteAll("HTTP/1.1 200 Connection established\r\n\r\n"))
            return;
        HandleTunnel(fd, head.target);
        return;
    }
    stream.WriteAll(Answer(head.method, head.target, "http", StripDefaultPort(head.host, ":80")));
}

void MapServer::HandleTunnel(int fd, const std::string& authority)
{
    Stream stream(fd);
    // "host:port", or "[v6 address]:port".
    std::string host = authority;
    std::string::size_type colon = host.rfind(':');
    if (colon != std::string::npos && host.find(']', colon) == std::string::npos)
        host.erase(colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    if (!stream.StartTls(mTls.ContextFor(host)))
    {
        std::fprintf(stderr, "map-server: TLS handshake for %s failed\n", authority.c_str());
        return;
    }
    RequestHead head;
    if (!ParseHead(stream.ReadHead(), head))
        return;
    std::string hostHeader = head.host.empty() ? authority : head.host;
    stream.WriteAll(Answer(head.method, head.target, "https", StripDefaultPort(hostHeader, ":443")));
}

std::string MapServer::Answer(const std::string& method, const std::string& target, const std::string& scheme,
                              const std::string& authority)
{
    std::string url;
    std::string pathAndQuery;
    std::string::size_type schemeEnd = target.find("://");
    if (schemeEnd != std::string::npos)
    {
        url = target;
        std::string::size_type pathStart = target.find('/', schemeEnd + 3);
        pathAndQuery = pathStart == std::string::npos ? "/" : target.substr(pathStart);
    }
    else
    {
        url = scheme + "://" + authority + target;
        pathAndQuery = target;
    }

    int status = 200;
    std::string response;
    MapRequest request = ParseMapRequest(pathAndQuery);
    if (method != "GET")
        status = 405;
    else if (request.provider.empty())
        status = 404;
    else if (mForcedStatus != 0)
        status = mForcedStatus;

    if (status == 200)
    {
        std::string png = mPicture.empty() ? DrawMapPng(request, mDebugText) : mPicture;
        if (png.empty())
            status = 500;
        else
            response = Response(200, "image/png", png);
    }
    if (status != 200)
        response = Response(status, "text/plain", std::string(ReasonPhrase(status)) + "\n");
    LogUrl(method, url, status);
    return response;
}

void MapServer::SetDebugText(bool debugText)
{
    mDebugText = debugText;
}

void MapServer::LogUrl(const std::string& method, const std::string& url, int status)
{
    std::lock_guard<std::mutex> lock(mLogMutex);
    std::printf("map-server: %s %s -> %d\n", method.c_str(), url.c_str(), status);
    std::fflush(stdout);
    if (!mLogPath.empty())
    {
        std::ofstream log(mLogPath, std::ios::app);
        log << url << "\n";
    }
}
