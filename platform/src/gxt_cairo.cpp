#include "gxt_cairo.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "dlog.h"

namespace
{
cairo_path_t* InvalidPath()
{
    // cairo_path_destroy() frees both the data and the record with free().
    auto* path = static_cast<cairo_path_t*>(calloc(1, sizeof(cairo_path_t)));
    if (path)
        path->status = CAIRO_STATUS_INVALID_PATH_DATA;
    return path;
}

class PathDataReader
{
public:
    explicit PathDataReader(const char* text) : mText(text) {}

    void SkipSeparators()
    {
        while (*mText == ' ' || *mText == '\t' || *mText == '\n' || *mText == '\r' || *mText == '\f' ||
               *mText == ',')
            ++mText;
    }

    bool AtEnd()
    {
        SkipSeparators();
        return *mText == '\0';
    }

    // A number starts here (so an implicit repetition of the last command follows).
    bool NumberAhead()
    {
        SkipSeparators();
        char c = *mText;
        return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.';
    }

    char Command()
    {
        SkipSeparators();
        return *mText++;
    }

    bool Number(double* out)
    {
        if (!NumberAhead())
            return false;
        // strtod alone would accept "inf", "nan" and hexadecimal forms, which
        // path data never holds, so the number's extent is checked by hand.
        const char* p = mText;
        if (*p == '-' || *p == '+')
            ++p;
        bool digits = false;
        while (*p >= '0' && *p <= '9')
        {
            ++p;
            digits = true;
        }
        if (*p == '.')
        {
            ++p;
            while (*p >= '0' && *p <= '9')
            {
                ++p;
                digits = true;
            }
        }
        if (!digits)
            return false;
        if (*p == 'e' || *p == 'E')
        {
            const char* q = p + 1;
            if (*q == '-' || *q == '+')
                ++q;
            if (*q >= '0' && *q <= '9')
            {
                while (*q >= '0' && *q <= '9')
                    ++q;
                p = q;
            }
        }
        // "1.5.5" reads as 1.5 then .5: the copy ends the number where it ends.
        char buffer[64];
        size_t length = (size_t)(p - mText);
        if (length >= sizeof(buffer))
            return false;
        memcpy(buffer, mText, length);
        buffer[length] = '\0';
        double value = strtod(buffer, nullptr);
        if (!std::isfinite(value))
            return false;
        *out = value;
        mText = p;
        return true;
    }

    bool Numbers(double* out, int count)
    {
        for (int i = 0; i < count; ++i)
            if (!Number(&out[i]))
                return false;
        return true;
    }

private:
    const char* mText;
};

struct PathBuilder
{
    cairo_t* cr;
    double x = 0, y = 0;             // current point
    double startX = 0, startY = 0;   // start of the open sub-path
    double ctrlX = 0, ctrlY = 0;     // last control point, for S/s and T/t
    char lastCurve = 0;              // 'C' after C/S, 'Q' after Q/T, else 0
    bool hasCurrent = false;

