#ifndef NSORZ_UI_COMMON_VIEW_TITLE_BUTTONS_EVENT_LISTENER_H
#define NSORZ_UI_COMMON_VIEW_TITLE_BUTTONS_EVENT_LISTENER_H

namespace NSORZUiCommon
{
class ViewTitleButtonsEventListener
{
public:
    virtual ~ViewTitleButtonsEventListener() = default;
    virtual void OnTitleButton1Clicked() = 0;
    virtual void OnTitleButton2Clicked() = 0;
};
} // namespace NSORZUiCommon

#endif
