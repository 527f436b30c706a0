#ifndef ORZ_UI_COMMON_TEXT_DOMAIN_H
#define ORZ_UI_COMMON_TEXT_DOMAIN_H

/* Every text the watch shows, screens and popups alike, comes from one
 * message catalogue. */
#define PELORN_TEXT_DOMAIN "pelorn-phone"

#endif
