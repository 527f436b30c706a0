#include "BusSignalRecorder.h"

namespace PelornTest
{
void BusSignalRecorder::SignalCb(GDBusConnection* connection, const gchar* sender, const gchar* path,
                                 const gchar* interface, const gchar* member, GVariant* parameters,
                                 gpointer data)
{
    gchar* text = g_variant_print(parameters, FALSE);
    static_cast<BusSignalRecorder*>(data)->mBodies.push_back(text);
    g_free(text);
}

BusSignalRecorder::BusSignalRecorder(const std::string& address, const std::string& interface,
                                     const std::string& member, const std::string& path)
{
    mConnection = g_dbus_connection_new_for_address_sync(
        address.c_str(),
        (GDBusConnectionFlags)(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                               G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    if (!mConnection)
        return;
    mSubscription =
        g_dbus_connection_signal_subscribe(mConnection, nullptr, interface.c_str(), member.c_str(),
                                           path.empty() ? nullptr : path.c_str(),
                                           nullptr, G_DBUS_SIGNAL_FLAGS_NONE, SignalCb, this, nullptr);
    // The match rule travels before this call, so the bus applies it first.
    GVariant* reply = g_dbus_connection_call_sync(
        mConnection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetId",
        nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
    if (reply)
        g_variant_unref(reply);
}

BusSignalRecorder::~BusSignalRecorder()
{
    if (!mConnection)
        return;
    g_dbus_connection_signal_unsubscribe(mConnection, mSubscription);
    g_dbus_connection_close_sync(mConnection, nullptr, nullptr);
    g_object_unref(mConnection);
}
} // namespace PelornTest
