#ifndef NSPELORN_POPUP_MANAGER_H
#define NSPELORN_POPUP_MANAGER_H

#include "BasicPopup.h"
#include "PopupTypes.h"
#include "ToastPopup.h"

#include <memory>

namespace NSPelorn
{
/* The popups of one screen: at most one per type, built on demand. */
class PopupManager
{
public:
    PopupManager() = default;
    virtual ~PopupManager();

    std::shared_ptr<NSORZUiCommon::BasicPopup> CreateBasicPopup(int type,
                                                                NSORZUiCommon::BasicPopupCloseEventListener* listener);
    std::shared_ptr<NSORZUiCommon::ToastPopup> CreateToastPopup(int type,
                                                                NSORZUiCommon::ToastPopupCloseEventListener* listener);
    std::shared_ptr<NSORZUiCommon::BasicPopup> GetBasicPopup(int type);
    /* The toast of that slot (empty when none); the screens release closed toasts with it. */
    std::shared_ptr<NSORZUiCommon::ToastPopup> GetToastPopup(int type);
    void RemoveBasicPopup(int type);
    void RemoveToastPopup(int type);
    void RemoveAllPopup();
    void RemoveAllPopupsExceptPopupWithId(int basicType, int toastType);
    void UpdatePopupTexts();

private:
    static const int TOAST_SLOTS = (int)ORZToastPopupType::ORZ_TOAST_POPUP_TYPE_MAX;
    static const int BASIC_SLOTS = (int)ORZBasicPopupType::ORZ_POPUP_TYPE_MAX;

    std::shared_ptr<NSORZUiCommon::ToastPopup> mToastPopups[TOAST_SLOTS];
    std::shared_ptr<NSORZUiCommon::BasicPopup> mBasicPopups[BASIC_SLOTS];
};
} // namespace NSPelorn

#endif
