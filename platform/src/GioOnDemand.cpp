// The finding screen needs GIO only to watch a few settings files, yet
// linking GIO (with GObject and GModule) put three libraries into the
// process-wide symbol scope that every later library load and first call
// searches, about three times what opening them privately costs. These
// definitions of the GIO and GObject calls the program makes open GIO on the
// first one; GObject comes with it. Without the library, creating calls
// return nothing and the rest do nothing, which the callers already treat as
// a watch, bus or network monitor that could not be had.
#include <gio/gio.h>
#include <gio/gunixfdlist.h>

#include "pelorn_on_demand.h"

// GLib wraps this one in a type-preserving macro; the definition below is the function itself.
#undef g_object_ref

namespace
{
PelornOnDemandLibrary gGio{"libgio-2.0.so.0", "pelorn-c"};
} // namespace

#define PELORN_GIO_FORWARD(...) PELORN_ON_DEMAND_FORWARD(gGio, __VA_ARGS__)
#define PELORN_GIO_FORWARD_VOID(...) PELORN_ON_DEMAND_FORWARD_VOID(gGio, __VA_ARGS__)

/* ---- GObject (reached through GIO's own dependency on it) ---- */
PELORN_GIO_FORWARD(gpointer, g_object_ref, (gpointer object), (object), object)
PELORN_GIO_FORWARD_VOID(g_object_unref, (gpointer object), (object))
PELORN_GIO_FORWARD(gulong, g_signal_connect_data,
                   (gpointer instance, const gchar* signal, GCallback handler, gpointer data, GClosureNotify destroy,
                    GConnectFlags flags),
                   (instance, signal, handler, data, destroy, flags), 0)
PELORN_GIO_FORWARD_VOID(g_signal_handler_disconnect, (gpointer instance, gulong id), (instance, id))
PELORN_GIO_FORWARD(guint, g_signal_handlers_disconnect_matched,
                   (gpointer instance, GSignalMatchType mask, guint signal, GQuark detail, GClosure* closure,
                    gpointer func, gpointer data),
                   (instance, mask, signal, detail, closure, func, data), 0)
PELORN_GIO_FORWARD(GTypeInstance*, g_type_check_instance_cast, (GTypeInstance * instance, GType type),
                   (instance, type), instance)

/* ---- files ---- */
PELORN_GIO_FORWARD(GFile*, g_file_new_for_path, (const char* path), (path), nullptr)
PELORN_GIO_FORWARD(GFileMonitor*, g_file_monitor_file,
                   (GFile * file, GFileMonitorFlags flags, GCancellable* cancellable, GError** error),
                   (file, flags, cancellable, error), nullptr)
PELORN_GIO_FORWARD(gboolean, g_file_monitor_cancel, (GFileMonitor * monitor), (monitor), FALSE)

/* ---- network state ---- */
PELORN_GIO_FORWARD(GType, g_network_monitor_get_type, (void), (), G_TYPE_INVALID)
PELORN_GIO_FORWARD(GNetworkMonitor*, g_network_monitor_get_default, (void), (), nullptr)
PELORN_GIO_FORWARD(gboolean, g_network_monitor_get_network_available, (GNetworkMonitor * monitor), (monitor),
                   FALSE)

/* ---- D-Bus ---- */
PELORN_GIO_FORWARD(GType, g_dbus_connection_get_type, (void), (), G_TYPE_INVALID)
PELORN_GIO_FORWARD(GDBusConnection*, g_bus_get_sync,
                   (GBusType type, GCancellable* cancellable, GError** error), (type, cancellable, error),
                   nullptr)
PELORN_GIO_FORWARD(gchar*, g_dbus_address_get_for_bus_sync,
                   (GBusType type, GCancellable* cancellable, GError** error), (type, cancellable, error), nullptr)
PELORN_GIO_FORWARD(GDBusConnection*, g_dbus_connection_new_for_address_sync,
                   (const gchar* address, GDBusConnectionFlags flags, GDBusAuthObserver* observer,
                    GCancellable* cancellable, GError** error),
                   (address, flags, observer, cancellable, error), nullptr)
