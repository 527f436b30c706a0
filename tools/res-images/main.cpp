// pelorn-res-images OUTPUT_DIR
//
// Draws every picture of the application into OUTPUT_DIR with cairo: the
// start/stop button's icon sequence (a morph of the phone icon into the
// magnifying glass, frames 0..18), the button's disc, the radar, and the
// white icons of the menu and the popups. Everything is drawn white on
// transparent; the layouts tint it.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "VectorIconPaths.h"
#include "gxt_cairo.h"

namespace
{
constexpr int FRAME_COUNT = 19;
constexpr int ICON_SIZE = 96;
constexpr double ICON_SCALE = 0.8;          // icon data units to pixels
constexpr double ICON_CENTRE = 74.5;        // centre of both icons in data units
constexpr int MORPH_POINTS = 240;           // samples per outline

struct Point
{
    double x, y;
};
using Contour = std::vector<Point>;

cairo_surface_t* NewSurface(int w, int h)
{
    return cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
}

bool Save(cairo_surface_t* surface, const std::string& path)
{
    cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS)
    {
        fprintf(stderr, "pelorn-res-images: cannot write %s: %s\n", path.c_str(), cairo_status_to_string(status));
        return false;
    }
    return true;
}

// The closed outlines of a path, flattened to polylines.
std::vector<Contour> Flatten(cairo_path_t* path)
{
    cairo_surface_t* scratch = NewSurface(1, 1);
    cairo_t* cr = cairo_create(scratch);
    cairo_set_tolerance(cr, 0.005);
    cairo_append_path(cr, path);
    cairo_path_t* flat = cairo_copy_path_flat(cr);
    std::vector<Contour> contours;
    Contour current;
    for (int i = 0; i < flat->num_data; i += flat->data[i].header.length)
    {
        const cairo_path_data_t* d = &flat->data[i];
        if (d->header.type == CAIRO_PATH_MOVE_TO)
            current = {{d[1].point.x, d[1].point.y}};
        else if (d->header.type == CAIRO_PATH_LINE_TO)
            current.push_back({d[1].point.x, d[1].point.y});
        else if (d->header.type == CAIRO_PATH_CLOSE_PATH && !current.empty())
        {
            contours.push_back(current);
            current.clear();
        }
    }
    cairo_path_destroy(flat);
    cairo_destroy(cr);
    cairo_surface_destroy(scratch);
    return contours;
}

// n points spread evenly along the closed outline.
Contour Resample(const Contour& c, int n)
{
    std::vector<double> along(c.size() + 1, 0.0);
    for (size_t i = 0; i < c.size(); ++i)
    {
        const Point& a = c[i];
        const Point& b = c[(i + 1) % c.size()];
        along[i + 1] = along[i] + std::hypot(b.x - a.x, b.y - a.y);
    }
    const double total = along.back();
    Contour out;
    size_t seg = 0;
    for (int k = 0; k < n; ++k)
    {
        double at = total * k / n;
        while (seg + 1 < c.size() && along[seg + 1] < at)
            ++seg;
        double len = along[seg + 1] - along[seg];
        double f = len > 0 ? (at - along[seg]) / len : 0.0;
        const Point& a = c[seg];
        const Point& b = c[(seg + 1) % c.size()];
        out.push_back({a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f});
    }
    return out;
}

double SignedArea(const Contour& c)
{
    double area = 0;
    for (size_t i = 0; i < c.size(); ++i)
    {
        const Point& a = c[i];
        const Point& b = c[(i + 1) % c.size()];
        area += a.x * b.y - b.x * a.y;
    }
    return area / 2;
}

