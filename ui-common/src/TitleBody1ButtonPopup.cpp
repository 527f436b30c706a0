#include "TitleBody1ButtonPopup.h"

#include "OrzLog.h"

#include <efl_extension.h>
#include <uxt_theme.h>

namespace NSORZUiCommon
{
namespace
{
char* TitleAccessInfoCb(void* data, Evas_Object* obj)
{
    const char* title = static_cast<const char*>(data);
    return title ? strdup((std::string(title) + ", title").c_str()) : NULL;
}
} // namespace

void TitleBody1ButtonPopup::Show()
{
    LOGE("SHOW TitleBody1ButtonPopup");
    RET_IF(mParent == NULL);
    RETM_IF(mPopup != NULL, "mPopup is already exist");

    mPopup = CreatePopupWidget();
    RET_IF(mPopup == NULL);

    Evas_Object* layout = elm_layout_add(mPopup);
    elm_layout_theme_set(layout, "layout", "popup", "content/circle/buttons1");
    if (mTitleStringID.empty())
        LOGE("there is no title string");
    else
        elm_object_part_text_set(layout, "elm.text.title", mTitleStringID.c_str());
    if (mContentStringID.empty())
        LOGE("there is no content string");
    else
        elm_object_part_text_set(layout, "elm.text", mContentStringID.c_str());
    elm_object_content_set(mPopup, layout);

    if (mButton1IconPath.empty() && mButton1StringID.empty())
        LOGE("there is no button 1 string");
    AddButton("popup/circle", "button1", mButton1IconPath, mButton1StringID, Button1ClickedCb);

    ConnectCloseHandlers(true);
    uxt_popup_set_rotary_event_enabled(mPopup, true);

    if (elm_config_access_get())
    {
        Evas_Object* titleAccess =
            elm_access_object_register((Evas_Object*)edje_object_part_object_get(elm_layout_edje_get(layout),
                                                                                   "elm.text.title"),
                                       layout);
        elm_access_info_cb_set(titleAccess, ELM_ACCESS_INFO, TitleAccessInfoCb,
                               (void*)elm_object_part_text_get(layout, "elm.text.title"));
        Evas_Object* textAccess = elm_access_object_register(
            (Evas_Object*)edje_object_part_object_get(elm_layout_edje_get(layout), "elm.text"), layout);
        elm_access_info_set(textAccess, ELM_ACCESS_INFO, elm_object_part_text_get(layout, "elm.text"));
        elm_access_highlight_set(titleAccess);
    }
    evas_object_show(mPopup);
}
} // namespace NSORZUiCommon
