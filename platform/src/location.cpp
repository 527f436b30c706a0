#include "pelorn_location.h"

#include "async_bus_call.h"
#include "desktop_bus.h"
#include "dlog.h"
#include "pelorn_clock.h"

#include <cmath>
#include <string>

namespace
{
const char* const LOCATION_LOG_TAG = "location";
const char* const GEOCLUE = "org.freedesktop.GeoClue2";
const char* const MANAGER_PATH = "/org/freedesktop/GeoClue2/Manager";
const char* const MANAGER_IFACE = "org.freedesktop.GeoClue2.Manager";
const char* const CLIENT_IFACE = "org.freedesktop.GeoClue2.Client";
const char* const LOCATION_IFACE = "org.freedesktop.GeoClue2.Location";
const char* const PROPERTIES_IFACE = "org.freedesktop.DBus.Properties";
// GeoClue's own scale: 8 is "exact" (GPS where there is one); the finder
// needs metres, not a street.
const guint32 ACCURACY_EXACT = 8;
// A location service that says more than a few hundred km is no fix for walking.
const double MAX_ACCURACY_M = 1e6;

enum Step
{
    NO_BUS,
    GET_CLIENT,
    SET_DESKTOP_ID,
    SET_ACCURACY,
    START,
    READ_LOCATION,
    STOP,
};

// "No position" is said once per process, however often the service is asked.
bool gUnavailableSaid = false;
} // namespace

struct pelorn_location_s
{
    pelorn_location_s(const char* desktopId, pelorn_location_fix_cb callback, void* userData)
        : mDesktopId(desktopId ? desktopId : ""), mCallback(callback), mUserData(userData)
    {
    }
    ~pelorn_location_s()
    {
        if (mBus)
            g_object_unref(mBus);
    }

    void Start();
    void Stop();
    void OnReply(int step, GVariant* reply, GError* error);

    static void SubscriptionGoneCb(gpointer data)
    {
        pelorn_location_s* self = static_cast<pelorn_location_s*>(data);
        self->mPending--;
        PelornBus::Reap(self);
    }
    static void LocationUpdatedCb(GDBusConnection* connection, const gchar* sender, const gchar* path,
                                  const gchar* interface, const gchar* signal, GVariant* params,
                                  gpointer data);

    int mPending = 0;
    bool mDead = false;
    unsigned mGeneration = 0;

private:
    void Unavailable(const char* why);
    void TakeLocation(GVariant* properties);
    void Ask(const char* path, const char* interface, const char* method, GVariant* params,
             const char* replyType, Step step)
    {
        PelornBus::Invoke(this, mBus, GEOCLUE, path, interface, method, params,
                          replyType ? G_VARIANT_TYPE(replyType) : nullptr, step);
    }
    void SetClientProperty(const char* name, GVariant* value, Step step)
    {
        Ask(mClientPath.c_str(), PROPERTIES_IFACE, "Set", g_variant_new("(ssv)", CLIENT_IFACE, name, value),
            nullptr, step);
    }

    std::string mDesktopId;
    pelorn_location_fix_cb mCallback;
    void* mUserData;

public:
    pelorn_location_state_e mState = PELORN_LOCATION_STOPPED;
    bool mHasFix = false;
    pelorn_location_fix_s mFix = {};

private:
    GDBusConnection* mBus = nullptr;
    std::string mClientPath;
    guint mSignal = 0;
};

void pelorn_location_s::Start()
{
    if (mState == PELORN_LOCATION_STARTING || mState == PELORN_LOCATION_RUNNING)
        return;
    mState = PELORN_LOCATION_STARTING;
    GDBusConnection* bus = pelorn_desktop_bus(G_BUS_TYPE_SYSTEM);
    if (!bus)
    {
        PelornBus::Later(this, NO_BUS);
        return;
    }
    if (bus != mBus)
    {
        if (mBus)
            g_object_unref(mBus);
        mBus = static_cast<GDBusConnection*>(g_object_ref(bus));
        mClientPath.clear();
    }
    Ask(MANAGER_PATH, MANAGER_IFACE, "GetClient", nullptr, "(o)", GET_CLIENT);
}

void pelorn_location_s::Stop()
{
    if (mState == PELORN_LOCATION_STOPPED)
        return;
    const bool asked = mState == PELORN_LOCATION_STARTING || mState == PELORN_LOCATION_RUNNING;
    mState = PELORN_LOCATION_STOPPED;
    mGeneration++;
    if (mSignal && mBus)
        g_dbus_connection_signal_unsubscribe(mBus, mSignal);
    mSignal = 0;
    // A Start still on its way reaches the service first: the bus keeps a
    // connection's order.
    if (asked && mBus && !mClientPath.empty())
        Ask(mClientPath.c_str(), CLIENT_IFACE, "Stop", nullptr, nullptr, STOP);
}

void pelorn_location_s::Unavailable(const char* why)
{
    mState = PELORN_LOCATION_UNAVAILABLE;
    mGeneration++;
    if (mSignal && mBus)
        g_dbus_connection_signal_unsubscribe(mBus, mSignal);
    mSignal = 0;
    if (!gUnavailableSaid)
        dlog_print(DLOG_ERROR, LOCATION_LOG_TAG, "no position: the location service cannot be asked (%s)", why);
    gUnavailableSaid = true;
    if (mCallback)
        mCallback(nullptr, mUserData);
}

