#include "device/power.h"
#include "feedback.h"
#include "pelorn_feedback.h"

#include "dlog.h"
#include "event_sound.h"
#include "idle_inhibitor.h"
#include "vconf.h"

#include <mutex>

#define FEEDBACK_LOG_TAG "feedback"
#define POWER_LOG_TAG "power"

namespace
{
std::mutex gMutex;
pelorn_feedback_state_t gFeedback = {0, 0, FEEDBACK_TYPE_NONE, FEEDBACK_PATTERN_NONE};
pelorn_power_state_t gPower = {0, 0, 0, 0};

int Play(feedback_type_e type, feedback_pattern_e pattern)
{
    if (pattern < FEEDBACK_PATTERN_TAP || pattern >= FEEDBACK_PATTERN_END || type < FEEDBACK_TYPE_NONE ||
        type >= FEEDBACK_TYPE_END)
        return FEEDBACK_ERROR_INVALID_PARAMETER;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        if (gFeedback.initialized <= 0)
            return FEEDBACK_ERROR_NOT_INITIALIZED;
        gFeedback.playCount++;
        gFeedback.lastType = type;
        gFeedback.lastPattern = pattern;
    }
    dlog_print(DLOG_INFO, FEEDBACK_LOG_TAG, "play pattern %d through %s", (int)pattern,
               type == FEEDBACK_TYPE_SOUND       ? "sound"
               : type == FEEDBACK_TYPE_VIBRATION ? "vibration"
                                                 : "sound and vibration");
    // No vibrator here: vibration stays the logged event above.
    if (type != FEEDBACK_TYPE_VIBRATION)
        pelorn_event_sound_play(pattern);
    return FEEDBACK_ERROR_NONE;
}
} // namespace

int feedback_initialize(void)
{
    std::lock_guard<std::mutex> lock(gMutex);
    gFeedback.initialized++;
    return FEEDBACK_ERROR_NONE;
}

int feedback_deinitialize(void)
{
    {
        std::lock_guard<std::mutex> lock(gMutex);
        if (gFeedback.initialized <= 0)
            return FEEDBACK_ERROR_NOT_INITIALIZED;
        if (--gFeedback.initialized > 0)
            return FEEDBACK_ERROR_NONE;
    }
    pelorn_event_sound_stop_player();
    return FEEDBACK_ERROR_NONE;
}

int feedback_play(feedback_pattern_e pattern)
{
    return Play(FEEDBACK_TYPE_NONE, pattern);
}

int feedback_play_type(feedback_type_e type, feedback_pattern_e pattern)
{
    if (type == FEEDBACK_TYPE_NONE)
        return FEEDBACK_ERROR_INVALID_PARAMETER;
    return Play(type, pattern);
}

pelorn_feedback_state_t pelorn_feedback_get_state(void)
{
    std::lock_guard<std::mutex> lock(gMutex);
    return gFeedback;
}

int device_power_request_lock(power_lock_e type, int timeout_ms)
{
    if (type != POWER_LOCK_DISPLAY || timeout_ms < 0)
        return DEVICE_ERROR_INVALID_PARAMETER; // only the display lock exists on this machine
    {
        std::lock_guard<std::mutex> lock(gMutex);
        gPower.lockRequests++;
        gPower.displayLocked = 1;
    }
    dlog_print(DLOG_INFO, POWER_LOG_TAG, "display lock held (timeout %d ms)", timeout_ms);
    pelorn_idle_inhibit_take();
    return vconf_set_int("memory/pm/display_lock", 1) == VCONF_OK ? DEVICE_ERROR_NONE
                                                                   : DEVICE_ERROR_OPERATION_FAILED;
}

int device_power_release_lock(power_lock_e type)
{
    if (type != POWER_LOCK_DISPLAY)
        return DEVICE_ERROR_INVALID_PARAMETER;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        gPower.releaseRequests++;
        gPower.displayLocked = 0;
    }
    dlog_print(DLOG_INFO, POWER_LOG_TAG, "display lock released");
    pelorn_idle_inhibit_release();
    return vconf_set_int("memory/pm/display_lock", 0) == VCONF_OK ? DEVICE_ERROR_NONE
                                                                   : DEVICE_ERROR_OPERATION_FAILED;
}

int device_power_wakeup(bool dim)
{
    std::lock_guard<std::mutex> lock(gMutex);
    gPower.wakeupState = dim ? 2 : 1;
    dlog_print(DLOG_INFO, POWER_LOG_TAG, "display woken up (%s)", dim ? "dim" : "normal");
    return vconf_set_int("memory/pm/state", gPower.wakeupState) == VCONF_OK ? DEVICE_ERROR_NONE
                                                                            : DEVICE_ERROR_OPERATION_FAILED;
}

pelorn_power_state_t pelorn_power_get_state(void)
{
    std::lock_guard<std::mutex> lock(gMutex);
    return gPower;
}
