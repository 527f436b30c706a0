#include "PhoneSimulator.h"

#include "JsonUtil.h"
#include "pelorn_clock.h"
#include "pelorn_link_state.h"
#include "vconf.h"

#include <errno.h>
#include <glib-unix.h>
#include <json-glib/json-glib.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace PelornAccessoryWire;

namespace
{
const char* const PROFILE_PATH = "/system/rux";
const unsigned short CHANNEL_ID = 103;
const uint32_t PEER_AGENT_ID = 7;
const uint32_t DEVICE_ID = 1;

std::string MemberText(JsonObject* object, const char* key)
{
    if (!object || !json_object_has_member(object, key))
        return std::string();
    JsonNode* node = json_object_get_member(object, key);
    if (!JSON_NODE_HOLDS_VALUE(node))
        return std::string();
    if (json_node_get_value_type(node) == G_TYPE_STRING)
        return json_node_get_string(node);
    return std::string();
}

/* An address given on the command line may hold quotes, backslashes or
 * control characters; the answer must stay one valid JSON text. */
std::string JsonEscaped(const std::string& text)
{
    std::string out;
    for (unsigned char c : text)
    {
        if (c == '"' || c == '\\')
        {
            out.push_back('\\');
            out.push_back((char)c);
        }
        else if (c < 0x20)
        {
            char buffer[8];
            g_snprintf(buffer, sizeof(buffer), "\\u%04x", c);
            out += buffer;
        }
        else
            out.push_back((char)c);
    }
    return out;
}

std::string FormatDouble(double value)
{
    gchar buffer[G_ASCII_DTOSTR_BUF_SIZE];
    return g_ascii_formatd(buffer, sizeof(buffer), "%.6f", value);
}

void Say(const char* fmt, ...) G_GNUC_PRINTF(1, 2);
void Say(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    vprintf(fmt, args);
    va_end(args);
    putchar('\n');
    fflush(stdout);
}

struct LateAnswer
{
    PhoneSimulator* self;
    std::string text;
    int clientFd;
};
} // namespace

PhoneSimulator::PhoneSimulator(const PhoneOptions& options) : mOptions(options)
{
}

PhoneSimulator::~PhoneSimulator()
{
    Stop();
}

bool PhoneSimulator::Start()
{
    Announce();
    return Listen();
}

void PhoneSimulator::Announce()
{
    if (mOptions.hostKeys && mPresenceFd < 0)
    {
        // The watch's platform derives its link keys from this presence (and
        // from its lock, which dies with this process however it ends);
        // announced before the socket shows, so a watch that sees the phone
        // also reads it connected.
        mPresenceFd = pelorn_link_presence_announce(mOptions.socketPath.c_str(), mOptions.connType);
        if (mPresenceFd < 0)
            fprintf(stderr, "phone-sim: cannot announce the phone beside %s\n", mOptions.socketPath.c_str());
    }
}

void PhoneSimulator::Stop()
{
    StopRinging(nullptr);
    if (mFoundTimer)
    {
        pelorn_timer_remove(mFoundTimer);
        mFoundTimer = 0;
    }
    DropClient(nullptr);
    StopListening();
    pelorn_link_presence_withdraw(mOptions.socketPath.c_str(), mPresenceFd);
    mPresenceFd = -1;
}

bool PhoneSimulator::Listen()
{
    struct sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (mOptions.socketPath.size() >= sizeof(address.sun_path))
    {
        fprintf(stderr, "phone-sim: socket path too long: %s\n", mOptions.socketPath.c_str());
        return false;
    }
    memcpy(address.sun_path, mOptions.socketPath.c_str(), mOptions.socketPath.size() + 1);
    mListenFd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    unlink(mOptions.socketPath.c_str());
    if (mListenFd < 0 || bind(mListenFd, (struct sockaddr*)&address, sizeof(address)) != 0 || listen(mListenFd, 4) != 0)
    {
        fprintf(stderr, "phone-sim: cannot listen on %s: %s\n", mOptions.socketPath.c_str(), g_strerror(errno));
        if (mListenFd >= 0)
            close(mListenFd);
        mListenFd = -1;
        return false;
    }
    mListenWatch = g_unix_fd_add(mListenFd, G_IO_IN, AcceptCb, this);
    Say("listening %s", mOptions.socketPath.c_str());
    return true;
}

