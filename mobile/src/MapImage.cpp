#include "MapImage.h"

#include "OrzLog.h"

#include <Ecore.h>
#include <memory>
#include <string.h>

namespace NSPelorn
{
namespace
{
const unsigned char PNG_SIGNATURE[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

/* Every chunk lies inside the bytes and the last one is IEND. The PNG
 * loader reads past the end of its memory as if more bytes followed, so a
 * chunk claiming 2 GiB kept it busy for minutes on the main loop. */
bool ChunksFit(const unsigned char* p, size_t n)
{
    size_t offset = sizeof(PNG_SIGNATURE);
    while (n - offset >= 12)
    {
        const size_t length = ((size_t)p[offset] << 24) | ((size_t)p[offset + 1] << 16) |
                              ((size_t)p[offset + 2] << 8) | (size_t)p[offset + 3];
        if (length > n - offset - 12)
            return false;
        const bool last = memcmp(p + offset + 4, "IEND", 4) == 0;
        offset += 12 + length;
        if (last)
            return true;
    }
    return false;
}

/* The loader for the formats map providers answer with, told by the
 * picture's own signature. Anything else is refused before a loader sees
 * it: the canvas otherwise tries every loader it has (some of which trust
 * their headers' sizes, some of which hand the bytes to helper programs). */
const char* LoaderFor(const char* data, int length)
{
    static const unsigned char JPEG[] = {0xff, 0xd8, 0xff};
    const unsigned char* p = reinterpret_cast<const unsigned char*>(data);
    if (length >= (int)sizeof(PNG_SIGNATURE) && memcmp(p, PNG_SIGNATURE, sizeof(PNG_SIGNATURE)) == 0)
        return ChunksFit(p, (size_t)length) ? "png" : nullptr;
    if (length >= (int)sizeof(JPEG) && memcmp(p, JPEG, sizeof(JPEG)) == 0)
        return "jpeg";
    return nullptr;
}

struct Decoding
{
    MapImage::Ready ready;
    bool starting = true; // inside evas_object_image_preload still
    Ecore_Job* job = nullptr;
    Evas_Object* image = nullptr;
};

void DecodingDelCb(void* data, Evas*, Evas_Object*, void*)
{
    Decoding* decoding = static_cast<Decoding*>(data);
    if (decoding->job)
        ecore_job_del(decoding->job);
    delete decoding;
}

void DecodedCb(void* data, Evas*, Evas_Object*, void*);

void HandBack(Decoding* decoding)
{
    std::unique_ptr<Decoding> owned(decoding);
    Evas_Object* image = owned->image;
    evas_object_event_callback_del_full(image, EVAS_CALLBACK_IMAGE_PRELOADED, DecodedCb, decoding);
    evas_object_event_callback_del_full(image, EVAS_CALLBACK_DEL, DecodingDelCb, decoding);
    const Evas_Load_Error error = evas_object_image_load_error_get(image);
    if (error != EVAS_LOAD_ERROR_NONE)
    {
        LOGE("map picture refused: its pixels do not decode, load error %d", (int)error);
        evas_object_del(image);
        image = nullptr;
    }
    owned->ready(image);
}

void DecodedJobCb(void* data)
{
    Decoding* decoding = static_cast<Decoding*>(data);
    decoding->job = nullptr;
    HandBack(decoding);
}

void DecodedCb(void* data, Evas*, Evas_Object*, void*)
{
    Decoding* decoding = static_cast<Decoding*>(data);
    // Pixels the canvas already held come back at once; the caller still
    // hears of them only from the loop.
    if (decoding->starting)
    {
        if (!decoding->job)
            decoding->job = ecore_job_add(DecodedJobCb, decoding);
        return;
    }
    HandBack(decoding);
}
} // namespace

Evas_Object* MapImage::Decode(Evas* canvas, const char* data, int length, Ready ready)
{
    Evas_Object* image = FromBytes(canvas, data, length);
    if (!image)
        return nullptr;
    Decoding* decoding = new Decoding{std::move(ready), true, nullptr, image};
    evas_object_event_callback_add(image, EVAS_CALLBACK_DEL, DecodingDelCb, decoding);
    evas_object_event_callback_add(image, EVAS_CALLBACK_IMAGE_PRELOADED, DecodedCb, decoding);
    evas_object_image_preload(image, EINA_FALSE);
    decoding->starting = false;
    return image;
}

Evas_Object* MapImage::FromBytes(Evas* canvas, const char* data, int length)
{
    if (!canvas || !data || length <= 0)
        return nullptr;
    const char* format = LoaderFor(data, length);
    if (!format)
    {
        LOGE("map picture refused: %d bytes, no whole PNG or JPEG", length);
        return nullptr;
    }
    Evas_Object* image = evas_object_image_filled_add(canvas);
    if (!image)
        return nullptr;
    evas_object_image_colorspace_set(image, EVAS_COLORSPACE_ARGB8888);
    evas_object_image_alpha_set(image, EINA_TRUE);
    evas_object_image_size_set(image, 360, 360);
    // Only the header is read here; the pixels are decoded when first drawn.
    evas_object_image_memfile_set(image, const_cast<char*>(data), length, const_cast<char*>(format), NULL);
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
