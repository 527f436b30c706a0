#include "NoTitleBody2IconButtonsPopup.h"
#include "TextDomain.h"

#include "OrzLog.h"

#include <efl_extension.h>
#include <libintl.h>

namespace NSORZUiCommon
{
void NoTitleBody2IconButtonsPopup::Show()
{
    LOGE("SHOW NoTitleBody2IconButtonsPopup");
    RET_IF(mParent == NULL);
    RETM_IF(mPopup != NULL, "mPopup is already exist");

    mPopup = CreatePopupWidget();
    RET_IF(mPopup == NULL);

    Evas_Object* layout = elm_layout_add(mPopup);
    elm_layout_theme_set(layout, "layout", "popup", "content/circle/buttons2");
    if (mContentStringID.empty())
        LOGE("there is no content string");
    else
        elm_object_part_text_set(layout, "elm.text", mContentStringID.c_str());
    elm_object_content_set(mPopup, layout);

    if (mButton1IconPath.empty())
        LOGE("there is no button1 icon path");
    Evas_Object* cancel = AddButton("popup/circle/left", "button1", mButton1IconPath, "", Button1ClickedCb);
    if (mButton2IconPath.empty())
        LOGE("there is no button2 icon path");
    Evas_Object* accept = AddButton("popup/circle/right", "button2", mButton2IconPath, "", Button2ClickedCb);

    ConnectCloseHandlers(true);

    if (elm_config_access_get())
    {
        if (cancel)
            elm_access_info_set(cancel, ELM_ACCESS_INFO, dgettext(PELORN_TEXT_DOMAIN, "IDS_COM_SK_CANCEL_ABB"));
        if (accept)
            elm_access_info_set(accept, ELM_ACCESS_INFO, dgettext(PELORN_TEXT_DOMAIN, "WDS_ST_BUTTON_OK_ABB"));
    }
    evas_object_show(mPopup);
}
} // namespace NSORZUiCommon
