/* Hardware keys and the bezel of the circular-screen extension.
 *
 * Every canvas that has a registered object gets one invisible catcher
 * rectangle on the top layer: it grabs the back and more keys (so they arrive
 * whatever has the focus) and, repeating events to what lies below, sees the
 * mouse wheel, which stands in for the bezel. */
#include "efl_extension.h"
#include "dlog.h"
#include "pelorn_resources.h"

#include <algorithm>
#include <string.h>
#include <vector>

namespace
{
struct KeyRegistration
{
    Evas_Object* obj;
    Eext_Callback_Type type;
    Eext_Event_Cb func;
    void* data;
};

struct RotaryRegistration
{
    Evas_Object* obj;
    Eext_Rotary_Event_Cb func;
    void* data;
};

struct RotaryHandler
{
    Eext_Rotary_Handler_Cb func;
    void* data;
};

std::vector<KeyRegistration> gKeyRegistrations;
std::vector<RotaryRegistration> gRotaryRegistrations;
std::vector<RotaryHandler> gRotaryHandlers;
std::vector<Evas*> gCatcherCanvases;
Evas_Object* gRotaryActivated = nullptr;

const char* BACK_KEYS[] = {"BackSpace", "XF86Back"};
const char* MORE_KEYS[] = {"Menu", "XF86Menu"};

bool IsOneOf(const char* key, const char* const* keys, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        if (key && strcmp(key, keys[i]) == 0)
            return true;
    return false;
}

/* The newest registration of that type whose object is shown on the canvas. */
void DispatchKey(Evas* evas, Eext_Callback_Type type)
{
    for (auto it = gKeyRegistrations.rbegin(); it != gKeyRegistrations.rend(); ++it)
    {
        if (it->type != type || evas_object_evas_get(it->obj) != evas || !evas_object_visible_get(it->obj))
            continue;
        KeyRegistration hit = *it;
        hit.func(hit.data, hit.obj, NULL);
        return;
    }
}

/* Back and more belong to the registrations alone: elementary's own key
 * bindings (a naviframe pops its top item on BackSpace) must not act on them
 * as well, so the event is put on hold before it reaches the focused widget. */
void CatcherKeyDownCb(void* data, Evas* evas, Evas_Object* obj, void* eventInfo)
{
    Evas_Event_Key_Down* ev = static_cast<Evas_Event_Key_Down*>(eventInfo);
    if (ev && (IsOneOf(ev->key, BACK_KEYS, 2) || IsOneOf(ev->key, MORE_KEYS, 2)))
        ev->event_flags = (Evas_Event_Flags)(ev->event_flags | EVAS_EVENT_FLAG_ON_HOLD);
}

void CatcherKeyUpCb(void* data, Evas* evas, Evas_Object* obj, void* eventInfo)
{
    Evas_Event_Key_Up* ev = static_cast<Evas_Event_Key_Up*>(eventInfo);
    if (!ev)
        return;
    if (IsOneOf(ev->key, BACK_KEYS, 2) || IsOneOf(ev->key, MORE_KEYS, 2))
        ev->event_flags = (Evas_Event_Flags)(ev->event_flags | EVAS_EVENT_FLAG_ON_HOLD);
    if (IsOneOf(ev->key, BACK_KEYS, 2))
        DispatchKey(evas, EEXT_CALLBACK_BACK);
    else if (IsOneOf(ev->key, MORE_KEYS, 2))
        DispatchKey(evas, EEXT_CALLBACK_MORE);
}

void CatcherWheelCb(void* data, Evas* evas, Evas_Object* obj, void* eventInfo)
{
    Evas_Event_Mouse_Wheel* ev = static_cast<Evas_Event_Mouse_Wheel*>(eventInfo);
    if (!ev || ev->z == 0)
        return;
    Eext_Rotary_Event_Info info;
    info.direction = ev->z > 0 ? EEXT_ROTARY_DIRECTION_CLOCKWISE : EEXT_ROTARY_DIRECTION_COUNTER_CLOCKWISE;
    info.time_stamp = ev->timestamp;

    std::vector<RotaryHandler> handlers = gRotaryHandlers;
    for (auto& handler : handlers)
        if (!handler.func(handler.data, &info))
            return;

    Evas_Object* target = gRotaryActivated;
    if (!target || evas_object_evas_get(target) != evas)
        return;
    std::vector<RotaryRegistration> registrations = gRotaryRegistrations;
    for (auto it = registrations.rbegin(); it != registrations.rend(); ++it)
        if (it->obj == target && it->func(it->data, target, &info))
            return;
}

void CatcherDelCb(void* data, Evas* evas, Evas_Object* obj, void* eventInfo)
{
    gCatcherCanvases.erase(std::remove(gCatcherCanvases.begin(), gCatcherCanvases.end(), evas),
                           gCatcherCanvases.end());
}

void EnsureCatcher(Evas_Object* obj)
{
    pelorn_circle_theme_load();
    Evas* evas = evas_object_evas_get(obj);
    if (!evas || std::find(gCatcherCanvases.begin(), gCatcherCanvases.end(), evas) != gCatcherCanvases.end())
        return;
    gCatcherCanvases.push_back(evas);

    // An image without pixels draws nothing yet, unlike a transparent
    // rectangle, still counts as visible for pointer events.
    Evas_Object* catcher = evas_object_image_add(evas);
    evas_object_layer_set(catcher, EVAS_LAYER_MAX);
    evas_object_repeat_events_set(catcher, EINA_TRUE);
    evas_object_move(catcher, -10000, -10000);
    evas_object_resize(catcher, 30000, 30000);
    evas_object_show(catcher);
    for (const char* key : BACK_KEYS)
        if (!evas_object_key_grab(catcher, key, 0, 0, EINA_FALSE))
            dlog_print(DLOG_ERROR, "pelorn-UI", "cannot grab %s", key);
    for (const char* key : MORE_KEYS)
        if (!evas_object_key_grab(catcher, key, 0, 0, EINA_FALSE))
            dlog_print(DLOG_ERROR, "pelorn-UI", "cannot grab %s", key);
    evas_object_event_callback_add(catcher, EVAS_CALLBACK_KEY_DOWN, CatcherKeyDownCb, nullptr);
    evas_object_event_callback_add(catcher, EVAS_CALLBACK_KEY_UP, CatcherKeyUpCb, nullptr);
    evas_object_event_callback_add(catcher, EVAS_CALLBACK_MOUSE_WHEEL, CatcherWheelCb, nullptr);
    evas_object_event_callback_add(catcher, EVAS_CALLBACK_DEL, CatcherDelCb, nullptr);
}

/* Registrations die with their object. */
void RegisteredObjectDelCb(void* data, Evas* evas, Evas_Object* obj, void* eventInfo)
{
    gKeyRegistrations.erase(std::remove_if(gKeyRegistrations.begin(), gKeyRegistrations.end(),
                                           [obj](const KeyRegistration& r) { return r.obj == obj; }),
                            gKeyRegistrations.end());
    gRotaryRegistrations.erase(std::remove_if(gRotaryRegistrations.begin(), gRotaryRegistrations.end(),
                                              [obj](const RotaryRegistration& r) { return r.obj == obj; }),
                               gRotaryRegistrations.end());
    if (gRotaryActivated == obj)
        gRotaryActivated = nullptr;
}

void WatchDeletion(Evas_Object* obj)
{
    evas_object_event_callback_del(obj, EVAS_CALLBACK_DEL, RegisteredObjectDelCb);
    evas_object_event_callback_add(obj, EVAS_CALLBACK_DEL, RegisteredObjectDelCb, nullptr);
}
} // namespace

