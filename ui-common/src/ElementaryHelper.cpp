#include "ElementaryHelper.h"

#include "OrzLog.h"

namespace NSORZUiCommon
{
Evas_Object* ElementaryHelper::CreateLayoutFromFile(Evas_Object* parent, const std::string& file,
                                                    const std::string& group, bool expand)
{
    Evas_Object* layout = elm_layout_add(parent);
    RETV_IF(layout == NULL, NULL);
    if (file.empty() || group.empty())
        return layout;
    if (!elm_layout_file_set(layout, file.c_str(), group.c_str()))
    {
        LOGE("elm_layout_file_set is failed. file: %s, group: %s", file.c_str(), group.c_str());
        evas_object_del(layout);
        return NULL;
    }
    if (expand)
    {
        evas_object_size_hint_weight_set(layout, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
        evas_object_size_hint_align_set(layout, EVAS_HINT_FILL, EVAS_HINT_FILL);
    }
    return layout;
}

Evas_Object* ElementaryHelper::CreateExpandLayout(Evas_Object* parent, const std::string& file,
                                                  const std::string& group)
{
    RETV_IF(parent == NULL, NULL);
    return CreateLayoutFromFile(parent, file, group, true);
}

Evas_Object* ElementaryHelper::CreateLayout(Evas_Object* parent, const std::string& file, const std::string& group)
{
    RETV_IF(parent == NULL, NULL);
    return CreateLayoutFromFile(parent, file, group, false);
}

Evas_Object* ElementaryHelper::CreateImage(Evas_Object* parent, const std::string& file, const std::string& group)
{
    RETV_IF(parent == NULL, NULL);
    Evas_Object* image = elm_image_add(parent);
    RETV_IF(image == NULL, NULL);
    elm_image_file_set(image, file.c_str(), group.empty() ? NULL : group.c_str());
    return image;
}

Evas_Object* ElementaryHelper::CreateImageWithColorClass(Evas_Object* parent, const std::string& edjPath,
                                                         const std::string& imageGroup,
                                                         const std::string& colorClass)
{
    RETVM_IF(parent == NULL || edjPath.length() <= 0 || imageGroup.length() <= 0, NULL,
             "parent == NULL || edjPath.length() <= 0 || imagePath.length() <= 0");
    Evas_Object* img = elm_image_add(parent);
    RETV_IF(img == NULL, NULL);
    elm_image_file_set(img, edjPath.c_str(), imageGroup.c_str());
    evas_object_size_hint_align_set(img, EVAS_HINT_FILL, EVAS_HINT_FILL);
    evas_object_size_hint_weight_set(img, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    int r = 255, g = 255, b = 255, a = 255;
    if (edje_color_class_get(colorClass.c_str(), &r, &g, &b, &a, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL))
        evas_object_color_set(img, r * a / 255, g * a / 255, b * a / 255, a);
    return img;
}

Evas_Object* ElementaryHelper::CreateActivityIndicator(Evas_Object* parent, const std::string& style)
{
    RETV_IF(parent == NULL, NULL);
    RETV_IF(style.length() <= 0, NULL);
    Evas_Object* progressbar = elm_progressbar_add(parent);
    RETV_IF(progressbar == NULL, NULL);
    if (!elm_object_style_set(progressbar, style.c_str()))
        LOGE("elm_object_style_set failed");
    evas_object_size_hint_align_set(progressbar, EVAS_HINT_FILL, EVAS_HINT_FILL);
    evas_object_size_hint_weight_set(progressbar, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    evas_object_show(progressbar);
    elm_progressbar_pulse_set(progressbar, EINA_TRUE);
    elm_progressbar_pulse(progressbar, EINA_TRUE);
    return progressbar;
}

Evas_Object* ElementaryHelper::CreateGenlist(Evas_Object* parent)
{
    RETV_IF(parent == NULL, NULL);
    Evas_Object* genlist = elm_genlist_add(parent);
    RETV_IF(genlist == NULL, NULL);
    elm_genlist_homogeneous_set(genlist, EINA_TRUE);
    evas_object_size_hint_weight_set(genlist, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    evas_object_size_hint_align_set(genlist, EVAS_HINT_FILL, EVAS_HINT_FILL);
    elm_scroller_policy_set(genlist, ELM_SCROLLER_POLICY_OFF, ELM_SCROLLER_POLICY_AUTO);
    evas_object_show(genlist);
    return genlist;
}

Evas_Object* ElementaryHelper::CreateCheck(Evas_Object* parent, const std::string& style)
{
    RETV_IF(parent == NULL, NULL);
    Evas_Object* check = elm_check_add(parent);
    RETV_IF(check == NULL, NULL);
    evas_object_size_hint_align_set(check, EVAS_HINT_FILL, EVAS_HINT_FILL);
    evas_object_size_hint_weight_set(check, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    if (style.length() <= 0)
        LOGE("[%s(): %d] (%s) [return]", __func__, __LINE__, "style.length() <= 0");
    else
        elm_object_style_set(check, style.c_str());
    evas_object_show(check);
    return check;
}

int ElementaryHelper::GetTextblockMaxLine(Evas_Object* layout, const std::string& part)
{
    RETV_IF(layout == NULL, 0);
    Evas_Object* edje = elm_layout_edje_get(layout);
    RETV_IF(edje == NULL, 0);
    const Evas_Object* partObject = edje_object_part_object_get(edje, part.c_str());
    RETVM_IF(partObject == NULL, 0, "part == NULL");
    const Evas_Object* textblock = partObject;
    RETV_IF(textblock == NULL, 0);
    Evas_Textblock_Cursor* cursor = evas_object_textblock_cursor_new(textblock);
    RETV_IF(cursor == NULL, 0);
    int lines = 0;
    while (evas_textblock_cursor_line_set(cursor, lines))
        ++lines;
    evas_textblock_cursor_free(cursor);
    return lines;
}

void ElementaryHelper::SetPlainPartText(Evas_Object* object, const char* part, const std::string& text)
{
    RET_IF(object == NULL);
    char* markup = elm_entry_utf8_to_markup(text.c_str());
    elm_object_part_text_set(object, part, markup ? markup : "");
    free(markup);
}

void ElementaryHelper::AddThemeExtension(const std::string& file)
{
    RET_IF(file.empty());
    const Eina_List* node;
    void* item;
    EINA_LIST_FOREACH(elm_theme_extension_list_get(NULL), node, item)
    {
        if (item && file == static_cast<const char*>(item))
            return;
    }
    elm_theme_extension_add(NULL, file.c_str());
}
/* The toolkit focuses a popup when it shows. One that takes no focus (ours
 * take none: there is nothing to hand it back to) has no focus manager, so
 * the toolkit parks it (its inner notify) under its window's
 * "__delayed_focus_set" key until a manager comes. Deleted, it stays parked, and the toolkit's
 * next focus call anywhere in the window removes a callback from the deleted
 * object: an error line, each time a later popup or screen showed. The
 * callback itself goes with the popup; the key is what is left. */
void ElementaryHelper::DeleteUnfocusable(Evas_Object* widget)
{
    if (!widget)
        return;
    Evas_Object* top = elm_object_top_widget_get(widget);
    Eo* parked = top ? static_cast<Eo*>(efl_key_data_get(top, "__delayed_focus_set")) : nullptr;
    // What is parked is the popup's own part that asked for the focus.
    for (Eo* part = parked; part && part != top; part = efl_parent_get(part))
        if (part == widget)
        {
            efl_key_data_set(top, "__delayed_focus_set", nullptr);
            break;
        }
    evas_object_del(widget);
}
} // namespace NSORZUiCommon
