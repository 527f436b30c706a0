#ifndef PELORN_BASIC_POPUP_CLOSE_RELAY_H
#define PELORN_BASIC_POPUP_CLOSE_RELAY_H

#include "BasicPopupCloseEventListener.h"

namespace NSPelorn
{
/* The basic-popup and toast close listeners share one signature and their
 * type numbers overlap (1 and 2 are a prompt and a toast each), so a view
 * that listens to both takes each report under its own name. */
class BasicPopupCloseRelay : public NSORZUiCommon::BasicPopupCloseEventListener
{
public:
    void OnClosed(int popupType, int reason) final
    {
        OnBasicPopupClosed(popupType, reason);
    }
    virtual void OnBasicPopupClosed(int popupType, int reason) = 0;
};
} // namespace NSPelorn

#endif
