#include "BasicPopupBuilder.h"
#include "TextDomain.h"

#include "NoTitleBody2IconButtonsPopup.h"
#include "OrzLog.h"
#include "PopupTypes.h"
#include "ProgressLoadingPopup.h"
#include "TitleBody1ButtonPopup.h"

#include <libintl.h>

using namespace NSORZUiCommon;

namespace NSPelorn
{
std::shared_ptr<BasicPopupBuilder> BasicPopupBuilder::Initialize(int type, Evas_Object* parent)
{
    RETV_IF(parent == NULL, shared_from_this());
    switch ((ORZBasicPopupType)type)
    {
    case ORZBasicPopupType::ORZ_POPUP_TYPE_TURN_ON_LOCATION:
        mBasicPopupPtr = std::make_shared<NoTitleBody2IconButtonsPopup>(type, parent);
        mBasicPopupPtr->SetContentStringID(Translated("WDS_AW_POP_TURN_ON_LOCATION_ON_YOUR_PHONE_Q"));
        mBasicPopupPtr->SetButton1IconPath("core_button_icon_cancel.png");
        mBasicPopupPtr->SetButton2IconPath("core_button_icon_done.png");
        break;
    case ORZBasicPopupType::ORZ_POPUP_TYPE_LOCATION_DISABLED_ON_PHONE:
        mBasicPopupPtr = std::make_shared<TitleBody1ButtonPopup>(type, parent);
        mBasicPopupPtr->SetContentStringID(
            Translated("WDS_ORZ_POP_UNABLE_TO_FIND_LOCATION_LOCATION_IS_DISABLED_ON_YOUR_PHONE_ABB"));
        mBasicPopupPtr->SetButton1StringID(Translated("WDS_ST_BUTTON_OK_ABB"));
        break;
    case ORZBasicPopupType::ORZ_POPUP_TYPE_CHANGE_LOCATING_METHOD:
        mBasicPopupPtr = std::make_shared<NoTitleBody2IconButtonsPopup>(type, parent);
        mBasicPopupPtr->SetContentStringID(
            Translated("WDS_ORZ_TPOP_CHANGE_LOCATING_METHOD_Q_NFOR_BEST_LOCATION_DETECTION_"
                       "GO_TO_SETTINGS_AND_CHANGE_LOCATING_METHOD_ABB"));
        break;
    case ORZBasicPopupType::ORZ_POPUP_TYPE_PHONE_LOCATION:
        mBasicPopupPtr = std::make_shared<TitleBody1ButtonPopup>(type, parent);
        mBasicPopupPtr->SetTitleStringID(Translated("WDS_ORZ_HEADER_PHONE_LOCATION_ABB"));
        mBasicPopupPtr->SetButton1IconPath("core_button_icon_done.png");
        break;
    case ORZBasicPopupType::ORZ_POPUP_TYPE_PLEASE_WAIT:
        mBasicPopupPtr = std::make_shared<ProgressLoadingPopup>(type, parent);
        mBasicPopupPtr->SetContentStringID(Translated("WDS_ORZ_POP_LOCATING_ADDRESS_ING"));
        break;
    case ORZBasicPopupType::ORZ_POPUP_TYPE_CONNECTING_TO_PHONE:
        mBasicPopupPtr = std::make_shared<ProgressLoadingPopup>(type, parent);
        mBasicPopupPtr->SetContentStringID(Translated("WDS_ORZ_POP_CONNECTING_TO_PHONE_ING_ABB"));
        // A wait for a phone that may never answer always offers its own way out.
        mBasicPopupPtr->SetButton1StringID(Translated("IDS_ORZ_BUTTON_STOP_ABB2"));
        break;
    case ORZBasicPopupType::ORZ_POPUP_TYPE_LEGAL_NOTICE:
        mBasicPopupPtr = std::make_shared<TitleBody1ButtonPopup>(type, parent);
        mBasicPopupPtr->SetTitleStringID(Translated("WDS_BRIG_HEADER_LEGAL_NOTICE_ABB"));
        mBasicPopupPtr->SetButton1StringID(Translated("WDS_ST_ACBUTTON_AGREE_ABB"));
        break;
    default:
        LOGE("[ERR] default err : %d", type);
        return shared_from_this();
    }
    if (!mBasicPopupPtr)
        LOGE("[ERR] basicPopupPtr is null : %d", type);
    return shared_from_this();
}

std::shared_ptr<BasicPopupBuilder> BasicPopupBuilder::SetContentStringID(const std::string& contentStr)
{
    RETV_IF(contentStr.length() <= 0, shared_from_this());
    RETV_IF(!mBasicPopupPtr, shared_from_this());
    mBasicPopupPtr->SetContentStringID(contentStr);
    return shared_from_this();
}

std::shared_ptr<BasicPopup> BasicPopupBuilder::Build()
{
    if (!mBasicPopupPtr)
        LOGE("[ERR] fail to build dialog popup");
    return mBasicPopupPtr;
}
} // namespace NSPelorn
