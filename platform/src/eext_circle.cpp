/* Circle surface and circle objects of the circular-screen extension.
 * A surface remembers the widget it draws over; circle scrollers and genlists
 * scroll with the bezel while activated; the circle progress bar is an
 * elementary progress bar in the round theme's arc style. */
#include "efl_extension.h"
#include "pelorn_resources.h"

struct _Eext_Circle_Surface
{
    Evas_Object* parent;
};

namespace
{
const char* SURFACE_KEY = "pelorn.circle.surface";
const char* RANGE_KEY = "pelorn.circle.range";
const int ROTARY_STEP_PX = 60;

/* A surface goes with the widget it draws over, as nobody deletes it
 * otherwise; eext_circle_surface_del only ends one earlier. */
void SurfaceParentDelCb(void* data, Evas* evas, Evas_Object* obj, void* eventInfo)
{
    delete static_cast<Eext_Circle_Surface*>(data);
}

Eext_Circle_Surface* SurfaceAdd(Evas_Object* parent)
{
    if (!parent)
        return nullptr;
    pelorn_circle_theme_load();
    Eext_Circle_Surface* surface = new Eext_Circle_Surface{parent};
    evas_object_data_set(parent, SURFACE_KEY, surface);
    evas_object_event_callback_add(parent, EVAS_CALLBACK_DEL, SurfaceParentDelCb, surface);
    return surface;
}

struct ValueRange
{
    double lo = 0.0;
    double hi = 1.0;
};

void RangeOwnerDelCb(void* data, Evas* evas, Evas_Object* obj, void* eventInfo)
{
    delete static_cast<ValueRange*>(data);
}

ValueRange* RangeOf(Evas_Object* obj)
{
    ValueRange* range = static_cast<ValueRange*>(evas_object_data_get(obj, RANGE_KEY));
    if (!range)
    {
        range = new ValueRange;
        evas_object_data_set(obj, RANGE_KEY, range);
        evas_object_event_callback_add(obj, EVAS_CALLBACK_DEL, RangeOwnerDelCb, range);
    }
    return range;
}

/* Moves the scroller one step per bezel detent. */
Eina_Bool ScrollerRotaryCb(void* data, Evas_Object* obj, Eext_Rotary_Event_Info* info)
{
    Evas_Coord x, y, w, h;
    elm_scroller_region_get(obj, &x, &y, &w, &h);
    y += info->direction == EEXT_ROTARY_DIRECTION_CLOCKWISE ? ROTARY_STEP_PX : -ROTARY_STEP_PX;
    elm_scroller_region_bring_in(obj, x, y < 0 ? 0 : y, w, h);
    return EINA_TRUE;
}

Evas_Object* CircleScrollable(Evas_Object* scrollable, Eext_Circle_Surface* surface)
{
    if (!scrollable)
        return nullptr;
    pelorn_circle_theme_load();
    eext_rotary_object_event_callback_add(scrollable, ScrollerRotaryCb, surface);
    return scrollable;
}
} // namespace

Eext_Circle_Surface* eext_circle_surface_conformant_add(Evas_Object* conformant)
{
    return SurfaceAdd(conformant);
}

Eext_Circle_Surface* eext_circle_surface_layout_add(Evas_Object* layout)
{
    return SurfaceAdd(layout);
}

Eext_Circle_Surface* eext_circle_surface_naviframe_add(Evas_Object* naviframe)
{
    return SurfaceAdd(naviframe);
}

void eext_circle_surface_del(Eext_Circle_Surface* surface)
{
    if (!surface)
        return;
    if (surface->parent)
    {
        evas_object_event_callback_del_full(surface->parent, EVAS_CALLBACK_DEL, SurfaceParentDelCb, surface);
        evas_object_data_del(surface->parent, SURFACE_KEY);
    }
    delete surface;
}

Evas_Object* eext_circle_object_scroller_add(Evas_Object* scroller, Eext_Circle_Surface* surface)
{
    return CircleScrollable(scroller, surface);
}

Evas_Object* eext_circle_object_genlist_add(Evas_Object* genlist, Eext_Circle_Surface* surface)
{
    return CircleScrollable(genlist, surface);
}

void eext_circle_object_genlist_scroller_policy_set(Evas_Object* circle_genlist, Elm_Scroller_Policy policy_h,
                                                    Elm_Scroller_Policy policy_v)
{
    if (circle_genlist)
        elm_scroller_policy_set(circle_genlist, policy_h, policy_v);
}

void eext_circle_object_scroller_policy_set(Evas_Object* obj, Elm_Scroller_Policy policy_h,
                                            Elm_Scroller_Policy policy_v)
{
    if (obj)
        elm_scroller_policy_set(obj, policy_h, policy_v);
}

Evas_Object* eext_circle_object_progressbar_add(Evas_Object* parent, Eext_Circle_Surface* surface)
{
    if (!parent)
        return nullptr;
    pelorn_circle_theme_load();
    Evas_Object* progress = elm_progressbar_add(parent);
    elm_object_style_set(progress, "process/popup/small");
    eext_circle_object_value_min_max_set(progress, 0.0, 1.0);
    return progress;
}

void eext_circle_object_value_min_max_set(Evas_Object* obj, double min_value, double max_value)
{
    if (!obj || max_value <= min_value)
        return;
    ValueRange* range = RangeOf(obj);
    range->lo = min_value;
    range->hi = max_value;
}

Eina_Bool eext_circle_object_value_set(Evas_Object* obj, double value)
{
    if (!obj)
        return EINA_FALSE;
    ValueRange* range = RangeOf(obj);
    if (value < range->lo || value > range->hi)
        return EINA_FALSE;
    elm_progressbar_value_set(obj, (value - range->lo) / (range->hi - range->lo));
    return EINA_TRUE;
}

double eext_circle_object_value_get(const Evas_Object* obj)
{
    if (!obj)
        return 0.0;
    ValueRange* range = static_cast<ValueRange*>(evas_object_data_get(obj, RANGE_KEY));
    double lo = range ? range->lo : 0.0, hi = range ? range->hi : 1.0;
    return lo + elm_progressbar_value_get(obj) * (hi - lo);
}
