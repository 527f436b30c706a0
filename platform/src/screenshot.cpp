#include "pelorn_screenshot.h"

#include <Ecore_Evas.h>
#include <Elementary.h>
#include <cairo.h>
#include <glib.h>
#include <string.h>

namespace
{
// The buffer engine's pixels of a freshly rendered frame: premultiplied 32-bit
// ARGB in native byte order.
const void* RenderedPixels(Evas_Object* win, int* w, int* h)
{
    Ecore_Evas* ee = win ? ecore_evas_ecore_evas_get(evas_object_evas_get(win)) : nullptr;
    if (!ee || strcmp(ecore_evas_engine_name_get(ee), "buffer") != 0)
        return nullptr;
    ecore_evas_manual_render(ee);
    ecore_evas_geometry_get(ee, nullptr, nullptr, w, h);
    const void* pixels = ecore_evas_buffer_pixels_get(ee);
    return *w > 0 && *h > 0 ? pixels : nullptr;
}
} // namespace

bool pelorn_window_save_png(Evas_Object* win, const char* path)
{
    int w = 0, h = 0;
    const void* pixels = path ? RenderedPixels(win, &w, &h) : nullptr;
    if (!pixels)
        return false;
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        (unsigned char*)const_cast<void*>(pixels), CAIRO_FORMAT_ARGB32, w, h, w * 4);
    bool ok = cairo_surface_write_to_png(surface, path) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return ok;
}

char* pelorn_window_pixels_digest(Evas_Object* win)
{
    int w = 0, h = 0;
    const void* pixels = RenderedPixels(win, &w, &h);
    return pixels ? g_compute_checksum_for_data(G_CHECKSUM_MD5, (const guchar*)pixels, (gsize)w * h * 4) : nullptr;
}
