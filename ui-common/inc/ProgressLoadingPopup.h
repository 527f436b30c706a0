#ifndef NSORZ_UI_COMMON_PROGRESS_LOADING_POPUP_H
#define NSORZ_UI_COMMON_PROGRESS_LOADING_POPUP_H

#include "BasicPopup.h"

namespace NSORZUiCommon
{
/* A wait message with a pulsing bar and an optional stop button. */
class ProgressLoadingPopup : public BasicPopup
{
public:
    ProgressLoadingPopup(int popupType, Evas_Object* parent) : BasicPopup(popupType, parent) {}
    void Show() override;
    /* Makes the popup's styles findable (once; see ElementaryHelper::AddThemeExtension). */
    static void AddStyles();
};
} // namespace NSORZUiCommon

#endif
