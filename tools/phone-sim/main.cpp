/* phone-sim: plays the phone on the watch's accessory socket. */

#include "JsonUtil.h"
#include "PhoneSimulator.h"

#include <glib-unix.h>
#include <signal.h>
#include <json-glib/json-glib.h>
#include <stdio.h>
#include <stdlib.h>

namespace
{
const char* const HELP = R"(Usage: phone-sim [OPTION...]

Plays the phone's companion service for the watch application: listens on the
accessory socket as the phone's provider agent (service "/system/rux"),
answers every request the watch sends, and tells the watch's platform that
the phone is there (and which link type it plays) through a locked presence
file beside the socket, "<socket>.alive". The watch derives
"memory/brig/brig_connected" and "memory/private/kiv/conn_type" from it: they
drop to 0 as soon as phone-sim ends, however it ends (SIGKILL included).

Socket: --socket PATH, else $PELORN_ACCESSORY_SOCKET, else
<runtime dir>/accessory.sock (runtime dir: $PELORN_RUNTIME_DIR, ...).
The wire format is described in docs/accessory-link.md.

Answers:
  rux-startalert-req            rux-startalert-rsp result 0, then "rings":
                                prints "ringing: N s left" every second for the
                                requested time (its "time" member), and when it
                                ends "WHY: ringing stopped after N s" (WHY: found,
                                limit reached, stopped by the watch)
  rux-stopalert-req             stops ringing, rux-stopalert-rsp
  rux-founddevice-rsp           noted, not answered (the phone never does)
  mgr_location_setting_get_req  mgr_location_setting_get_res
  mgr_location_setting_set_req  switches location on, mgr_location_setting_set_res
  mgr_host_location_req         mgr_host_location_res with the position below

Phone state:
  --latitude DEG --longitude DEG   position (default 37.25, 127.05)
  --address TEXT --city TEXT --country TEXT
  --location-off                location switched off on the phone
  --high-accuracy 0|1           high-accuracy location mode (default 1)
  --location-result N           result of mgr_host_location_res (default 0;
                                1: the phone could not get a fix)
  --remote                      report a remote-connection device ("remote":"1")
  --location-file FILE          JSON object with any of: latitude, longitude,
                                address, city, country, location (0/1),
                                highaccuracy (0/1), remote (0/1)
  --conn-type N                 link type the watch is told it plays
                                (default 1: Bluetooth; 16: remote connection)
  --no-host-keys                do not announce the phone (the watch's link
                                keys are left as they are)

Found device:
  --found-after N               send rux-founddevice-req N seconds after
                                ringing starts
  a line "found" on standard input sends it at once

Misbehaviour:
  --refuse REASON               answer ring requests with result 1 and REASON
  --never-answer                accept requests, never answer them
  --late MS                     answer every request MS milliseconds late
  --drop-on MSGID|any           close the connection when that request arrives
  --garbage                     answer with text that is not JSON
  --double                      send every answer twice
  --strays                      follow every answer with two nobody asked
                                for: a location and a location-setting answer
  --silent-peer                 accept the socket, never answer the handshake
  --reject-connection CODE      refuse the service connection with CODE (2..255)
  --open-first                  the phone offers the service connection itself
  --stall                       stop reading once the service connection is up
  --stamp-reads                 say "recv@T TEXT": T is when the bytes were read,
                                in microseconds of CLOCK_MONOTONIC (for benches)
  --send-raw FILE               write FILE's bytes to the watch as they stand
                                (no framing added) once the service connection
                                is up

Standard input commands (one per line):
  found       send rux-founddevice-req
  send TEXT   send TEXT as a packet
  send-raw FILE     write FILE's bytes as they stand (no framing added)
  position LAT LON  the phone moves there (answers to later location requests)
  location-result N the result of later mgr_host_location_res answers
  garbage     send a packet that is not JSON
  badframe    send a frame of length 0 (breaks the stream)
  drop        close the watch's connection
  stall       stop reading from the watch
  detach      close the connection, remove the socket and the presence file
              (device detached: the watch counts it as lost contact, as it
              does when phone-sim is killed; a link back within 10 s is not)
  attach      announce and listen again (device attached)

Output: one line per event on standard output ("listening PATH",
"watch connected", "recv TEXT", "send TEXT", "ringing: N s left", ...).

Environment:
  PELORN_RUNTIME_DIR      where the accessory socket and the "memory/" keys
                          live (the app must use the same folder; run from the
                          build tree it defaults to the build tree's
                          run-runtime, as ./scripts/run uses)
  PELORN_STATE_DIR        where the "db/" keys live (default as above,
                          run-state)
  PELORN_ACCESSORY_SOCKET the socket path, instead of the runtime folder's
  PELORN_CLOCK_SPEED=N    run its timers N times faster (ringing, --late,
                          --found-after)

Example (what ./scripts/run does, plus a refusal):
  PELORN_RUNTIME_DIR=build/run-runtime PELORN_STATE_DIR=build/run-state \
    build/phone-sim --refuse 2
)";