void eext_object_event_callback_add(Evas_Object* obj, Eext_Callback_Type type, Eext_Event_Cb func, void* data)
{
    if (!obj || !func || type >= EEXT_CALLBACK_LAST)
        return;
    EnsureCatcher(obj);
    WatchDeletion(obj);
    gKeyRegistrations.push_back({obj, type, func, data});
}

void* eext_object_event_callback_del(Evas_Object* obj, Eext_Callback_Type type, Eext_Event_Cb func)
{
    for (auto it = gKeyRegistrations.begin(); it != gKeyRegistrations.end(); ++it)
    {
        if (it->obj == obj && it->type == type && it->func == func)
        {
            void* data = it->data;
            gKeyRegistrations.erase(it);
            return data;
        }
    }
    return nullptr;
}

Eina_Bool eext_rotary_event_handler_add(Eext_Rotary_Handler_Cb func, void* data)
{
    if (!func)
        return EINA_FALSE;
    gRotaryHandlers.push_back({func, data});
    return EINA_TRUE;
}

void* eext_rotary_event_handler_del(Eext_Rotary_Handler_Cb func)
{
    for (auto it = gRotaryHandlers.begin(); it != gRotaryHandlers.end(); ++it)
    {
        if (it->func == func)
        {
            void* data = it->data;
            gRotaryHandlers.erase(it);
            return data;
        }
    }
    return nullptr;
}

Eina_Bool eext_rotary_object_event_callback_add(Evas_Object* obj, Eext_Rotary_Event_Cb func, void* data)
{
    if (!obj || !func)
        return EINA_FALSE;
    EnsureCatcher(obj);
    WatchDeletion(obj);
    gRotaryRegistrations.push_back({obj, func, data});
    return EINA_TRUE;
}

void* eext_rotary_object_event_callback_del(Evas_Object* obj, Eext_Rotary_Event_Cb func)
{
    for (auto it = gRotaryRegistrations.begin(); it != gRotaryRegistrations.end(); ++it)
    {
        if (it->obj == obj && it->func == func)
        {
            void* data = it->data;
            gRotaryRegistrations.erase(it);
            return data;
        }
    }
    return nullptr;
}

void eext_rotary_object_event_activated_set(Evas_Object* obj, Eina_Bool activated)
{
    if (!obj)
        return;
    if (activated)
    {
        EnsureCatcher(obj);
        WatchDeletion(obj);
        gRotaryActivated = obj;
    }
    else if (gRotaryActivated == obj)
        gRotaryActivated = nullptr;
}
