#include "DBusMock.h"

#include "TestEnvironment.h"

#include <stdlib.h>
#include <sys/wait.h>

namespace PelornTest
{
namespace
{
/* The distribution's interpreter: the one dbusmock was installed for. */
std::string Python()
{
    return g_file_test("/usr/bin/python3", G_FILE_TEST_IS_EXECUTABLE) ? "/usr/bin/python3" : "python3";
}
} // namespace

DBusMock::DBusMock(const std::string& address, const std::string& name, const std::vector<std::string>& args)
    : mName(name)
{
    std::vector<std::string> all{Python(), "-m", "dbusmock"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv = PelornTest::ArgvOf(all);
    const bool verbose = getenv("PELORN_TEST_VERBOSE") && atoi(getenv("PELORN_TEST_VERBOSE")) > 0;
    GPid pid = 0;
    GError* error = nullptr;
    if (!g_spawn_async(nullptr, argv.data(), nullptr,
                       (GSpawnFlags)(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD |
                                     (verbose ? 0 : G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL)),
                       nullptr, nullptr, &pid, &error))
    {
        mLastError = error->message;
        g_error_free(error);
        return;
    }
    mPid = pid;
    mConnection = g_dbus_connection_new_for_address_sync(
        address.c_str(),
        (GDBusConnectionFlags)(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                               G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    if (!mConnection)
    {
        mLastError = error->message;
        g_error_free(error);
        return;
    }
    // The interpreter takes a while to start, more so on a loaded machine.
    const gint64 deadline = g_get_monotonic_time() + 60 * G_USEC_PER_SEC;
    while (!mReady && g_get_monotonic_time() < deadline && waitpid(mPid, nullptr, WNOHANG) == 0)
    {
        GVariant* reply = Call("/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
                               g_variant_new("(s)", mName.c_str()));
        if (reply)
        {
            gboolean owned = FALSE;
            g_variant_get(reply, "(b)", &owned);
            g_variant_unref(reply);
            mReady = owned;
        }
        if (!mReady)
            g_usleep(20000);
    }
}

DBusMock::~DBusMock()
{
    if (mConnection)
    {
        g_dbus_connection_close_sync(mConnection, nullptr, nullptr);
        g_object_unref(mConnection);
    }
    if (mPid > 0)
        EndChild(mPid, 3000);
}

GVariant* DBusMock::Call(const std::string& path, const std::string& interface, const std::string& method,
                         GVariant* args)
{
    if (!mConnection)
    {
        if (args)
            g_variant_unref(g_variant_ref_sink(args));
        return nullptr;
    }
    const bool busItself = interface == "org.freedesktop.DBus";
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(
        mConnection, busItself ? "org.freedesktop.DBus" : mName.c_str(), path.c_str(), interface.c_str(),
        method.c_str(), args, nullptr, G_DBUS_CALL_FLAGS_NO_AUTO_START, 5000, nullptr, &error);
    if (!reply)
    {
        mLastError = error->message;
        g_error_free(error);
    }
    return reply;
}

bool DBusMock::Tell(const std::string& path, const std::string& method, GVariant* args)
{
    GVariant* reply = Call(path, "org.freedesktop.DBus.Mock", method, args);
    if (reply)
        g_variant_unref(reply);
    return reply != nullptr;
}

std::string DBusMock::GeoClueTemplate()
{
    return std::string(PELORN_TEST_SOURCE_DIR) + "/tools/geoclue-sim/geoclue2_template.py";
}

std::vector<GVariant*> DBusMock::CallsOf(const std::string& path, const std::string& method)
{
    std::vector<GVariant*> calls;
    GVariant* reply =
        Call(path, "org.freedesktop.DBus.Mock", "GetMethodCalls", g_variant_new("(s)", method.c_str()));
    if (!reply)
        return calls;
    // a(tav): time stamp, then the arguments.
    GVariant* list = g_variant_get_child_value(reply, 0);
    for (gsize i = 0; i < g_variant_n_children(list); ++i)
    {
        GVariant* call = g_variant_get_child_value(list, i);
        calls.push_back(g_variant_get_child_value(call, 1));
        g_variant_unref(call);
    }
    g_variant_unref(list);
    g_variant_unref(reply);
    return calls;
}
} // namespace PelornTest
