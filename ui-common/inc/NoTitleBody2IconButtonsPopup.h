#ifndef NSORZ_UI_COMMON_NO_TITLE_BODY2_ICON_BUTTONS_POPUP_H
#define NSORZ_UI_COMMON_NO_TITLE_BODY2_ICON_BUTTONS_POPUP_H

#include "BasicPopup.h"

namespace NSORZUiCommon
{
/* A question with two icon buttons: cancel on the left edge, accept on the right. */
class NoTitleBody2IconButtonsPopup : public BasicPopup
{
public:
    NoTitleBody2IconButtonsPopup(int popupType, Evas_Object* parent) : BasicPopup(popupType, parent) {}
    void Show() override;
};
} // namespace NSORZUiCommon

#endif