bool ReadLocationFile(const char* path, PhoneOptions& options)
{
    JsonParser* parser = json_parser_new();
    GError* error = nullptr;
    gchar* contents = nullptr;
    gsize length = 0;
    std::string refusal = "not a JSON object";
    bool ok = g_file_get_contents(path, &contents, &length, &error) &&
              NSORZCommon::JsonUtil::IsWithinBounds(contents, length, &refusal) &&
              json_parser_load_from_data(parser, contents, (gssize)length, &error);
    g_free(contents);
    JsonNode* root = ok ? json_parser_get_root(parser) : nullptr;
    if (!root || !JSON_NODE_HOLDS_OBJECT(root))
    {
        fprintf(stderr, "phone-sim: %s: %s\n", path, error ? error->message : refusal.c_str());
        g_clear_error(&error);
        g_object_unref(parser);
        return false;
    }
    JsonObject* object = json_node_get_object(root);
    auto number = [object](const char* key, double fallback) {
        if (!json_object_has_member(object, key))
            return fallback;
        JsonNode* node = json_object_get_member(object, key);
        if (JSON_NODE_HOLDS_VALUE(node) && json_node_get_value_type(node) == G_TYPE_STRING)
            return g_ascii_strtod(json_node_get_string(node), nullptr);
        return json_object_get_double_member(object, key);
    };
    auto text = [object](const char* key, const std::string& fallback) {
        const gchar* value = json_object_has_member(object, key) ? json_object_get_string_member(object, key) : nullptr;
        return value ? std::string(value) : fallback;
    };
    options.latitude = number("latitude", options.latitude);
    options.longitude = number("longitude", options.longitude);
    options.address = text("address", options.address);
    options.city = text("city", options.city);
    options.country = text("country", options.country);
    options.locationOn = (int)number("location", options.locationOn);
    options.highAccuracy = (int)number("highaccuracy", options.highAccuracy);
    options.remote = (int)number("remote", options.remote);
    g_object_unref(parser);
    return true;
}

