#ifndef NSORZ_UI_COMMON_TITLE_BODY1_BUTTON_POPUP_H
#define NSORZ_UI_COMMON_TITLE_BODY1_BUTTON_POPUP_H

#include "BasicPopup.h"

namespace NSORZUiCommon
{
/* Title, body and one button on the bottom arc. */
class TitleBody1ButtonPopup : public BasicPopup
{
public:
    TitleBody1ButtonPopup(int popupType, Evas_Object* parent) : BasicPopup(popupType, parent) {}
    void Show() override;
};
} // namespace NSORZUiCommon

#endif
