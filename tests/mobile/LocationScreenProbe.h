#ifndef PELORN_TESTS_LOCATION_SCREEN_PROBE_H
#define PELORN_TESTS_LOCATION_SCREEN_PROBE_H

#include "AppScenario.h"
#include "MobileLocationView.h"
#include "PelornMain.h"
#include "PelornView.h"
#include "ViewBasicElements.h"
#include "ViewController.h"
#include "ViewManager.h"

#include <Elementary.h>
#include <memory>
#include <string>

/* What the in-process app's screens show, for the Locate and last-seen
 * scenarios that wait on them. */
namespace LocationScreenProbe
{
inline Evas_Object* Window()
{
    return NSORZUiCommon::ViewBasicElements::GetWindow();
}

inline std::shared_ptr<NSORZUiCommon::ViewController> TopController()
{
    auto viewManager = NSPelorn::PelornMain::GetInstance()->GetViewManager();
    if (!viewManager || viewManager->GetViewList().empty())
        return nullptr;
    return viewManager->GetViewList().back();
}

inline std::shared_ptr<NSORZUiCommon::View> TopView()
{
    auto controller = TopController();
    return controller ? controller->GetView() : nullptr;
}

inline std::shared_ptr<NSPelorn::MobileLocationView> LocationScreen()
{
    return std::dynamic_pointer_cast<NSPelorn::MobileLocationView>(TopView());
}

/* The finding screen on top and in place, idle, its button ready. */
inline bool FindingScreenIdle()
{
    auto view = std::dynamic_pointer_cast<NSPelorn::PelornView>(TopView());
    if (!view || !view->IsNormalState() || !view->GetButton() || elm_object_disabled_get(view->GetButton()) ||
        !PelornTest::AppScenario::AcceptsEvents(view->GetButton()))
        return false;
    Evas_Coord x = -1, y = -1, w = 0, h = 0;
    evas_object_geometry_get(view->GetMoreOption(), &x, &y, &w, &h);
    return x == 0 && y == 0 && w == 360 && h == 360;
}

inline bool PopupShown(int type)
{
    auto view = LocationScreen();
    auto popup = view ? view->GetBasicPopup(type) : nullptr;
    return popup && popup->GetPopup() && evas_object_visible_get(popup->GetPopup());
}

inline bool ToastShown(int type)
{
    auto view = LocationScreen();
    auto toast = view ? view->GetToastPopup(type) : nullptr;
    return toast && toast->GetPopup() && evas_object_visible_get(toast->GetPopup());
}

/* The address on the overlay, empty while the overlay is not in place. */
inline std::string AddressShown()
{
    auto view = LocationScreen();
    if (!view || elm_object_part_content_get(view->GetLayout(), "mapContentOverlaySwallow") != view->GetOverlayLayout())
        return "";
    const char* text = elm_object_part_text_get(view->GetOverlayLayout(), "mobileLocationText");
    return text ? text : "";
}

/* The screen has slid in and fills the window. */
inline bool LocationScreenInPlace()
{
    auto view = LocationScreen();
    Evas_Coord x = -1, y = -1, w = 0, h = 0;
    if (view && view->GetLayout())
        evas_object_geometry_get(view->GetLayout(), &x, &y, &w, &h);
    return x == 0 && y == 0 && w == 360 && h == 360;
}
} // namespace LocationScreenProbe

#endif
