#include "ToastPopupBuilder.h"
#include "TextDomain.h"

#include "OrzLog.h"
#include "PopupTypes.h"
#include "TextOnlyToastPopup.h"

#include <libintl.h>

using namespace NSORZUiCommon;

namespace NSPelorn
{
namespace
{
const double TOAST_TIMEOUT_SECONDS = 2.0;

const char* ToastText(int type)
{
    switch ((ORZToastPopupType)type)
    {
    case ORZToastPopupType::ORZ_TOAST_POPUP_TYPE_UNABLE_TO_USE_DURING_CALLS:
        return "WDS_ORZ_TPOP_UNABLE_TO_USE_DURING_CALLS_ABB";
    case ORZToastPopupType::ORZ_TOAST_POPUP_TYPE_FAILED_TRY_AGAIN_LATER:
        return "WDS_ORZ_TPOP_FAILED_TRY_AGAIN_LATER_ABB";
    case ORZToastPopupType::ORZ_TOAST_POPUP_TYPE_LOCATION_NOT_AVAILABLE:
        return "WDS_ORZ_TPOP_LOCATION_NOT_AVAILABLE_ABB";
    case ORZToastPopupType::ORZ_TOAST_POPUP_TYPE_CHANGE_SETTINGS_ON_PHONE:
        return "WDS_ST_TPOP_CHANGE_SETTINGS_ON_YOUR_PHONE_ABB";
    case ORZToastPopupType::ORZ_TOAST_POPUP_TYPE_CHOICE_NOT_SAVED:
        return "WDS_ORZ_TPOP_YOUR_CHOICE_COULD_NOT_BE_SAVED_ABB";
    case ORZToastPopupType::ORZ_TOAST_POPUP_TYPE_PHONE_FOUND:
        return "WDS_ORZ_TPOP_PHONE_FOUND_ABB";
    case ORZToastPopupType::ORZ_TOAST_POPUP_TYPE_STOPPED_AFTER_LIMIT:
        return "WDS_ORZ_TPOP_STOPPED_AFTER_3_MIN_ABB";
    case ORZToastPopupType::ORZ_TOAST_POPUP_TYPE_PHONE_NOT_REACHED:
        return "WDS_ORZ_TPOP_PHONE_NOT_REACHED_TRY_AGAIN_ABB";
    default:
        return nullptr;
    }
}
} // namespace

std::shared_ptr<ToastPopupBuilder> ToastPopupBuilder::Initialize(int type, Evas_Object* parent)
{
    RETV_IF(parent == NULL, shared_from_this());
    const char* text = ToastText(type);
    if (!text)
    {
        LOGE("default err : %d", type);
        return shared_from_this();
    }
    mToastPopupPtr = std::make_shared<TextOnlyToastPopup>(type, parent);
    mToastPopupPtr->SetContentText(dgettext(PELORN_TEXT_DOMAIN, text));
    mToastPopupPtr->SetTimeout(TOAST_TIMEOUT_SECONDS);
    return shared_from_this();
}

std::shared_ptr<ToastPopup> ToastPopupBuilder::Build()
{
    if (!mToastPopupPtr)
        LOGE("[%s(): %d] (%s) [return]", __func__, __LINE__, "!mToastPopupPtr");
    return mToastPopupPtr;
}
} // namespace NSPelorn
