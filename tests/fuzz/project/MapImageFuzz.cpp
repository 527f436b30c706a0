/* The map server's response body as the phone-location screen accepts it,
 * on a real canvas with the toolkit's image loaders; the pixels of a
 * picture taken are decoded. */

#include "MapImage.h"

#include <Ecore_Evas.h>
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

namespace
{
Ecore_Evas* gEe = nullptr;
}

/* The toolkit starts once, before the first input: what it sets up for the
 * whole process is not the decoding under test. */
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // The canvas unloads image loaders it has not used for a while; their
    // allocations then look unowned to the leak checker, and each reload
    // costs more than the decoding under test.
    setenv("EVAS_NOCLEAN", "1", 1);
    if (ecore_evas_init() <= 0)
        abort();
    gEe = ecore_evas_buffer_new(360, 360);
    if (!gEe)
        abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0x7fffffff)
        return 0;
    Evas_Object* image = NSPelorn::MapImage::FromBytes(ecore_evas_get(gEe), reinterpret_cast<const char*>(data),
                                                       (int)size);
    if (!image)
        return 0;
    // The pixels, decoded as drawing them would; released unchanged.
    void* pixels = evas_object_image_data_get(image, EINA_FALSE);
    if (pixels)
        evas_object_image_data_set(image, pixels);
    evas_object_del(image);
    return 0;
}
