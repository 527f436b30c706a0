#ifndef PELORN_MAP_IMAGE_H
#define PELORN_MAP_IMAGE_H

#include <Evas.h>
#include <functional>

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

    /* Called on the main loop with the picture, its pixels at hand, or with
     * nullptr (after a log line) when they do not decode after all; the
     * image is the callee's from then on. */
    using Ready = std::function<void(Evas_Object* image)>;

    /* As FromBytes, but the pixels are decoded on the canvas's own worker:
     * a map costs tens of milliseconds to decode, which on the main loop is
     * a dropped frame or two. Returns the image still decoding (deleting it
     * gives up, and `ready` is never called), or nullptr, without calling
     * `ready`, when FromBytes refuses the bytes. `ready` never runs before
     * this returns. */
    static Evas_Object* Decode(Evas* canvas, const char* data, int length, Ready ready);
};
} // namespace NSPelorn

#endif