void PhoneSimulator::StopListening()
{
    if (mListenFd < 0)
        return;
    g_source_remove(mListenWatch);
    mListenWatch = 0;
    close(mListenFd);
    mListenFd = -1;
    unlink(mOptions.socketPath.c_str());
}

gboolean PhoneSimulator::AcceptCb(gint fd, GIOCondition, gpointer data)
{
    PhoneSimulator* self = static_cast<PhoneSimulator*>(data);
    int client = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (client < 0)
        return G_SOURCE_CONTINUE;
    // One watch at a time: a new one replaces the old.
    self->DropClient("replaced by a new connection");
    self->mClientFd = client;
    self->mReader = FrameReader();
    self->mHelloDone = false;
    self->mHandle = 0;
    Say("watch connected");
    if (!self->mOptions.silentPeer)
        self->mClientWatch = g_unix_fd_add(client, (GIOCondition)(G_IO_IN | G_IO_HUP | G_IO_ERR), ClientCb, self);
    return G_SOURCE_CONTINUE;
}

void PhoneSimulator::DropClient(const char* why)
{
    if (mClientFd < 0)
        return;
    if (mClientWatch)
        g_source_remove(mClientWatch);
    mClientWatch = 0;
    close(mClientFd);
    mClientFd = -1;
    mHandle = 0;
    if (why)
        Say("watch disconnected: %s", why);
}

gboolean PhoneSimulator::ClientCb(gint fd, GIOCondition, gpointer data)
{
    PhoneSimulator* self = static_cast<PhoneSimulator*>(data);
    char buffer[65536];
    ssize_t n = recv(fd, buffer, sizeof(buffer), 0);
    self->mReadAt = g_get_monotonic_time();
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return G_SOURCE_CONTINUE;
    if (n <= 0)
    {
        self->mClientWatch = 0;
        self->DropClient("closed by the watch");
        return G_SOURCE_REMOVE;
    }
    const int client = self->mClientFd;
    bool ok = self->mReader.Feed(
        buffer, (size_t)n, [self, client](uint8_t type, const std::string& payload) {
            if (self->mClientFd == client)
                self->OnFrame(type, payload);
        },
        "phone-sim");
    if (self->mClientFd != client || self->mClientWatch == 0)
        return G_SOURCE_REMOVE;
    if (!ok)
    {
        self->mClientWatch = 0;
        self->DropClient("broken framing");
        return G_SOURCE_REMOVE;
    }
    return G_SOURCE_CONTINUE;
}

void PhoneSimulator::Write(const std::string& bytes)
{
    if (mClientFd < 0)
        return;
    size_t sent = 0;
    gint64 lastProgress = g_get_monotonic_time();
    while (sent < bytes.size())
    {
        ssize_t n = send(mClientFd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0)
        {
            sent += (size_t)n;
            lastProgress = g_get_monotonic_time();
        }
        else if (n < 0 && (errno == EAGAIN || errno == EINTR))
        {
            // The watch reads on its main loop; wait for room, but not for a watch that stopped
            // reading: this loop keeps phone-sim from its own main loop, SIGTERM included.
            if (g_get_monotonic_time() - lastProgress > 5 * G_USEC_PER_SEC)
            {
                DropClient("the watch stopped reading");
                return;
            }
            g_usleep(1000);
        }
        else
            return;
    }
}

void PhoneSimulator::SendPacket(const std::string& text)
{
    if (mHandle == 0)
    {
        Say("no service connection; not sent: %s", text.c_str());
        return;
    }
    Say("send %s", text.c_str());
    Write(EncodeData(CHANNEL_ID, text.data(), text.size()));
}

void PhoneSimulator::SendRaw(const std::string& bytes)
{
    if (mClientFd < 0)
    {
        Say("no watch connected; %zu raw bytes not sent", bytes.size());
        return;
    }
    Write(bytes);
    Say("sent %zu raw bytes", bytes.size());
}

