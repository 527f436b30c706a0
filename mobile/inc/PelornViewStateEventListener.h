#ifndef PELORN_MOBILE_PELORN_VIEW_STATE_EVENT_LISTENER_H
#define PELORN_MOBILE_PELORN_VIEW_STATE_EVENT_LISTENER_H

namespace NSPelorn
{
/* What a state of the finding screen asks of its view when it is entered. */
class PelornViewStateEventListener
{
public:
    virtual ~PelornViewStateEventListener() = default;
    virtual void ShowStartButton() = 0;
    virtual void ShowStopButton() = 0;
    virtual void SetNormalState() = 0;
    virtual void SetFindingState() = 0;
};
} // namespace NSPelorn

#endif
