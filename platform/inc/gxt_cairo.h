#ifndef PELORN_PLATFORM_GXT_CAIRO_H
#define PELORN_PLATFORM_GXT_CAIRO_H

#include <cairo.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Turns vector path data written in the SVG path syntax (the "d" attribute:
 * M/m, L/l, H/h, V/v, C/c, S/s, Q/q, T/t, Z/z, numbers separated by blanks,
 * tabs, line breaks or commas) into a new cairo path in user coordinates.
 *
 * The caller owns the result and releases it with cairo_path_destroy().
 * Data that cannot be read (NULL, an unknown or unsupported command, missing
 * numbers, a drawing command before the first move) gives a path with no
 * elements whose status is CAIRO_STATUS_INVALID_PATH_DATA; empty data gives
 * an empty path with status CAIRO_STATUS_SUCCESS. Never NULL. */
cairo_path_t* gxt_cairo_path_create_from_dtag(const char* dtag);

#ifdef __cplusplus
}
#endif

#endif
