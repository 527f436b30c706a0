/* The theme extension's colour and font tables, read from XML files with
 * GMarkup, and its popup bezel support. */
#include "uxt_theme.h"

#include "dlog.h"
#include "efl_extension.h"

#include <Elementary.h>
#include <glib.h>
#include <map>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace
{
struct Rgba
{
    int r = 0, g = 0, b = 0, a = 255;
};

struct ColorEntry
{
    Rgba color, outline, shadow;
};

struct FontEntry
{
    std::string name;
    int size = 0;
};

struct ChangedCallback
{
    int type;
    uxt_theme_changed_cb func;
    void* data;
};

const char* TAG = "pelorn-UI";
} // namespace

struct _uxt_theme_table
{
    bool isFont = false;
    std::map<std::string, ColorEntry> colors;
    std::map<std::string, FontEntry> fonts;
};

namespace
{
uxt_theme_color_table_h gColorTable = nullptr;
uxt_theme_font_table_h gFontTable = nullptr;
int gStyle = UXT_THEME_STYLE_DEFAULT;
bool gChangeableEnabled = false;
std::vector<ChangedCallback> gChangedCallbacks;

/* "#rrggbb" or "#rrggbbaa". */
bool ParseRgba(const char* text, Rgba* out)
{
    if (!text || text[0] != '#')
        return false;
    size_t len = strlen(text + 1);
    if (len != 6 && len != 8)
        return false;
    for (size_t i = 1; i <= len; ++i)
        if (!g_ascii_isxdigit(text[i]))
            return false;
    unsigned long v = strtoul(text + 1, nullptr, 16);
    if (len == 6)
        v = (v << 8) | 0xff;
    out->r = (v >> 24) & 0xff;
    out->g = (v >> 16) & 0xff;
    out->b = (v >> 8) & 0xff;
    out->a = v & 0xff;
    return true;
}

void StartElement(GMarkupParseContext* context, const gchar* element, const gchar** names, const gchar** values,
                  gpointer userData, GError** error)
{
    _uxt_theme_table* table = static_cast<_uxt_theme_table*>(userData);
    const char* code = nullptr;
    for (int i = 0; names[i]; ++i)
        if (strcmp(names[i], "code") == 0)
            code = values[i];
    if (strcmp(element, "color") == 0 && !table->isFont)
    {
        ColorEntry entry;
        bool ok = code != nullptr;
        for (int i = 0; names[i] && ok; ++i)
        {
            if (strcmp(names[i], "rgba") == 0)
                ok = ParseRgba(values[i], &entry.color);
            else if (strcmp(names[i], "outline") == 0)
                ok = ParseRgba(values[i], &entry.outline);
            else if (strcmp(names[i], "shadow") == 0)
                ok = ParseRgba(values[i], &entry.shadow);
        }
        if (ok)
            table->colors[code] = entry;
        else
            dlog_print(DLOG_ERROR, TAG, "colour table: bad entry %s", code ? code : "(no code)");
    }
    else if (strcmp(element, "font") == 0 && table->isFont)
    {
        FontEntry entry;
        for (int i = 0; names[i]; ++i)
        {
            if (strcmp(names[i], "name") == 0)
                entry.name = values[i];
            else if (strcmp(names[i], "size") == 0)
                entry.size = atoi(values[i]);
        }
        if (code && !entry.name.empty() && entry.size > 0)
            table->fonts[code] = entry;
        else
            dlog_print(DLOG_ERROR, TAG, "font table: bad entry %s", code ? code : "(no code)");
    }
}

_uxt_theme_table* LoadTable(const char* path, bool isFont)
{
    if (!path)
        return nullptr;
    gchar* text = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(path, &text, &length, nullptr))
    {
        dlog_print(DLOG_ERROR, TAG, "theme table unreadable: %s", path);
        return nullptr;
    }
    _uxt_theme_table* table = new _uxt_theme_table;
    table->isFont = isFont;
    GMarkupParser parser = {StartElement, nullptr, nullptr, nullptr, nullptr};
    GMarkupParseContext* context = g_markup_parse_context_new(&parser, (GMarkupParseFlags)0, table, nullptr);
    GError* error = nullptr;
    bool ok = g_markup_parse_context_parse(context, text, length, &error) &&
              g_markup_parse_context_end_parse(context, &error);
    g_markup_parse_context_free(context);
    g_free(text);
    if (!ok || (isFont ? table->fonts.empty() : table->colors.empty()))
    {
        dlog_print(DLOG_ERROR, TAG, "theme table rejected: %s (%s)", path, error ? error->message : "empty");
        if (error)
            g_error_free(error);
        delete table;
        return nullptr;
    }
    return table;
}

void NotifyChanged(int type)
{
    std::vector<ChangedCallback> callbacks = gChangedCallbacks;
    for (auto& cb : callbacks)
        if (cb.type == type)
            cb.func(cb.data);
}

void Put(int* dst, int value)
{
    if (dst)
        *dst = value;
}
} // namespace

int uxt_theme_set_changeable_ui_enabled(bool enabled)
{
    gChangeableEnabled = enabled;
    return UXT_ERROR_NONE;
}

int uxt_theme_set_style(int style)
{
    if (style != UXT_THEME_STYLE_DARK && style != UXT_THEME_STYLE_LIGHT)
        return UXT_ERROR_INVALID_PARAMETER;
    bool changed = style != gStyle;
    gStyle = style;
    if (changed)
    {
        NotifyChanged(UXT_THEME_CHANGED_TYPE_COLOR);
        NotifyChanged(UXT_THEME_CHANGED_TYPE_FONT);
    }
    return UXT_ERROR_NONE;
}

