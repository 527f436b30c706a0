#ifndef PELORN_MOBILE_VECTOR_OBJECT_H
#define PELORN_MOBILE_VECTOR_OBJECT_H

#include <cairo.h>

namespace NSPelorn
{
/* One icon shape of the start/stop button: a cairo path and its fill colour,
 * plus the placement and play-back fields a renderer would use. */
class VectorObject
{
public:
    VectorObject();
    virtual ~VectorObject();
    VectorObject(const VectorObject&) = delete;
    VectorObject& operator=(const VectorObject&) = delete;

    // Takes ownership of path; the previous path is destroyed first.
    void SetPath(cairo_path_t* path);
    cairo_path_t* GetPath() const { return mPath; }

    // Colour components on the theme's 0..255 scale.
    void SetColor(int r, int g, int b, int a);
    double GetRed() const { return mRed; }
    double GetGreen() const { return mGreen; }
    double GetBlue() const { return mBlue; }
    double GetAlpha() const { return mAlpha; }

    // Back to the state after construction, but for the path and colour.
    void ResetPlacement();

    int mPositionX;
    int mPositionY;
    int mWidth;
    int mHeight;
    bool mIsAnimating;
    int mFrameCount;

private:
    cairo_path_t* mPath;
    double mRed;
    double mGreen;
    double mBlue;
    double mAlpha;
};
} // namespace NSPelorn

#endif