    void MoveTo(double nx, double ny)
    {
        cairo_move_to(cr, nx, ny);
        x = startX = nx;
        y = startY = ny;
        hasCurrent = true;
        lastCurve = 0;
    }
    void LineTo(double nx, double ny)
    {
        cairo_line_to(cr, nx, ny);
        x = nx;
        y = ny;
        lastCurve = 0;
    }
    void CurveTo(double x1, double y1, double x2, double y2, double nx, double ny)
    {
        cairo_curve_to(cr, x1, y1, x2, y2, nx, ny);
        ctrlX = x2;
        ctrlY = y2;
        x = nx;
        y = ny;
        lastCurve = 'C';
    }
    // The smooth commands mirror the last control point of a curve of their own kind.
    double Reflected(char kind, double at, double control) const
    {
        return lastCurve == kind ? 2 * at - control : at;
    }
    void QuadTo(double qx, double qy, double nx, double ny)
    {
        // A quadratic segment is the cubic whose control points lie 2/3 of the way to q.
        cairo_curve_to(cr, x + 2.0 / 3.0 * (qx - x), y + 2.0 / 3.0 * (qy - y), nx + 2.0 / 3.0 * (qx - nx),
                       ny + 2.0 / 3.0 * (qy - ny), nx, ny);
        ctrlX = qx;
        ctrlY = qy;
        x = nx;
        y = ny;
        lastCurve = 'Q';
    }
    void Close()
    {
        cairo_close_path(cr);
        x = startX;
        y = startY;
        lastCurve = 0;
    }
};

// Reads one command with all its implicit repetitions; false on bad data.
bool ReadCommand(PathDataReader& reader, PathBuilder& b, char command)
{
    const bool relative = command >= 'a' && command <= 'z';
    const char upper = relative ? (char)(command - 'a' + 'A') : command;
    if (upper != 'M' && !b.hasCurrent)
        return false;
    if (upper == 'Z')
    {
        b.Close();
        return true;
    }
    bool first = true;
    do
    {
        double v[6];
        const double ox = relative ? b.x : 0.0;
        const double oy = relative ? b.y : 0.0;
        switch (upper)
        {
        case 'M':
            if (!reader.Numbers(v, 2))
                return false;
            // Pairs after the first continue the sub-path as lines.
            if (first)
                b.MoveTo(ox + v[0], oy + v[1]);
            else
                b.LineTo(ox + v[0], oy + v[1]);
            break;
        case 'L':
            if (!reader.Numbers(v, 2))
                return false;
            b.LineTo(ox + v[0], oy + v[1]);
            break;
        case 'H':
            if (!reader.Numbers(v, 1))
                return false;
            b.LineTo(ox + v[0], b.y);
            break;
        case 'V':
            if (!reader.Numbers(v, 1))
                return false;
            b.LineTo(b.x, oy + v[0]);
            break;
        case 'C':
            if (!reader.Numbers(v, 6))
                return false;
            b.CurveTo(ox + v[0], oy + v[1], ox + v[2], oy + v[3], ox + v[4], oy + v[5]);
            break;
        case 'S':
            if (!reader.Numbers(v, 4))
                return false;
            b.CurveTo(b.Reflected('C', b.x, b.ctrlX), b.Reflected('C', b.y, b.ctrlY), ox + v[0], oy + v[1],
                      ox + v[2], oy + v[3]);
            break;
        case 'Q':
            if (!reader.Numbers(v, 4))
                return false;
            b.QuadTo(ox + v[0], oy + v[1], ox + v[2], oy + v[3]);
            break;
        case 'T':
            if (!reader.Numbers(v, 2))
                return false;
            b.QuadTo(b.Reflected('Q', b.x, b.ctrlX), b.Reflected('Q', b.y, b.ctrlY), ox + v[0], oy + v[1]);
            break;
        default:
            // Elliptical arcs (A/a) are not used by any icon of this system.
            return false;
        }
        first = false;
    } while (reader.NumberAhead());
    return true;
}
} // namespace

extern "C" cairo_path_t* gxt_cairo_path_create_from_dtag(const char* dtag)
{
    if (!dtag)
    {
        dlog_print(DLOG_ERROR, "pelorn-c", "gxt: no path data");
        return InvalidPath();
    }
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
    cairo_t* cr = cairo_create(surface);
    PathBuilder builder;
    builder.cr = cr;
    PathDataReader reader(dtag);

    bool ok = true;
    while (ok && !reader.AtEnd())
    {
        char command = reader.Command();
        ok = strchr("MmLlHhVvCcSsQqTtZz", command) != nullptr && ReadCommand(reader, builder, command);
    }

    cairo_path_t* path = nullptr;
    if (ok)
        path = cairo_copy_path(cr);
    else
        dlog_print(DLOG_ERROR, "pelorn-c", "gxt: unreadable path data");
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return path ? path : InvalidPath();
}
