#include "MapImage.h"

#include "OrzLog.h"

namespace NSPelorn
{
Evas_Object* MapImage::FromBytes(Evas* canvas, const char* data, int length)
{
    if (!canvas || !data || length <= 0)
        return nullptr;
    Evas_Object* image = evas_object_image_filled_add(canvas);
    if (!image)
        return nullptr;
    evas_object_image_colorspace_set(image, EVAS_COLORSPACE_ARGB8888);
    evas_object_image_alpha_set(image, EINA_TRUE);
    evas_object_image_size_set(image, 360, 360);
    // Only the header is read here; the pixels are decoded when first drawn.
    evas_object_image_memfile_set(image, const_cast<char*>(data), length, NULL, NULL);
    const Evas_Load_Error error = evas_object_image_load_error_get(image);
    int w = 0;
    int h = 0;
    evas_object_image_size_get(image, &w, &h);
    if (error != EVAS_LOAD_ERROR_NONE || w <= 0 || h <= 0 || w > MAX_SIDE || h > MAX_SIDE)
    {
        LOGE("map picture refused: %d bytes, %dx%d, load error %d", length, w, h, (int)error);
        evas_object_del(image);
        return nullptr;
    }
    return image;
}
} // namespace NSPelorn
