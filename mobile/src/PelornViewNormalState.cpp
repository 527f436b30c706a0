#include "PelornViewNormalState.h"
#include "TextDomain.h"

#include <libintl.h>

#include "DeviceUtil.h"
#include "OrzLog.h"
#include "ViewBasicElements.h"

namespace NSPelorn
{
void PelornViewNormalState::Initialize(Evas_Object* layout)
{
    RET_IF(!mPelornViewStateEventListener);
    mPelornViewStateEventListener->ShowStartButton();
    if (layout)
        elm_layout_signal_emit(layout, "showLocateButton", "elm");
    Evas_Object* win = NSORZUiCommon::ViewBasicElements::GetWindow();
    if (win)
        elm_win_keygrab_unset(win, "XF86PowerOff", 0, 0);
    NSORZCommon::DeviceUtil::SetLCDLockState(false);
}

std::string PelornViewNormalState::GetButtonText()
{
    return dgettext(PELORN_TEXT_DOMAIN, "IDS_ORZ_BUTTON_START");
}
} // namespace NSPelorn
