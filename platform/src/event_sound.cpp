#include "event_sound.h"

#include "dlog.h"
#include "feedback.h"
#include "pelorn_on_demand.h"

#include <canberra.h>
#include <mutex>

#define SOUND_LOG_TAG "feedback"

namespace
{
/* libcanberra brings its sound back ends and their codecs (vorbis, ogg, tdb,
 * ltdl) into every process that links it, while most launches never play a
 * sound. It is loaded on the first sound instead, on the feedback thread. */
const char* const kCanberraLibrary = "libcanberra.so.0";

struct Canberra
{
    int (*create)(ca_context**) = nullptr;
    int (*destroy)(ca_context*) = nullptr;
    int (*changeProps)(ca_context*, ...) = nullptr;
    int (*play)(ca_context*, uint32_t, ...) = nullptr;
    const char* (*strerror)(int) = nullptr;
};

struct EventSound
{
    std::mutex mutex;
    bool loaded = false;
    Canberra ca;
    ca_context* context = nullptr;
    // The sound library's own device errors go to stderr on every try, so
    // after one failure the process plays no more sounds.
    bool unavailable = false;
};

EventSound gSound;

PelornOnDemandLibrary gLibrary{kCanberraLibrary, SOUND_LOG_TAG};

template <typename Fn> bool Resolve(const char* name, Fn* out)
{
    *out = pelorn_on_demand<Fn>(gLibrary, name);
    return *out != nullptr;
}

/* Called under the mutex. A library that cannot be loaded, or lacks a call,
 * is reported (once) and the process stays silent. */
bool Load()
{
    if (gSound.loaded)
        return true;
    Canberra& ca = gSound.ca;
    if (!Resolve("ca_context_create", &ca.create) || !Resolve("ca_context_destroy", &ca.destroy) ||
        !Resolve("ca_context_change_props", &ca.changeProps) || !Resolve("ca_context_play", &ca.play) ||
        !Resolve("ca_strerror", &ca.strerror))
    {
        dlog_print(DLOG_ERROR, SOUND_LOG_TAG, "no event sound: %s is not usable", kCanberraLibrary);
        gSound.unavailable = true;
        return false;
    }
    gSound.loaded = true;
    return true;
}

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
    dlog_print(DLOG_ERROR, SOUND_LOG_TAG, "no event sound: %s: %s", what, gSound.ca.strerror(error));
    gSound.unavailable = true;
}
} // namespace

void pelorn_event_sound_play(int pattern)
{
    std::lock_guard<std::mutex> lock(gSound.mutex);
    if (gSound.unavailable || !Load())
        return;
    const Canberra& ca = gSound.ca;
    if (!gSound.context)
    {
        int ret = ca.create(&gSound.context);
        if (ret == CA_SUCCESS)
            ret = ca.changeProps(gSound.context, CA_PROP_APPLICATION_NAME, "pelorn", nullptr);
        if (ret != CA_SUCCESS)
        {
            if (gSound.context)
                ca.destroy(gSound.context);
            gSound.context = nullptr;
            Failed("ca_context_create", ret);
            return;
        }
    }
    // libcanberra opens the device and plays on a thread of its own.
    int ret = ca.play(gSound.context, 0, CA_PROP_EVENT_ID, EventId(pattern), CA_PROP_EVENT_DESCRIPTION,
                      "watch feedback", nullptr);
    if (ret != CA_SUCCESS)
        Failed(EventId(pattern), ret);
}
