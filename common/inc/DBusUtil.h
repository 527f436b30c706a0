#ifndef ORZ_COMMON_DBUS_UTIL_H
#define ORZ_COMMON_DBUS_UTIL_H

#include <gio/gio.h>
#include <string>
#include <sys/types.h>

namespace NSORZCommon
{
/* Asks the platform's resource daemon, through a signal on the system bus, to
 * leave this process out of its process management ("exclude") or to take it
 * back ("include"). The same request is never signalled twice in a row.
 * A machine without a system bus sends nothing and says so once. */
class DBusUtil
{
public:
    DBusUtil();
    virtual ~DBusUtil();

    /* 1 when the signal went out, 0 when it was not sent. */
    virtual int SendMessageToDBus(const std::string& messageToSend);
    virtual int SendProcInclude();
    virtual int SendProcExclude();

private:
    DBusUtil(const DBusUtil&) = delete;
    DBusUtil& operator=(const DBusUtil&) = delete;

    GDBusConnection* mConnection;
    pid_t mPid;
    // Shared by every instance: the daemon knows one state per process.
    static std::string mPrevMessage;
    // A missing bus is reported once until a send finds one again.
    static bool mMissingBusLogged;
};
} // namespace NSORZCommon

#endif
