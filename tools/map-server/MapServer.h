#ifndef MAP_SERVER_MAP_SERVER_H
#define MAP_SERVER_MAP_SERVER_H

#include "LocalTlsAuthority.h"

#include <mutex>
#include <string>

/* A static-map provider for four providers' request forms, reached as an
 * HTTP proxy: absolute-form GETs for plain HTTP, CONNECT and then TLS for
 * HTTPS, with a certificate for the tunnelled host issued by the server's
 * own authority (see GetAuthority). Direct GETs with a Host header work
 * too. Every request URL is written to stdout and, when asked, to a log file,
 * one per line. */
class MapServer
{
public:
    MapServer();
    ~MapServer();

    void SetLogPath(const std::string& path);
    /* Answer every map request with this status instead of the picture. */
    void SetForcedStatus(int status);
    /* Answer every map request with these bytes instead of a drawn picture. */
    void SetPicture(const std::string& bytes);
    /* The authority whose certificate clients must trust. */
    LocalTlsAuthority& GetAuthority();
    /* Write the provider and the requested centre on every picture. */
    void SetDebugText(bool debugText);

    /* Listens on 127.0.0.1:port (0: any free port); false on failure. */
    bool Listen(int port);
    int GetPort() const;
    /* Accepts connections until the process ends; each runs on its own thread. */
    void Run();

private:
    void HandleConnection(int fd);
    void HandleTunnel(int fd, const std::string& authority);
    /* Answers one request; scheme and authority fill in origin-form targets. */
    std::string Answer(const std::string& method, const std::string& target, const std::string& scheme,
                       const std::string& authority);
    void LogUrl(const std::string& method, const std::string& url, int status);

    int mListenFd;
    int mPort;
    int mForcedStatus;
    bool mDebugText = false;
    std::string mLogPath;
    std::string mPicture;
    std::mutex mLogMutex;
    LocalTlsAuthority mTls;
};

#endif
