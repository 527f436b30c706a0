#include "MorphingEffect.h"

#include "OrzLog.h"
#include "VectorIconPaths.h"
#include "gxt_cairo.h"
#include "uxt_theme.h"

namespace NSPelorn
{
MorphingEffect::MorphingEffect()
    : mPhoneVectorObjectPtr(std::make_shared<VectorObject>()), mSearchVectorObjectPtr(std::make_shared<VectorObject>())
{
}

MorphingEffect::~MorphingEffect()
{
    mPhoneVectorObjectPtr.reset();
    mSearchVectorObjectPtr.reset();
}

void MorphingEffect::Initialize()
{
    int r = 0, g = 0, b = 0, a = 0;
    if (uxt_theme_get_color("AO0022", &r, &g, &b, &a, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL) != ERR_OK)
    {
        LOGE("uxt_theme_get_color(\"AO0022\", &r, &g, &b, &a, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL) != "
             "ERR_OK");
        return;
    }
    const struct
    {
        VectorObject* object;
        const char* data;
    } shapes[] = {{mPhoneVectorObjectPtr.get(), PHONE_ICON_PATH_DATA}, {mSearchVectorObjectPtr.get(), SEARCH_ICON_PATH_DATA}};
    for (const auto& shape : shapes)
    {
        shape.object->SetPath(gxt_cairo_path_create_from_dtag(shape.data));
        shape.object->SetColor(r, g, b, a);
        shape.object->ResetPlacement();
    }
}
} // namespace NSPelorn
