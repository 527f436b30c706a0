/* map-server: a local static-map provider for demonstrations and tests.
 *
 *   map-server [--port N] [--port-file PATH] [--log PATH] [--status N] [--debug-text]
 *   map-server --draw PATH LATITUDE LONGITUDE LABEL
 *
 * Listens on 127.0.0.1 (port 8765 unless told; 0 picks a free one) and is
 * meant to be the system HTTP proxy of the watch stand-in, so the app's map
 * requests for any of the four providers come here and get a drawn picture.
 * --port-file receives the port once listening; --log receives every request
 * URL, one per line; --status makes every map request answer that status.
 * --debug-text writes the provider and the requested centre on each picture.
 * --draw writes one picture and exits (the demonstration map is made so). */
#include "MapPicture.h"
#include "MapServer.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace
{
struct Options
{
    int port = 8765;
    int status = 0;
    std::string portFile;
    std::string logPath;
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
    if (argc == 6 && std::string(argv[1]) == "--draw")
        return DrawOnePicture(argv);
    Options options;
    if (!ParseOptions(argc, argv, options))
    {
        std::fprintf(stderr, "usage: %s [--port N] [--port-file PATH] [--log PATH] [--status N] [--debug-text]\n", argv[0]);
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);

    MapServer server;
    server.SetLogPath(options.logPath);
    server.SetForcedStatus(options.status);
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
    std::printf("map-server: listening on 127.0.0.1:%d (use it as the HTTP proxy)\n", server.GetPort());
    std::fflush(stdout);
    server.Run();
    return 0;
}
