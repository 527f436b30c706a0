#include "DBusUtil.h"

#include "OrzLog.h"

#include <unistd.h>

namespace
{
const char* const RESOURCED_PROCESS_PATH = "/Org/Tizen/ResourceD/Process";
const char* const RESOURCED_PROCESS_INTERFACE = "org.tizen.resourced.process";
const char* const RESOURCED_PROCESS_SIGNAL = "ProcExclude";
const char* const PROC_INCLUDE = "include";
const char* const PROC_EXCLUDE = "exclude";
} // namespace

namespace NSORZCommon
{
std::string DBusUtil::mPrevMessage;
bool DBusUtil::mMissingBusLogged = false;

DBusUtil::DBusUtil() : mConnection(NULL), mPid(getpid())
{
}

DBusUtil::~DBusUtil()
{
    if (mConnection)
        g_object_unref(mConnection);
}

int DBusUtil::SendMessageToDBus(const std::string& messageToSend)
{
    RETV_IF(!mPrevMessage.empty() && mPrevMessage.compare(messageToSend) == 0, 0);
    if (!mPrevMessage.empty())
        LOGE("process state %s -> %s", mPrevMessage.c_str(), messageToSend.c_str());

    // A bus that went away (daemon restart) leaves a closed connection behind.
    if (mConnection && g_dbus_connection_is_closed(mConnection))
    {
        g_object_unref(mConnection);
        mConnection = NULL;
    }
    if (!mConnection)
    {
        GError* err = NULL;
        mConnection = g_bus_get_sync(G_BUS_TYPE_SYSTEM, NULL, &err);
        if (err)
        {
            // A machine without a system bus would otherwise log on every ring.
            if (!mMissingBusLogged)
            {
                LOGE("g_bus_get_sync: %s", err->message);
                LOGE("[%s(): %d] (err) [return]", __func__, __LINE__);
                mMissingBusLogged = true;
            }
            g_error_free(err);
            if (mConnection)
                g_object_unref(mConnection);
            mConnection = NULL;
            return 0;
        }
        mMissingBusLogged = false;
        // The shared bus connection would end the process when the bus goes away.
        g_dbus_connection_set_exit_on_close(mConnection, FALSE);
    }

    GDBusMessage* msgSignal =
        g_dbus_message_new_signal(RESOURCED_PROCESS_PATH, RESOURCED_PROCESS_INTERFACE, RESOURCED_PROCESS_SIGNAL);
    RETV_IF(!msgSignal, 0);
    g_dbus_message_set_body(msgSignal, g_variant_new("(si)", messageToSend.c_str(), (gint32)mPid));

    GError* sendError = NULL;
    if (!g_dbus_connection_send_message(mConnection, msgSignal, G_DBUS_SEND_MESSAGE_FLAGS_NONE, NULL, &sendError))
    {
        if (sendError)
        {
            LOGE("ERR send DBus Message [%d][%s]", sendError->code, sendError->message);
            g_error_free(sendError);
        }
        else
        {
            LOGE("ERR send DBus Message");
        }
    }
    else
    {
        mPrevMessage = messageToSend;
    }
    g_dbus_connection_flush_sync(mConnection, NULL, NULL);
    g_object_unref(msgSignal);
    return 1;
}

int DBusUtil::SendProcInclude()
{
    return SendMessageToDBus(PROC_INCLUDE);
}

int DBusUtil::SendProcExclude()
{
    return SendMessageToDBus(PROC_EXCLUDE);
}
} // namespace NSORZCommon
