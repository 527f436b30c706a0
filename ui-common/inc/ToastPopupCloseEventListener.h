#ifndef NSORZ_UI_COMMON_TOAST_POPUP_CLOSE_EVENT_LISTENER_H
#define NSORZ_UI_COMMON_TOAST_POPUP_CLOSE_EVENT_LISTENER_H

namespace NSORZUiCommon
{
/* Close reasons: 0 back (and once more after every dismissal), 1 tapped,
 * 2 tap outside, 3 time-out. */
class ToastPopupCloseEventListener
{
public:
    virtual ~ToastPopupCloseEventListener() = default;
    virtual void OnClosed(int popupType, int reason) = 0;
};
} // namespace NSORZUiCommon

#endif