// Turns and rotates `to` so that its points pair with `from`'s over the
// shortest travel: the morph then slides each point instead of twisting.
Contour Align(const Contour& from, Contour to)
{
    if (SignedArea(from) * SignedArea(to) < 0)
        std::reverse(to.begin(), to.end());
    const size_t n = to.size();
    size_t best = 0;
    double bestCost = INFINITY;
    for (size_t shift = 0; shift < n; ++shift)
    {
        double cost = 0;
        for (size_t i = 0; i < n && cost < bestCost; ++i)
        {
            const Point& a = from[i];
            const Point& b = to[(i + shift) % n];
            cost += (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y);
        }
        if (cost < bestCost)
        {
            bestCost = cost;
            best = shift;
        }
    }
    std::rotate(to.begin(), to.begin() + best, to.end());
    return to;
}

void IconTransform(cairo_t* cr)
{
    cairo_translate(cr, ICON_SIZE / 2.0, ICON_SIZE / 2.0);
    cairo_scale(cr, ICON_SCALE, ICON_SCALE);
    cairo_translate(cr, -ICON_CENTRE, -ICON_CENTRE);
}

bool DrawIconSequence(const std::string& dir)
{
    cairo_path_t* phone = gxt_cairo_path_create_from_dtag(NSPelorn::PHONE_ICON_PATH_DATA);
    cairo_path_t* search = gxt_cairo_path_create_from_dtag(NSPelorn::SEARCH_ICON_PATH_DATA);
    bool ok = phone->status == CAIRO_STATUS_SUCCESS && search->status == CAIRO_STATUS_SUCCESS;
    std::vector<Contour> from = ok ? Flatten(phone) : std::vector<Contour>();
    std::vector<Contour> to = ok ? Flatten(search) : std::vector<Contour>();
    if (!ok || from.size() != to.size() || from.empty())
    {
        fprintf(stderr, "pelorn-res-images: the two icons do not pair up (%zu and %zu outlines)\n", from.size(),
                to.size());
        cairo_path_destroy(phone);
        cairo_path_destroy(search);
        return false;
    }
    for (size_t i = 0; i < from.size(); ++i)
    {
        from[i] = Resample(from[i], MORPH_POINTS);
        to[i] = Align(from[i], Resample(to[i], MORPH_POINTS));
    }

    mkdir((dir + "/sequence_icon").c_str(), 0755);
    for (int frame = 0; frame < FRAME_COUNT && ok; ++frame)
    {
        double t = (double)frame / (FRAME_COUNT - 1);
        double s = t * t * (3 - 2 * t); // ease in and out
        cairo_surface_t* surface = NewSurface(ICON_SIZE, ICON_SIZE);
        cairo_t* cr = cairo_create(surface);
        IconTransform(cr);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
        cairo_set_source_rgba(cr, 1, 1, 1, 1);
        if (frame == 0 || frame == FRAME_COUNT - 1)
        {
            // The end frames are the icons themselves, curves and all.
            cairo_append_path(cr, frame == 0 ? phone : search);
        }
        else
        {
            // Half way the icon turns a little, so the change reads as motion.
            double turn = std::sin(M_PI * s) * 0.18;
            cairo_translate(cr, ICON_CENTRE, ICON_CENTRE);
            cairo_rotate(cr, turn);
            cairo_translate(cr, -ICON_CENTRE, -ICON_CENTRE);
            for (size_t c = 0; c < from.size(); ++c)
            {
                for (int i = 0; i < MORPH_POINTS; ++i)
                {
                    double x = from[c][i].x + (to[c][i].x - from[c][i].x) * s;
                    double y = from[c][i].y + (to[c][i].y - from[c][i].y) * s;
                    if (i == 0)
                        cairo_move_to(cr, x, y);
                    else
                        cairo_line_to(cr, x, y);
                }
                cairo_close_path(cr);
            }
        }
        cairo_fill(cr);
        cairo_destroy(cr);
        ok = Save(surface, dir + "/sequence_icon/rux_search_icon_" + std::to_string(frame) + ".png");
    }
    if (ok)
    {
        // The button's resting start icon is the sequence's first frame.
        cairo_surface_t* surface = NewSurface(ICON_SIZE, ICON_SIZE);
        cairo_t* cr = cairo_create(surface);
        IconTransform(cr);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
        cairo_set_source_rgba(cr, 1, 1, 1, 1);
        cairo_append_path(cr, phone);
        cairo_fill(cr);
        cairo_destroy(cr);
        ok = Save(surface, dir + "/orz_icon_start_search.png");
    }
    cairo_path_destroy(phone);
    cairo_path_destroy(search);
    return ok;
}

