#ifndef PELORN_MOBILE_LOCATION_VIEW_CONTROLLER_H
#define PELORN_MOBILE_LOCATION_VIEW_CONTROLLER_H

#include "Coordinate.h"
#include "HttpNetworkEventListner.h"
#include "MapZoomStepper.h"
#include "MobileLocationViewEventListener.h"
#include "Network.h"
#include "ViewController.h"

#include <Evas.h>
#include <glib.h>
#include <memory>
#include <string>
#include <vector>

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
    void OnLastSeenMapImageRequested(NSORZCommon::Coordinate position) override;
    void OnMapZoomTurned(int detents) override;

    /* Where the bezel has taken the map. */
    const MapZoomStepper& GetZoomStepper() const { return mZoomStepper; }

    /* Detents closer together than this add up to one request. */
    static const guint ZOOM_SETTLE_MS = 250;

private:
    static gboolean ZoomSettleCb(gpointer data);

    bool HasViewAndData();
    /* The provider's URL for the map at that centre and zoom; the zoom range
     * the provider takes comes back through minZoom and maxZoom. */
    std::string BuildMapQuery(int provider, NSORZCommon::Coordinate position, int zoom, int& minZoom, int& maxZoom);
    void RequestMap(NSORZCommon::Coordinate position, int provider, int zoom, int requestType);
    void RequestWantedZoom();
    /* After any answer to a map request: the zoom bookkeeping, the kept picture. */
    void OnMapAnswered(int requestType, bool pictureShown, const char* data, int length);
    /* A map answer's pixels are decoded (image), or turned out not to decode (nullptr). */
    void OnMapDecoded(int requestId, int requestType, Evas_Object* image, const std::string& bytes);
    void StopZoomSettleTimer();
    /* Keeps track of a picture decoding for this screen until it is handed back. */
    void TrackDecoding(Evas_Object* image);
    void UntrackDecoding(Evas_Object* image);
    static void DecodingDelCb(void* data, Evas* evas, Evas_Object* obj, void* eventInfo);


    std::shared_ptr<MobileLocationView> mMobileLocationViewPtr;
    std::shared_ptr<MobileLocationViewData> mMobileLocationViewDataPtr;
    std::shared_ptr<NSORZCommon::Network> mNetwork;
    NSORZCommon::Coordinate mMapCentre;
    int mMapProvider;
    int mRequestedZoom;
    int mMapMinZoom;
    int mMapMaxZoom;
    bool mMapRequestInFlight;
    MapZoomStepper mZoomStepper;
    guint mZoomSettleTimer;
    std::vector<Evas_Object*> mDecoding;
};
} // namespace NSPelorn

#endif
