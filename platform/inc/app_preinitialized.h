#ifndef PELORN_PLATFORM_APP_PREINITIALIZED_H
#define PELORN_PLATFORM_APP_PREINITIALIZED_H

#include <Elementary.h>

#ifdef __cplusplus
extern "C" {
#endif

/* On the watch the launcher hands a new process a window, background and
 * conformant it made ahead of time. Here a launcher stand-in may offer them
 * through pelorn_app_set_preinitialized(); otherwise there are none and the
 * getters answer NULL. The window is handed only when its name matches. */
Evas_Object* app_get_preinitialized_window(const char* win_name);
Evas_Object* app_get_preinitialized_background(void);
Evas_Object* app_get_preinitialized_conformant(void);

void pelorn_app_set_preinitialized(Evas_Object* window, const char* win_name, Evas_Object* background,
                                   Evas_Object* conformant);

#ifdef __cplusplus
}
#endif

#endif
