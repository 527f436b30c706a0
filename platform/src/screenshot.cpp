#include "pelorn_screenshot.h"

#include <Ecore_Evas.h>
#include <Elementary.h>
#include <cairo.h>
#include <string.h>

bool pelorn_window_save_png(Evas_Object* win, const char* path)
{
    if (!win || !path)
        return false;
    Ecore_Evas* ee = ecore_evas_ecore_evas_get(evas_object_evas_get(win));
    if (!ee || strcmp(ecore_evas_engine_name_get(ee), "buffer") != 0)
        return false;
    ecore_evas_manual_render(ee);
    int w = 0, h = 0;
    ecore_evas_geometry_get(ee, nullptr, nullptr, &w, &h);
    const void* pixels = ecore_evas_buffer_pixels_get(ee);
    if (!pixels || w <= 0 || h <= 0)
        return false;
    // Both are premultiplied 32-bit ARGB in native byte order.
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        (unsigned char*)const_cast<void*>(pixels), CAIRO_FORMAT_ARGB32, w, h, w * 4);
    bool ok = cairo_surface_write_to_png(surface, path) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return ok;
}
