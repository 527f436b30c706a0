#ifndef ORZ_UI_COMMON_TEXT_DOMAIN_H
#define ORZ_UI_COMMON_TEXT_DOMAIN_H

/* Every text the watch shows, screens and popups alike, comes from one
 * message catalogue. */
#define PELORN_TEXT_DOMAIN "pelorn-phone"

#include <libintl.h>

/* A text of the catalogue in the language in use; a missing one shows its id. */
inline const char* Translated(const char* id)
{
    return dgettext(PELORN_TEXT_DOMAIN, id);
}

#endif