void pelorn_location_s::OnReply(int step, GVariant* reply, GError* error)
{
    if (step == STOP || step == READ_LOCATION)
    {
        if (step == READ_LOCATION && reply)
            TakeLocation(reply);
        else if (step == READ_LOCATION)
            dlog_print(DLOG_ERROR, LOCATION_LOG_TAG, "a fix could not be read: %s",
                       error ? error->message : "no reply");
        return;
    }
    if (step == NO_BUS || !reply)
    {
        Unavailable(error ? error->message : "no system bus");
        return;
    }
    switch (step)
    {
    case GET_CLIENT:
    {
        const gchar* path = nullptr;
        g_variant_get(reply, "(&o)", &path);
        mClientPath = path;
        mSignal = g_dbus_connection_signal_subscribe(mBus, GEOCLUE, CLIENT_IFACE, "LocationUpdated",
                                                     mClientPath.c_str(), nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
                                                     LocationUpdatedCb, this, SubscriptionGoneCb);
        if (mSignal)
            mPending++; // the bus may still hold a signal for us until it says it let go

        SetClientProperty("DesktopId", g_variant_new_string(mDesktopId.c_str()), SET_DESKTOP_ID);
        break;
    }
    case SET_DESKTOP_ID:
        SetClientProperty("RequestedAccuracyLevel", g_variant_new_uint32(ACCURACY_EXACT), SET_ACCURACY);
        break;
    case SET_ACCURACY:
        Ask(mClientPath.c_str(), CLIENT_IFACE, "Start", nullptr, nullptr, START);
        break;
    case START:
        mState = PELORN_LOCATION_RUNNING;
        break;
    default:
        break;
    }
}

void pelorn_location_s::LocationUpdatedCb(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                          const gchar*, GVariant* params, gpointer data)
{
    pelorn_location_s* self = static_cast<pelorn_location_s*>(data);
    if (!self || self->mDead || self->mState == PELORN_LOCATION_STOPPED ||
        self->mState == PELORN_LOCATION_UNAVAILABLE || !g_variant_is_of_type(params, G_VARIANT_TYPE("(oo)")))
        return;
    const gchar* previous = nullptr;
    const gchar* current = nullptr;
    g_variant_get(params, "(&o&o)", &previous, &current);
    if (g_strcmp0(current, "/") == 0 || !self->mBus)
        return;
    self->Ask(current, PROPERTIES_IFACE, "GetAll", g_variant_new("(s)", LOCATION_IFACE), "(a{sv})",
              READ_LOCATION);
}

void pelorn_location_s::TakeLocation(GVariant* reply)
{
    GVariant* properties = g_variant_get_child_value(reply, 0);
    pelorn_location_fix_s fix = {NAN, NAN, NAN, 0};
    g_variant_lookup(properties, "Latitude", "d", &fix.latitude);
    g_variant_lookup(properties, "Longitude", "d", &fix.longitude);
    g_variant_lookup(properties, "Accuracy", "d", &fix.accuracy_m);
    guint64 seconds = 0, micros = 0;
    if (g_variant_lookup(properties, "Timestamp", "(tt)", &seconds, &micros) && seconds > 0 &&
        seconds < G_MAXINT64 / 2000)
        fix.time_ms = (int64_t)seconds * 1000 + (int64_t)(micros / 1000 % 1000);
    else
        fix.time_ms = pelorn_clock_wall_ms();
    g_variant_unref(properties);
    if (!std::isfinite(fix.latitude) || !std::isfinite(fix.longitude) || std::fabs(fix.latitude) > 90 ||
        std::fabs(fix.longitude) > 180 || !std::isfinite(fix.accuracy_m) || fix.accuracy_m < 0 ||
        fix.accuracy_m > MAX_ACCURACY_M)
    {
        dlog_print(DLOG_ERROR, LOCATION_LOG_TAG, "a fix that is no place on Earth was ignored");
        return;
    }
    mFix = fix;
    mHasFix = true;
    if (mCallback)
        mCallback(&mFix, mUserData);
}

pelorn_location_h pelorn_location_create(const char* desktop_id, pelorn_location_fix_cb callback,
                                         void* user_data)
{
    return new pelorn_location_s(desktop_id, callback, user_data);
}

void pelorn_location_destroy(pelorn_location_h location)
{
    PelornBus::Destroy(location);
}

int pelorn_location_start(pelorn_location_h location)
{
    return PelornBus::Start(location);
}

int pelorn_location_stop(pelorn_location_h location)
{
    return PelornBus::Stop(location);
}

pelorn_location_state_e pelorn_location_get_state(pelorn_location_h location)
{
    return location ? location->mState : PELORN_LOCATION_UNAVAILABLE;
}

int pelorn_location_get_last_fix(pelorn_location_h location, pelorn_location_fix_s* fix)
{
    if (!location || !fix || !location->mHasFix)
        return -1;
    *fix = location->mFix;
    return 0;
}
