// cairo draws nothing on the finding screen: the stand-in graphics extension
// only asks it to lay out the button icons' paths. Linked, it (with pixman
// and two xcb libraries) joined the process-wide symbol scope that every
// later library load and first call searches, which cost each launch about
// three times what opening it privately on first use does. These
// definitions of the cairo calls our code makes open it that way. Without
// the library, creating calls return nothing and the rest do nothing, which
// the callers already treat as an unusable path or picture.
#include <cairo.h>
#include <stdlib.h>

#include "pelorn_on_demand.h"

namespace
{
PelornOnDemandLibrary gCairo{"libcairo.so.2", "pelorn-c"};
} // namespace

#define PELORN_CAIRO_FORWARD(...) PELORN_ON_DEMAND_FORWARD(gCairo, __VA_ARGS__)
#define PELORN_CAIRO_FORWARD_VOID(...) PELORN_ON_DEMAND_FORWARD_VOID(gCairo, __VA_ARGS__)

PELORN_CAIRO_FORWARD(cairo_surface_t*, cairo_image_surface_create, (cairo_format_t format, int width, int height),
                     (format, width, height), nullptr)
PELORN_CAIRO_FORWARD(cairo_surface_t*, cairo_image_surface_create_for_data,
                     (unsigned char* data, cairo_format_t format, int width, int height, int stride),
                     (data, format, width, height, stride), nullptr)
PELORN_CAIRO_FORWARD(cairo_status_t, cairo_surface_write_to_png, (cairo_surface_t * surface, const char* filename),
                     (surface, filename), CAIRO_STATUS_NULL_POINTER)
PELORN_CAIRO_FORWARD(cairo_t*, cairo_create, (cairo_surface_t * target), (target), nullptr)
PELORN_CAIRO_FORWARD(cairo_path_t*, cairo_copy_path, (cairo_t * cr), (cr), nullptr)
PELORN_CAIRO_FORWARD_VOID(cairo_surface_destroy, (cairo_surface_t * surface), (surface))
PELORN_CAIRO_FORWARD_VOID(cairo_destroy, (cairo_t * cr), (cr))
PELORN_CAIRO_FORWARD_VOID(cairo_move_to, (cairo_t * cr, double x, double y), (cr, x, y))
PELORN_CAIRO_FORWARD_VOID(cairo_line_to, (cairo_t * cr, double x, double y), (cr, x, y))
PELORN_CAIRO_FORWARD_VOID(cairo_curve_to, (cairo_t * cr, double x1, double y1, double x2, double y2, double x3, double y3),
                          (cr, x1, y1, x2, y2, x3, y3))
PELORN_CAIRO_FORWARD_VOID(cairo_close_path, (cairo_t * cr), (cr))

// Paths are made by us (gxt's invalid path) as well as by cairo; both are
// freed the way cairo frees them. Only cairo's own error path is static, and
// only cairo can hand one out, so the library is loaded whenever it could be.
extern "C" void cairo_path_destroy(cairo_path_t* path)
{
    static const auto fn = pelorn_on_demand<void (*)(cairo_path_t*)>(gCairo, "cairo_path_destroy");
    if (fn)
        fn(path);
    else if (path)
    {
        free(path->data);
        free(path);
    }
}
