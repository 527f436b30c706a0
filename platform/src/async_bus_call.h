#ifndef PELORN_PLATFORM_ASYNC_BUS_CALL_H
#define PELORN_PLATFORM_ASYNC_BUS_CALL_H

#include <gio/gio.h>

/* A bus call made for an object that may be stopped, restarted or destroyed
 * before the reply comes. The owner counts calls on their way (mPending),
 * bumps mGeneration on every stop so that older replies are dropped, and on
 * destruction sets mDead instead of deleting itself while calls are pending:
 * the last reply deletes it. Every call has a bounded time, so it always
 * ends. Owner::OnReply(step, reply, error) hears the current ones. */
namespace PelornBus
{
const gint CALL_TIMEOUT_MS = 5000;

template <typename Owner> struct Call
{
    Owner* owner;
    unsigned generation;
    int step;
};

/* Deletes a dead owner once nothing is pending; answers whether it did. */
template <typename Owner> bool Reap(Owner* owner)
{
    if (!owner->mDead || owner->mPending > 0)
        return false;
    delete owner;
    return true;
}

/* The C handle calls every bus user offers: -1 for no handle, 0 otherwise.
 * Destroying stops it first; it goes once its last reply is in. */
template <typename Owner> void Destroy(Owner* owner)
{
    if (!owner)
        return;
    owner->Stop();
    owner->mDead = true;
    Reap(owner);
}

template <typename Owner> int Start(Owner* owner)
{
    if (!owner)
        return -1;
    owner->Start();
    return 0;
}

template <typename Owner> int Stop(Owner* owner)
{
    if (!owner)
        return -1;
    owner->Stop();
    return 0;
}

template <typename Owner> void ReplyCb(GObject* source, GAsyncResult* result, gpointer data)
{
    Call<Owner>* call = static_cast<Call<Owner>*>(data);
    Owner* owner = call->owner;
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    owner->mPending--;
    if (!Reap(owner) && !owner->mDead && call->generation == owner->mGeneration)
        owner->OnReply(call->step, reply, error);
    if (reply)
        g_variant_unref(reply);
    if (error)
        g_error_free(error);
    delete call;
}

template <typename Owner>
void Invoke(Owner* owner, GDBusConnection* bus, const char* name, const char* path, const char* interface,
            const char* method, GVariant* params, const GVariantType* replyType, int step)
{
    owner->mPending++;
    g_dbus_connection_call(bus, name, path, interface, method, params, replyType, G_DBUS_CALL_FLAGS_NONE,
                           CALL_TIMEOUT_MS, nullptr, ReplyCb<Owner>,
                           new Call<Owner>{owner, owner->mGeneration, step});
}

/* A reply delivered on the next loop turn when there is no bus to ask. */
template <typename Owner> gboolean IdleCb(gpointer data)
{
    Call<Owner>* call = static_cast<Call<Owner>*>(data);
    Owner* owner = call->owner;
    owner->mPending--;
    if (!Reap(owner) && !owner->mDead && call->generation == owner->mGeneration)
        owner->OnReply(call->step, nullptr, nullptr);
    delete call;
    return G_SOURCE_REMOVE;
}

template <typename Owner> void Later(Owner* owner, int step)
{
    owner->mPending++;
    g_idle_add(IdleCb<Owner>, new Call<Owner>{owner, owner->mGeneration, step});
}
} // namespace PelornBus

#endif