std::string PhoneSimulator::LocationAnswer() const
{
    return "{\"msgId\":\"mgr_host_location_res\",\"result\":\"" + std::to_string(mOptions.locationResult) +
           "\",\"hmlocsetting\":\"" + std::to_string(mOptions.locationOn) + "\",\"phonelocsetting\":\"" +
           std::to_string(mOptions.locationOn) + "\",\"latitude\":\"" + FormatDouble(mOptions.latitude) +
           "\",\"longitude\":\"" + FormatDouble(mOptions.longitude) + "\",\"address\":\"" +
           JsonEscaped(mOptions.address) + "\",\"city\":\"" + JsonEscaped(mOptions.city) + "\",\"country\":\"" +
           JsonEscaped(mOptions.country) + "\",\"time\":\"" +
           std::to_string((long long)(pelorn_clock_wall_ms() / 1000)) + "\"}";
}

std::string PhoneSimulator::LocationSettingAnswer() const
{
    return "{\"msgId\":\"mgr_location_setting_get_res\",\"location\":\"" + std::to_string(mOptions.locationOn) +
           "\",\"remote\":\"" + std::to_string(mOptions.remote) + "\",\"highaccuracy\":\"" +
           std::to_string(mOptions.highAccuracy) + "\"}";
}

void PhoneSimulator::Answer(const std::string& text)
{
    if (mOptions.doubleAnswers || mOptions.strays)
    {
        SendPacket(text);
        if (mOptions.doubleAnswers)
            SendPacket(text);
        if (mOptions.strays)
        {
            SendPacket(LocationAnswer());
            SendPacket(LocationSettingAnswer());
        }
        Say("answered with %s", mOptions.doubleAnswers && mOptions.strays ? "a double and strays"
                                : mOptions.doubleAnswers                  ? "a double"
                                                                          : "strays");
        return;
    }
    if (mOptions.neverAnswer)
    {
        Say("not answering (--never-answer)");
        return;
    }
    if (mOptions.garbage)
    {
        SendPacket("garbage<<" + text.substr(0, 10));
        return;
    }
    if (mOptions.lateMs > 0)
    {
        Say("answering in %d ms", mOptions.lateMs);
        pelorn_timer_add((guint)mOptions.lateMs, LateAnswerCb, new LateAnswer{this, text, mClientFd});
        return;
    }
    SendPacket(text);
}

gboolean PhoneSimulator::LateAnswerCb(gpointer data)
{
    LateAnswer* late = static_cast<LateAnswer*>(data);
    if (late->self->mClientFd == late->clientFd)
        late->self->SendPacket(late->text);
    delete late;
    return G_SOURCE_REMOVE;
}

void PhoneSimulator::OnFrame(uint8_t type, const std::string& payload)
{
    size_t offset = 0;
    switch (type)
    {
    case FRAME_HELLO:
    {
        uint32_t agentId = 0;
        std::string profile, service;
        offset = 5;
        if (payload.size() < 5 || payload.compare(0, 4, std::string(MAGIC, 4)) != 0 || (uint8_t)payload[4] != VERSION ||
            !GetU32(payload, offset, agentId) || !GetText(payload, offset, profile) || !GetText(payload, offset, service))
        {
            DropClient("bad hello");
            return;
        }
        if (profile != PROFILE_PATH)
        {
            Say("refusing profile %s", profile.c_str());
            Write(EncodeFrame(FRAME_REJECT, std::string(1, '\x01')));
            return;
        }
        std::string peer(MAGIC, sizeof(MAGIC));
        peer.push_back((char)VERSION);
        PutU32(peer, PEER_AGENT_ID);
        PutU32(peer, DEVICE_ID);
        peer += std::string("RuxProvider") + '\0' + "1.0" + '\0' + "phone-sim" + '\0';
        Write(EncodeFrame(FRAME_PEER, peer));
        mHelloDone = true;
        Say("hello from %s (agent %u)", service.c_str(), agentId);
        if (mOptions.openFirst)
        {
            std::string offer;
            PutU32(offer, mNextHandle);
            Write(EncodeFrame(FRAME_CONNECT_IND, offer));
            Say("offered service connection %u", mNextHandle);
        }
        return;
    }
    case FRAME_CONNECT_REQ:
    case FRAME_ACCEPT:
    {
        std::string rsp;
        if (type == FRAME_CONNECT_REQ && mOptions.rejectConnection != 0)
        {
            rsp.push_back((char)mOptions.rejectConnection);
            PutU32(rsp, 0);
            Write(EncodeFrame(FRAME_CONNECT_RSP, rsp));
            Say("refused service connection (%d)", mOptions.rejectConnection);
            return;
        }
        mHandle = mNextHandle++;
        if (type == FRAME_CONNECT_REQ)
        {
            rsp.push_back('\0');
            PutU32(rsp, mHandle);
            Write(EncodeFrame(FRAME_CONNECT_RSP, rsp));
        }
        Say("service connection %u", mHandle);
        if (!mOptions.rawOnConnect.empty())
        {
            SendRaw(mOptions.rawOnConnect);
            mOptions.rawOnConnect.clear();
        }
        if (mOptions.stall)
        {
            // Stop reading: the watch's send buffer fills up.
            g_source_remove(mClientWatch);
            mClientWatch = 0;
            Say("stalled");
        }
        return;
    }
    case FRAME_DATA:
    {
        uint16_t channel = 0;
        GetU16(payload, offset, channel);
        OnRequest(payload.substr(offset));
        return;
    }
    case FRAME_TERMINATE:
        DropClient("service connection terminated by the watch");
        return;
    default:
        Say("unknown frame 0x%02x", type);
        return;
    }
}

