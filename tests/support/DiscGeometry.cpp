#include "DiscGeometry.h"

#include <algorithm>
#include <glib.h>
#include <stdlib.h>
#include <cmath>
#include <map>

namespace PelornTest
{
std::vector<TextLine> TextLines(Evas_Object* textblock)
{
    std::vector<TextLine> lines;
    if (!textblock)
        return lines;
    Evas_Coord ox = 0, oy = 0, ow = 0, oh = 0;
    evas_object_geometry_get(textblock, &ox, &oy, &ow, &oh);
    // A one-line text part: edje sizes and places the object to its text.
    const char* type = evas_object_type_get(textblock);
    if (type && std::string(type) == "text")
    {
        if (ow > 0 && oh > 0)
            lines.push_back(TextLine{ox, oy, ow, oh});
        return lines;
    }
    std::map<int, TextLine> byNumber;
    Evas_Textblock_Cursor* cursor = evas_object_textblock_cursor_new(textblock);
    evas_textblock_cursor_paragraph_first(cursor);
    do
    {
        Evas_Coord cx = 0, cy = 0, cw = 0, ch = 0;
        const int line = evas_textblock_cursor_char_geometry_get(cursor, &cx, &cy, &cw, &ch);
        char* content = evas_textblock_cursor_content_get(cursor);
        const bool blank = !content || !*content || g_unichar_isspace(g_utf8_get_char(content));
        free(content);
        if (line < 0 || cw <= 0 || ch <= 0 || blank)
            continue;
        auto it = byNumber.find(line);
        if (it == byNumber.end())
        {
            byNumber[line] = TextLine{ox + cx, oy + cy, cw, ch};
            continue;
        }
        TextLine& box = it->second;
        const int right = std::max(box.x + box.w, ox + cx + cw), bottom = std::max(box.y + box.h, oy + cy + ch);
        box.x = std::min(box.x, ox + cx);
        box.y = std::min(box.y, oy + cy);
        box.w = right - box.x;
        box.h = bottom - box.y;
    } while (evas_textblock_cursor_char_next(cursor) || evas_textblock_cursor_paragraph_next(cursor));
    evas_textblock_cursor_free(cursor);
    for (const auto& entry : byNumber)
        lines.push_back(entry.second);
    return lines;
}

double PixelsOutsideDisc(const std::vector<TextLine>& lines, double radius)
{
    const double centre = 180.0;
    double worst = -radius;
    for (const TextLine& line : lines)
        for (int corner = 0; corner < 4; ++corner)
        {
            const double x = (corner & 1) ? line.x + line.w : line.x;
            const double y = (corner & 2) ? line.y + line.h : line.y;
            worst = std::max(worst, std::hypot(x - centre, y - centre) - radius);
        }
    return worst;
}

std::string Describe(const std::vector<TextLine>& lines)
{
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i)
        text += "line " + std::to_string(i + 1) + ": " + std::to_string(lines[i].x) + "," +
                std::to_string(lines[i].y) + " " + std::to_string(lines[i].w) + "x" + std::to_string(lines[i].h) +
                "\n";
    return text;
}
} // namespace PelornTest
