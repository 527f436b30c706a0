#ifndef PELORN_MAP_IMAGE_H
#define PELORN_MAP_IMAGE_H

#include <Evas.h>

namespace NSPelorn
{
/* The map picture as the phone-location screen takes it from the map
 * server's response body: decoded by the canvas's own image loaders. */
class MapImage
{
public:
    /* Larger than any map the screen asks for; a picture claiming more is
     * refused before its pixels are decoded. */
    static constexpr int MAX_SIDE = 2048;

    /* A filled image object on the canvas holding the picture, or nullptr
     * (with a log line) when the bytes are no PNG (every chunk of it
     * present) or JPEG picture the loaders read, or one wider or taller
     * than MAX_SIDE. The bytes are copied. */
    static Evas_Object* FromBytes(Evas* canvas, const char* data, int length);
};
} // namespace NSPelorn

#endif
