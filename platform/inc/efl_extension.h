#ifndef PELORN_PLATFORM_EFL_EXTENSION_H
#define PELORN_PLATFORM_EFL_EXTENSION_H

/* The watch's circular-screen widget extension, on plain elementary.
 *
 * Keys: BackSpace and XF86Back are the hardware back key, Menu is the more
 * key (Escape is left to the application). A key goes to the newest
 * registration whose object is visible on the canvas the key arrived on.
 * The mouse wheel is the rotary bezel: wheel down turns clockwise.
 * Circle widgets and the more-option widget draw with the "circle" styles of
 * the round-screen theme extension (res/contents/theme/circle.edj), which the
 * first call into this extension loads. */

#include <Elementary.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- hardware keys ---- */
typedef enum
{
    EEXT_CALLBACK_BACK,
    EEXT_CALLBACK_MORE,
    EEXT_CALLBACK_LAST
} Eext_Callback_Type;

typedef void (*Eext_Event_Cb)(void* data, Evas_Object* obj, void* event_info);

void eext_object_event_callback_add(Evas_Object* obj, Eext_Callback_Type type, Eext_Event_Cb func, void* data);
/* Removes the first registration of (obj, type, func); answers its data. */
void* eext_object_event_callback_del(Evas_Object* obj, Eext_Callback_Type type, Eext_Event_Cb func);

/* ---- rotary bezel ---- */
typedef enum
{
    EEXT_ROTARY_DIRECTION_CLOCKWISE,
    EEXT_ROTARY_DIRECTION_COUNTER_CLOCKWISE
} Eext_Rotary_Event_Direction;

typedef struct
{
    Eext_Rotary_Event_Direction direction;
    unsigned int time_stamp;
} Eext_Rotary_Event_Info;

typedef Eina_Bool (*Eext_Rotary_Handler_Cb)(void* data, Eext_Rotary_Event_Info* info);
typedef Eina_Bool (*Eext_Rotary_Event_Cb)(void* data, Evas_Object* obj, Eext_Rotary_Event_Info* info);

/* Handlers see every rotation first; a handler answering EINA_FALSE stops it. */
Eina_Bool eext_rotary_event_handler_add(Eext_Rotary_Handler_Cb func, void* data);
void* eext_rotary_event_handler_del(Eext_Rotary_Handler_Cb func);
Eina_Bool eext_rotary_object_event_callback_add(Evas_Object* obj, Eext_Rotary_Event_Cb func, void* data);
void* eext_rotary_object_event_callback_del(Evas_Object* obj, Eext_Rotary_Event_Cb func);
/* One object at a time receives the rotary events: the last one activated. */
void eext_rotary_object_event_activated_set(Evas_Object* obj, Eina_Bool activated);

/* ---- circle surface and circle objects ---- */
/* A surface is freed with the widget it is added to; eext_circle_surface_del
 * frees it before that. */
typedef struct _Eext_Circle_Surface Eext_Circle_Surface;

Eext_Circle_Surface* eext_circle_surface_conformant_add(Evas_Object* conformant);
Eext_Circle_Surface* eext_circle_surface_layout_add(Evas_Object* layout);
Eext_Circle_Surface* eext_circle_surface_naviframe_add(Evas_Object* naviframe);
void eext_circle_surface_del(Eext_Circle_Surface* surface);

/* A scroller (or genlist) on the surface: the bezel scrolls it while it is
 * activated, and its vertical bar is drawn as an arc along the edge. */
Evas_Object* eext_circle_object_scroller_add(Evas_Object* scroller, Eext_Circle_Surface* surface);
Evas_Object* eext_circle_object_genlist_add(Evas_Object* genlist, Eext_Circle_Surface* surface);
void eext_circle_object_genlist_scroller_policy_set(Evas_Object* circle_genlist, Elm_Scroller_Policy policy_h,
                                                    Elm_Scroller_Policy policy_v);
void eext_circle_object_scroller_policy_set(Evas_Object* obj, Elm_Scroller_Policy policy_h,
                                            Elm_Scroller_Policy policy_v);
/* A progress arc along the bezel. */
Evas_Object* eext_circle_object_progressbar_add(Evas_Object* parent, Eext_Circle_Surface* surface);
void eext_circle_object_value_min_max_set(Evas_Object* obj, double min_value, double max_value);
Eina_Bool eext_circle_object_value_set(Evas_Object* obj, double value);
double eext_circle_object_value_get(const Evas_Object* obj);

/* ---- more-option side menu ---- */
typedef enum
{
    EEXT_MORE_OPTION_DIRECTION_TOP,
    EEXT_MORE_OPTION_DIRECTION_BOTTOM,
    EEXT_MORE_OPTION_DIRECTION_LEFT,
    EEXT_MORE_OPTION_DIRECTION_RIGHT
} Eext_More_Option_Direction;

typedef struct _Eext_Object_Item Eext_Object_Item;

/* A layout with "elm.swallow.content" for the screen and a cue on the edge of
 * the direction; tapping the cue (or the more key through the application)
 * opens the menu: the items laid out around the bezel, the selected one's
 * icon and main text in the middle. The bezel moves the selection, a tap on
 * the middle or on an item clicks it. Smart callbacks: "item,selected" and
 * "item,clicked" (event info: the item), "more,option,opened",
 * "more,option,closed". Signals "cue,show" / "cue,hide" (source "elm")
 * emitted on the widget show or hide the cue. */
Evas_Object* eext_more_option_add(Evas_Object* parent);
void eext_more_option_direction_set(Evas_Object* obj, Eext_More_Option_Direction direction);
Eext_More_Option_Direction eext_more_option_direction_get(const Evas_Object* obj);
Eext_Object_Item* eext_more_option_item_append(Evas_Object* obj);
Eext_Object_Item* eext_more_option_item_prepend(Evas_Object* obj);
void eext_more_option_item_del(Eext_Object_Item* item);
void eext_more_option_items_clear(Evas_Object* obj);
/* Parts: "selector,main_text", "selector,sub_text" (texts), "item,icon" (content). */
void eext_more_option_item_part_text_set(Eext_Object_Item* item, const char* part_name, const char* text);
const char* eext_more_option_item_part_text_get(const Eext_Object_Item* item, const char* part_name);
void eext_more_option_item_domain_translatable_part_text_set(Eext_Object_Item* item, const char* part_name,
                                                             const char* domain, const char* text);
void eext_more_option_item_part_content_set(Eext_Object_Item* item, const char* part_name, Evas_Object* content);
Evas_Object* eext_more_option_item_part_content_get(const Eext_Object_Item* item, const char* part_name);
void eext_more_option_item_style_set(Eext_Object_Item* item, const char* style);
const Eina_List* eext_more_option_items_get(const Evas_Object* obj);
void eext_more_option_opened_set(Evas_Object* obj, Eina_Bool opened);
Eina_Bool eext_more_option_opened_get(Evas_Object* obj);

#ifdef __cplusplus
}
#endif

#endif
