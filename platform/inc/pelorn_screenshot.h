#ifndef PELORN_PLATFORM_SCREENSHOT_H
#define PELORN_PLATFORM_SCREENSHOT_H

#include <Evas.h>
#include <stdbool.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Renders the window's canvas and writes it as a PNG of the window's size.
 * Works on the buffer engine (ELM_ENGINE=buffer, what tests and headless
 * runs use); false on other engines or when the file cannot be written. */
bool pelorn_window_save_png(Evas_Object* win, const char* path);

/* Renders the window's canvas and returns a digest of its pixels (free with
 * g_free), to tell whether the picture still changes; NULL where
 * pelorn_window_save_png could not picture it either. */
char* pelorn_window_pixels_digest(Evas_Object* win);

#ifdef __cplusplus
}
#endif

#endif
