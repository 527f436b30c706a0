// Draws the white masks of the round-screen theme; edje tints them.
#include <cairo.h>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

namespace
{
std::string gDir;

void Draw(const std::string& name, int w, int h, const std::function<void(cairo_t*)>& paint)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgba(cr, 1, 1, 1, 1);
    paint(cr);
    cairo_destroy(cr);
    std::string path = gDir + "/" + name;
    if (cairo_surface_write_to_png(surface, path.c_str()) != CAIRO_STATUS_SUCCESS)
        fprintf(stderr, "cannot write %s\n", path.c_str());
    cairo_surface_destroy(surface);
}

void Disc(cairo_t* cr, double cx, double cy, double r)
{
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
    cairo_fill(cr);
}

/* The part of the 360 px screen circle inside a clip rectangle, shifted to it. */
void ScreenSegment(cairo_t* cr, double x, double y, double w, double h)
{
    cairo_rectangle(cr, 0, 0, w, h);
    cairo_clip(cr);
    Disc(cr, 180 - x, 180 - y, 180);
}

void Stroke(cairo_t* cr, double width)
{
    cairo_set_line_width(cr, width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
}
} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h"))
    {
        std::puts("Usage: theme-art [OUTPUT_DIR]\n\n"
                  "Draws the white masks of the round-screen theme (theme_*.png) into\n"
                  "OUTPUT_DIR (default: the current folder); the build runs it before\n"
                  "compiling the theme. Uses no PELORN_STATE_DIR or PELORN_RUNTIME_DIR.\n\n"
                  "Example:\n  build/theme-art /tmp/art");
        return 0;
    }
    gDir = argc > 1 ? argv[1] : ".";
    Draw("theme_disc.png", 256, 256, [](cairo_t* cr) { Disc(cr, 128, 128, 127); });
    Draw("theme_ring.png", 256, 256, [](cairo_t* cr) {
        cairo_arc(cr, 128, 128, 122, 0, 2 * M_PI);
        Stroke(cr, 8);
    });
    Draw("theme_spinner.png", 256, 256, [](cairo_t* cr) {
        cairo_arc(cr, 128, 128, 122, -M_PI / 2, M_PI / 3);
        Stroke(cr, 8);
    });
    Draw("theme_screen.png", 360, 360, [](cairo_t* cr) { Disc(cr, 180, 180, 180); });
    Draw("theme_arc_bottom.png", 360, 78, [](cairo_t* cr) { ScreenSegment(cr, 0, 282, 360, 78); });
    Draw("theme_seg_left.png", 86, 360, [](cairo_t* cr) { ScreenSegment(cr, 0, 0, 86, 360); });
    Draw("theme_seg_right.png", 86, 360, [](cairo_t* cr) { ScreenSegment(cr, 274, 0, 86, 360); });
    Draw("theme_cue.png", 24, 96, [](cairo_t* cr) {
        // A half-pill on the right edge with three dots.
        cairo_arc(cr, 24, 48, 22, M_PI / 2, 3 * M_PI / 2);
        cairo_close_path(cr);
        cairo_fill(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        for (int i = -1; i <= 1; ++i)
            Disc(cr, 14, 48 + i * 11, 3);
    });
    return 0;
}
