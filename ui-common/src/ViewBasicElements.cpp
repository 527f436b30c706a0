#include "ViewBasicElements.h"

#include "OrzLog.h"

#include <app_preinitialized.h>

namespace NSORZUiCommon
{
Evas_Object* ViewBasicElements::mWindow = nullptr;
Evas_Object* ViewBasicElements::mBackground = nullptr;
Evas_Object* ViewBasicElements::mConformant = nullptr;
Eext_Circle_Surface* ViewBasicElements::mCircleSurface = nullptr;
Evas_Object* ViewBasicElements::mMainLayout = nullptr;
Evas_Object* ViewBasicElements::mNaviframe = nullptr;

namespace
{
const char* WINDOW_NAME = "Pelorn";
} // namespace

ViewBasicElements::ViewBasicElements()
{
    mWindow = nullptr;
    mBackground = nullptr;
    mConformant = nullptr;
    mCircleSurface = nullptr;
    mMainLayout = nullptr;
    mNaviframe = nullptr;
}

bool ViewBasicElements::SetupViewBasicElements()
{
    do
    {
        mWindow = CreateWindow();
        BREAK_IF(mWindow == NULL);
        mBackground = CreateBackground();
        BREAK_IF(mBackground == NULL);
        mConformant = CreateConformant();
        BREAK_IF(mConformant == NULL);
        mCircleSurface = CreateCircleSurface();
        BREAK_IF(mCircleSurface == NULL);
        mMainLayout = CreateMainLayout();
        BREAK_IF(mMainLayout == NULL);
        mNaviframe = CreateNaviframe();
        BREAK_IF(mNaviframe == NULL);
        return true;
    } while (0);
    return false;
}

Evas_Object* ViewBasicElements::CreateWindow()
{
    Evas_Object* win = app_get_preinitialized_window(WINDOW_NAME);
    if (!win)
        win = elm_win_add(NULL, WINDOW_NAME, ELM_WIN_BASIC);
    RETV_IF(win == NULL, NULL);
    elm_win_title_set(win, WINDOW_NAME);
    elm_win_autodel_set(win, EINA_TRUE);
    evas_object_show(win);
    return win;
}

Evas_Object* ViewBasicElements::CreateBackground()
{
    RETV_IF(mWindow == NULL, NULL);
    Evas_Object* background = app_get_preinitialized_background();
    if (!background)
        background = elm_bg_add(mWindow);
    RETV_IF(background == NULL, NULL);
    evas_object_size_hint_weight_set(background, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    elm_win_resize_object_add(mWindow, background);
    evas_object_show(background);
    return background;
}

Evas_Object* ViewBasicElements::CreateConformant()
{
    RETV_IF(mWindow == NULL, NULL);
    Evas_Object* conformant = app_get_preinitialized_conformant();
    if (!conformant)
        conformant = elm_conformant_add(mWindow);
    RETV_IF(conformant == NULL, NULL);
    evas_object_size_hint_weight_set(conformant, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    elm_win_resize_object_add(mWindow, conformant);
    elm_win_conformant_set(mWindow, EINA_TRUE);
    evas_object_show(conformant);
    return conformant;
}

Eext_Circle_Surface* ViewBasicElements::CreateCircleSurface()
{
    RETV_IF(mConformant == NULL, NULL);
    RETV_IF(mWindow == NULL, NULL);
    Eext_Circle_Surface* circleSurface = eext_circle_surface_conformant_add(mConformant);
    RETV_IF(circleSurface == NULL, NULL);
    return circleSurface;
}

Evas_Object* ViewBasicElements::CreateMainLayout()
{
    RETV_IF(mConformant == NULL, NULL);
    RETV_IF(mWindow == NULL, NULL);
    Evas_Object* mainLayout = elm_layout_add(mConformant);
    RETV_IF(mainLayout == NULL, NULL);
    elm_layout_theme_set(mainLayout, "layout", "application", "default");
    evas_object_size_hint_weight_set(mainLayout, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    evas_object_size_hint_align_set(mainLayout, EVAS_HINT_FILL, EVAS_HINT_FILL);
    evas_object_show(mainLayout);
    elm_object_content_set(mConformant, mainLayout);
    return mainLayout;
}

Evas_Object* ViewBasicElements::CreateNaviframe()
{
    RETV_IF(mMainLayout == NULL, NULL);
    Evas_Object* naviframe = elm_naviframe_add(mMainLayout);
    RETV_IF(naviframe == NULL, NULL);
    // At the end of every page change the naviframe hands the focus to
    // itself. Our pages hold nothing that takes a focus, so nothing put the
    // naviframe in the window's focus tree, and the toolkit printed an error
    // on each change; focusable itself, it is in the tree. Focused, it also
    // takes Escape as "pop the top page": the view stack lets it pop nothing
    // (ViewManager's pop callback).
    elm_object_focus_allow_set(naviframe, EINA_TRUE);
    elm_object_part_content_set(mMainLayout, "elm.swallow.content", naviframe);
    evas_object_show(naviframe);
    return naviframe;
}
} // namespace NSORZUiCommon
