/* The more-option widget of the circular-screen extension: a layout whose cue
 * opens a menu of up to twelve items laid round the bezel. While open, the
 * bezel moves the selection, back closes it, and a tap on an item or on the
 * middle clicks it. */
#include "efl_extension.h"
#include "dlog.h"
#include "pelorn_resources.h"

#include <libintl.h>
#include <string.h>
#include <string>

namespace
{
const char* DATA_KEY = "pelorn.more_option";
const int SLOT_COUNT = 12;

struct MoreOption;
} // namespace

struct _Eext_Object_Item
{
    MoreOption* owner = nullptr;
    std::string mainText;
    std::string subText;
    std::string style;
    Evas_Object* icon = nullptr;
    Evas_Object* view = nullptr; // its disc in the open menu
};

namespace
{
struct MoreOption
{
    Evas_Object* layout = nullptr;
    Evas_Object* panel = nullptr;
    Eina_List* items = nullptr;
    Eext_More_Option_Direction direction = EEXT_MORE_OPTION_DIRECTION_RIGHT;
    int selected = 0;
};

MoreOption* Get(const Evas_Object* obj)
{
    return obj ? static_cast<MoreOption*>(evas_object_data_get(obj, DATA_KEY)) : nullptr;
}

int IndexOf(MoreOption* mo, const Eext_Object_Item* item)
{
    int i = 0;
    Eina_List* l;
    void* data;
    EINA_LIST_FOREACH(mo->items, l, data)
    {
        if (data == item)
            return i;
        ++i;
    }
    return -1;
}

Eext_Object_Item* ItemAt(MoreOption* mo, int index)
{
    return static_cast<Eext_Object_Item*>(eina_list_nth(mo->items, index));
}

void ShowSelection(MoreOption* mo)
{
    if (!mo->panel)
        return;
    Eext_Object_Item* current = ItemAt(mo, mo->selected);
    elm_object_part_text_set(mo->panel, "elm.text.main", current ? current->mainText.c_str() : "");
    elm_object_part_text_set(mo->panel, "elm.text.sub", current ? current->subText.c_str() : "");
    Eina_List* l;
    void* data;
    EINA_LIST_FOREACH(mo->items, l, data)
    {
        Eext_Object_Item* item = static_cast<Eext_Object_Item*>(data);
        if (item->view)
            elm_object_signal_emit(item->view, item == current ? "elm,state,selected" : "elm,state,unselected",
                                   "elm");
    }
}

void Select(MoreOption* mo, int index)
{
    int count = (int)eina_list_count(mo->items);
    if (count == 0)
        return;
    mo->selected = ((index % count) + count) % count;
    ShowSelection(mo);
    evas_object_smart_callback_call(mo->layout, "item,selected", ItemAt(mo, mo->selected));
}

void Click(MoreOption* mo, Eext_Object_Item* item)
{
    if (!item)
        return;
    evas_object_smart_callback_call(mo->layout, "item,clicked", item);
}

void ItemClickedCb(void* data, Evas_Object* obj, const char* emission, const char* source)
{
    Eext_Object_Item* item = static_cast<Eext_Object_Item*>(data);
    if (!item || !item->owner)
        return;
    MoreOption* mo = item->owner;
    int index = IndexOf(mo, item);
    if (index != mo->selected)
        Select(mo, index);
    Click(mo, item);
}

void CenterClickedCb(void* data, Evas_Object* obj, const char* emission, const char* source)
{
    MoreOption* mo = static_cast<MoreOption*>(data);
    Click(mo, ItemAt(mo, mo->selected));
}

void PanelBackCb(void* data, Evas_Object* obj, void* eventInfo)
{
    MoreOption* mo = static_cast<MoreOption*>(data);
    eext_more_option_opened_set(mo->layout, EINA_FALSE);
}

Eina_Bool PanelRotaryCb(void* data, Evas_Object* obj, Eext_Rotary_Event_Info* info)
{
    MoreOption* mo = static_cast<MoreOption*>(data);
    Select(mo, mo->selected + (info->direction == EEXT_ROTARY_DIRECTION_CLOCKWISE ? 1 : -1));
    return EINA_TRUE;
}

void AddItemView(MoreOption* mo, Eext_Object_Item* item, int slot)
{
    if (slot >= SLOT_COUNT)
        return;
    item->view = elm_layout_add(mo->panel);
    elm_layout_theme_set(item->view, "layout", "more_option/item", "default");
    if (item->icon)
    {
        elm_object_part_content_set(item->view, "item,icon", item->icon);
        evas_object_show(item->icon);
    }
    elm_layout_signal_callback_add(item->view, "item,clicked", "elm", ItemClickedCb, item);
    std::string part = "item." + std::to_string(slot);
    elm_object_part_content_set(mo->panel, part.c_str(), item->view);
}

void Open(MoreOption* mo)
{
    mo->panel = elm_layout_add(mo->layout);
    elm_layout_theme_set(mo->panel, "layout", "more_option/panel", "default");
    int slot = 0;
    Eina_List* l;
    void* data;
    EINA_LIST_FOREACH(mo->items, l, data)
        AddItemView(mo, static_cast<Eext_Object_Item*>(data), slot++);
    elm_layout_signal_callback_add(mo->panel, "center,clicked", "elm", CenterClickedCb, mo);
    elm_object_part_content_set(mo->layout, "elm.swallow.panel", mo->panel);
    ShowSelection(mo);
    elm_object_signal_emit(mo->panel, "elm,state,open", "elm");
    eext_object_event_callback_add(mo->panel, EEXT_CALLBACK_BACK, PanelBackCb, mo);
    eext_rotary_object_event_callback_add(mo->panel, PanelRotaryCb, mo);
    eext_rotary_object_event_activated_set(mo->panel, EINA_TRUE);
    evas_object_smart_callback_call(mo->layout, "more,option,opened", NULL);
    dlog_print(DLOG_INFO, "eext", "more option opened (%d items)", slot);
}

/* Takes the icons back out of the menu so they survive it. */
void Close(MoreOption* mo)
{
    Eina_List* l;
    void* data;
    EINA_LIST_FOREACH(mo->items, l, data)
    {
        Eext_Object_Item* item = static_cast<Eext_Object_Item*>(data);
        if (item->view && item->icon)
        {
            elm_object_part_content_unset(item->view, "item,icon");
            evas_object_hide(item->icon);
        }
        item->view = nullptr;
    }
    Evas_Object* panel = mo->panel;
    mo->panel = nullptr;
    elm_object_part_content_unset(mo->layout, "elm.swallow.panel");
    evas_object_del(panel);
    evas_object_smart_callback_call(mo->layout, "more,option,closed", NULL);
}

void CueClickedCb(void* data, Evas_Object* obj, const char* emission, const char* source)
{
    eext_more_option_opened_set(obj, EINA_TRUE);
}

void FreeItem(Eext_Object_Item* item)
{
    if (item->icon)
        evas_object_del(item->icon);
    delete item;
}

void LayoutDelCb(void* data, Evas* evas, Evas_Object* obj, void* eventInfo)
{
    MoreOption* mo = static_cast<MoreOption*>(data);
    void* item;
    EINA_LIST_FREE(mo->items, item)
    {
        static_cast<Eext_Object_Item*>(item)->icon = nullptr; // deleted with the layout's children
        FreeItem(static_cast<Eext_Object_Item*>(item));
    }
    delete mo;
}

Eext_Object_Item* NewItem(MoreOption* mo)
{
    Eext_Object_Item* item = new Eext_Object_Item;
    item->owner = mo;
    return item;
}
} // namespace

