#include "MapPicture.h"

#include <cairo.h>

#include <cmath>
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

void DrawStreets(cairo_t* cr, const MapRequest& request, double w, double h)
{
    // The grid slides with the centre so that two places never look alike, and
    // widens with the zoom (60 px at 16) so that a zoomed picture looks zoomed.
    double spacing = 60.0;
    if (request.zoom >= 0)
        spacing = std::fmin(240.0, std::fmax(15.0, 60.0 * std::pow(2.0, request.zoom - 16)));
    const double shiftX = std::fmod(std::fabs(request.longitude) * 10000.0, spacing);
    const double shiftY = std::fmod(std::fabs(request.latitude) * 10000.0, spacing);

    cairo_set_source_rgb(cr, 0.93, 0.91, 0.86);
    cairo_paint(cr);

    cairo_set_source_rgb(cr, 0.75, 0.88, 0.70);
    cairo_rectangle(cr, shiftX + 10.0, shiftY + 130.0, 95.0, 70.0);
    cairo_fill(cr);

    cairo_set_source_rgb(cr, 0.62, 0.78, 0.93);
    cairo_set_line_width(cr, 18.0);
    cairo_move_to(cr, 0.0, h * 0.78 - shiftY);
    cairo_curve_to(cr, w * 0.3, h * 0.62, w * 0.6, h * 0.95, w, h * 0.72 + shiftY * 0.3);
    cairo_stroke(cr);

    cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
    for (int i = -1; i <= static_cast<int>(w / spacing) + 1; ++i)
    {
        cairo_set_line_width(cr, i % 3 == 0 ? 9.0 : 4.0);
        double x = i * spacing + shiftX;
        cairo_move_to(cr, x, 0.0);
        cairo_line_to(cr, x + 25.0, h);
        cairo_stroke(cr);
    }
    for (int i = -1; i <= static_cast<int>(h / spacing) + 1; ++i)
    {
        cairo_set_line_width(cr, i % 3 == 1 ? 9.0 : 4.0);
        double y = i * spacing + shiftY;
        cairo_move_to(cr, 0.0, y);
        cairo_line_to(cr, w, y - 15.0);
        cairo_stroke(cr);
    }
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

std::string DrawMapPng(const MapRequest& request)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, request.width, request.height);
    cairo_t* cr = cairo_create(surface);
    const double w = request.width;
    const double h = request.height;

    DrawStreets(cr, request, w, h);
    DrawMarker(cr, w / 2.0, h / 2.0);

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

    std::string png;
    cairo_destroy(cr);
    if (cairo_surface_write_to_png_stream(surface, AppendToString, &png) != CAIRO_STATUS_SUCCESS)
        png.clear();
    cairo_surface_destroy(surface);
    return png;
}
