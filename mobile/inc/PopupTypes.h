#ifndef NSPELORN_POPUP_TYPES_H
#define NSPELORN_POPUP_TYPES_H

namespace NSPelorn
{
/* Basic popup slots of PopupManager (values 4, 6, 7 and 9 are unused). */
enum class ORZBasicPopupType : int
{
    ORZ_POPUP_TYPE_TURN_ON_LOCATION = 0,
    ORZ_POPUP_TYPE_LOCATION_DISABLED_ON_PHONE = 1,
    ORZ_POPUP_TYPE_CHANGE_LOCATING_METHOD = 2,
    ORZ_POPUP_TYPE_PHONE_LOCATION = 3,
    ORZ_POPUP_TYPE_PLEASE_WAIT = 5,
    ORZ_POPUP_TYPE_CONNECTING_TO_PHONE = 8,
    ORZ_POPUP_TYPE_LEGAL_NOTICE = 10,
    ORZ_POPUP_TYPE_MAX = 11,
};

/* Toast slots of PopupManager (4 is never filled). */
enum class ORZToastPopupType : int
{
    ORZ_TOAST_POPUP_TYPE_UNABLE_TO_USE_DURING_CALLS = 0,
    ORZ_TOAST_POPUP_TYPE_FAILED_TRY_AGAIN_LATER = 1,
    ORZ_TOAST_POPUP_TYPE_LOCATION_NOT_AVAILABLE = 2,
    ORZ_TOAST_POPUP_TYPE_CHANGE_SETTINGS_ON_PHONE = 3,
    ORZ_TOAST_POPUP_TYPE_CHOICE_NOT_SAVED = 5,
    // How a ring ended, told on the watch as well as on the phone.
    ORZ_TOAST_POPUP_TYPE_PHONE_FOUND = 6,
    ORZ_TOAST_POPUP_TYPE_STOPPED_AFTER_LIMIT = 7,
    // A ring request the phone never answered.
    ORZ_TOAST_POPUP_TYPE_PHONE_NOT_REACHED = 8,
    ORZ_TOAST_POPUP_TYPE_MAX = 9,
};
} // namespace NSPelorn

#endif
