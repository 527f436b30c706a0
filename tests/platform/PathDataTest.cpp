#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "gxt_cairo.h"

namespace
{
// One line per element, "M 1 2", "L 3 4", "C ...", "Z", so a mismatch
// shows the whole path.
std::string Describe(const cairo_path_t* path)
{
    std::ostringstream out;
    for (int i = 0; i < path->num_data; i += path->data[i].header.length)
    {
        const cairo_path_data_t* d = &path->data[i];
        const int points[] = {1, 1, 3, 0}; // move, line, curve, close
        out << "MLCZ"[d->header.type];
        for (int p = 1; p <= points[d->header.type]; p++)
            out << " " << d[p].point.x << " " << d[p].point.y;
        out << "\n";
    }
    return out.str();
}

/* "invalid" for data refused whole: the status says so and nothing is drawn. */
std::string Parse(const char* data)
{
    cairo_path_t* path = gxt_cairo_path_create_from_dtag(data);
    if (!path)
        return "(no path)";
    std::string text = Describe(path);
    if (path->status == CAIRO_STATUS_INVALID_PATH_DATA)
        text = path->num_data == 0 ? "invalid" : "invalid, yet drawn: " + text;
    else if (path->status != CAIRO_STATUS_SUCCESS)
        text = "status " + std::to_string(path->status);
    cairo_path_destroy(path);
    return text;
}
} // namespace

TEST(PathData, CommandsNumbersAndSmoothCurvesGiveTheirPointsAndUnreadableDataNone)
{
    const char* const cases[][2] = {
        // cairo marks the point a closed sub-path returns to with a move of its own.
        {"M10 20 L30 40 C1 2 3 4 5 6 Z", "M 10 20\nL 30 40\nC 1 2 3 4 5 6\nZ\nM 10 20\n"},
        {"M5 5 H9 V1", "M 5 5\nL 9 5\nL 9 1\n"},
        {"m10 10 h5 v7 c1 1 2 2 5 3", "M 10 10\nL 15 10\nL 15 17\nC 16 18 17 19 20 20\n"},
        // After a close the current point is the sub-path's start, not the last point.
        {"M10 10 L20 10 z m1 1 l1 1", "M 10 10\nL 20 10\nZ\nM 11 11\nL 12 12\n"},
        // Extra pairs after a move are lines, relative ones relative.
        {"M 0 0 10 10 20 0", "M 0 0\nL 10 10\nL 20 0\n"},
        {"m1 1 2 2 3 -1", "M 1 1\nL 3 3\nL 6 2\n"},
        {"M0 0 c1 1 2 2 3 3 1 1 2 2 3 3", "M 0 0\nC 1 1 2 2 3 3\nC 4 4 5 5 6 6\n"},
        {"M1.5.5L-1-2", "M 1.5 0.5\nL -1 -2\n"},
        {"M1e1,25e-2\tL\t3 ,4\n", "M 10 0.25\nL 3 4\n"},
        {"  M\t46.125\t\t39.500  ", "M 46.125 39.5\n"},
        {"M0 0 C0 10 10 10 10 0 S20 -10 20 0", "M 0 0\nC 0 10 10 10 10 0\nC 10 -10 20 -10 20 0\n"},
        // Without a curve before it, S starts its first control at the current point.
        {"M0 0 S5 5 10 0", "M 0 0\nC 0 0 5 5 10 0\n"},
        // Quadratic: control points two thirds of the way to q; T mirrors q.
        {"M0 0 Q3 9 6 0 T12 0", "M 0 0\nC 2 6 4 6 6 0\nC 8 -6 10 -6 12 0\n"},
        {" \t ", ""}, // an empty path
        {nullptr, "invalid"},
        {"L 1 1", "invalid"},                 // drawing before a move
        {"M 1", "invalid"},                   // a coordinate missing
        {"M 1 2 X 3", "invalid"},             // unknown command
        {"M 1 2 A 5 5 0 0 1 9 9", "invalid"}, // arcs are not read
        {"M 1e999 0", "invalid"},             // not a finite number
        {"M 1 2 L 3 -", "invalid"},           // a sign without digits
        {"M . 2", "invalid"},                 // a point without digits
    };
    for (const auto& c : cases)
        EXPECT_EQ(c[1], Parse(c[0])) << (c[0] ? c[0] : "(null)");
}
