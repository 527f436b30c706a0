#ifndef ORZ_COMMON_LOST_CONTACT_RECORDER_H
#define ORZ_COMMON_LOST_CONTACT_RECORDER_H

#include "LostContactStore.h"

#include <glib.h>
#include <pelorn_location.h>
#include <string>
#include <vconf.h>

namespace NSORZCommon
{
/* The watch's background side: when the link to the phone drops while it was
 * up, asks the watch's location service for its own position and records the
 * loss. A link back within GRACE_S cancels it (a flap is no loss); the
 * location service is asked only from the drop until a fix as good as
 * GOOD_ACCURACY_M came, or FIX_WINDOW_S passed (the best fix then, marked by
 * its accuracy), or the link came back. The record is kept until the next
 * loss replaces it. Timers run on the clock seam. */
class LostContactRecorder
{
public:
    static const guint GRACE_S = 10;
    static const guint FIX_WINDOW_S = 60;
    static constexpr double GOOD_ACCURACY_M = 100.0;

    /* directory empty: the application's data folder. */
    explicit LostContactRecorder(const std::string& directory = std::string());
    ~LostContactRecorder();
    LostContactRecorder(const LostContactRecorder&) = delete;
    LostContactRecorder& operator=(const LostContactRecorder&) = delete;

    /* Follows the link keys from now on. */
    void Start();
    void Stop();

private:
    void OnLink(bool connected);
    void OnFix(const pelorn_location_fix_s* fix);
    void OnGraceOver();
    void Finish();
    void Release();

    static void LinkChangedCb(keynode_t* node, void* data);
    static void FixCb(const pelorn_location_fix_s* fix, void* data);
    static gboolean GraceCb(gpointer data);
    static gboolean WindowCb(gpointer data);

    LostContactStore mStore;
    pelorn_location_h mLocation = nullptr;
    bool mWatching = false;
    bool mConnected = false;
    bool mPending = false;
    bool mGraceOver = false;
    bool mFixDone = false; // a good fix came, or none can
    guint mGraceTimer = 0;
    guint mWindowTimer = 0;
    LostContactRecord mRecord;
};
} // namespace NSORZCommon

#endif