Evas_Object* eext_more_option_add(Evas_Object* parent)
{
    if (!parent)
        return nullptr;
    pelorn_circle_theme_load();
    MoreOption* mo = new MoreOption;
    mo->layout = elm_layout_add(parent);
    elm_layout_theme_set(mo->layout, "layout", "more_option/base", "default");
    evas_object_size_hint_weight_set(mo->layout, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    evas_object_size_hint_align_set(mo->layout, EVAS_HINT_FILL, EVAS_HINT_FILL);
    evas_object_data_set(mo->layout, DATA_KEY, mo);
    elm_layout_signal_callback_add(mo->layout, "cue,clicked", "elm", CueClickedCb, mo);
    evas_object_event_callback_add(mo->layout, EVAS_CALLBACK_DEL, LayoutDelCb, mo);
    evas_object_show(mo->layout);
    return mo->layout;
}

void eext_more_option_direction_set(Evas_Object* obj, Eext_More_Option_Direction direction)
{
    if (MoreOption* mo = Get(obj))
        mo->direction = direction;
}

Eext_More_Option_Direction eext_more_option_direction_get(const Evas_Object* obj)
{
    MoreOption* mo = Get(obj);
    return mo ? mo->direction : EEXT_MORE_OPTION_DIRECTION_RIGHT;
}

static Eext_Object_Item* AddItem(Evas_Object* obj, Eina_List* (*add)(Eina_List*, const void*))
{
    MoreOption* mo = Get(obj);
    if (!mo)
        return nullptr;
    Eext_Object_Item* item = NewItem(mo);
    mo->items = add(mo->items, item);
    return item;
}

Eext_Object_Item* eext_more_option_item_append(Evas_Object* obj)
{
    return AddItem(obj, eina_list_append);
}

Eext_Object_Item* eext_more_option_item_prepend(Evas_Object* obj)
{
    return AddItem(obj, eina_list_prepend);
}

void eext_more_option_item_del(Eext_Object_Item* item)
{
    if (!item || !item->owner)
        return;
    MoreOption* mo = item->owner;
    mo->items = eina_list_remove(mo->items, item);
    if (item->view)
        evas_object_del(item->view);
    FreeItem(item);
}

void eext_more_option_items_clear(Evas_Object* obj)
{
    MoreOption* mo = Get(obj);
    if (!mo)
        return;
    while (mo->items)
        eext_more_option_item_del(static_cast<Eext_Object_Item*>(eina_list_data_get(mo->items)));
}

void eext_more_option_item_part_text_set(Eext_Object_Item* item, const char* part_name, const char* text)
{
    if (!item || !part_name)
        return;
    if (strcmp(part_name, "selector,main_text") == 0)
        item->mainText = text ? text : "";
    else if (strcmp(part_name, "selector,sub_text") == 0)
        item->subText = text ? text : "";
    else
        return;
    ShowSelection(item->owner);
}

const char* eext_more_option_item_part_text_get(const Eext_Object_Item* item, const char* part_name)
{
    if (!item || !part_name)
        return nullptr;
    if (strcmp(part_name, "selector,main_text") == 0)
        return item->mainText.c_str();
    if (strcmp(part_name, "selector,sub_text") == 0)
        return item->subText.c_str();
    return nullptr;
}

void eext_more_option_item_domain_translatable_part_text_set(Eext_Object_Item* item, const char* part_name,
                                                             const char* domain, const char* text)
{
    eext_more_option_item_part_text_set(item, part_name, text ? dgettext(domain, text) : nullptr);
}

void eext_more_option_item_part_content_set(Eext_Object_Item* item, const char* part_name, Evas_Object* content)
{
    if (!item || !part_name || strcmp(part_name, "item,icon") != 0)
        return;
    if (item->icon && item->icon != content)
        evas_object_del(item->icon);
    item->icon = content;
    if (!content)
        return;
    if (item->view)
        elm_object_part_content_set(item->view, "item,icon", content);
    else
        evas_object_hide(content);
}

Evas_Object* eext_more_option_item_part_content_get(const Eext_Object_Item* item, const char* part_name)
{
    if (!item || !part_name || strcmp(part_name, "item,icon") != 0)
        return nullptr;
    return item->icon;
}

void eext_more_option_item_style_set(Eext_Object_Item* item, const char* style)
{
    if (item)
        item->style = style ? style : "";
}

const Eina_List* eext_more_option_items_get(const Evas_Object* obj)
{
    MoreOption* mo = Get(obj);
    return mo ? mo->items : nullptr;
}

void eext_more_option_opened_set(Evas_Object* obj, Eina_Bool opened)
{
    MoreOption* mo = Get(obj);
    if (!mo || (mo->panel != nullptr) == (opened == EINA_TRUE))
        return;
    if (opened)
        Open(mo);
    else
        Close(mo);
}

Eina_Bool eext_more_option_opened_get(Evas_Object* obj)
{
    MoreOption* mo = Get(obj);
    return mo && mo->panel ? EINA_TRUE : EINA_FALSE;
}
