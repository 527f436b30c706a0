#ifndef PELORN_PLATFORM_PELORN_FEEDBACK_H
#define PELORN_PLATFORM_PELORN_FEEDBACK_H

#ifdef __cplusplus
extern "C" {
#endif

/* What the feedback service was last asked to do (tests). */
typedef struct
{
    int initialized;  /* current initialize count */
    int playCount;    /* requests played since the process started */
    int lastType;     /* FEEDBACK_TYPE_NONE for feedback_play (both channels) */
    int lastPattern;  /* FEEDBACK_PATTERN_NONE before the first request */
} pelorn_feedback_state_t;

pelorn_feedback_state_t pelorn_feedback_get_state(void);

/* Display power: whether a display lock is held, and the state last asked
 * for by a wake-up (1 normal, 2 dim; 0 before any). */
typedef struct
{
    int displayLocked;
    int lockRequests;
    int releaseRequests;
    int wakeupState;
} pelorn_power_state_t;

pelorn_power_state_t pelorn_power_get_state(void);

#ifdef __cplusplus
}
#endif

#endif
