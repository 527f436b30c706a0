#ifndef PELORN_TESTS_MAP_SERVER_PROCESS_H
#define PELORN_TESTS_MAP_SERVER_PROCESS_H

#include <string>
#include <vector>

#include <glib.h>

namespace PelornTest
{
/* The built map-server on a free loopback port, with its request log in a
 * temporary folder; stopped and cleaned up when the object goes away. */
class MapServerProcess
{
public:
    /* extraArgs go to the server as they are, e.g. {"--status", "404"}. */
    explicit MapServerProcess(const std::vector<std::string>& extraArgs = {});
    ~MapServerProcess();
    MapServerProcess(const MapServerProcess&) = delete;
    MapServerProcess& operator=(const MapServerProcess&) = delete;

    bool IsRunning() const { return mPort > 0; }
    int Port() const { return mPort; }
    /* "http://127.0.0.1:<port>", the form a system proxy setting takes. */
    std::string ProxyAddress() const;
    /* The server's certificate authority (PEM), to hand to clients that
     * verify peers, e.g. as PELORN_CA_FILE. */
    std::string CaFile() const;
    /* Every URL the server has seen so far, in order. */
    std::vector<std::string> LoggedUrls() const;

private:
    GPid mPid;
    int mPort;
    std::string mDir;
};
} // namespace PelornTest

#endif
