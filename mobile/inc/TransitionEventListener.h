#ifndef PELORN_MOBILE_TRANSITION_EVENT_LISTENER_H
#define PELORN_MOBILE_TRANSITION_EVENT_LISTENER_H

namespace NSPelorn
{
class TransitionEventListener
{
public:
    virtual ~TransitionEventListener() = default;
    // The radar has been cleared.
    virtual void TransitionStopFinished() = 0;
};
} // namespace NSPelorn

#endif
