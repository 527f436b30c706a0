#ifndef PELORN_PLATFORM_INSTALL_H
#define PELORN_PLATFORM_INSTALL_H

#ifdef __cplusplus
extern "C" {
#endif

typedef enum
{
    /* compiled layouts, images, translations, theme tables */
    PELORN_OWN_DATA,
    /* the programs the app starts itself (the platform popups) */
    PELORN_OWN_HELPERS,
} pelorn_own_dir_e;

/* A folder the running program brought along, found from where the program
 * itself lies, so that an installed tree works wherever it was unpacked (a
 * packaging root, a DESTDIR):
 *   installed, <prefix>/bin or <prefix>/libexec/pelorn: <prefix>/share/pelorn
 *   (data) or <prefix>/libexec/pelorn (helpers);
 *   inside the build tree it was built in: that tree's res/ or its top;
 *   else the folder configured at build time.
 * The first of these that exists; NULL when none does. Newly allocated
 * (g_free it). */
char* pelorn_own_dir(pelorn_own_dir_e kind);

#ifdef __cplusplus
}
#endif

#endif
