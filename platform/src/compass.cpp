#include "pelorn_compass.h"

#include "async_bus_call.h"
#include "desktop_bus.h"
#include "dlog.h"
#include "pelorn_clock.h"

#include <cmath>

namespace
{
const char* const COMPASS_LOG_TAG = "compass";
const char* const SENSOR_PROXY = "net.hadess.SensorProxy";
const char* const COMPASS_IFACE = "net.hadess.SensorProxy.Compass";
const char* const PROPERTIES_IFACE = "org.freedesktop.DBus.Properties";
// Ten headings a second at most: more only redraws an arrow nobody sees move.
const guint DELIVERY_MS = 100;

/* iio-sensor-proxy keeps the compass on an object of its own, claimed on its
 * own interface; older or simpler services keep everything on the main one. */
struct Layout
{
    const char* path;
    const char* claimInterface;
};
const Layout kLayouts[] = {
    {"/net/hadess/SensorProxy/Compass", COMPASS_IFACE},
    {"/net/hadess/SensorProxy", SENSOR_PROXY},
};
const int kLayoutCount = sizeof(kLayouts) / sizeof(kLayouts[0]);

// Said once per process, however often the compass is asked.
bool gNoCompassSaid = false;

enum Step
{
    NO_BUS,
    READ = 10, // READ + layout index
    CLAIM = 20,
    FIRST_HEADING = 29,
    RELEASE = 30,
};
} // namespace

struct pelorn_compass_s
{
    pelorn_compass_s(pelorn_compass_heading_cb callback, void* userData)
        : mCallback(callback), mUserData(userData)
    {
    }
    ~pelorn_compass_s()
    {
        if (mBus)
            g_object_unref(mBus);
    }

    void Start();
    void Stop();
    void OnReply(int step, GVariant* reply, GError* error);

    int mPending = 0;
    bool mDead = false;
    unsigned mGeneration = 0;
    double mDelivered = -1;

private:
    void Read(int layout)
    {
        PelornBus::Invoke(this, mBus, SENSOR_PROXY, kLayouts[layout].path, PROPERTIES_IFACE, "GetAll",
                          g_variant_new("(s)", COMPASS_IFACE), G_VARIANT_TYPE("(a{sv})"), READ + layout);
    }
    void NoCompass(const char* why);
    void TakeProperties(GVariant* properties);
    void Offer(double heading);
    bool Deliver();

    static gboolean DeliveryCb(gpointer data);
    static void SubscriptionGoneCb(gpointer data);
    static void PropertiesChangedCb(GDBusConnection* connection, const gchar* sender, const gchar* path,
                                    const gchar* interface, const gchar* signal, GVariant* params,
                                    gpointer data);

    pelorn_compass_heading_cb mCallback;
    void* mUserData;
    GDBusConnection* mBus = nullptr;
    bool mRunning = false;
    int mClaimed = -1; // layout index
    guint mSignal = 0;
    guint mDeliveryTimer = 0;
    double mLatest = -1;
};

void pelorn_compass_s::Start()
{
    if (mRunning)
        return;
    mRunning = true;
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
    }
    Read(0);
}

void pelorn_compass_s::Stop()
{
    if (!mRunning)
        return;
    mRunning = false;
    mGeneration++;
    if (mSignal && mBus)
        g_dbus_connection_signal_unsubscribe(mBus, mSignal);
    mSignal = 0;
    if (mDeliveryTimer)
        pelorn_timer_remove(mDeliveryTimer);
    mDeliveryTimer = 0;
    if (mClaimed >= 0 && mBus)
    {
        const int layout = mClaimed;
        PelornBus::Invoke(this, mBus, SENSOR_PROXY, kLayouts[layout].path, kLayouts[layout].claimInterface,
                          "ReleaseCompass", nullptr, nullptr, RELEASE + layout);
    }
    mClaimed = -1;
}

void pelorn_compass_s::NoCompass(const char* why)
{
    if (!gNoCompassSaid)
        dlog_print(DLOG_ERROR, COMPASS_LOG_TAG, "no compass, north is up (%s)", why);
    gNoCompassSaid = true;
    Offer(-1);
}

