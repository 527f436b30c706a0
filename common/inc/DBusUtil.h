#ifndef ORZ_COMMON_DBUS_UTIL_H
#define ORZ_COMMON_DBUS_UTIL_H

#include <gio/gio.h>
#include <string>

namespace NSORZCommon
{
/* Asks the platform's resource daemon, through a signal on the system bus, to
 * leave this process out of its process management ("exclude") or to take it
 * back ("include"). The same request is never signalled twice in a row.
 * A machine without a system bus sends nothing and says so once.
 *
 * The bus is connected to without waiting: requests made before it answers
 * are kept, in order, and signalled once it does, so a bus that is slow or
 * never answers holds up nothing. Every instance shares the one connection
 * and what was asked last, since the daemon knows one state per process. */
class DBusUtil
{
public:
    DBusUtil();
    virtual ~DBusUtil();

    /* 1 when the signal went out or waits for the bus, 0 when it was not sent. */
    virtual int SendMessageToDBus(const std::string& messageToSend);
    virtual int SendProcInclude();
    virtual int SendProcExclude();

private:
    DBusUtil(const DBusUtil&) = delete;
    DBusUtil& operator=(const DBusUtil&) = delete;

    static void OnBusReady(GObject* source, GAsyncResult* result, gpointer data);
    static void ReportMissingBus(const char* why);
    static bool Signal(GDBusConnection* connection, const std::string& message);

    // Shared by every instance: the daemon knows one state per process.
    static std::string mPrevMessage;
    // A missing bus is reported once until a send finds one again.
    static bool mMissingBusLogged;
};
} // namespace NSORZCommon

#endif
