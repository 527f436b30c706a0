#include "app_preinitialized.h"

#include <string>

namespace
{
Evas_Object* gWindow = nullptr;
std::string gWindowName;
Evas_Object* gBackground = nullptr;
Evas_Object* gConformant = nullptr;
} // namespace

void pelorn_app_set_preinitialized(Evas_Object* window, const char* win_name, Evas_Object* background,
                                   Evas_Object* conformant)
{
    gWindow = window;
    gWindowName = win_name ? win_name : "";
    gBackground = background;
    gConformant = conformant;
}

Evas_Object* app_get_preinitialized_window(const char* win_name)
{
    if (!gWindow || !win_name || gWindowName != win_name)
        return nullptr;
    return gWindow;
}

Evas_Object* app_get_preinitialized_background(void)
{
    return gBackground;
}

Evas_Object* app_get_preinitialized_conformant(void)
{
    return gConformant;
}
