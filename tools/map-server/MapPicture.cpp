#include "MapPicture.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace
{
std::map<std::string, std::string> QueryParameters(const std::string& query)
{
    std::map<std::string, std::string> params;
    std::string::size_type start = 0;
    while (start <= query.size())
    {
        std::string::size_type end = query.find('&', start);
        if (end == std::string::npos)
            end = query.size();
        std::string pair = query.substr(start, end - start);
        std::string::size_type eq = pair.find('=');
        if (eq != std::string::npos)
            params[pair.substr(0, eq)] = pair.substr(eq + 1);
        start = end + 1;
    }
    return params;
}

bool ParsePair(const std::string& text, char separator, double& first, double& second)
{
    std::string::size_type sep = text.find(separator);
    if (sep == std::string::npos)
        return false;
    char* end = nullptr;
    first = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + sep)
        return false;
    const char* secondText = text.c_str() + sep + 1;
    second = std::strtod(secondText, &end);
    return end != secondText && *end == '\0';
}

int ParseSize(const std::string& text, int fallback)
{
    int value = std::atoi(text.c_str());
    return value > 0 && value <= 2048 ? value : fallback;
}

cairo_status_t AppendToString(void* closure, const unsigned char* data, unsigned int length)
{
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

/* A small deterministic generator, so one place always looks the same and two
 * places differ. */
struct Seeded
{
    uint32_t state;
    explicit Seeded(const MapRequest& request)
        : state(static_cast<uint32_t>(std::llround(request.latitude * 1e4) * 73856093LL ^
                                      std::llround(request.longitude * 1e4) * 19349663LL) |
                1u)
    {
    }
    double Next() // 0 <= value < 1
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return (state % 10000) / 10000.0;
    }
};

void StrokeRoad(cairo_t* cr, double x1, double y1, double x2, double y2, double width, double r, double g, double b,
                double casing)
{
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_source_rgb(cr, r * casing, g * casing, b * casing);
    cairo_set_line_width(cr, width + 2.0);
    cairo_move_to(cr, x1, y1);
    cairo_line_to(cr, x2, y2);
    cairo_stroke(cr);
    cairo_set_source_rgb(cr, r, g, b);
    cairo_set_line_width(cr, width);
    cairo_move_to(cr, x1, y1);
    cairo_line_to(cr, x2, y2);
    cairo_stroke(cr);
}

/* A street name written along a horizontal road, dark on a light halo, as maps label them. */
void DrawStreetName(cairo_t* cr, const char* name, double x, double y)
{
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 11.0);
    cairo_move_to(cr, x, y);
    cairo_text_path(cr, name);
    cairo_set_source_rgba(cr, 1.0, 1.0, 1.0, 0.9);
    cairo_set_line_width(cr, 3.0);
    cairo_stroke_preserve(cr);
    cairo_set_source_rgb(cr, 0.33, 0.33, 0.36);
    cairo_fill(cr);
}

/* A city quarter around the centre: built-up blocks between streets, a park,
 * a river, two main roads with their names. */
