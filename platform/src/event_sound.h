#ifndef PELORN_PLATFORM_EVENT_SOUND_H
#define PELORN_PLATFORM_EVENT_SOUND_H

/* Plays a feedback pattern's sound through the desktop's event-sound library
 * (libcanberra, freedesktop sound theme names). The first failure (no audio
 * device, no sound for the name) is logged (tag "feedback") and ends the
 * sounds for the process; the caller is never told, as a watch with its sound
 * off does not tell either. */
void pelorn_event_sound_play(int pattern);

#endif
