#include "BasicPopup.h"
#include "TextDomain.h"

#include "ElementaryHelper.h"
#include "FileUtil.h"
#include "OrzLog.h"

#include <efl_extension.h>

namespace NSORZUiCommon
{
namespace
{
const char* RESOURCE_FILE = "/contents/mobile/edje/MobileResources.edj";
} // namespace

BasicPopup::BasicPopup(int popupType, Evas_Object* parent)
    : mPopupType(popupType), mPopup(nullptr), mParent(parent), mTimeout(0.0), mCloseEventListener(nullptr)
{
}

BasicPopup::~BasicPopup()
{
    if (mPopup)
    {
        evas_object_smart_callback_del_full(mPopup, "dismissed", DismissedCb, this);
        ElementaryHelper::DeleteUnfocusable(mPopup);
        mPopup = nullptr;
    }
}

void BasicPopup::SetCloseEventListener(BasicPopupCloseEventListener* listener)
{
    mCloseEventListener = listener;
}

std::string BasicPopup::ResourceFilePath()
{
    return NSORZCommon::FileUtil::GetResourceDirectoryPath() + RESOURCE_FILE;
}

void BasicPopup::RefreshText()
{
    RET_IF(mPopup == NULL);
    Evas_Object* layout = elm_object_content_get(mPopup);
    if (!mTitleStringID.empty())
    {
        elm_object_domain_translatable_part_text_set(mPopup, "title,text", PELORN_TEXT_DOMAIN, mTitleStringID.c_str());
        if (layout)
            elm_object_domain_translatable_part_text_set(layout, "elm.text.title", PELORN_TEXT_DOMAIN,
                                                         mTitleStringID.c_str());
    }
    if (!mContentStringID.empty() && layout)
        elm_object_domain_translatable_part_text_set(layout, "elm.text", PELORN_TEXT_DOMAIN, mContentStringID.c_str());
    Evas_Object* button1 = elm_object_part_content_get(mPopup, "button1");
    if (button1 && !mButton1StringID.empty() && !elm_object_part_content_get(button1, "elm.swallow.content"))
        elm_object_domain_translatable_text_set(button1, PELORN_TEXT_DOMAIN, mButton1StringID.c_str());
    Evas_Object* button2 = elm_object_part_content_get(mPopup, "button2");
    if (button2 && !mButton2StringID.empty() && !elm_object_part_content_get(button2, "elm.swallow.content"))
        elm_object_domain_translatable_text_set(button2, PELORN_TEXT_DOMAIN, mButton2StringID.c_str());
}

void BasicPopup::Dismiss()
{
    RET_IF(mPopup == NULL);
    elm_popup_dismiss(mPopup);
}

void BasicPopup::SetTranslatedContentText(Evas_Object* obj)
{
    RET_IF(obj == NULL);
    RETM_IF(mContentStringID.empty(), "there is no content string");
    elm_object_domain_translatable_part_text_set(obj, "elm.text", PELORN_TEXT_DOMAIN, mContentStringID.c_str());
}

void BasicPopup::Clear()
{
    if (mPopup)
    {
        eext_object_event_callback_del(mPopup, EEXT_CALLBACK_BACK, BackCb);
        evas_object_smart_callback_del_full(mPopup, "dismissed", DismissedCb, this);
        ElementaryHelper::DeleteUnfocusable(mPopup);
    }
    mPopup = nullptr;
    mContentStringID.clear();
    mTimeout = 0.0;
    mCloseEventListener = nullptr;
}

void BasicPopup::Close(int reason)
{
    Dismiss();
    if (mCloseEventListener)
        mCloseEventListener->OnClosed(mPopupType, reason);
}

Evas_Object* BasicPopup::CreatePopupWidget()
{
    Evas_Object* popup = elm_popup_add(mParent);
    RETVM_IF(popup == NULL, NULL, "elm_popup_add failed");
    // Keys reach the screens without a focus. A popup or its button holding
    // one was what the naviframe handed the focus back to at the end of the
    // next page change, even once the popup was being deleted.
    elm_object_tree_focus_allow_set(popup, EINA_FALSE);
    evas_object_size_hint_weight_set(popup, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    elm_object_style_set(popup, "circle");
    return popup;
}

void BasicPopup::Button1ClickedCb(void* data, Evas_Object* obj, void* eventInfo)
{
    BasicPopup* pThis = static_cast<BasicPopup*>(data);
    RET_IF(pThis == NULL);
    pThis->Close(CLOSE_REASON_BUTTON1);
}

void BasicPopup::Button2ClickedCb(void* data, Evas_Object* obj, void* eventInfo)
{
    BasicPopup* pThis = static_cast<BasicPopup*>(data);
    RET_IF(pThis == NULL);
    pThis->Close(CLOSE_REASON_BUTTON2);
}

Evas_Object* BasicPopup::AddButton(const char* style, const char* part, const std::string& iconGroup,
                                   const std::string& text, Evas_Smart_Cb clickedCb)
{
    Evas_Object* button = elm_button_add(mPopup);
    RETVM_IF(button == NULL, NULL, "elm_button_add failed");
    elm_object_style_set(button, style);
    if (!iconGroup.empty())
    {
        ElementaryHelper helper;
        Evas_Object* icon = helper.CreateImage(button, ResourceFilePath(), iconGroup);
        if (icon)
            elm_object_part_content_set(button, "elm.swallow.content", icon);
    }
    else if (!text.empty())
        elm_object_text_set(button, text.c_str());
    elm_object_part_content_set(mPopup, part, button);
    evas_object_smart_callback_add(button, "clicked", clickedCb, this);
    return button;
}

void BasicPopup::BackCb(void* data, Evas_Object* obj, void* eventInfo)
{
    BasicPopup* pThis = static_cast<BasicPopup*>(data);
    RET_IF(pThis == NULL);
    pThis->Close(CLOSE_REASON_BACK);
}

void BasicPopup::BlockClickedCb(void* data, Evas_Object* obj, void* eventInfo)
{
    BasicPopup* pThis = static_cast<BasicPopup*>(data);
    RET_IF(pThis == NULL);
    pThis->Close(CLOSE_REASON_BLOCK);
}

void BasicPopup::TimeoutCb(void* data, Evas_Object* obj, void* eventInfo)
{
    BasicPopup* pThis = static_cast<BasicPopup*>(data);
    RET_IF(pThis == NULL);
    pThis->Close(CLOSE_REASON_TIMEOUT);
}

void BasicPopup::DismissedCb(void* data, Evas_Object* obj, void* eventInfo)
{
    BasicPopup* pThis = static_cast<BasicPopup*>(data);
    RET_IF(pThis == NULL);
    pThis->Clear();
}

void BasicPopup::ConnectCloseHandlers(bool withTimeout)
{
    if (withTimeout && mTimeout > 0)
    {
        elm_popup_timeout_set(mPopup, mTimeout);
        evas_object_smart_callback_add(mPopup, "timeout", TimeoutCb, this);
    }
    eext_object_event_callback_add(mPopup, EEXT_CALLBACK_BACK, BackCb, this);
    evas_object_smart_callback_add(mPopup, "dismissed", DismissedCb, this);
    evas_object_smart_callback_add(mPopup, "block,clicked", BlockClickedCb, this);
}
} // namespace NSORZUiCommon
