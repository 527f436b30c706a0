/* map-server: a local static-map provider for demonstrations and tests.
 *
 *   map-server [--port N] [--port-file PATH] [--log PATH] [--status N] [--ca-file PATH]
 *              [--picture PATH] [--debug-text]
 *   map-server --draw PATH LATITUDE LONGITUDE LABEL
 *
 * Listens on 127.0.0.1 (port 8765 unless told; 0 picks a free one) and is
 * meant to be the system HTTP proxy of the watch stand-in, so the app's map
 * requests for any of the four providers come here and get a drawn picture.
 * --port-file receives the port once listening; --log receives every request
 * URL, one per line; --status makes every map request answer that status.
 * --ca-file receives the certificate of the authority the server makes at
 * start and signs its HTTPS certificates with (default: map-server-ca.pem
 * in the state folder); clients must be told to trust it.
 * --picture answers every map request with that file as it is (tests give
 * it pictures a watch must refuse).
 * --debug-text writes the provider and the requested centre on each picture.
 * --draw writes one picture and exits (the demonstration map is made so). */
#include "MapPicture.h"
#include "MapServer.h"
#include "pelorn_paths.h"

#include <csignal>
#include <signal.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace
{
const char* const HELP = R"HELP(Usage: map-server [--port N] [--port-file PATH] [--log PATH] [--status N]
                  [--ca-file PATH] [--picture PATH] [--debug-text]
       map-server --draw PATH LATITUDE LONGITUDE LABEL

A local static-map provider: listens on 127.0.0.1 and answers the four map
providers' static-map requests with a drawn 360x360 PNG. The app reaches it
as its system HTTP proxy (the settings key "memory/dnet/proxy", which
./scripts/run sets), plain HTTP and HTTPS through CONNECT.

Options:
  --port N          port to listen on (default 8765; 0 picks a free one)
  --port-file PATH  write the port there once listening
  --log PATH        append every request URL there, one per line
  --status N        answer every map request with status N (e.g. 404)
  --ca-file PATH    write the certificate of the authority the server makes at
                    start there (default <state dir>/map-server-ca.pem); the
                    app verifies HTTPS against it when PELORN_CA_FILE names it
  --picture PATH    answer every map request with that file as it is
  --debug-text      write the provider and the requested centre on each picture
  --draw PATH LAT LON LABEL  draw one picture into PATH and exit
  --help            this text

Exit status: 0 ended by a signal, 1 cannot listen (port busy) or write the
port file, 2 bad usage.

Environment: none of its own; the app finds it through "memory/dnet/proxy" in
PELORN_RUNTIME_DIR (build/run-runtime by default when run from the build tree).

Example (a second server on a free port, the app pointed at it):
  build/map-server --port 0 --port-file /tmp/map.port &
  build/vconftool set -t string memory/dnet/proxy "http://127.0.0.1:$(cat /tmp/map.port)"
)HELP";

struct Options
{
    int port = 8765;
    int status = 0;
    std::string portFile;
    std::string logPath;
    std::string caFile;
    std::string picture;
    bool debugText = false;
};

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i)
    {
        std::string arg = argv[i];
        if (arg == "--debug-text")
        {
            options.debugText = true;
            continue;
        }
        if (i + 1 >= argc)
            return false;
        std::string value = argv[++i];
        if (arg == "--port")
            options.port = std::atoi(value.c_str());
        else if (arg == "--port-file")
            options.portFile = value;
        else if (arg == "--log")
            options.logPath = value;
        else if (arg == "--status")
            options.status = std::atoi(value.c_str());
        else if (arg == "--ca-file")
            options.caFile = value;
        else if (arg == "--picture")
            options.picture = value;
        else
            return false;
    }
    return options.port >= 0 && options.port < 65536;
}

bool WritePortFile(const std::string& path, int port)
{
    std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp);
        out << port << "\n";
        if (!out)
            return false;
    }
    return std::rename(tmp.c_str(), path.c_str()) == 0;
}

int DrawOnePicture(char** argv)
{
    MapRequest request;
    request.provider = argv[5];
    request.latitude = std::atof(argv[3]);
    request.longitude = std::atof(argv[4]);
    request.hasCenter = true;
    std::string png = DrawMapPng(request);
    std::ofstream out(argv[2], std::ios::binary);
    out.write(png.data(), static_cast<std::streamsize>(png.size()));
    return png.empty() || !out ? 1 : 0;
}
} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h"))
        {
            std::fputs(HELP, stdout);
            return 0;
        }
    if (argc == 6 && std::string(argv[1]) == "--draw")
        return DrawOnePicture(argv);
    Options options;
    if (!ParseOptions(argc, argv, options))
    {
        std::fprintf(stderr,
                     "usage: %s [--port N] [--port-file PATH] [--log PATH] [--status N] [--ca-file PATH] "
                     "[--picture PATH] [--debug-text] (see --help)\n",
                     argv[0]);
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);
    // A parent may have left the ending signals blocked (a toolkit that shut
    // down does); started from there, nothing could ever stop this server.
    sigset_t ending;
    sigemptyset(&ending);
    for (int sig : {SIGHUP, SIGINT, SIGTERM})
        sigaddset(&ending, sig);
    sigprocmask(SIG_UNBLOCK, &ending, nullptr);

    MapServer server;
    server.SetLogPath(options.logPath);
    server.SetForcedStatus(options.status);
    if (!options.picture.empty())
    {
        std::ifstream in(options.picture, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof())
            bytes.clear();
        if (bytes.empty())
        {
            std::fprintf(stderr, "map-server: cannot read %s\n", options.picture.c_str());
            return 1;
        }
        server.SetPicture(bytes);
    }
    // Written before listening: whoever sees the port can trust the server.
    const std::string caFile =
        options.caFile.empty() ? std::string(pelorn_state_dir()) + "/map-server-ca.pem" : options.caFile;
    if (!server.GetAuthority().IsReady() || !server.GetAuthority().WriteCertificate(caFile))
    {
        std::fprintf(stderr, "map-server: cannot write the authority's certificate to %s\n", caFile.c_str());
        return 1;
    }
    server.SetDebugText(options.debugText);
    if (!server.Listen(options.port))
    {
        std::fprintf(stderr, "map-server: cannot listen on 127.0.0.1:%d: %s\n", options.port, std::strerror(errno));
        return 1;
    }
    if (!options.portFile.empty() && !WritePortFile(options.portFile, server.GetPort()))
    {
        std::fprintf(stderr, "map-server: cannot write %s\n", options.portFile.c_str());
        return 1;
    }
    std::printf("map-server: listening on 127.0.0.1:%d (use it as the HTTP proxy; trust %s)\n", server.GetPort(),
                caFile.c_str());
    std::fflush(stdout);
    server.Run();
    return 0;
}
