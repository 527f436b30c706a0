#include "ToastPopup.h"

#include "ElementaryHelper.h"
#include "OrzLog.h"

#include <efl_extension.h>

namespace NSORZUiCommon
{
ToastPopup::ToastPopup(int popupType, Evas_Object* parent)
    : mPopup(nullptr), mParent(parent), mTimeout(0.0), mCloseEventListener(nullptr), mPopupType(popupType)
{
}

ToastPopup::~ToastPopup()
{
    if (mPopup)
    {
        evas_object_smart_callback_del_full(mPopup, "dismissed", DismissedCb, this);
        evas_object_event_callback_del_full(mPopup, EVAS_CALLBACK_MOUSE_UP, TapCb, this);
        ElementaryHelper::DeleteUnfocusable(mPopup);
    }
}

void ToastPopup::SetContentText(const std::string& text)
{
    mContentStringID = "<align=center>" + text + "</align>";
}

void ToastPopup::SetSubText(const std::string& text)
{
    mSubText = text;
}

void ToastPopup::SetTimeout(double seconds)
{
    mTimeout = seconds;
}

void ToastPopup::SetTitleText(const std::string& text)
{
    mTitleText = text;
}

void ToastPopup::Dismiss()
{
    RET_IF(mPopup == NULL);
    elm_popup_dismiss(mPopup);
}

bool ToastPopup::IsShowing()
{
    return mPopup != nullptr;
}

void ToastPopup::Clear()
{
    if (mPopup)
    {
        evas_object_smart_callback_del_full(mPopup, "dismissed", DismissedCb, this);
        evas_object_event_callback_del_full(mPopup, EVAS_CALLBACK_MOUSE_UP, TapCb, this);
        eext_object_event_callback_del(mPopup, EEXT_CALLBACK_BACK, BackCb);
        ElementaryHelper::DeleteUnfocusable(mPopup);
        mPopup = nullptr;
    }
    mContentStringID.clear();
    mTitleText.clear();
    mSubText.clear();
}

Evas_Object* ToastPopup::GetPopup()
{
    return mPopup;
}

void ToastPopup::Close(int reason)
{
    Dismiss();
    if (mCloseEventListener)
        mCloseEventListener->OnClosed(mPopupType, reason);
}

void ToastPopup::TimeoutCb(void* data, Evas_Object* obj, void* eventInfo)
{
    ToastPopup* pThis = static_cast<ToastPopup*>(data);
    RET_IF(pThis == NULL);
    pThis->Close(CLOSE_REASON_TIMEOUT);
}

void ToastPopup::BlockClickedCb(void* data, Evas_Object* obj, void* eventInfo)
{
    ToastPopup* pThis = static_cast<ToastPopup*>(data);
    RET_IF(pThis == NULL);
    pThis->Close(CLOSE_REASON_BLOCK);
}

void ToastPopup::BackCb(void* data, Evas_Object* obj, void* eventInfo)
{
    ToastPopup* pThis = static_cast<ToastPopup*>(data);
    RET_IF(pThis == NULL);
    pThis->Close(CLOSE_REASON_BACK);
}

void ToastPopup::TapCb(void* data, Evas* evas, Evas_Object* obj, void* eventInfo)
{
    ToastPopup* pThis = static_cast<ToastPopup*>(data);
    RET_IF(pThis == NULL);
    pThis->Close(CLOSE_REASON_TAPPED);
}

void ToastPopup::DismissedCb(void* data, Evas_Object* obj, void* eventInfo)
{
    ToastPopup* pThis = static_cast<ToastPopup*>(data);
    RET_IF(pThis == NULL);
    // Keep the listener across Clear: it hears the final report.
    ToastPopupCloseEventListener* listener = pThis->mCloseEventListener;
    int type = pThis->mPopupType;
    pThis->Clear();
    LOGE("Dismissed");
    if (listener)
        listener->OnClosed(type, CLOSE_REASON_DISMISSED);
}
} // namespace NSORZUiCommon
