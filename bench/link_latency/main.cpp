/* Median time from ConsumerController::SendMessage(START) to the request's
 * bytes arriving at the phone's end of the accessory socket, over 1000 round
 * trips. The phone's end is a thread of this process that speaks the wire
 * protocol with blocking reads and stamps each packet as read() returns. */

#include "ConsumerController.h"
#include "ConsumerMessageType.h"
#include "pelorn_accessory_wire.h"
#include "pelorn_paths.h"
#include "vconf.h"

#include <algorithm>
#include <atomic>
#include <glib.h>
#include <glib/gstdio.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

using namespace NSPelorn;
using namespace PelornAccessoryWire;

static const char* const HELP = R"HELP(Usage: bench_link_latency

Times ConsumerController::SendMessage(START) to the request's bytes at the
phone's end of the accessory socket, over 1000 round trips. Last line:
"link_latency: MEDIAN us".

Environment: runs in fresh temporary PELORN_STATE_DIR and PELORN_RUNTIME_DIR
folders of its own (any set outside are not touched).

Example:
  build/bench_link_latency
)HELP";

namespace
{
const int ROUND_TRIPS = 1000;

gint64 NowNs()
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (gint64)ts.tv_sec * 1000000000 + ts.tv_nsec;
}

void RemoveTree(const std::string& path)
{
    GDir* dir = g_dir_open(path.c_str(), 0, nullptr);
    if (!dir)
    {
        g_unlink(path.c_str());
        return;
    }
    const gchar* name;
    while ((name = g_dir_read_name(dir)))
        RemoveTree(path + "/" + name);
    g_dir_close(dir);
    g_rmdir(path.c_str());
}

class CountingListener : public ConsumerEventListener
{
public:
    void OnConsumerMsgReceived(int recvType, void*) override
    {
        if (recvType == ORZ_RECV_MSG_TYPE_START_RSP)
            mAnswers++;
    }
    int mAnswers = 0;
};

void WriteAll(int fd, const std::string& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size())
    {
        ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += (size_t)n;
    }
}

/* Serves one watch connection: handshake, then answers every packet. */
void PhoneThread(int listenFd, std::vector<gint64>* arrivals, std::atomic<int>* received)
{
    int fd = accept(listenFd, nullptr, nullptr);
    if (fd < 0)
        return;
    FrameReader reader;
    char buffer[65536];
    for (;;)
    {
        ssize_t n = read(fd, buffer, sizeof(buffer));
        const gint64 now = NowNs();
        if (n <= 0)
            break;
        reader.Feed(buffer, (size_t)n, [&](uint8_t type, const std::string& payload) {
            if (type == FRAME_HELLO)
            {
                std::string peer(MAGIC, sizeof(MAGIC));
                peer.push_back((char)VERSION);
                PutU32(peer, 7);
                PutU32(peer, 1);
                peer += std::string("RuxProvider") + '\0' + "1.0" + '\0' + "bench" + '\0';
                WriteAll(fd, EncodeFrame(FRAME_PEER, peer));
            }
            else if (type == FRAME_CONNECT_REQ)
            {
                std::string rsp(1, '\0');
                PutU32(rsp, 0x100);
                WriteAll(fd, EncodeFrame(FRAME_CONNECT_RSP, rsp));
            }
            else if (type == FRAME_DATA)
            {
                int index = received->fetch_add(1);
                if (index < (int)arrivals->size())
                    (*arrivals)[index] = now;
                static const std::string answer = R"({"msgId":"rux-startalert-rsp","result":"0","reason":"0"})";
                WriteAll(fd, EncodeData(103, answer.data(), answer.size()));
            }
        }, "bench");
    }
    close(fd);
}

bool RunUntil(const std::function<bool()>& done, int timeoutMs)
{
    const gint64 deadline = g_get_monotonic_time() + (gint64)timeoutMs * 1000;
    while (!done())
    {
        if (g_get_monotonic_time() > deadline)
            return false;
        g_main_context_iteration(nullptr, TRUE);
    }
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && (!strcmp(argv[1], "--help") || !strcmp(argv[1], "-h")))
    {
        fputs(HELP, stdout);
        return 0;
    }
    gchar* root = g_dir_make_tmp("pelorn-bench-XXXXXX", nullptr);
    const std::string state = std::string(root) + "/state", runtime = std::string(root) + "/run";
    g_mkdir_with_parents(state.c_str(), 0700);
    g_mkdir_with_parents(runtime.c_str(), 0700);
    g_setenv("PELORN_STATE_DIR", state.c_str(), TRUE);
    g_setenv("PELORN_RUNTIME_DIR", runtime.c_str(), TRUE);
    g_setenv("PELORN_LOG_STDERR", "0", TRUE);
    pelorn_paths_reset();

    const std::string path = SocketPath();
    int listenFd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    struct sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    if (bind(listenFd, (struct sockaddr*)&address, sizeof(address)) != 0 || listen(listenFd, 1) != 0)
    {
        fprintf(stderr, "cannot listen on %s\n", path.c_str());
        return 1;
    }
    vconf_set_bool("memory/brig/brig_connected", 1);

    std::vector<gint64> arrivals(ROUND_TRIPS, 0);
    std::vector<gint64> starts(ROUND_TRIPS, 0);
    std::atomic<int> received(0);
    std::thread phone(PhoneThread, listenFd, &arrivals, &received);

    CountingListener listener;
    ConsumerController controller;
    controller.SetConsumerEventListener(&listener);
    controller.OpenConnection();
    if (!RunUntil([] { return Kiv::GetInstance()->GetKivServiceHandleId() != 0; }, 10000))
    {
        fprintf(stderr, "link did not come up\n");
        return 1;
    }

    for (int i = 0; i < ROUND_TRIPS; i++)
    {
        starts[i] = NowNs();
        controller.SendMessage(ORZ_SEND_MSG_TYPE_START_REQ);
        if (!RunUntil([&] { return listener.mAnswers == i + 1; }, 10000))
        {
            fprintf(stderr, "round trip %d got no answer\n", i);
            return 1;
        }
    }

    controller.CloseConnection();
    shutdown(listenFd, SHUT_RDWR);
    phone.join();
    close(listenFd);

    std::vector<double> latencies;
    for (int i = 0; i < ROUND_TRIPS; i++)
        latencies.push_back((double)(arrivals[i] - starts[i]) / 1000.0);
    std::sort(latencies.begin(), latencies.end());
    printf("round trips: %d\n", ROUND_TRIPS);
    printf("p10 %.1f us, p90 %.1f us, max %.1f us\n", latencies[ROUND_TRIPS / 10], latencies[ROUND_TRIPS * 9 / 10],
           latencies.back());
    printf("link_latency: %.1f us\n", latencies[ROUND_TRIPS / 2]);

    RemoveTree(root);
    g_free(root);
    return 0;
}
