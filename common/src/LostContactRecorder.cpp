#include "LostContactRecorder.h"

#include "OrzLog.h"
#include "PreferenceUtil.h"

#include <cmath>
#include <pelorn_clock.h>

namespace
{
const char* const KEY_CONNECTED = "memory/brig/brig_connected";
// Who asks the location service, as its permission store knows the watch app.
const char* const DESKTOP_ID = "com.quenlor.pelorn";
} // namespace

namespace NSORZCommon
{
LostContactRecorder::LostContactRecorder(const std::string& directory) : mStore(directory) {}

LostContactRecorder::~LostContactRecorder()
{
    Stop();
}

void LostContactRecorder::Start()
{
    RET_IF(mWatching);
    int connected = 0;
    mConnected = vconf_get_bool(KEY_CONNECTED, &connected) == VCONF_OK && connected;
    mWatching = vconf_notify_key_changed(KEY_CONNECTED, LinkChangedCb, this) == VCONF_OK;
}

void LostContactRecorder::Stop()
{
    if (mWatching)
        vconf_ignore_key_changed(KEY_CONNECTED, LinkChangedCb);
    mWatching = false;
    mPending = false;
    Release();
    if (mLocation)
        pelorn_location_destroy(mLocation);
    mLocation = nullptr;
}

void LostContactRecorder::LinkChangedCb(keynode_t* node, void* data)
{
    LostContactRecorder* self = static_cast<LostContactRecorder*>(data);
    RET_IF(!self || !node);
    self->OnLink(vconf_keynode_get_bool(node) != 0);
}

void LostContactRecorder::OnLink(bool connected)
{
    const bool wasConnected = mConnected;
    mConnected = connected;
    if (connected && !wasConnected)
        LOGE("the link to the phone is up");
    if (connected && mPending)
    {
        if (!mGraceOver)
        {
            LOGE("the link came back within %u s: no loss", GRACE_S);
            mPending = false;
            Release();
        }
        else
            Finish();
        return;
    }
    if (connected || !wasConnected || mPending)
        return;

    LOGE("the link to the phone dropped; asking where the watch is");
    LostContactRecord previous;
    mRecord = LostContactRecord();
    mRecord.sequence = mStore.Load(previous) ? previous.sequence + 1 : 1;
    mRecord.timeMs = pelorn_clock_wall_ms();
    const double phoneLatitude = PreferenceUtil::GetLastLocationLat();
    const double phoneLongitude = PreferenceUtil::GetLastLocationLon();
    if (std::isfinite(phoneLatitude) && std::isfinite(phoneLongitude) && std::fabs(phoneLatitude) <= 90 &&
        std::fabs(phoneLongitude) <= 180)
    {
        mRecord.hasPhone = true;
        mRecord.phoneLatitude = phoneLatitude;
        mRecord.phoneLongitude = phoneLongitude;
    }
    mPending = true;
    mGraceOver = false;
    mFixDone = false;
    mGraceTimer = pelorn_timer_add_seconds(GRACE_S, GraceCb, this);
    mWindowTimer = pelorn_timer_add_seconds(FIX_WINDOW_S, WindowCb, this);
    if (!mLocation)
        mLocation = pelorn_location_create(DESKTOP_ID, FixCb, this);
    pelorn_location_start(mLocation);
}

void LostContactRecorder::FixCb(const pelorn_location_fix_s* fix, void* data)
{
    LostContactRecorder* self = static_cast<LostContactRecorder*>(data);
    RET_IF(!self);
    self->OnFix(fix);
}

void LostContactRecorder::OnFix(const pelorn_location_fix_s* fix)
{
    RET_IF(!mPending || mFixDone);
    if (fix)
        LOGE("a fix of %.0f m after the drop", fix->accuracy_m);
    if (fix && (!mRecord.hasFix || fix->accuracy_m < mRecord.accuracyM))
    {
        mRecord.hasFix = true;
        mRecord.latitude = fix->latitude;
        mRecord.longitude = fix->longitude;
        mRecord.accuracyM = fix->accuracy_m;
        mRecord.accurate = fix->accuracy_m <= GOOD_ACCURACY_M;
    }
    if (fix && !mRecord.accurate)
        return;
    mFixDone = true;
    if (mLocation)
        pelorn_location_stop(mLocation);
    if (mGraceOver)
        Finish();
}

gboolean LostContactRecorder::GraceCb(gpointer data)
{
    LostContactRecorder* self = static_cast<LostContactRecorder*>(data);
    self->mGraceTimer = 0;
    self->OnGraceOver();
    return G_SOURCE_REMOVE;
}

void LostContactRecorder::OnGraceOver()
{
    mGraceOver = true;
    if (mFixDone)
        Finish();
}

gboolean LostContactRecorder::WindowCb(gpointer data)
{
    LostContactRecorder* self = static_cast<LostContactRecorder*>(data);
    self->mWindowTimer = 0;
    self->Finish();
    return G_SOURCE_REMOVE;
}

void LostContactRecorder::Finish()
{
    RET_IF(!mPending);
    mPending = false;
    Release();
    if (mStore.Save(mRecord))
    {
        if (mRecord.hasFix)
            LOGE("lost contact recorded (#%lld): the watch was within %.0f m%s", (long long)mRecord.sequence,
                 mRecord.accuracyM, mRecord.accurate ? "" : ", the best fix it got");
        else
            LOGE("lost contact recorded (#%lld): the watch's own position is not known",
                 (long long)mRecord.sequence);
    }
}

/* Lets go of the location service and the timers. */
void LostContactRecorder::Release()
{
    if (mGraceTimer)
        pelorn_timer_remove(mGraceTimer);
    mGraceTimer = 0;
    if (mWindowTimer)
        pelorn_timer_remove(mWindowTimer);
    mWindowTimer = 0;
    if (mLocation)
        pelorn_location_stop(mLocation);
}
} // namespace NSORZCommon