bool ParseArguments(int argc, char** argv, PhoneOptions& options)
{
    for (int i = 1; i < argc; i++)
    {
        const std::string arg = argv[i];
        auto value = [&](void) -> const char* {
            if (i + 1 >= argc)
            {
                fprintf(stderr, "phone-sim: %s needs a value\n", arg.c_str());
                exit(2);
            }
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h")
        {
            fputs(HELP, stdout);
            exit(0);
        }
        else if (arg == "--socket")
            options.socketPath = value();
        else if (arg == "--latitude")
            options.latitude = g_ascii_strtod(value(), nullptr);
        else if (arg == "--longitude")
            options.longitude = g_ascii_strtod(value(), nullptr);
        else if (arg == "--address")
            options.address = value();
        else if (arg == "--city")
            options.city = value();
        else if (arg == "--country")
            options.country = value();
        else if (arg == "--location-off")
            options.locationOn = 0;
        else if (arg == "--high-accuracy")
            options.highAccuracy = atoi(value());
        else if (arg == "--location-result")
            options.locationResult = atoi(value());
        else if (arg == "--remote")
            options.remote = 1;
        else if (arg == "--location-file")
        {
            if (!ReadLocationFile(value(), options))
                return false;
        }
        else if (arg == "--conn-type")
            options.connType = atoi(value());
        else if (arg == "--no-host-keys")
            options.hostKeys = false;
        else if (arg == "--found-after")
            options.foundAfterSec = atoi(value());
        else if (arg == "--refuse")
            options.refuseReason = atoi(value());
        else if (arg == "--never-answer")
            options.neverAnswer = true;
        else if (arg == "--late")
            options.lateMs = atoi(value());
        else if (arg == "--drop-on")
            options.dropOn = value();
        else if (arg == "--garbage")
            options.garbage = true;
        else if (arg == "--double")
            options.doubleAnswers = true;
        else if (arg == "--strays")
            options.strays = true;
        else if (arg == "--silent-peer")
            options.silentPeer = true;
        else if (arg == "--reject-connection")
            options.rejectConnection = atoi(value()) & 0xff;
        else if (arg == "--open-first")
            options.openFirst = true;
        else if (arg == "--stall")
            options.stall = true;
        else if (arg == "--stamp-reads")
            options.stampReads = true;
        else if (arg == "--send-raw")
        {
            const char* path = value();
            gchar* bytes = nullptr;
            gsize length = 0;
            if (!g_file_get_contents(path, &bytes, &length, nullptr))
            {
                fprintf(stderr, "phone-sim: cannot read %s\n", path);
                return false;
            }
            options.rawOnConnect.assign(bytes, length);
            g_free(bytes);
        }
        else
        {
            fprintf(stderr, "phone-sim: unknown option %s (see --help)\n", arg.c_str());
            return false;
        }
    }
    if (options.socketPath.empty())
        options.socketPath = PelornAccessoryWire::SocketPath();
    return true;
}

struct Program
{
    GMainLoop* loop;
    PhoneSimulator* phone;
    GString* pending;
};

gboolean QuitSignalCb(gpointer data)
{
    g_main_loop_quit(static_cast<Program*>(data)->loop);
    return G_SOURCE_CONTINUE;
}

gboolean StdinCb(GIOChannel* channel, GIOCondition, gpointer data)
{
    Program* program = static_cast<Program*>(data);
    gchar* line = nullptr;
    gsize terminator = 0;
    GIOStatus status = g_io_channel_read_line(channel, &line, nullptr, &terminator, nullptr);
    if (status == G_IO_STATUS_AGAIN)
        return G_SOURCE_CONTINUE;
    if (status != G_IO_STATUS_NORMAL)
        return G_SOURCE_REMOVE; // standard input closed: keep running on options alone
    line[terminator] = '\0';
    program->phone->HandleCommand(line);
    g_free(line);
    return G_SOURCE_CONTINUE;
}
} // namespace

int main(int argc, char** argv)
{
    PhoneOptions options;
    if (!ParseArguments(argc, argv, options))
        return 2;

    PhoneSimulator phone(options);
    Program program = {g_main_loop_new(nullptr, FALSE), &phone, nullptr};
    // Started by a parent that left these blocked, it could never be stopped.
    sigset_t ending;
    sigemptyset(&ending);
    for (int sig : {SIGHUP, SIGINT, SIGTERM})
        sigaddset(&ending, sig);
    sigprocmask(SIG_UNBLOCK, &ending, nullptr);
    g_unix_signal_add(SIGINT, QuitSignalCb, &program);
    g_unix_signal_add(SIGTERM, QuitSignalCb, &program);
    g_unix_signal_add(SIGHUP, QuitSignalCb, &program);
    if (!phone.Start())
        return 1;

    GIOChannel* input = g_io_channel_unix_new(0);
    g_io_add_watch(input, (GIOCondition)(G_IO_IN | G_IO_HUP), StdinCb, &program);

    g_main_loop_run(program.loop);
    phone.Stop();
    g_io_channel_unref(input);
    g_main_loop_unref(program.loop);
    return 0;
}