int uxt_theme_get_style(int* style)
{
    if (!style)
        return UXT_ERROR_INVALID_PARAMETER;
    *style = gStyle;
    return UXT_ERROR_NONE;
}

uxt_theme_color_table_h uxt_theme_add_color_table(const char* path)
{
    return LoadTable(path, false);
}

uxt_theme_font_table_h uxt_theme_add_font_table(const char* path)
{
    return LoadTable(path, true);
}

int uxt_theme_set_color_table(uxt_theme_color_table_h table)
{
    if (!table || table->isFont)
        return UXT_ERROR_INVALID_PARAMETER;
    gColorTable = table;
    NotifyChanged(UXT_THEME_CHANGED_TYPE_COLOR);
    return UXT_ERROR_NONE;
}

int uxt_theme_set_font_table(uxt_theme_font_table_h table)
{
    if (!table || !table->isFont)
        return UXT_ERROR_INVALID_PARAMETER;
    gFontTable = table;
    NotifyChanged(UXT_THEME_CHANGED_TYPE_FONT);
    return UXT_ERROR_NONE;
}

int uxt_theme_delete_color_table(uxt_theme_color_table_h table)
{
    if (!table || table->isFont)
        return UXT_ERROR_INVALID_PARAMETER;
    if (gColorTable == table)
        gColorTable = nullptr;
    delete table;
    return UXT_ERROR_NONE;
}

int uxt_theme_delete_font_table(uxt_theme_font_table_h table)
{
    if (!table || !table->isFont)
        return UXT_ERROR_INVALID_PARAMETER;
    if (gFontTable == table)
        gFontTable = nullptr;
    delete table;
    return UXT_ERROR_NONE;
}

int uxt_theme_get_color(const char* code, int* r, int* g, int* b, int* a, int* outline_r, int* outline_g,
                        int* outline_b, int* outline_a, int* shadow_r, int* shadow_g, int* shadow_b, int* shadow_a)
{
    if (!code)
        return UXT_ERROR_INVALID_PARAMETER;
    if (!gColorTable)
        return UXT_ERROR_NO_DATA;
    auto it = gColorTable->colors.find(code);
    if (it == gColorTable->colors.end())
        return UXT_ERROR_NO_DATA;
    const ColorEntry& e = it->second;
    Put(r, e.color.r), Put(g, e.color.g), Put(b, e.color.b), Put(a, e.color.a);
    Put(outline_r, e.outline.r), Put(outline_g, e.outline.g), Put(outline_b, e.outline.b), Put(outline_a, e.outline.a);
    Put(shadow_r, e.shadow.r), Put(shadow_g, e.shadow.g), Put(shadow_b, e.shadow.b), Put(shadow_a, e.shadow.a);
    return UXT_ERROR_NONE;
}

int uxt_theme_get_font_info(const char* code, char** font_name, int* size)
{
    if (!code || !font_name || !size)
        return UXT_ERROR_INVALID_PARAMETER;
    *font_name = nullptr;
    if (!gFontTable)
        return UXT_ERROR_NO_DATA;
    auto it = gFontTable->fonts.find(code);
    if (it == gFontTable->fonts.end())
        return UXT_ERROR_NO_DATA;
    *font_name = strdup(it->second.name.c_str());
    *size = it->second.size;
    return UXT_ERROR_NONE;
}

int uxt_theme_add_changed_callback(int type, uxt_theme_changed_cb callback, void* user_data)
{
    if (!callback || (type != UXT_THEME_CHANGED_TYPE_COLOR && type != UXT_THEME_CHANGED_TYPE_FONT))
        return UXT_ERROR_INVALID_PARAMETER;
    gChangedCallbacks.push_back({type, callback, user_data});
    return UXT_ERROR_NONE;
}

int uxt_theme_delete_changed_callback(int type, uxt_theme_changed_cb callback)
{
    for (auto it = gChangedCallbacks.begin(); it != gChangedCallbacks.end(); ++it)
    {
        if (it->type == type && it->func == callback)
        {
            gChangedCallbacks.erase(it);
            return UXT_ERROR_NONE;
        }
    }
    return UXT_ERROR_INVALID_PARAMETER;
}

namespace
{
/* The popup's content layout carries its body in the draggable part
 * "elm.text"; each detent moves it by one step. */
Eina_Bool PopupRotaryCb(void* data, Evas_Object* popup, Eext_Rotary_Event_Info* info)
{
    Evas_Object* content = elm_object_content_get(popup);
    Evas_Object* edje = content ? elm_layout_edje_get(content) : nullptr;
    if (!edje)
        return EINA_FALSE;
    edje_object_part_drag_step(edje, "elm.text", 0.0,
                               info->direction == EEXT_ROTARY_DIRECTION_CLOCKWISE ? 1.0 : -1.0);
    return EINA_TRUE;
}
} // namespace

int uxt_popup_set_rotary_event_enabled(Evas_Object* popup, bool enabled)
{
    if (!popup)
        return UXT_ERROR_INVALID_PARAMETER;
    eext_rotary_object_event_callback_del(popup, PopupRotaryCb);
    if (enabled)
        eext_rotary_object_event_callback_add(popup, PopupRotaryCb, nullptr);
    eext_rotary_object_event_activated_set(popup, enabled);
    return UXT_ERROR_NONE;
}
