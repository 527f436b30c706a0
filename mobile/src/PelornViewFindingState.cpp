#include "PelornViewFindingState.h"
#include "TextDomain.h"

#include <libintl.h>

#include "DeviceUtil.h"
#include "OrzLog.h"
#include "ViewBasicElements.h"

namespace NSPelorn
{
void PelornViewFindingState::Initialize(Evas_Object* layout)
{
    RET_IF(!mPelornViewStateEventListener);
    mPelornViewStateEventListener->ShowStopButton();
    if (layout)
        elm_layout_signal_emit(layout, "hideLocateButton", "elm");
    Evas_Object* win = NSORZUiCommon::ViewBasicElements::GetWindow();
    if (win)
        elm_win_keygrab_set(win, "XF86PowerOff", 0, 0, 0, ELM_WIN_KEYGRAB_EXCLUSIVE);
    NSORZCommon::DeviceUtil::SetLCDLockState(true);
}

std::string PelornViewFindingState::GetButtonText()
{
    return dgettext(PELORN_TEXT_DOMAIN, "IDS_ORZ_BUTTON_STOP_ABB2");
}
} // namespace NSPelorn