void DrawStreets(cairo_t* cr, const MapRequest& request, double w, double h)
{
    static const char* const kNames[] = {"Harbour Road", "Main Street",  "Station Avenue", "Market Street",
                                         "Park Lane",    "River Walk",   "Church Street",  "Mill Road",
                                         "King Street",  "Garden Row",   "Bridge Street",  "Castle Hill"};
    const int kNameCount = sizeof(kNames) / sizeof(kNames[0]);
    Seeded random(request);
    // Blocks widen with the zoom (about 70 px at 16), so a zoomed picture looks zoomed.
    double scale = 1.0;
    if (request.zoom >= 0)
        scale = std::fmin(4.0, std::fmax(0.25, std::pow(2.0, request.zoom - 16)));
    const double block = (64.0 + random.Next() * 16.0) * scale;
    const double shiftX = random.Next() * block;
    const double shiftY = random.Next() * block;
    const double angle = (random.Next() - 0.5) * 0.35;

    cairo_set_source_rgb(cr, 0.95, 0.94, 0.91);
    cairo_paint(cr);

    cairo_save(cr);
    cairo_translate(cr, w / 2.0, h / 2.0);
    cairo_rotate(cr, angle);
    cairo_translate(cr, -w / 2.0, -h / 2.0);
    const double reach = std::max(w, h) * 0.5;
    const int cells = static_cast<int>(std::max(w, h) / block) + 3;
    const int parkCol = 1 + static_cast<int>(random.Next() * (cells - 3));
    const int parkRow = static_cast<int>(random.Next() * (cells - 2));

    // Blocks: a park, the rest built up with a few houses each.
    for (int col = -1; col < cells; ++col)
        for (int row = -1; row < cells; ++row)
        {
            const double x = col * block + shiftX - reach * 0.2;
            const double y = row * block + shiftY - reach * 0.2;
            if (col == parkCol && (row == parkRow || row == parkRow + 1))
            {
                cairo_set_source_rgb(cr, 0.77, 0.89, 0.71);
                cairo_rectangle(cr, x + 4.0, y + 4.0, block - 8.0, block - 8.0);
                cairo_fill(cr);
                continue;
            }
            const int houses = 1 + static_cast<int>(random.Next() * 3.0);
            for (int i = 0; i < houses; ++i)
            {
                const double hw = block * (0.25 + random.Next() * 0.3);
                const double hh = block * (0.25 + random.Next() * 0.3);
                const double hx = x + 8.0 + random.Next() * (block - 16.0 - hw);
                const double hy = y + 8.0 + random.Next() * (block - 16.0 - hh);
                cairo_set_source_rgb(cr, 0.87, 0.85, 0.82);
                cairo_rectangle(cr, hx, hy, hw, hh);
                cairo_fill(cr);
            }
        }

    // The river crosses the lower part of the quarter.
    const double riverY = h * (0.70 + random.Next() * 0.15);
    cairo_set_source_rgb(cr, 0.66, 0.81, 0.95);
    cairo_set_line_width(cr, 26.0);
    cairo_move_to(cr, -reach * 0.3, riverY);
    cairo_curve_to(cr, w * 0.3, riverY - 40.0, w * 0.6, riverY + 45.0, w + reach * 0.3, riverY - 10.0);
    cairo_stroke(cr);

    // Side streets, then the two main roads over them.
    for (int i = -1; i < cells; ++i)
    {
        const double x = i * block + shiftX - reach * 0.2;
        const double y = i * block + shiftY - reach * 0.2;
        StrokeRoad(cr, x, -reach, x, h + reach, 7.0, 1.0, 1.0, 1.0, 0.86);
        StrokeRoad(cr, -reach, y, w + reach, y, 7.0, 1.0, 1.0, 1.0, 0.86);
    }
    const int mainRow = 1 + static_cast<int>(random.Next() * (cells - 3));
    const int mainCol = 1 + static_cast<int>(random.Next() * (cells - 3));
    const double mainY = mainRow * block + shiftY - reach * 0.2;
    const double mainX = mainCol * block + shiftX - reach * 0.2;
    StrokeRoad(cr, -reach, mainY, w + reach, mainY, 12.0, 0.99, 0.85, 0.47, 0.82);
    StrokeRoad(cr, mainX, -reach, mainX, h + reach, 12.0, 0.99, 0.85, 0.47, 0.82);

    const int first = static_cast<int>(random.Next() * kNameCount);
    DrawStreetName(cr, kNames[first], w * 0.08, mainY - 9.0);
    DrawStreetName(cr, kNames[(first + 1 + static_cast<int>(random.Next() * (kNameCount - 1))) % kNameCount],
                   w * 0.55, mainY + block - 6.0);
    cairo_restore(cr);
}

void DrawMarker(cairo_t* cr, double cx, double cy)
{
    cairo_set_source_rgb(cr, 0.85, 0.15, 0.12);
    cairo_move_to(cr, cx, cy);
    cairo_curve_to(cr, cx - 6.0, cy - 14.0, cx - 16.0, cy - 20.0, cx - 16.0, cy - 32.0);
    cairo_arc(cr, cx, cy - 32.0, 16.0, M_PI, 0.0);
    cairo_curve_to(cr, cx + 16.0, cy - 20.0, cx + 6.0, cy - 14.0, cx, cy);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
    cairo_arc(cr, cx, cy - 32.0, 6.0, 0.0, 2.0 * M_PI);
    cairo_fill(cr);
}