void PhoneSimulator::OnRequest(const std::string& text)
{
    if (mOptions.stampReads)
        Say("recv@%" G_GINT64_FORMAT " %s", mReadAt, text.c_str());
    else
        Say("recv %s", text.c_str());
    JsonParser* parser = json_parser_new();
    std::string msgId;
    std::string time;
    std::string refusal;
    if (!NSORZCommon::JsonUtil::IsWithinBounds(text.data(), text.size(), &refusal))
        Say("request not read: %s", refusal.c_str());
    else if (json_parser_load_from_data(parser, text.data(), (gssize)text.size(), nullptr))
    {
        JsonNode* root = json_parser_get_root(parser);
        JsonObject* object = root && JSON_NODE_HOLDS_OBJECT(root) ? json_node_get_object(root) : nullptr;
        msgId = MemberText(object, "msgId");
        time = MemberText(object, "time");
    }
    g_object_unref(parser);

    if (!mOptions.dropOn.empty() && (mOptions.dropOn == "any" || mOptions.dropOn == msgId))
    {
        DropClient("dropped on request (--drop-on)");
        return;
    }

    if (msgId == "rux-startalert-req")
    {
        if (mOptions.refuseReason != 0)
        {
            Say("refusing to ring (reason %d)", mOptions.refuseReason);
            Answer("{\"msgId\":\"rux-startalert-rsp\",\"result\":\"1\",\"reason\":\"" +
                   std::to_string(mOptions.refuseReason) + "\"}");
            return;
        }
        Answer("{\"msgId\":\"rux-startalert-rsp\",\"result\":\"0\",\"reason\":\"0\"}");
        int seconds = atoi(time.c_str());
        StartRinging(seconds > 0 ? seconds : 180);
    }
    else if (msgId == "rux-stopalert-req")
    {
        StopRinging("stopped by the watch");
        Answer("{\"msgId\":\"rux-stopalert-rsp\",\"result\":\"0\"}");
    }
    else if (msgId == "rux-founddevice-rsp")
    {
        Say("watch acknowledged found");
    }
    else if (msgId == "mgr_host_location_req")
    {
        Answer(LocationAnswer());
    }
    else if (msgId == "mgr_location_setting_get_req")
    {
        Answer(LocationSettingAnswer());
    }
    else if (msgId == "mgr_location_setting_set_req")
    {
        mOptions.locationOn = 1;
        Say("location switched on");
        Answer("{\"msgId\":\"mgr_location_setting_set_res\",\"result\":\"0\"}");
    }
    else
    {
        Say("unknown request ignored");
    }
}

