#ifndef NSORZ_UI_COMMON_TEXT_ONLY_TOAST_POPUP_H
#define NSORZ_UI_COMMON_TEXT_ONLY_TOAST_POPUP_H

#include "ToastPopup.h"

namespace NSORZUiCommon
{
/* A toast of one text on the round screen. */
class TextOnlyToastPopup : public ToastPopup
{
public:
    TextOnlyToastPopup(int popupType, Evas_Object* parent) : ToastPopup(popupType, parent) {}
    void Show() override;

private:
    static void LanguageChangedCb(void* data, Evas_Object* obj, void* eventInfo);
    void SetSpokenText(const std::string& markup);
};
} // namespace NSORZUiCommon

#endif
