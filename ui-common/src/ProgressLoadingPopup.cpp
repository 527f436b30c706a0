#include "ProgressLoadingPopup.h"
#include "TextDomain.h"

#include "ElementaryHelper.h"
#include "FileUtil.h"
#include "OrzLog.h"

#include <efl_extension.h>
#include <libintl.h>

namespace NSORZUiCommon
{
namespace
{

std::string PopupEdjPath()
{
    return NSORZCommon::FileUtil::GetResourceDirectoryPath() + "/contents/mobile/edje/Popup.edj";
}
} // namespace

void ProgressLoadingPopup::AddStyles()
{
    ElementaryHelper::AddThemeExtension(PopupEdjPath());
}

void ProgressLoadingPopup::Show()
{
    LOGE("SHOW ProgressLoadingPopup");
    RET_IF(mParent == NULL);
    RETM_IF(mPopup != NULL, "mPopup is already exist");

    std::string popupEDJPath = PopupEdjPath();
    LOGE("show popupEDJPath:%s", popupEDJPath.c_str());
    AddStyles();

    mPopup = CreatePopupWidget();
    RET_IF(mPopup == NULL);

    if (!mButton1StringID.empty())
        AddButton("popup", "button1", "", mButton1StringID, Button1ClickedCb);
    else
        LOGE("there is no button string");

    ElementaryHelper helper;
    Evas_Object* popupLayout = helper.CreateExpandLayout(mPopup, popupEDJPath, "popupLayout");
    Evas_Object* progressLayout = helper.CreateLayout(popupLayout ? popupLayout : mPopup, popupEDJPath,
                                                      "progressing_popup");
    if (progressLayout)
    {
        Evas_Object* progressbar = helper.CreateActivityIndicator(progressLayout, "process/popup/small");
        if (progressbar)
            elm_object_part_content_set(progressLayout, "activityIndicator", progressbar);
        if (mContentStringID.empty())
            LOGE("there is no content string");
        else
            elm_object_domain_translatable_part_text_set(progressLayout, "text", PELORN_TEXT_DOMAIN,
                                                         mContentStringID.c_str());
    }
    if (popupLayout)
    {
        if (progressLayout)
            elm_object_part_content_set(popupLayout, "elm.swallow.content", progressLayout);
        elm_object_content_set(mPopup, popupLayout);
    }
    else if (progressLayout)
        elm_object_content_set(mPopup, progressLayout);

    ConnectCloseHandlers(false);

    if (elm_config_access_get() && progressLayout)
    {
        if (mContentStringID.length() < 1)
            LOGE("[%s(): %d] (%s) [return]", __func__, __LINE__, "pThis->mContentStringID.length()<1");
        else
        {
            Evas_Object* textAccess = elm_access_object_register(
                (Evas_Object*)edje_object_part_object_get(elm_layout_edje_get(progressLayout), "text"),
                progressLayout);
            elm_access_info_set(textAccess, ELM_ACCESS_INFO, dgettext(PELORN_TEXT_DOMAIN, mContentStringID.c_str()));
        }
    }
    evas_object_show(mPopup);
}
} // namespace NSORZUiCommon
