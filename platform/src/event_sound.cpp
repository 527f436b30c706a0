#include "event_sound.h"

#include "dlog.h"
#include "feedback.h"
#include "pelorn_on_demand.h"

#include <canberra.h>
#include <glib.h>
#include <stdlib.h>
#include <string>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#define SOUND_LOG_TAG "feedback"

namespace
{
/* libcanberra brings its sound back ends and their codecs (vorbis, ogg, tdb,
 * ltdl) into every process that links it, while most launches never play a
 * sound. It is loaded on the first sound instead, by the sound player. */
const char* const kCanberraLibrary = "libcanberra.so.0";

const int kNoSound = -1;

struct Canberra
{
    int (*create)(ca_context**) = nullptr;
    int (*destroy)(ca_context*) = nullptr;
    int (*changeProps)(ca_context*, ...) = nullptr;
    int (*play)(ca_context*, uint32_t, ...) = nullptr;
    const char* (*strerror)(int) = nullptr;
};

/* Sounds are played by a thread of their own: the first one loads the library
 * and its codecs and opens the audio device (5 ms here, unbounded on a busy
 * device), and a tap must not wait for any of that. The main thread only
 * leaves the pattern and wakes the player; the lock is never held across the
 * library's calls. */
struct EventSound
{
    std::mutex mutex;
    std::condition_variable wake;
    std::thread player;
    int pending = kNoSound; // the latest pattern asked for: taps faster than the player merge into one
    bool stopping = false;
    bool playing = false; // the player thread runs
    // The sound library's own device errors go to stderr on every try, so
    // after one failure no more sounds are played until feedback is started
    // again.
    bool unavailable = false;

    // The player's alone.
    bool loaded = false;
    Canberra ca;
    ca_context* context = nullptr;
};

// Lives to process exit: a sound may be asked for from static destructors.
EventSound& gSound = *new EventSound();

PelornOnDemandLibrary gLibrary{kCanberraLibrary, SOUND_LOG_TAG};

template <typename Fn> bool Resolve(const char* name, Fn* out)
{
    *out = pelorn_on_demand<Fn>(gLibrary, name);
    return *out != nullptr;
}

/* A machine with no sound card and no sound server (a server, a container)
 * has nothing to play on; asked anyway, the sound library's ALSA back end
 * prints a screenful of its own errors on the terminal. A sound
 * configuration given on purpose is always tried. */
bool SoundOutputPresent()
{
    if (getenv("ALSA_CONFIG_PATH") || getenv("CANBERRA_DRIVER") || getenv("PULSE_SERVER"))
        return true;
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    if (runtime && (g_file_test((std::string(runtime) + "/pulse/native").c_str(), G_FILE_TEST_EXISTS) ||
                    g_file_test((std::string(runtime) + "/pipewire-0").c_str(), G_FILE_TEST_EXISTS)))
        return true;
    GDir* cards = g_dir_open("/dev/snd", 0, nullptr);
    bool pcm = false;
    for (const char* name; cards && !pcm && (name = g_dir_read_name(cards));)
        pcm = g_str_has_prefix(name, "pcm");
    if (cards)
        g_dir_close(cards);
    return pcm;
}

/* On the player. A library that cannot be loaded, or lacks a call, is
 * reported (once) and the process stays silent. */
bool Load()
{
    if (gSound.loaded)
        return true;
    if (!SoundOutputPresent())
    {
        dlog_print(DLOG_WARN, SOUND_LOG_TAG, "no sound card or sound server here: event sounds are not played");
        return false;
    }
    Canberra& ca = gSound.ca;
    if (!Resolve("ca_context_create", &ca.create) || !Resolve("ca_context_destroy", &ca.destroy) ||
        !Resolve("ca_context_change_props", &ca.changeProps) || !Resolve("ca_context_play", &ca.play) ||
        !Resolve("ca_strerror", &ca.strerror))
    {
        dlog_print(DLOG_ERROR, SOUND_LOG_TAG, "no event sound: %s is not usable", kCanberraLibrary);
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
}

/* On the player: false when this sound failed and no other should be tried. */
bool PlayNow(int pattern)
{
    if (!Load())
        return false;
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
            return false;
        }
    }
    // Returns once the device is open; the sound itself plays on the library's own thread.
    int ret = ca.play(gSound.context, 0, CA_PROP_EVENT_ID, EventId(pattern), CA_PROP_EVENT_DESCRIPTION,
                      "watch feedback", nullptr);
    if (ret != CA_SUCCESS)
    {
        Failed(EventId(pattern), ret);
        return false;
    }
    return true;
}

void RunPlayer()
{
    std::unique_lock<std::mutex> lock(gSound.mutex);
    for (;;)
    {
        gSound.wake.wait(lock, [] { return gSound.stopping || gSound.pending != kNoSound; });
        if (gSound.pending == kNoSound)
        {
            // Stopping, with nothing left to play.
            gSound.playing = false;
            gSound.wake.notify_all();
            return;
        }
        const int pattern = gSound.pending;
        gSound.pending = kNoSound;
        lock.unlock();
        const bool played = PlayNow(pattern);
        lock.lock();
        if (!played)
        {
            gSound.unavailable = true;
            gSound.pending = kNoSound;
        }
    }
}
} // namespace

void pelorn_event_sound_play(int pattern)
{
    std::lock_guard<std::mutex> lock(gSound.mutex);
    if (gSound.unavailable || gSound.stopping)
        return;
    gSound.pending = pattern;
    if (!gSound.player.joinable())
    {
        gSound.playing = true;
        gSound.player = std::thread(RunPlayer);
    }
    gSound.wake.notify_all();
}

void pelorn_event_sound_stop_player(void)
{
    std::unique_lock<std::mutex> lock(gSound.mutex);
    if (!gSound.player.joinable())
        return;
    gSound.stopping = true;
    gSound.wake.notify_all();
    // A device that never opens would keep the player, and whoever waits for
    // it (the app on its way out), for good: after a second it is left behind,
    // and the process plays no more sounds.
    if (!gSound.wake.wait_for(lock, std::chrono::seconds(1), [] { return !gSound.playing; }))
    {
        dlog_print(DLOG_ERROR, SOUND_LOG_TAG, "the sound device does not answer; no more sounds");
        gSound.player.detach();
        return;
    }
    std::thread player;
    player.swap(gSound.player);
    lock.unlock();
    player.join();
    lock.lock();
    gSound.stopping = false;
    // Feedback started again is a new try: a device that failed may have
    // been busy, and an ended player leaves nothing behind to wait for.
    gSound.unavailable = false;
}
