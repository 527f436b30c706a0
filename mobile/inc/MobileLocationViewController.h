#ifndef PELORN_MOBILE_LOCATION_VIEW_CONTROLLER_H
#define PELORN_MOBILE_LOCATION_VIEW_CONTROLLER_H

#include "HttpNetworkEventListner.h"
#include "MobileLocationViewEventListener.h"
#include "Network.h"
#include "ViewController.h"

#include <memory>

namespace NSPelorn
{
class MobileLocationView;
class MobileLocationViewData;

/* The phone-location screen: forwards the screen's events to its view and
 * fetches the map picture the view asks for. */
class MobileLocationViewController : public NSORZUiCommon::ViewController,
                                     public NSORZCommon::HttpNetworkEventListner,
                                     public MobileLocationViewEventListener
{
public:
    MobileLocationViewController();
    virtual ~MobileLocationViewController();

    void Prepare() override;
    Evas_Object* Create(Evas_Object* parent) override;
    void Resume() override;
    void Pause() override;
    void Destroy() override;
    void UpdatedByPop() override;
    bool Pop() override;
    void TimeTick() override;
    void NetworkStateChanged(int state) override;
    void LocationStateChanged(int state) override;
    void ConsumerMsgReceived(int type, void* data) override;
    void KivStateChanged(int state) override;
    void TransitionFinished() override;

    void OnHttpRequestCompleted(int requestId, int requestType) override;
    void OnHttpRequestFailed(int requestType) override;
    void OnHttpRequestCancelCompleted(int requestType) override;
    void OnHttpResponseCompleted(int requestId, int requestType, const char* data, int length) override;
    void OnHttpResponseFailed(int requestId, int responseCode, int requestType) override;
    void OnHttpResponseTimeout(int requestId, int requestType) override;

    void OnLocationMapImageRequested(NSORZCommon::Coordinate position, std::string address) override;
    void OnLocationMapImageFailed() override;

private:
    bool HasViewAndData();

    std::shared_ptr<MobileLocationView> mMobileLocationViewPtr;
    std::shared_ptr<MobileLocationViewData> mMobileLocationViewDataPtr;
    std::shared_ptr<NSORZCommon::Network> mNetwork;
};
} // namespace NSPelorn

#endif