// A white disc with a soft top-to-bottom shade, drawn at the size it is shown.
// onBlack draws it on an opaque black square instead of a clear one: over a
// black screen the two look the same, and a picture without an alpha channel
// costs its loader no pass over every pixel, which one with alpha does.
bool DrawDisc(const std::string& path, int size, bool onBlack = false)
{
    cairo_surface_t* surface =
        onBlack ? cairo_image_surface_create(CAIRO_FORMAT_RGB24, size, size) : NewSurface(size, size);
    cairo_t* cr = cairo_create(surface);
    if (onBlack)
    {
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_paint(cr);
    }
    cairo_arc(cr, size / 2.0, size / 2.0, size / 2.0 - 1, 0, 2 * M_PI);
    cairo_pattern_t* shade = cairo_pattern_create_linear(0, 0, 0, size);
    cairo_pattern_add_color_stop_rgba(shade, 0, 1, 1, 1, 1);
    cairo_pattern_add_color_stop_rgba(shade, 1, 0.86, 0.86, 0.86, 1);
    cairo_set_source(cr, shade);
    cairo_fill(cr);
    cairo_pattern_destroy(shade);
    cairo_destroy(cr);
    return Save(surface, path);
}

// The button's face and the halo behind it, tinted by the layout. Each is
// drawn at exactly the size the finding screen shows it (152 and 236 px):
// a picture the canvas must scale costs a smooth-scaling pass on every frame
// that draws it, the first frame of every launch included.
bool DrawButtonDisc(const std::string& dir)
{
    const int size = 152;
    bool ok = DrawDisc(dir + "/orz_button_bg.png", size);
    // The halo lies on the screen's black, so it needs no alpha of its own.
    ok = DrawDisc(dir + "/orz_button_halo.png", 236, true) && ok;

    // A thin ring around the face, shown while the button is pressed.
    cairo_surface_t* surface = NewSurface(size, size);
    cairo_t* cr = cairo_create(surface);
    cairo_set_line_width(cr, 4);
    cairo_arc(cr, size / 2.0, size / 2.0, size / 2.0 - 3, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, 1, 1, 1, 1);
    cairo_stroke(cr);
    cairo_destroy(cr);
    return Save(surface, dir + "/orz_button_ring.png") && ok;
}

