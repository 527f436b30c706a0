#include "VectorObject.h"

namespace NSPelorn
{
VectorObject::VectorObject()
    : mPositionX(0), mPositionY(0), mWidth(0), mHeight(0), mIsAnimating(false), mFrameCount(0), mPath(nullptr),
      mRed(0), mGreen(0), mBlue(0), mAlpha(0)
{
}

VectorObject::~VectorObject()
{
    if (mPath)
        cairo_path_destroy(mPath);
}

void VectorObject::SetPath(cairo_path_t* path)
{
    if (mPath)
        cairo_path_destroy(mPath);
    mPath = path;
}

void VectorObject::SetColor(int r, int g, int b, int a)
{
    mRed = (double)r;
    mGreen = (double)g;
    mBlue = (double)b;
    mAlpha = (double)a;
}

void VectorObject::ResetPlacement()
{
    mPositionX = 0;
    mPositionY = 0;
    mWidth = 0;
    mHeight = 0;
    mIsAnimating = false;
    mFrameCount = 0;
}
} // namespace NSPelorn
