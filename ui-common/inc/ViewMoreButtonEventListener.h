#ifndef NSORZ_UI_COMMON_VIEW_MORE_BUTTON_EVENT_LISTENER_H
#define NSORZ_UI_COMMON_VIEW_MORE_BUTTON_EVENT_LISTENER_H

namespace NSORZUiCommon
{
class ViewMoreButtonEventListener
{
public:
    virtual ~ViewMoreButtonEventListener() = default;
    virtual void OnMoreButtonClicked() = 0;
};
} // namespace NSORZUiCommon

#endif