// Rings and a sweeping beam that fades behind its leading edge; the layout
// tints it and turns it.
bool DrawRadar(const std::string& dir)
{
    const int size = 320;
    const double c = size / 2.0;
    cairo_surface_t* surface = NewSurface(size, size);
    cairo_t* cr = cairo_create(surface);

    cairo_set_line_width(cr, 2);
    const double rings[] = {96, 124, 152};
    const double ringAlpha[] = {0.55, 0.38, 0.22};
    for (int i = 0; i < 3; ++i)
    {
        cairo_set_source_rgba(cr, 1, 1, 1, ringAlpha[i]);
        cairo_arc(cr, c, c, rings[i], 0, 2 * M_PI);
        cairo_stroke(cr);
    }

    // The beam: thin slices whose opacity falls off over 100 degrees.
    const double beam = 100 * M_PI / 180;
    const int slices = 200;
    for (int i = 0; i < slices; ++i)
    {
        double a0 = -M_PI / 2 - beam * (i + 1) / slices;
        double a1 = -M_PI / 2 - beam * i / slices + 0.004;
        double fade = 1.0 - (double)i / slices;
        cairo_pattern_t* radial = cairo_pattern_create_radial(c, c, 70, c, c, 156);
        cairo_pattern_add_color_stop_rgba(radial, 0, 1, 1, 1, 0.0);
        cairo_pattern_add_color_stop_rgba(radial, 0.25, 1, 1, 1, 0.55 * fade * fade);
        cairo_pattern_add_color_stop_rgba(radial, 1, 1, 1, 1, 0.25 * fade * fade);
        cairo_move_to(cr, c, c);
        cairo_arc(cr, c, c, 156, a0, a1);
        cairo_close_path(cr);
        cairo_set_source(cr, radial);
        cairo_fill(cr);
        cairo_pattern_destroy(radial);
    }
    // The leading edge.
    cairo_set_source_rgba(cr, 1, 1, 1, 0.9);
    cairo_set_line_width(cr, 2.5);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, c, c - 80);
    cairo_line_to(cr, c, c - 155);
    cairo_stroke(cr);
    // Blips left behind by the beam.
    const double blips[][3] = {{-0.55, 118, 4}, {-1.15, 140, 3}, {-0.3, 100, 2.5}};
    for (const auto& b : blips)
    {
        double a = -M_PI / 2 + b[0];
        cairo_set_source_rgba(cr, 1, 1, 1, 0.8);
        cairo_arc(cr, c + b[1] * std::cos(a), c + b[1] * std::sin(a), b[2], 0, 2 * M_PI);
        cairo_fill(cr);
    }
    cairo_destroy(cr);
    return Save(surface, dir + "/orz_radar.png");
}

// Map pin over a small ring: the menu's "locate phone" icon.
bool DrawLocateIcon(const std::string& dir)
{
    const int size = 64;
    cairo_surface_t* surface = NewSurface(size, size);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgba(cr, 1, 1, 1, 1);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    const double cx = 32, cy = 25, r = 15;
    // Teardrop: a circle whose lower part runs into a point at (32, 56).
    double tip = 56, a = std::acos(r / (tip - cy));
    cairo_arc(cr, cx, cy, r, M_PI / 2 + a, M_PI / 2 - a + 2 * M_PI);
    cairo_line_to(cr, cx, tip);
    cairo_close_path(cr);
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, 6, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_destroy(cr);
    return Save(surface, dir + "/orz_more_icon_locate_device.png");
}

bool DrawStrokeIcon(const std::string& path, bool check)
{
    const int size = 64;
    cairo_surface_t* surface = NewSurface(size, size);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgba(cr, 1, 1, 1, 1);
    cairo_set_line_width(cr, 5);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    if (check)
    {
        cairo_move_to(cr, 15, 33);
        cairo_line_to(cr, 27, 45);
        cairo_line_to(cr, 50, 20);
    }
    else
    {
        cairo_move_to(cr, 18, 18);
        cairo_line_to(cr, 46, 46);
        cairo_move_to(cr, 46, 18);
        cairo_line_to(cr, 18, 46);
    }
    cairo_stroke(cr);
    cairo_destroy(cr);
    return Save(surface, path);
}
} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (!strcmp(argv[1], "--help") || !strcmp(argv[1], "-h")))
    {
        puts("Usage: pelorn-res-images OUTPUT_DIR\n\n"
             "Draws the application's pictures (button icon sequence, button disc, radar,\n"
             "locate icon, ...) into OUTPUT_DIR; the build runs it to fill res/. Uses no\n"
             "PELORN_STATE_DIR or PELORN_RUNTIME_DIR.\n\n"
             "Example:\n  build/pelorn-res-images /tmp/images");
        return 0;
    }
    if (argc != 2)
    {
        fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    mkdir(dir.c_str(), 0755);
    bool ok = DrawIconSequence(dir);
    ok = DrawButtonDisc(dir) && ok;
    ok = DrawRadar(dir) && ok;
    ok = DrawLocateIcon(dir) && ok;
    ok = DrawStrokeIcon(dir + "/core_button_icon_done.png", true) && ok;
    ok = DrawStrokeIcon(dir + "/core_button_icon_cancel.png", false) && ok;
    return ok ? 0 : 1;
}
