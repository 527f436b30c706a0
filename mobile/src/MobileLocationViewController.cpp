#include "MobileLocationViewController.h"
#include "TextDomain.h"

#include "MapImage.h"
#include "ViewManager.h"

#include "AutoNaviMapHttpQueryBuilder.h"
#include "CoordinateCalculator.h"
#include "GoogleMapHttpQueryBuilder.h"
#include "LastSeenMapStore.h"
#include "MobileLocationView.h"
#include "MobileLocationViewData.h"
#include "NaverMapHttpQueryBuilder.h"
#include "NokiaHereMapHttpQueryBuilder.h"
#include "OrzLog.h"
#include "PelornMain.h"

#include <algorithm>
#include <libintl.h>
#include <pelorn_clock.h>

namespace NSPelorn
{
namespace
{
const int kMapRequestType = 1;
// The picture of the last known position, and the same map at another zoom:
// neither failing ends the screen.
const int kLastSeenMapRequestType = 2;
const int kZoomMapRequestType = 3;
const int kMapSize = 360;

/* Whether the bytes are a whole PNG or JPEG of a sane size the canvas reads;
 * only the header is read, the pixels are not decoded. Anything else never
 * reaches the canvas's search through its loaders. */
bool PictureDecodes(Evas_Object* onCanvasOf, const char* data, int length)
{
    if (!onCanvasOf)
        return false;
    Evas_Object* probe = MapImage::FromBytes(evas_object_evas_get(onCanvasOf), data, length);
    if (!probe)
        return false;
    evas_object_del(probe);
    return true;
}
} // namespace

MobileLocationViewController::MobileLocationViewController()
    : mNetwork(std::make_shared<NSORZCommon::Network>()), mMapProvider(NSORZCommon::MAP_PROVIDER_HERE),
      mRequestedZoom(0), mMapMinZoom(0), mMapMaxZoom(0), mMapRequestInFlight(false), mZoomSettleTimer(0)
{
    mNetwork->SetEventListener(this);
}

MobileLocationViewController::~MobileLocationViewController()
{
    StopZoomSettleTimer();
    // A picture still decoding is handed back to nobody.
    for (Evas_Object* image : mDecoding)
    {
        evas_object_event_callback_del_full(image, EVAS_CALLBACK_DEL, DecodingDelCb, this);
        evas_object_del(image);
    }
}

void MobileLocationViewController::TrackDecoding(Evas_Object* image)
{
    if (!image)
        return;
    mDecoding.push_back(image);
    evas_object_event_callback_add(image, EVAS_CALLBACK_DEL, DecodingDelCb, this);
}

void MobileLocationViewController::UntrackDecoding(Evas_Object* image)
{
    auto it = std::find(mDecoding.begin(), mDecoding.end(), image);
    if (it == mDecoding.end())
        return;
    mDecoding.erase(it);
    evas_object_event_callback_del_full(image, EVAS_CALLBACK_DEL, DecodingDelCb, this);
}

/* The canvas went, and the picture with it, before its pixels were decoded. */
void MobileLocationViewController::DecodingDelCb(void* data, Evas*, Evas_Object* obj, void*)
{
    MobileLocationViewController* pThis = static_cast<MobileLocationViewController*>(data);
    RET_IF(pThis == NULL);
    pThis->UntrackDecoding(obj);
}

void MobileLocationViewController::Prepare()
{
    mMobileLocationViewPtr = std::make_shared<MobileLocationView>();
    mMobileLocationViewDataPtr = std::make_shared<MobileLocationViewData>();
    mViewPtr = mMobileLocationViewPtr;
    mViewDataPtr = mMobileLocationViewDataPtr;
    mMobileLocationViewPtr->AddMobileLocationViewEventListener(this);
}

Evas_Object* MobileLocationViewController::Create(Evas_Object* parent)
{
    RETV_IF(parent == NULL, NULL);
    RETV_IF(!mViewDataPtr, NULL);
    RETV_IF(!mMobileLocationViewPtr, NULL);
    RETV_IF(!mMobileLocationViewDataPtr, NULL);
    PelornMain* pelornMain = PelornMain::GetInstance();
    RETV_IF(pelornMain == NULL, NULL);
    return mMobileLocationViewPtr->Create(parent, mViewDataPtr);
}

bool MobileLocationViewController::HasViewAndData()
{
    RETV_IF(!mViewDataPtr, false);
    RETV_IF(!mMobileLocationViewPtr, false);
    RETV_IF(!mMobileLocationViewDataPtr, false);
    return true;
}

void MobileLocationViewController::Resume()
{
    if (HasViewAndData())
        mMobileLocationViewPtr->Resume();
}

void MobileLocationViewController::UpdatedByPop()
{
    if (HasViewAndData())
        mMobileLocationViewPtr->UpdatedByPop();
}

void MobileLocationViewController::TimeTick()
{
    if (HasViewAndData())
        mMobileLocationViewPtr->TimeTick();
}

void MobileLocationViewController::NetworkStateChanged(int state)
{
    if (HasViewAndData())
        mMobileLocationViewPtr->NetworkStateChanged(state);
}

void MobileLocationViewController::LocationStateChanged(int state)
{
    if (HasViewAndData())
        mMobileLocationViewPtr->LocationStateChanged(state);
}

void MobileLocationViewController::KivStateChanged(int state)
{
    if (HasViewAndData())
        mMobileLocationViewPtr->KivStateChanged(state);
}

void MobileLocationViewController::Pause()
{
    RET_IF(!mMobileLocationViewPtr);
    mMobileLocationViewPtr->Pause();
}

void MobileLocationViewController::Destroy()
{
    RET_IF(!mMobileLocationViewPtr);
    mMobileLocationViewPtr->Destroy();
}

bool MobileLocationViewController::Pop()
{
    RETV_IF(!mMobileLocationViewPtr, true);
    return mMobileLocationViewPtr->Pop();
}

void MobileLocationViewController::ConsumerMsgReceived(int type, void* data)
{
    RET_IF(!mMobileLocationViewPtr);
    mMobileLocationViewPtr->ConsumerMsgReceived(type, data);
}

void MobileLocationViewController::TransitionFinished()
{
    RET_IF(!mMobileLocationViewPtr);
    mMobileLocationViewPtr->TransitionFinished();
}

void MobileLocationViewController::OnHttpRequestCompleted(int requestId, int requestType)
{
    LOGE("OnHttpRequestCompleted : %d", requestId);
    RET_IF(!mMobileLocationViewPtr);
    mMobileLocationViewPtr->OnHttpRequestCompleted(requestId, requestType);
}

void MobileLocationViewController::OnHttpRequestFailed(int requestType)
{
    LOGE("OnHttpRequestFailed");
    RET_IF(!mMobileLocationViewPtr);
    mMobileLocationViewPtr->OnHttpRequestFailed(requestType);
    OnMapAnswered(requestType, false, NULL, 0);
}

void MobileLocationViewController::OnHttpRequestCancelCompleted(int requestType)
{
    LOGE("OnHttpRequestCancelCompleted");
    RET_IF(!mMobileLocationViewPtr);
    mMobileLocationViewPtr->OnHttpRequestCancelCompleted(requestType);
}

void MobileLocationViewController::OnHttpResponseCompleted(int requestId, int requestType, const char* data,
                                                           int length)
{
    LOGE("OnHttpResponseCompleted");
    RET_IF(!mMobileLocationViewPtr);
    // Another look at a map already on screen replaces it only with a picture that decodes.
    if (requestType != kMapRequestType && !PictureDecodes(mMobileLocationViewPtr->GetLayout(), data, length))
    {
        LOGE("map picture (type %d) does not decode; the shown one stays", requestType);
        OnMapAnswered(requestType, false, NULL, 0);
        return;
    }
    // The answer is handled once its pixels are decoded, which happens off
    // the main loop; until then the request counts as in flight.
    auto bytes = std::make_shared<std::string>(data, (size_t)length);
    Evas_Object* decoding = mMobileLocationViewPtr->AcceptMapAnswer(
        requestId, requestType, data, length, [this, requestId, requestType, bytes](Evas_Object* image) {
            if (image)
                UntrackDecoding(image);
            OnMapDecoded(requestId, requestType, image, *bytes);
        });
    if (!decoding)
    {
        OnMapAnswered(requestType, false, NULL, 0);
        return;
    }
    TrackDecoding(decoding);
}

void MobileLocationViewController::OnMapDecoded(int requestId, int requestType, Evas_Object* image,
                                                const std::string& bytes)
{
    if (!image)
    {
        // The header promised a picture the pixels do not make: a failed answer.
        OnHttpResponseFailed(requestId, 0, requestType);
        return;
    }
    RET_IF(!mMobileLocationViewPtr);
    Evas_Object* before = mMobileLocationViewPtr->GetMapPicture();
    mMobileLocationViewPtr->ShowMapPicture(image);
    Evas_Object* after = mMobileLocationViewPtr->GetMapPicture();
    const bool shown = after && after != before;
    OnMapAnswered(requestType, shown, bytes.data(), (int)bytes.size());
}

void MobileLocationViewController::OnHttpResponseFailed(int requestId, int responseCode, int requestType)
{
    LOGE("OnHttpResponseFailed");
    RET_IF(!mMobileLocationViewPtr);
    if (requestType == kMapRequestType)
        mMobileLocationViewPtr->OnHttpResponseFailed(requestId, responseCode, requestType);
    else
        LOGE("map picture (type %d) failed (%d); the shown one stays", requestType, responseCode);
    OnMapAnswered(requestType, false, NULL, 0);
}

void MobileLocationViewController::OnHttpResponseTimeout(int requestId, int requestType)
{
    LOGE("OnHttpResponseTimeout");
    RET_IF(!mMobileLocationViewPtr);
    mMobileLocationViewPtr->OnHttpResponseTimeout(requestId, requestType);
    OnMapAnswered(requestType, false, NULL, 0);
}

std::string MobileLocationViewController::BuildMapQuery(int provider, NSORZCommon::Coordinate position, int zoom,
                                                        int& minZoom, int& maxZoom)
{
    std::shared_ptr<MapHttpQueryBuilder> builder;
    switch (provider)
    {
    case NSORZCommon::MAP_PROVIDER_GOOGLE:
        builder = std::make_shared<GoogleMapHttpQueryBuilder>();
        break;
    case NSORZCommon::MAP_PROVIDER_AUTONAVI:
        builder = std::make_shared<AutoNaviMapHttpQueryBuilder>();
        break;
    case NSORZCommon::MAP_PROVIDER_NAVER:
        builder = std::make_shared<NaverMapHttpQueryBuilder>();
        break;
    case NSORZCommon::MAP_PROVIDER_HERE:
    default:
        builder = std::make_shared<NokiaHereMapHttpQueryBuilder>();
        break;
    }
    builder->SetCenter(position.GetLongitude(), position.GetLatitude());
    builder->SetMapSize(kMapSize, kMapSize);
    builder->SetZoom(zoom);
    minZoom = builder->GetMinZoom();
    maxZoom = builder->GetMaxZoom();
    // An empty query (a position off the Earth, say) asks for nothing: the
    // map has failed, without a request for the bare endpoint.
    std::string dataField = builder->GetDataField();
    if (dataField.empty())
        return std::string();
    return builder->GetBaseUrl() + dataField;
}

void MobileLocationViewController::RequestMap(NSORZCommon::Coordinate position, int provider, int zoom,
                                              int requestType)
{
    std::string url = BuildMapQuery(provider, position, zoom, mMapMinZoom, mMapMaxZoom);
    mMapCentre = position;
    mMapProvider = provider;
    mRequestedZoom = zoom;
    if (url.empty())
    {
        LOGE("no map query for %f, %f", position.GetLatitude(), position.GetLongitude());
        OnHttpResponseFailed(-1, 0, requestType);
        return;
    }
    RET_IF(!mNetwork);
    mNetwork->HttpRequest(url, requestType);
    mMapRequestInFlight = true;
}

void MobileLocationViewController::OnLocationMapImageRequested(NSORZCommon::Coordinate position, std::string address)
{
    NSORZCommon::CoordinateCalculator calculator;
    NSORZCommon::MapProviderType provider =
        calculator.GetMapProviderType(position.GetLatitude(), position.GetLongitude());
    const int zoom = provider == NSORZCommon::MAP_PROVIDER_NAVER ? 12 : 16;
    RequestMap(position, provider, zoom, kMapRequestType);

    RET_IF(!mViewDataPtr);
    if (address.empty())
        address = dgettext(PELORN_TEXT_DOMAIN, "WDS_ORZ_NPBODY_ADDRESS_IS_UNAVAILABLE");
    mMobileLocationViewDataPtr->SetMobileLocationString(address);
    LOGE("Save address of mobile location : %s", address.c_str());
}

void MobileLocationViewController::OnLastSeenMapImageRequested(NSORZCommon::Coordinate position)
{
    RET_IF(!mMobileLocationViewPtr);
    StopZoomSettleTimer();
    NSORZCommon::LastSeenMap kept;
    if (NSORZCommon::LastSeenMapStore().Load(kept) &&
        NSORZCommon::LastSeenMapStore::Shows(kept, position.GetLatitude(), position.GetLongitude()))
    {
        LOGE("last seen map from the data folder (provider %d, zoom %d)", kept.provider, kept.zoom);
        BuildMapQuery(kept.provider, position, kept.zoom, mMapMinZoom, mMapMaxZoom);
        mMapCentre = NSORZCommon::Coordinate(kept.longitude, kept.latitude);
        mMapProvider = kept.provider;
        mRequestedZoom = kept.zoom;
        const int zoom = kept.zoom;
        const double latitude = kept.latitude, longitude = kept.longitude;
        TrackDecoding(mMobileLocationViewPtr->DecodeStoredMapPicture(
            kept.image, [this, zoom, latitude, longitude](Evas_Object* image) {
                if (!image)
                    return;
                UntrackDecoding(image);
                mMobileLocationViewPtr->ShowStoredMapPicture(image);
                if (mMobileLocationViewPtr->GetMapPicture())
                {
                    mZoomStepper.Reset(zoom, mMapMinZoom, mMapMaxZoom);
                    mMobileLocationViewPtr->OnMapPlaced(latitude, longitude, zoom);
                }
            }));
        return;
    }
    // No picture of that place kept (an older one, or none): fetch it if the network lets us.
    NSORZCommon::CoordinateCalculator calculator;
    NSORZCommon::MapProviderType provider =
        calculator.GetMapProviderType(position.GetLatitude(), position.GetLongitude());
    RequestMap(position, provider, provider == NSORZCommon::MAP_PROVIDER_NAVER ? 12 : 16, kLastSeenMapRequestType);
}

/* Detents that come close together add up; the request goes once the bezel rests. */
gboolean MobileLocationViewController::ZoomSettleCb(gpointer data)
{
    MobileLocationViewController* pThis = static_cast<MobileLocationViewController*>(data);
    RETV_IF(pThis == NULL, G_SOURCE_REMOVE);
    pThis->mZoomSettleTimer = 0;
    pThis->RequestWantedZoom();
    return G_SOURCE_REMOVE;
}

void MobileLocationViewController::OnMapZoomTurned(int detents)
{
    if (!mZoomStepper.Turn(detents))
        return;
    LOGE("bezel: zoom %d wanted, %d shown", mZoomStepper.Wanted(), mZoomStepper.Shown());
    StopZoomSettleTimer();
    mZoomSettleTimer = pelorn_timer_add(ZOOM_SETTLE_MS, ZoomSettleCb, this);
}

void MobileLocationViewController::StopZoomSettleTimer()
{
    if (mZoomSettleTimer)
    {
        pelorn_timer_remove(mZoomSettleTimer);
        mZoomSettleTimer = 0;
    }
}

void MobileLocationViewController::RequestWantedZoom()
{
    // One picture at a time: the next goes when this one is answered.
    if (mMapRequestInFlight)
        return;
    const int zoom = mZoomStepper.TakeRequest();
    if (zoom < 0)
        return;
    RequestMap(mMapCentre, mMapProvider, zoom, kZoomMapRequestType);
}

void MobileLocationViewController::OnMapAnswered(int requestType, bool pictureShown, const char* data, int length)
{
    mMapRequestInFlight = false;
    if (pictureShown && mMobileLocationViewPtr)
    {
        mMobileLocationViewPtr->OnMapPictureShown();
        if (requestType == kZoomMapRequestType)
            mZoomStepper.Arrived();
        else
            mZoomStepper.Reset(mRequestedZoom, mMapMinZoom, mMapMaxZoom);
        mMobileLocationViewPtr->OnMapPlaced(mMapCentre.GetLatitude(), mMapCentre.GetLongitude(), mRequestedZoom);
        NSORZCommon::LastSeenMap picture;
        picture.image.assign(data, (size_t)length);
        picture.latitude = mMapCentre.GetLatitude();
        picture.longitude = mMapCentre.GetLongitude();
        picture.provider = mMapProvider;
        picture.zoom = mRequestedZoom;
        if (NSORZCommon::LastSeenMapStore().SaveIfMoved(picture))
            LOGE("map picture kept for the last known position");
    }
    else if (requestType == kZoomMapRequestType)
    {
        mZoomStepper.Failed();
    }
    if (!mZoomSettleTimer)
        RequestWantedZoom();
}

void MobileLocationViewController::OnLocationMapImageFailed()
{
    LOGE("OnLocationNotAvailable");
    PelornMain* pelornMain = PelornMain::GetInstance();
    RET_IF(pelornMain == NULL);
    std::shared_ptr<NSORZUiCommon::ViewManager> viewManager = pelornMain->GetViewManager();
    RET_IF(!viewManager);
    viewManager->PopView();
}
} // namespace NSPelorn
