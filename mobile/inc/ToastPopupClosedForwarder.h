#ifndef PELORN_MOBILE_TOAST_POPUP_CLOSED_FORWARDER_H
#define PELORN_MOBILE_TOAST_POPUP_CLOSED_FORWARDER_H

#include "ToastPopupCloseEventListener.h"

namespace NSPelorn
{
/* The toast side of BasicPopupClosedForwarder. */
class ToastPopupClosedForwarder : public NSORZUiCommon::ToastPopupCloseEventListener
{
public:
    void OnClosed(int popupType, int reason) override { OnToastPopupClosed(popupType, reason); }
    virtual void OnToastPopupClosed(int toastPopupType, int reason) = 0;
};
} // namespace NSPelorn

#endif
