#ifndef NSORZ_UI_COMMON_VIEW_DELETE_EVENT_LISTENER_H
#define NSORZ_UI_COMMON_VIEW_DELETE_EVENT_LISTENER_H

namespace NSORZUiCommon
{
class ViewDeleteEventListener
{
public:
    virtual ~ViewDeleteEventListener() = default;
    virtual void OnViewDeleted() = 0;
};
} // namespace NSORZUiCommon

#endif
