#include <gtest/gtest.h>

#include <cmath>

#include "VectorIconPaths.h"
#include "gxt_cairo.h"

using namespace NSPelorn;

namespace
{
struct Outline
{
    int closed = 0;
    double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
};

Outline Measure(const cairo_path_t* path)
{
    Outline o;
    for (int i = 0; i < path->num_data; i += path->data[i].header.length)
    {
        const cairo_path_data_t* d = &path->data[i];
        if (d->header.type == CAIRO_PATH_CLOSE_PATH)
            ++o.closed;
        for (int p = 1; p < d->header.length; ++p)
        {
            o.minX = std::fmin(o.minX, d[p].point.x);
            o.minY = std::fmin(o.minY, d[p].point.y);
            o.maxX = std::fmax(o.maxX, d[p].point.x);
            o.maxY = std::fmax(o.maxY, d[p].point.y);
        }
    }
    return o;
}

// Coverage of the shape at a point, drawn with the icons' even-odd rule.
bool Filled(const cairo_path_t* path, double x, double y)
{
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
    cairo_t* cr = cairo_create(s);
    cairo_append_path(cr, path);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    bool in = cairo_in_fill(cr, x, y);
    cairo_destroy(cr);
    cairo_surface_destroy(s);
    return in;
}
} // namespace

// The two icons pair up sub-path by sub-path (the morph relies on it) and
// sit where the button expects them.
TEST(VectorIcon, BothIconsParseIntoThreeClosedOutlinesInTheIconSpace)
{
    for (const char* data : {PHONE_ICON_PATH_DATA, SEARCH_ICON_PATH_DATA})
    {
        cairo_path_t* path = gxt_cairo_path_create_from_dtag(data);
        ASSERT_EQ(CAIRO_STATUS_SUCCESS, path->status);
        Outline o = Measure(path);
        EXPECT_EQ(3, o.closed);
        EXPECT_GE(o.minX, 40.0);
        EXPECT_GE(o.minY, 35.0);
        EXPECT_LE(o.maxX, 110.0);
        EXPECT_LE(o.maxY, 110.0);
        cairo_path_destroy(path);
    }
}

TEST(VectorIcon, ShapesHaveTheirHoles)
{
    cairo_path_t* phone = gxt_cairo_path_create_from_dtag(PHONE_ICON_PATH_DATA);
    EXPECT_TRUE(Filled(phone, 50, 70));   // the body's rim
    EXPECT_FALSE(Filled(phone, 75, 70));  // the screen
    EXPECT_FALSE(Filled(phone, 75, 103)); // the home bar
    cairo_path_destroy(phone);

    cairo_path_t* search = gxt_cairo_path_create_from_dtag(SEARCH_ICON_PATH_DATA);
    EXPECT_TRUE(Filled(search, 66, 46));  // the ring
    EXPECT_FALSE(Filled(search, 66, 66)); // the lens
    EXPECT_TRUE(Filled(search, 100, 96)); // the handle
    cairo_path_destroy(search);
}
