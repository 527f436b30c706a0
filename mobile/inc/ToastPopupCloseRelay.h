#ifndef PELORN_TOAST_POPUP_CLOSE_RELAY_H
#define PELORN_TOAST_POPUP_CLOSE_RELAY_H

#include "ToastPopupCloseEventListener.h"

namespace NSPelorn
{
/* See BasicPopupCloseRelay: toast reports arrive here under their own name. */
class ToastPopupCloseRelay : public NSORZUiCommon::ToastPopupCloseEventListener
{
public:
    void OnClosed(int popupType, int reason) final
    {
        OnToastPopupClosed(popupType, reason);
    }
    virtual void OnToastPopupClosed(int toastPopupType, int reason) = 0;
};
} // namespace NSPelorn

#endif