void PhoneSimulator::StartRinging(int seconds)
{
    StopRinging(nullptr);
    mRingSeconds = seconds;
    mRingLeft = seconds;
    Say("ringing: %d s left", mRingLeft);
    mRingTimer = pelorn_timer_add(1000, RingTimerCb, this);
    if (mOptions.foundAfterSec >= 0)
    {
        if (mFoundTimer)
            pelorn_timer_remove(mFoundTimer);
        mFoundTimer = pelorn_timer_add((guint)mOptions.foundAfterSec * 1000u, FoundTimerCb, this);
    }
}

gboolean PhoneSimulator::RingTimerCb(gpointer data)
{
    PhoneSimulator* self = static_cast<PhoneSimulator*>(data);
    self->mRingLeft--;
    if (self->mRingLeft <= 0)
    {
        self->mRingTimer = 0;
        self->StopRinging("limit reached");
        return G_SOURCE_REMOVE;
    }
    Say("ringing: %d s left", self->mRingLeft);
    return G_SOURCE_CONTINUE;
}

void PhoneSimulator::StopRinging(const char* why)
{
    // mRingSeconds stays set until here, so the tick that reaches the limit
    // (and has already dropped its timer) is still reported.
    const bool wasRinging = mRingSeconds > 0;
    // Whole seconds rung, counted by the same ticks as the "s left" lines.
    const int rung = mRingSeconds - mRingLeft;
    if (mRingTimer)
        pelorn_timer_remove(mRingTimer);
    mRingTimer = 0;
    mRingLeft = 0;
    mRingSeconds = 0;
    if (wasRinging && why)
        Say("%s: ringing stopped after %d s", why, rung);
}

gboolean PhoneSimulator::FoundTimerCb(gpointer data)
{
    PhoneSimulator* self = static_cast<PhoneSimulator*>(data);
    self->mFoundTimer = 0;
    self->SendFoundDevice();
    return G_SOURCE_REMOVE;
}

void PhoneSimulator::SendFoundDevice()
{
    StopRinging("found");
    SendPacket("{\"msgId\":\"rux-founddevice-req\",\"result\":\"0\"}");
}

void PhoneSimulator::HandleCommand(const std::string& line)
{
    if (line == "found")
        SendFoundDevice();
    else if (line == "drop")
        DropClient("dropped on command");
    else if (line == "garbage")
        SendPacket("\x01not json at all}");
    else if (line == "badframe")
    {
        Say("sending a broken frame");
        Write(std::string("\0\0\0\0", 4));
    }
    else if (line.compare(0, 9, "position ") == 0)
    {
        double latitude = 0.0, longitude = 0.0;
        if (sscanf(line.c_str() + 9, "%lf %lf", &latitude, &longitude) == 2)
        {
            mOptions.latitude = latitude;
            mOptions.longitude = longitude;
            Say("moved to %s,%s", FormatDouble(latitude).c_str(), FormatDouble(longitude).c_str());
        }
        else
            Say("position needs LATITUDE LONGITUDE");
    }
    else if (line.compare(0, 16, "location-result ") == 0)
    {
        mOptions.locationResult = atoi(line.c_str() + 16);
        Say("location result %d", mOptions.locationResult);
    }
    else if (line.compare(0, 5, "send ") == 0)
        SendPacket(line.substr(5));
    else if (line.compare(0, 9, "send-raw ") == 0)
    {
        gchar* bytes = nullptr;
        gsize length = 0;
        GError* error = nullptr;
        if (g_file_get_contents(line.c_str() + 9, &bytes, &length, &error))
            SendRaw(std::string(bytes, length));
        else
            Say("send-raw: %s", error->message);
        g_clear_error(&error);
        g_free(bytes);
    }
    else if (line == "stall" && mClientWatch)
    {
        g_source_remove(mClientWatch);
        mClientWatch = 0;
        Say("stalled");
    }
    else if (line == "detach")
    {
        DropClient("detached");
        StopListening();
        // A detached phone is gone for the watch: the link drops as if it had died.
        pelorn_link_presence_withdraw(mOptions.socketPath.c_str(), mPresenceFd);
        mPresenceFd = -1;
        Say("detached");
    }
    else if (line == "attach" && mListenFd < 0)
    {
        Announce();
        Listen();
    }
    else if (!line.empty())
        Say("unknown command: %s", line.c_str());
}
