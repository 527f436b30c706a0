#ifndef NSORZ_UI_COMMON_VIEW_BASIC_ELEMENTS_H
#define NSORZ_UI_COMMON_VIEW_BASIC_ELEMENTS_H

#include <Elementary.h>
#include <efl_extension.h>

namespace NSORZUiCommon
{
/* The application's one window and the fixed chain under it:
 * window > background, conformant (with the circle surface) > main layout >
 * naviframe. */
class ViewBasicElements
{
public:
    ViewBasicElements();
    virtual ~ViewBasicElements() = default;

    bool SetupViewBasicElements();

    static Evas_Object* GetWindow() { return mWindow; }
    static Evas_Object* GetBackground() { return mBackground; }
    static Evas_Object* GetConformant() { return mConformant; }
    static Eext_Circle_Surface* GetCircleSurface() { return mCircleSurface; }
    static Evas_Object* GetMainLayout() { return mMainLayout; }
    static Evas_Object* GetNaviframe() { return mNaviframe; }

private:
    Evas_Object* CreateWindow();
    Evas_Object* CreateBackground();
    Evas_Object* CreateConformant();
    Eext_Circle_Surface* CreateCircleSurface();
    Evas_Object* CreateMainLayout();
    Evas_Object* CreateNaviframe();

    static Evas_Object* mWindow;
    static Evas_Object* mBackground;
    static Evas_Object* mConformant;
    static Eext_Circle_Surface* mCircleSurface;
    static Evas_Object* mMainLayout;
    static Evas_Object* mNaviframe;
};
} // namespace NSORZUiCommon

#endif
