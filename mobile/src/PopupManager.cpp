#include "PopupManager.h"
#include "TextDomain.h"

#include "BasicPopupBuilder.h"
#include "OrzLog.h"
#include "ToastPopupBuilder.h"
#include "ViewBasicElements.h"

#include <libintl.h>

using namespace NSORZUiCommon;

namespace NSPelorn
{
PopupManager::~PopupManager()
{
    RemoveAllPopup();
    for (auto& slot : mToastPopups)
        slot.reset();
    for (auto& slot : mBasicPopups)
        slot.reset();
}

std::shared_ptr<BasicPopup> PopupManager::CreateBasicPopup(int type, BasicPopupCloseEventListener* listener)
{
    RETV_IF(type < 0 || type >= BASIC_SLOTS, nullptr);
    std::shared_ptr<BasicPopup> popup = std::make_shared<BasicPopupBuilder>()
                                            ->Initialize(type, ViewBasicElements::GetWindow())
                                            ->Build();
    mBasicPopups[type] = popup;
    if (popup)
        popup->SetCloseEventListener(listener);
    return popup;
}

std::shared_ptr<ToastPopup> PopupManager::CreateToastPopup(int type, ToastPopupCloseEventListener* listener)
{
    RETV_IF(type < 0 || type >= TOAST_SLOTS, nullptr);
    std::shared_ptr<ToastPopup> popup = std::make_shared<ToastPopupBuilder>()
                                            ->Initialize(type, ViewBasicElements::GetWindow())
                                            ->Build();
    mToastPopups[type] = popup;
    if (popup)
        popup->mCloseEventListener = listener;
    return popup;
}

std::shared_ptr<BasicPopup> PopupManager::GetBasicPopup(int type)
{
    if (type < 0 || type >= BASIC_SLOTS)
        return nullptr;
    return mBasicPopups[type];
}

std::shared_ptr<ToastPopup> PopupManager::GetToastPopup(int type)
{
    if (type < 0 || type >= TOAST_SLOTS)
        return nullptr;
    return mToastPopups[type];
}

void PopupManager::RemoveBasicPopup(int type)
{
    if (type < 0 || type >= BASIC_SLOTS || !mBasicPopups[type])
        return;
    mBasicPopups[type]->Clear();
    mBasicPopups[type].reset();
}

void PopupManager::RemoveToastPopup(int type)
{
    if (type < 0 || type >= TOAST_SLOTS || !mToastPopups[type])
        return;
    mToastPopups[type]->Clear();
    mToastPopups[type].reset();
}

void PopupManager::RemoveAllPopup()
{
    LOGE("Remove all of popups");
    for (int i = 0; i < TOAST_SLOTS; ++i)
        RemoveToastPopup(i);
    for (int i = 0; i < BASIC_SLOTS; ++i)
        RemoveBasicPopup(i);
}

void PopupManager::RemoveAllPopupsExceptPopupWithId(int basicType, int toastType)
{
    LOGE("Remove all of popups");
    for (int i = 0; i < TOAST_SLOTS; ++i)
        if (i != toastType)
            RemoveToastPopup(i);
    for (int i = 0; i < BASIC_SLOTS; ++i)
        if (i != basicType)
            RemoveBasicPopup(i);
}

void PopupManager::UpdatePopupTexts()
{
    for (int type = 0; type < BASIC_SLOTS; ++type)
    {
        std::shared_ptr<BasicPopup> popup = mBasicPopups[type];
        if (!popup)
            continue;
        switch ((ORZBasicPopupType)type)
        {
        case ORZBasicPopupType::ORZ_POPUP_TYPE_PHONE_LOCATION:
            popup->SetTitleStringID(Translated("WDS_ORZ_HEADER_PHONE_LOCATION_ABB"));
            popup->SetButton1StringID(Translated("WDS_ST_BUTTON_OK_ABB"));
            break;
        case ORZBasicPopupType::ORZ_POPUP_TYPE_CHANGE_LOCATING_METHOD:
            popup->SetContentStringID(
                Translated("WDS_ORZ_TPOP_CHANGE_LOCATING_METHOD_Q_NFOR_BEST_LOCATION_DETECTION_"
                           "GO_TO_SETTINGS_AND_CHANGE_LOCATING_METHOD_ABB"));
            break;
        case ORZBasicPopupType::ORZ_POPUP_TYPE_TURN_ON_LOCATION:
            popup->SetContentStringID(Translated("WDS_AW_POP_TURN_ON_LOCATION_ON_YOUR_PHONE_Q"));
            break;
        case ORZBasicPopupType::ORZ_POPUP_TYPE_PLEASE_WAIT:
            popup->SetContentStringID(Translated("WDS_ORZ_POP_LOCATING_ADDRESS_ING"));
            popup->SetButton1StringID(Translated("IDS_ORZ_BUTTON_STOP_ABB2"));
            break;
        case ORZBasicPopupType::ORZ_POPUP_TYPE_CONNECTING_TO_PHONE:
            popup->SetContentStringID(Translated("WDS_ORZ_POP_CONNECTING_TO_PHONE_ING_ABB"));
            popup->SetButton1StringID(Translated("IDS_ORZ_BUTTON_STOP_ABB2"));
            break;
        case ORZBasicPopupType::ORZ_POPUP_TYPE_LOCATION_DISABLED_ON_PHONE:
            popup->SetContentStringID(
                Translated("WDS_ORZ_POP_UNABLE_TO_FIND_LOCATION_LOCATION_IS_DISABLED_ON_YOUR_PHONE_ABB"));
            popup->SetButton1StringID(Translated("WDS_ST_BUTTON_OK_ABB"));
            break;
        case ORZBasicPopupType::ORZ_POPUP_TYPE_LEGAL_NOTICE:
            popup->SetTitleStringID(Translated("WDS_BRIG_HEADER_LEGAL_NOTICE_ABB"));
            popup->SetContentStringID(
                Translated("WDS_ORZ_BODY_BY_ENABLING_P1SS_YOU_ACKNOWLEDGE_THAT_LOCATION_DATA_"
                           "ASSOCIATED_WITH_YOUR_MOBILE_PHONE_DISCLAIMER_LEGALPHRASE"));
            popup->SetButton1StringID(Translated("WDS_ST_ACBUTTON_AGREE_ABB"));
            break;
        default:
            break;
        }
        popup->RefreshText();
    }
}
} // namespace NSPelorn
