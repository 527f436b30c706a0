#ifndef PELORN_PLATFORM_RESOURCES_H
#define PELORN_PLATFORM_RESOURCES_H

#ifdef __cplusplus
extern "C" {
#endif

/* The folder holding contents/ and locale/ (with a trailing "/"):
 * PELORN_RES_DIR when set, else the program's own data folder (see
 * pelorn_own_dir: <prefix>/share/pelorn when installed, the build tree's
 * res/ when run from it). Owned by the platform. */
const char* pelorn_res_dir(void);

/* Adds the round-screen theme (contents/theme/circle.edj) to the
 * default elementary theme; once per process. The circular-screen extension
 * calls it on first use; a harness that builds widgets without it may too. */
void pelorn_circle_theme_load(void);

#ifdef __cplusplus
}
#endif

#endif
