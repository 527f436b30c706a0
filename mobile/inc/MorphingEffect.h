#ifndef PELORN_MOBILE_MORPHING_EFFECT_H
#define PELORN_MOBILE_MORPHING_EFFECT_H

#include <memory>

#include "VectorObject.h"

namespace NSPelorn
{
/* The start/stop button's two icon shapes (phone, magnifying glass) in the
 * theme's icon colour. The visible icon change is a frame sequence drawn
 * from these same shapes at build time; the view keeps this object as the
 * source of truth for them. */
class MorphingEffect
{
public:
    MorphingEffect();
    virtual ~MorphingEffect();

    // Reads the icon colour and (re)builds both shapes; without the colour
    // both shapes stay as they were.
    void Initialize();

    std::shared_ptr<VectorObject> GetPhoneVectorObject() const { return mPhoneVectorObjectPtr; }
    std::shared_ptr<VectorObject> GetSearchVectorObject() const { return mSearchVectorObjectPtr; }

private:
    std::shared_ptr<VectorObject> mPhoneVectorObjectPtr;
    std::shared_ptr<VectorObject> mSearchVectorObjectPtr;
};
} // namespace NSPelorn

#endif
