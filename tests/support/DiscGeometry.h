#ifndef PELORN_TESTS_DISC_GEOMETRY_H
#define PELORN_TESTS_DISC_GEOMETRY_H

#include <Evas.h>
#include <string>
#include <vector>

namespace PelornTest
{
/* One laid-out line of a textblock, in canvas pixels: the box its characters cover. */
struct TextLine
{
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
};

/* The lines of a textblock as the canvas laid them out (empty for an empty or
 * missing object); a one-line text object is its own line. Only characters with a width count, so a line's box is
 * where text shows, not the width the part offers. */
std::vector<TextLine> TextLines(Evas_Object* textblock);

/* How many pixels the farthest corner of any line lies outside the round
 * screen (a disc of `radius` around the centre of a 360x360 canvas); 0 or
 * less when every line is inside. */
double PixelsOutsideDisc(const std::vector<TextLine>& lines, double radius = 180.0);

/* "line 2: 40,120 280x22" per line, for failure messages. */
std::string Describe(const std::vector<TextLine>& lines);
} // namespace PelornTest

#endif