void pelorn_compass_s::OnReply(int step, GVariant* reply, GError* error)
{
    if (step >= RELEASE)
        return;
    if (step == NO_BUS)
    {
        NoCompass("no system bus");
        return;
    }
    if (step >= READ && step < READ + kLayoutCount)
    {
        const int layout = step - READ;
        if (!reply)
        {
            if (layout + 1 < kLayoutCount)
                Read(layout + 1);
            else
                NoCompass(error ? error->message : "no reply");
            return;
        }
        GVariant* properties = g_variant_get_child_value(reply, 0);
        gboolean has = FALSE;
        g_variant_lookup(properties, "HasCompass", "b", &has);
        g_variant_unref(properties);
        if (!has)
        {
            NoCompass("the sensor service has none");
            return;
        }
        mSignal = g_dbus_connection_signal_subscribe(
            mBus, SENSOR_PROXY, PROPERTIES_IFACE, "PropertiesChanged", kLayouts[layout].path, COMPASS_IFACE,
            G_DBUS_SIGNAL_FLAGS_NONE, PropertiesChangedCb, this, SubscriptionGoneCb);
        if (mSignal)
            mPending++;
        PelornBus::Invoke(this, mBus, SENSOR_PROXY, kLayouts[layout].path, kLayouts[layout].claimInterface,
                          "ClaimCompass", nullptr, nullptr, CLAIM + layout);
        return;
    }
    if (step >= CLAIM && step < CLAIM + kLayoutCount)
    {
        if (!reply)
        {
            NoCompass(error ? error->message : "no reply");
            return;
        }
        mClaimed = step - CLAIM;
        // The heading that was there before the claim.
        PelornBus::Invoke(this, mBus, SENSOR_PROXY, kLayouts[mClaimed].path, PROPERTIES_IFACE, "Get",
                          g_variant_new("(ss)", COMPASS_IFACE, "CompassHeading"), G_VARIANT_TYPE("(v)"),
                          FIRST_HEADING);
        return;
    }
    if (step == FIRST_HEADING && reply)
    {
        GVariant* boxed = g_variant_get_child_value(reply, 0);
        GVariant* value = g_variant_get_variant(boxed);
        if (g_variant_is_of_type(value, G_VARIANT_TYPE_DOUBLE))
            Offer(g_variant_get_double(value));
        g_variant_unref(value);
        g_variant_unref(boxed);
    }
}

void pelorn_compass_s::SubscriptionGoneCb(gpointer data)
{
    pelorn_compass_s* self = static_cast<pelorn_compass_s*>(data);
    self->mPending--;
    PelornBus::Reap(self);
}

void pelorn_compass_s::PropertiesChangedCb(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                           const gchar*, GVariant* params, gpointer data)
{
    pelorn_compass_s* self = static_cast<pelorn_compass_s*>(data);
    if (!self || self->mDead || !self->mRunning ||
        !g_variant_is_of_type(params, G_VARIANT_TYPE("(sa{sv}as)")))
        return;
    GVariant* changed = g_variant_get_child_value(params, 1);
    double heading = 0;
    if (g_variant_lookup(changed, "CompassHeading", "d", &heading))
        self->Offer(heading);
    g_variant_unref(changed);
}

void pelorn_compass_s::Offer(double heading)
{
    mLatest = std::isfinite(heading) && heading >= 0 ? std::fmod(heading, 360.0) : -1;
    if (mDeliveryTimer)
        return; // the timer hands on the newest one
    // Only a heading handed on starts the tenth: an unknown first reading
    // must not hold back the first real one.
    if (Deliver())
        mDeliveryTimer = pelorn_timer_add(DELIVERY_MS, DeliveryCb, this);
}

bool pelorn_compass_s::Deliver()
{
    if (mLatest == mDelivered)
        return false;
    mDelivered = mLatest;
    if (mCallback)
        mCallback(mDelivered, mUserData);
    return true;
}

gboolean pelorn_compass_s::DeliveryCb(gpointer data)
{
    pelorn_compass_s* self = static_cast<pelorn_compass_s*>(data);
    if (self->mLatest == self->mDelivered)
    {
        self->mDeliveryTimer = 0;
        return G_SOURCE_REMOVE;
    }
    self->Deliver();
    return G_SOURCE_CONTINUE;
}

pelorn_compass_h pelorn_compass_create(pelorn_compass_heading_cb callback, void* user_data)
{
    return new pelorn_compass_s(callback, user_data);
}

void pelorn_compass_destroy(pelorn_compass_h compass)
{
    PelornBus::Destroy(compass);
}

int pelorn_compass_start(pelorn_compass_h compass)
{
    return PelornBus::Start(compass);
}

int pelorn_compass_stop(pelorn_compass_h compass)
{
    return PelornBus::Stop(compass);
}

double pelorn_compass_get_heading(pelorn_compass_h compass)
{
    return compass ? compass->mDelivered : -1;
}
