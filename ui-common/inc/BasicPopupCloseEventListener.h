#ifndef NSORZ_UI_COMMON_BASIC_POPUP_CLOSE_EVENT_LISTENER_H
#define NSORZ_UI_COMMON_BASIC_POPUP_CLOSE_EVENT_LISTENER_H

namespace NSORZUiCommon
{
/* Close reasons: 0 back, 1 button1, 2 button2, 4 tap outside, 6 time-out. */
class BasicPopupCloseEventListener
{
public:
    virtual ~BasicPopupCloseEventListener() = default;
    virtual void OnClosed(int popupType, int reason) = 0;
};
} // namespace NSORZUiCommon

#endif