PELORN_GIO_FORWARD_VOID(g_dbus_connection_new_for_address,
                        (const gchar* address, GDBusConnectionFlags flags, GDBusAuthObserver* observer,
                         GCancellable* cancellable, GAsyncReadyCallback callback, gpointer data),
                        (address, flags, observer, cancellable, callback, data))
PELORN_GIO_FORWARD(GDBusConnection*, g_dbus_connection_new_for_address_finish,
                   (GAsyncResult * result, GError** error), (result, error), nullptr)
PELORN_GIO_FORWARD(gboolean, g_dbus_connection_is_closed, (GDBusConnection * connection), (connection), TRUE)
PELORN_GIO_FORWARD_VOID(g_dbus_connection_set_exit_on_close, (GDBusConnection * connection, gboolean exit),
                        (connection, exit))
PELORN_GIO_FORWARD(gboolean, g_dbus_connection_flush_sync,
                   (GDBusConnection * connection, GCancellable* cancellable, GError** error),
                   (connection, cancellable, error), FALSE)
PELORN_GIO_FORWARD(gboolean, g_dbus_connection_send_message,
                   (GDBusConnection * connection, GDBusMessage* message, GDBusSendMessageFlags flags,
                    volatile guint32* serial, GError** error),
                   (connection, message, flags, serial, error), FALSE)
PELORN_GIO_FORWARD_VOID(g_dbus_connection_call,
                        (GDBusConnection * connection, const gchar* name, const gchar* path, const gchar* interface,
                         const gchar* method, GVariant* parameters, const GVariantType* replyType,
                         GDBusCallFlags flags, gint timeoutMs, GCancellable* cancellable,
                         GAsyncReadyCallback callback, gpointer data),
                        (connection, name, path, interface, method, parameters, replyType, flags, timeoutMs,
                         cancellable, callback, data))
PELORN_GIO_FORWARD(GVariant*, g_dbus_connection_call_finish,
                   (GDBusConnection * connection, GAsyncResult* result, GError** error), (connection, result, error),
                   nullptr)
PELORN_GIO_FORWARD_VOID(g_dbus_connection_call_with_unix_fd_list,
                        (GDBusConnection * connection, const gchar* name, const gchar* path, const gchar* interface,
                         const gchar* method, GVariant* parameters, const GVariantType* replyType,
                         GDBusCallFlags flags, gint timeoutMs, GUnixFDList* fds, GCancellable* cancellable,
                         GAsyncReadyCallback callback, gpointer data),
                        (connection, name, path, interface, method, parameters, replyType, flags, timeoutMs, fds,
                         cancellable, callback, data))
PELORN_GIO_FORWARD(GVariant*, g_dbus_connection_call_with_unix_fd_list_finish,
                   (GDBusConnection * connection, GUnixFDList** fds, GAsyncResult* result, GError** error),
                   (connection, fds, result, error), nullptr)
PELORN_GIO_FORWARD(guint, g_dbus_connection_signal_subscribe,
                   (GDBusConnection * connection, const gchar* sender, const gchar* interface, const gchar* member,
                    const gchar* path, const gchar* arg0, GDBusSignalFlags flags, GDBusSignalCallback callback,
                    gpointer data, GDestroyNotify destroy),
                   (connection, sender, interface, member, path, arg0, flags, callback, data, destroy), 0)
PELORN_GIO_FORWARD_VOID(g_dbus_connection_signal_unsubscribe, (GDBusConnection * connection, guint id),
                        (connection, id))
PELORN_GIO_FORWARD(GDBusMessage*, g_dbus_message_new_signal,
                   (const gchar* path, const gchar* interface, const gchar* signal), (path, interface, signal),
                   nullptr)
PELORN_GIO_FORWARD_VOID(g_dbus_message_set_body, (GDBusMessage * message, GVariant* body), (message, body))
PELORN_GIO_FORWARD(gint, g_unix_fd_list_get, (GUnixFDList * list, gint index, GError** error),
                   (list, index, error), -1)

// The error domain is a plain quark: without the library it is still the same one.
extern "C" GQuark g_io_error_quark(void)
{
    static const auto fn = pelorn_on_demand<GQuark (*)(void)>(gGio, "g_io_error_quark");
    return fn ? fn() : g_quark_from_static_string("g-io-error-quark");
}
