#ifndef PELORN_MOBILE_PELORN_EVENT_LISTENER_H
#define PELORN_MOBILE_PELORN_EVENT_LISTENER_H

#include <string>

namespace NSPelorn
{
// Entries of the finding screen's more-option menu, by position.
enum MoreOptionItems
{
    LOCATE_PHONE = 0,
};

/* What the finding screen's view reports to its controller. */
class PelornEventListener
{
public:
    virtual ~PelornEventListener() = default;
    virtual void OnLocateButtonClicked(MoreOptionItems item) = 0;
    virtual void OnFindingButtonClicked() = 0;
    virtual int OnDovConnectionPopupRequested(int requestId) = 0;
    /* The link is back: a remote-connection question still up no longer applies. */
    virtual void OnDovConnectionPopupOutdated() {}
    virtual int OnBTConnectionUserDefinedPopupRequested(const std::string& title, const std::string& body,
                                                        int requestId) = 0;
};
} // namespace NSPelorn

#endif
