#include "idle_inhibitor.h"

#include "desktop_bus.h"
#include "dlog.h"
#include "pelorn_paths.h"

#include <gio/gunixfdlist.h>
#include <unistd.h>

#define INHIBIT_LOG_TAG "power"

namespace
{
const char* const SCREENSAVER_NAME = "org.freedesktop.ScreenSaver";
const char* const SCREENSAVER_PATH = "/org/freedesktop/ScreenSaver";
const char* const SCREENSAVER_INTERFACE = "org.freedesktop.ScreenSaver";
const char* const LOGIND_NAME = "org.freedesktop.login1";
const char* const LOGIND_PATH = "/org/freedesktop/login1";
const char* const LOGIND_INTERFACE = "org.freedesktop.login1.Manager";
const char* const REASON = "ringing the phone";
const int CALL_TIMEOUT_MS = 5000;

struct IdleInhibitor
{
    bool wanted = false;
    bool pending = false;                 // an Inhibit call is on its way
    guint32 cookie = 0;                   // the screensaver's, 0 when none
    GDBusConnection* cookieBus = nullptr; // where the cookie is valid
    int logindFd = -1;                    // logind's lock lives as long as this descriptor
    // Said once per bus: a bus daemon that came back (restarted, or there at
    // last) is a new try worth its line, the same one asked again is not.
    bool failureLogged = false;
    GDBusConnection* failureBus = nullptr; // held, so a new bus is never taken for it
};

IdleInhibitor gInhibitor;

bool Held()
{
    return gInhibitor.cookie != 0 || gInhibitor.logindFd >= 0;
}

void GiveBack()
{
    if (gInhibitor.cookie != 0)
    {
        g_dbus_connection_call(gInhibitor.cookieBus, SCREENSAVER_NAME, SCREENSAVER_PATH,
                               SCREENSAVER_INTERFACE, "UnInhibit", g_variant_new("(u)", gInhibitor.cookie),
                               nullptr, G_DBUS_CALL_FLAGS_NO_AUTO_START, CALL_TIMEOUT_MS, nullptr, nullptr,
                               nullptr);
        dlog_print(DLOG_INFO, INHIBIT_LOG_TAG, "screensaver inhibition %u released", gInhibitor.cookie);
        g_object_unref(gInhibitor.cookieBus);
        gInhibitor.cookieBus = nullptr;
        gInhibitor.cookie = 0;
    }
    if (gInhibitor.logindFd >= 0)
    {
        close(gInhibitor.logindFd);
        gInhibitor.logindFd = -1;
        dlog_print(DLOG_INFO, INHIBIT_LOG_TAG, "logind idle inhibitor released");
    }
}

void NothingToInhibitWith(const char* why, GDBusConnection* bus)
{
    if (gInhibitor.failureLogged && gInhibitor.failureBus == bus)
        return;
    dlog_print(DLOG_WARN, INHIBIT_LOG_TAG, "nothing keeps the screen on: %s", why);
    gInhibitor.failureLogged = true;
    if (gInhibitor.failureBus)
        g_object_unref(gInhibitor.failureBus);
    gInhibitor.failureBus = bus ? G_DBUS_CONNECTION(g_object_ref(bus)) : nullptr;
}

void LogindInhibitedCb(GObject* source, GAsyncResult* result, gpointer data)
{
    GUnixFDList* fds = nullptr;
    GError* error = nullptr;
    GVariant* reply =
        g_dbus_connection_call_with_unix_fd_list_finish(G_DBUS_CONNECTION(source), &fds, result, &error);
    gInhibitor.pending = false;
    int fd = -1;
    if (reply)
    {
        gint32 index = -1;
        g_variant_get(reply, "(h)", &index);
        fd = fds ? g_unix_fd_list_get(fds, index, &error) : -1;
        g_variant_unref(reply);
    }
    if (fds)
        g_object_unref(fds);
    if (fd < 0)
    {
        NothingToInhibitWith(error ? error->message : "logind answered no descriptor",
                             G_DBUS_CONNECTION(source));
        g_clear_error(&error);
        return;
    }
    gInhibitor.logindFd = fd;
    gInhibitor.failureLogged = false;
    dlog_print(DLOG_INFO, INHIBIT_LOG_TAG, "logind idle inhibitor taken");
    if (!gInhibitor.wanted)
        GiveBack();
}

void TakeThroughLogind()
{
    GDBusConnection* system = pelorn_desktop_bus(G_BUS_TYPE_SYSTEM);
    if (!system)
    {
        NothingToInhibitWith("no screensaver and no system bus", nullptr);
        return;
    }
    gInhibitor.pending = true;
    g_dbus_connection_call_with_unix_fd_list(
        system, LOGIND_NAME, LOGIND_PATH, LOGIND_INTERFACE, "Inhibit",
        g_variant_new("(ssss)", "idle", pelorn_app_id(), REASON, "block"), G_VARIANT_TYPE("(h)"),
        G_DBUS_CALL_FLAGS_NO_AUTO_START, CALL_TIMEOUT_MS, nullptr, nullptr, LogindInhibitedCb, nullptr);
}

void ScreenSaverInhibitedCb(GObject* source, GAsyncResult* result, gpointer data)
{
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    gInhibitor.pending = false;
    if (!reply)
    {
        // No screensaver on this session (or it refused): logind's idle lock is the other way.
        dlog_print(DLOG_INFO, INHIBIT_LOG_TAG, "screensaver: %s", error->message);
        g_error_free(error);
        if (gInhibitor.wanted)
            TakeThroughLogind();
        return;
    }
    g_variant_get(reply, "(u)", &gInhibitor.cookie);
    g_variant_unref(reply);
    gInhibitor.cookieBus = G_DBUS_CONNECTION(g_object_ref(source));
    gInhibitor.failureLogged = false;
    dlog_print(DLOG_INFO, INHIBIT_LOG_TAG, "screensaver inhibited (cookie %u)", gInhibitor.cookie);
    if (!gInhibitor.wanted)
        GiveBack();
}
} // namespace

void pelorn_idle_inhibit_take(void)
{
    gInhibitor.wanted = true;
    if (gInhibitor.pending || Held())
        return;
    GDBusConnection* session = pelorn_desktop_bus(G_BUS_TYPE_SESSION);
    if (!session)
    {
        TakeThroughLogind();
        return;
    }
    gInhibitor.pending = true;
    g_dbus_connection_call(session, SCREENSAVER_NAME, SCREENSAVER_PATH, SCREENSAVER_INTERFACE, "Inhibit",
                           g_variant_new("(ss)", pelorn_app_id(), REASON), G_VARIANT_TYPE("(u)"),
                           G_DBUS_CALL_FLAGS_NO_AUTO_START, CALL_TIMEOUT_MS, nullptr, ScreenSaverInhibitedCb,
                           nullptr);
}

void pelorn_idle_inhibit_release(void)
{
    gInhibitor.wanted = false;
    GiveBack();
}
