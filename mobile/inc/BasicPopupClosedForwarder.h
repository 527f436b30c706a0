#ifndef PELORN_MOBILE_BASIC_POPUP_CLOSED_FORWARDER_H
#define PELORN_MOBILE_BASIC_POPUP_CLOSED_FORWARDER_H

#include "BasicPopupCloseEventListener.h"

namespace NSPelorn
{
/* Basic and toast popups report their closing through operations of the same
 * name and shape; a screen that listens to both gets each under its own name. */
class BasicPopupClosedForwarder : public NSORZUiCommon::BasicPopupCloseEventListener
{
public:
    void OnClosed(int popupType, int reason) override { OnBasicPopupClosed(popupType, reason); }
    virtual void OnBasicPopupClosed(int basicPopupType, int result) = 0;
};
} // namespace NSPelorn

#endif
