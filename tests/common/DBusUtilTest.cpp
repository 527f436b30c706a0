#include "DBusUtil.h"
#include "PrivateBus.h"
#include "TestEnvironment.h"

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <pelorn_log_capture.h>
#include <string>
#include <atomic>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

using NSORZCommon::DBusUtil;

namespace
{
struct Received
{
    std::vector<std::string> messages;
    std::vector<int> pids;
};

void OnProcExclude(GDBusConnection* connection, const gchar* sender, const gchar* path, const gchar* interface,
                   const gchar* member, GVariant* parameters, gpointer data)
{
    Received* received = static_cast<Received*>(data);
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(si)")))
    {
        received->messages.push_back(std::string("wrong body ") + g_variant_get_type_string(parameters));
        return;
    }
    const gchar* message = nullptr;
    gint32 pid = 0;
    g_variant_get(parameters, "(&si)", &message, &pid);
    received->messages.push_back(message);
    received->pids.push_back(pid);
}

/* What the resource daemon would see: a second client of the bus. */
class ResourceDaemonListener
{
public:
    explicit ResourceDaemonListener(const std::string& address)
    {
        mConnection = g_dbus_connection_new_for_address_sync(
            address.c_str(),
            (GDBusConnectionFlags)(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                   G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
        if (!mConnection)
            return;
        mSubscription = g_dbus_connection_signal_subscribe(
            mConnection, nullptr, "org.tizen.resourced.process", "ProcExclude", "/Org/Tizen/ResourceD/Process",
            nullptr, G_DBUS_SIGNAL_FLAGS_NONE, OnProcExclude, &mReceived, nullptr);
        // The match rule travels before this call, so the bus applies it first.
        GVariant* reply = g_dbus_connection_call_sync(mConnection, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                      "org.freedesktop.DBus", "GetId", nullptr, nullptr,
                                                      G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
        if (reply)
            g_variant_unref(reply);
    }
    ~ResourceDaemonListener()
    {
        if (mConnection)
        {
            g_dbus_connection_signal_unsubscribe(mConnection, mSubscription);
            g_object_unref(mConnection);
        }
    }
    bool Ready() const { return mConnection != nullptr; }
    const Received& Get() const { return mReceived; }

private:
    GDBusConnection* mConnection = nullptr;
    guint mSubscription = 0;
    Received mReceived;
};
} // namespace

// The previous request is remembered per process, so this is one test: CTest
// gives it a process of its own.
TEST(DBusUtil, RepeatedRequestIsSignalledOnce)
{
    PelornTest::PrivateSystemBus bus;
    ASSERT_TRUE(bus.IsRunning()) << "dbus-daemon did not start";
    ResourceDaemonListener daemon(bus.Address());
    ASSERT_TRUE(daemon.Ready());

    DBusUtil util;
    pelorn_log_capture_begin();
    EXPECT_EQ(util.SendProcExclude(), 1);
    EXPECT_EQ(util.SendProcExclude(), 0);
    EXPECT_TRUE(pelorn_log_captured(
        "pelorn-c", "(!mPrevMessage.empty() && mPrevMessage.compare(messageToSend) == 0) [return]"));
    // A second object shares what was sent last: the daemon keeps one state per process.
    DBusUtil other;
    EXPECT_EQ(other.SendProcExclude(), 0);
    EXPECT_EQ(util.SendProcInclude(), 1);
    EXPECT_EQ(other.SendProcExclude(), 1);
    pelorn_log_capture_end();

    ASSERT_TRUE(PelornTest::RunGlibUntil([&] { return daemon.Get().messages.size() >= 3; }));
    PelornTest::RunGlibFor(100);
    EXPECT_EQ(daemon.Get().messages, (std::vector<std::string>{"exclude", "include", "exclude"}));
    for (int pid : daemon.Get().pids)
        EXPECT_EQ(pid, (int)getpid());
}

TEST(DBusUtil, NoBusMeansNothingSentAndNothingRemembered)
{
    g_setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/pelorn-bus", TRUE);
    DBusUtil util;
    pelorn_log_capture_begin();
    EXPECT_EQ(util.SendProcExclude(), 1) << "the request waits for the bus";
    ASSERT_TRUE(PelornTest::RunGlibUntil([] { return pelorn_log_captured("pelorn-c", "(err) [return]"); }));
    pelorn_log_capture_clear();
    EXPECT_EQ(util.SendProcExclude(), 1);
    EXPECT_FALSE(pelorn_log_captured("pelorn-c", "mPrevMessage.compare")) << "a failed send must not count as sent";
    PelornTest::RunGlibFor(200);
    EXPECT_FALSE(pelorn_log_captured("pelorn-c", "g_bus_get")) << "the missing bus is said once, not per ring";
    pelorn_log_capture_end();

    // A bus that appears later gets the request (once the attempt under way has failed).
    PelornTest::PrivateSystemBus bus;
    ASSERT_TRUE(bus.IsRunning());
    ResourceDaemonListener daemon(bus.Address());
    ASSERT_TRUE(daemon.Ready());
    EXPECT_TRUE(PelornTest::RunGlibUntil([&] {
        util.SendProcExclude();
        return !daemon.Get().messages.empty();
    })) << "a bus that failed once is never tried again";
    g_unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

// A bus daemon that takes the connection and never answers (stuck, or not a
// bus at all) must not hold up the press that raised the priority: the
// request waits, the caller goes on.
TEST(DBusUtil, ABusThatNeverAnswersHoldsUpNoRequest)
{
    PelornTest::ScopedTestDirs dirs(false);
    const std::string path = dirs.RuntimeDir() + "/silent-bus";
    int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    struct sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof(address.sun_path));
    strcpy(address.sun_path, path.c_str());
    ASSERT_EQ(bind(listener, reinterpret_cast<struct sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    g_setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + path).c_str(), TRUE);

    std::atomic<int> sent{0};
    std::thread caller([&] {
        DBusUtil util;
        util.SendProcInclude();
        util.SendProcExclude();
        sent = 2;
    });
    const gint64 until = g_get_monotonic_time() + 60 * G_USEC_PER_SEC; // a hang, not a slow machine
    while (sent < 2 && g_get_monotonic_time() < until)
        g_usleep(10 * 1000);
    EXPECT_EQ(sent, 2) << "a request waited for the bus to answer";
    if (sent == 2)
        caller.join();
    else
        caller.detach(); // stuck for good: the process ends with it
    close(listener);
    g_unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}