void DrawLabel(cairo_t* cr, const std::string& text, double cx, double baseline, double size)
{
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t ext;
    cairo_text_extents(cr, text.c_str(), &ext);
    const double x = cx - ext.width / 2.0 - ext.x_bearing;
    cairo_set_source_rgba(cr, 1.0, 1.0, 1.0, 0.85);
    cairo_rectangle(cr, x - 6.0, baseline + ext.y_bearing - 4.0, ext.width + 12.0, ext.height + 8.0);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0.15, 0.15, 0.2);
    cairo_move_to(cr, x, baseline);
    cairo_show_text(cr, text.c_str());
}
} // namespace

MapRequest ParseMapRequest(const std::string& pathAndQuery)
{
    // How each provider's endpoint names its centre and picture size.
    struct Endpoint
    {
        const char* path;
        const char* provider;
        const char* centerParam;
        bool latitudeFirst;
        const char* sizeParam; // "WxH" in one parameter, or nullptr for separate "w" and "h"
        char sizeSeparator;
        const char* zoomParam;
    };
    static const Endpoint kEndpoints[] = {
        {"/maps/api/staticmap", "google", "center", true, "size", 'x', "zoom"},
        {"/v3/staticmap", "autonavi", "location", false, "size", '*', "zoom"},
        {"/v1/map/staticmap.bin", "naver", "center", false, nullptr, 0, "level"},
        {"/mia/1.6/mapview", "here", "ctr", true, nullptr, 0, "z"},
    };

    MapRequest request;
    std::string::size_type q = pathAndQuery.find('?');
    const std::string path = pathAndQuery.substr(0, q);
    const std::string query = q == std::string::npos ? std::string() : pathAndQuery.substr(q + 1);
    std::map<std::string, std::string> params = QueryParameters(query);

    for (const Endpoint& endpoint : kEndpoints)
    {
        if (path != endpoint.path)
            continue;
        request.provider = endpoint.provider;
        double first = 0.0;
        double second = 0.0;
        request.hasCenter = ParsePair(params[endpoint.centerParam], ',', first, second);
        request.latitude = endpoint.latitudeFirst ? first : second;
        request.longitude = endpoint.latitudeFirst ? second : first;
        const std::string zoom = params[endpoint.zoomParam];
        if (!zoom.empty() && zoom.size() <= 2 && zoom.find_first_not_of("0123456789") == std::string::npos)
            request.zoom = std::atoi(zoom.c_str());
        if (!endpoint.sizeParam)
        {
            request.width = ParseSize(params["w"], 360);
            request.height = ParseSize(params["h"], 360);
        }
        else if (ParsePair(params[endpoint.sizeParam], endpoint.sizeSeparator, first, second))
        {
            request.width = ParseSize(std::to_string(static_cast<int>(first)), 360);
            request.height = ParseSize(std::to_string(static_cast<int>(second)), 360);
        }
        break;
    }
    return request;
}

std::string DrawMapPng(const MapRequest& request, bool debugText)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, request.width, request.height);
    cairo_t* cr = cairo_create(surface);
    const double w = request.width;
    const double h = request.height;

    DrawStreets(cr, request, w, h);
    DrawMarker(cr, w / 2.0, h / 2.0);

    if (debugText)
    {
        char centre[64];
        if (request.hasCenter)
            std::snprintf(centre, sizeof(centre), "%.6f, %.6f", request.latitude, request.longitude);
        else
            std::snprintf(centre, sizeof(centre), "no centre");
        std::string title = request.provider;
        if (request.zoom >= 0)
            title += " z" + std::to_string(request.zoom);
        DrawLabel(cr, title, w / 2.0, 62.0, 16.0);
        DrawLabel(cr, centre, w / 2.0, 90.0, 18.0);
    }

    std::string png;
    cairo_destroy(cr);
    if (cairo_surface_write_to_png_stream(surface, AppendToString, &png) != CAIRO_STATUS_SUCCESS)
        png.clear();
    cairo_surface_destroy(surface);
    return png;
}
