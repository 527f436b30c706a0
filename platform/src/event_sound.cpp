#include "event_sound.h"

#include "dlog.h"
#include "feedback.h"

#include <canberra.h>
#include <mutex>

#define SOUND_LOG_TAG "feedback"

namespace
{
struct EventSound
{
    std::mutex mutex;
    ca_context* context = nullptr;
    // The sound library's own device errors go to stderr on every try, so
    // after one failure the process plays no more sounds.
    bool unavailable = false;
};

EventSound gSound;

const char* EventId(int pattern)
{
    switch (pattern)
    {
    case FEEDBACK_PATTERN_TAP:
    case FEEDBACK_PATTERN_SIP:
        return "audio-volume-change"; // the shortest tick of the freedesktop theme
    default:
        return "bell";
    }
}

void Failed(const char* what, int error)
{
    dlog_print(DLOG_ERROR, SOUND_LOG_TAG, "no event sound: %s: %s", what, ca_strerror(error));
    gSound.unavailable = true;
}
} // namespace

void pelorn_event_sound_play(int pattern)
{
    std::lock_guard<std::mutex> lock(gSound.mutex);
    if (gSound.unavailable)
        return;
    if (!gSound.context)
    {
        int ret = ca_context_create(&gSound.context);
        if (ret == CA_SUCCESS)
            ret = ca_context_change_props(gSound.context, CA_PROP_APPLICATION_NAME, "pelorn", nullptr);
        if (ret != CA_SUCCESS)
        {
            if (gSound.context)
                ca_context_destroy(gSound.context);
            gSound.context = nullptr;
            Failed("ca_context_create", ret);
            return;
        }
    }
    // libcanberra opens the device and plays on a thread of its own.
    int ret = ca_context_play(gSound.context, 0, CA_PROP_EVENT_ID, EventId(pattern),
                              CA_PROP_EVENT_DESCRIPTION, "watch feedback", nullptr);
    if (ret != CA_SUCCESS)
        Failed(EventId(pattern), ret);
}
