#ifndef NSORZ_UI_COMMON_TOAST_POPUP_H
#define NSORZ_UI_COMMON_TOAST_POPUP_H

#include "ToastPopupCloseEventListener.h"

#include <Elementary.h>
#include <string>

namespace NSORZUiCommon
{
/* A short message that closes itself. Every closing action dismisses it and
 * reports (type, reason); when the dismissal has finished the widget goes
 * and reason 0 is reported once more. */
class ToastPopup
{
public:
    enum CloseReason
    {
        CLOSE_REASON_BACK = 0,
        CLOSE_REASON_TAPPED = 1,
        CLOSE_REASON_BLOCK = 2,
        CLOSE_REASON_TIMEOUT = 3,
        CLOSE_REASON_DISMISSED = 0,
    };

    ToastPopup(int popupType, Evas_Object* parent);
    virtual ~ToastPopup();

    /* Stores the text centred: "<align=center>" text "</align>". */
    virtual void SetContentText(const std::string& text);
    virtual void SetSubText(const std::string& text);
    virtual void SetTimeout(double seconds);
    virtual void SetTitleText(const std::string& text);
    virtual void Dismiss();
    virtual bool IsShowing();
    virtual void Clear();
    virtual Evas_Object* GetPopup();
    virtual void Show() = 0;

    Evas_Object* mPopup;
    Evas_Object* mParent;
    std::string mContentStringID;
    std::string mTitleText;
    std::string mSubText;
    double mTimeout;
    ToastPopupCloseEventListener* mCloseEventListener;
    int mPopupType;

protected:
    void Close(int reason);
    static void TimeoutCb(void* data, Evas_Object* obj, void* eventInfo);
    static void BlockClickedCb(void* data, Evas_Object* obj, void* eventInfo);
    static void BackCb(void* data, Evas_Object* obj, void* eventInfo);
    static void TapCb(void* data, Evas* evas, Evas_Object* obj, void* eventInfo);
    static void DismissedCb(void* data, Evas_Object* obj, void* eventInfo);
};
} // namespace NSORZUiCommon

#endif
