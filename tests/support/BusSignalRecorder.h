#ifndef PELORN_TESTS_BUS_SIGNAL_RECORDER_H
#define PELORN_TESTS_BUS_SIGNAL_RECORDER_H

#include <gio/gio.h>
#include <string>
#include <vector>

namespace PelornTest
{
/* A second client of a bus that records every signal of one interface and
 * member, as the service it is meant for would see it: each body printed
 * with g_variant_print (e.g. "('include', 1234)"); from one object path
 * only, when path is given. Recording starts before
 * the constructor returns. Signals arrive while the GLib default context
 * runs. */
class BusSignalRecorder
{
public:
    BusSignalRecorder(const std::string& address, const std::string& interface, const std::string& member,
                      const std::string& path = "");
    ~BusSignalRecorder();
    BusSignalRecorder(const BusSignalRecorder&) = delete;
    BusSignalRecorder& operator=(const BusSignalRecorder&) = delete;

    bool Ready() const { return mConnection != nullptr; }
    const std::vector<std::string>& Bodies() const { return mBodies; }

private:
    static void SignalCb(GDBusConnection* connection, const gchar* sender, const gchar* path,
                         const gchar* interface, const gchar* member, GVariant* parameters, gpointer data);

    GDBusConnection* mConnection = nullptr;
    guint mSubscription = 0;
    std::vector<std::string> mBodies;
};
} // namespace PelornTest

#endif
