#ifndef PELORN_TESTS_DBUS_MOCK_H
#define PELORN_TESTS_DBUS_MOCK_H

#include <gio/gio.h>
#include <string>
#include <sys/types.h>
#include <vector>

namespace PelornTest
{
/* A desktop service played by python3-dbusmock on a private bus (see
 * PrivateBus): `python3 -m dbusmock ARGS...`, e.g. {"--template", "upower"}
 * or {"--session", NAME, PATH, INTERFACE}. Ready once `name` is owned on the
 * bus at `address` (10 s at most). Call() talks to it over a connection of
 * the test's own, with a 5 s limit. Stopped on destruction. */
class DBusMock
{
public:
    DBusMock(const std::string& address, const std::string& name, const std::vector<std::string>& args);
    ~DBusMock();
    DBusMock(const DBusMock&) = delete;
    DBusMock& operator=(const DBusMock&) = delete;

    bool Ready() const { return mReady; }
    /* The reply (to unref), or NULL with the error in LastError(). args may be
     * a floating reference. */
    GVariant* Call(const std::string& path, const std::string& interface, const std::string& method,
                   GVariant* args);
    /* A call on the mock's own control interface (org.freedesktop.DBus.Mock),
     * the reply dropped: whether it was answered. */
    bool Tell(const std::string& path, const std::string& method, GVariant* args);
    /* The path of our GeoClue2 template, for {"--template", GeoClueTemplate()}. */
    static std::string GeoClueTemplate();
    /* Method calls the mock object at path received so far, by name. */
    std::vector<GVariant*> CallsOf(const std::string& path, const std::string& method);
    const std::string& LastError() const { return mLastError; }

private:
    GDBusConnection* mConnection = nullptr;
    std::string mName;
    std::string mLastError;
    pid_t mPid = -1;
    bool mReady = false;
};
} // namespace PelornTest

#endif
