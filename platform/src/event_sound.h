#ifndef PELORN_PLATFORM_EVENT_SOUND_H
#define PELORN_PLATFORM_EVENT_SOUND_H

/* Plays a feedback pattern's sound through the desktop's event-sound library
 * (libcanberra, freedesktop sound theme names). The first failure (no audio
 * device, no sound for the name) is logged (tag "feedback") and ends the
 * sounds for the process; the caller is never told, as a watch with its sound
 * off does not tell either. The sound is played by a thread of its own, so
 * the call returns at once; sounds asked for faster than they start are
 * merged into the latest one. */
void pelorn_event_sound_play(int pattern);

/* Plays what is still asked for, then ends the player thread; the next sound
 * starts a new one. Called when the last feedback user goes away. */
void pelorn_event_sound_stop_player(void);

#endif
