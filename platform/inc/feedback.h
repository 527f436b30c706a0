#ifndef PELORN_PLATFORM_FEEDBACK_H
#define PELORN_PLATFORM_FEEDBACK_H

#ifdef __cplusplus
extern "C" {
#endif

/* Touch and alert feedback. Every request is logged (tag "feedback") and
 * recorded (pelorn_feedback.h). The sound plays through the desktop's
 * event-sound library (libcanberra): a tap as "audio-volume-change", other
 * patterns as "bell"; without an audio device the first failure is logged
 * and the process plays no more sounds. This machine has no vibrator, so
 * vibration stays the logged event. */

typedef enum
{
    FEEDBACK_ERROR_NONE = 0,
    FEEDBACK_ERROR_INVALID_PARAMETER = -22,
    FEEDBACK_ERROR_NOT_SUPPORTED = -1073741822,
    FEEDBACK_ERROR_NOT_INITIALIZED = -0x01170000 | 0x01,
} feedback_error_e;

typedef enum
{
    FEEDBACK_TYPE_NONE = 0,
    FEEDBACK_TYPE_SOUND = 1,
    FEEDBACK_TYPE_VIBRATION = 2,
    FEEDBACK_TYPE_END,
} feedback_type_e;

typedef enum
{
    FEEDBACK_PATTERN_NONE = -1,
    FEEDBACK_PATTERN_TAP = 0,
    FEEDBACK_PATTERN_SIP = 1,
    FEEDBACK_PATTERN_GENERAL = 33,
    FEEDBACK_PATTERN_END = 200,
} feedback_pattern_e;

/* Reference counted: each initialize needs its deinitialize. */
int feedback_initialize(void);
int feedback_deinitialize(void);
/* Plays the pattern with the system's sound and vibration settings. */
int feedback_play(feedback_pattern_e pattern);
/* Plays the pattern through one channel only. */
int feedback_play_type(feedback_type_e type, feedback_pattern_e pattern);

#ifdef __cplusplus
}
#endif

#endif
