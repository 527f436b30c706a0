#include "MobileLocationViewController.h"
#include "ViewManager.h"

#include "AutoNaviMapHttpQueryBuilder.h"
#include "CoordinateCalculator.h"
#include "GoogleMapHttpQueryBuilder.h"
#include "MobileLocationView.h"
#include "MobileLocationViewData.h"
#include "NaverMapHttpQueryBuilder.h"
#include "NokiaHereMapHttpQueryBuilder.h"
#include "OrzLog.h"
#include "PelornMain.h"

#include <libintl.h>

namespace NSPelorn
{
namespace
{
const int kMapRequestType = 1;
const int kMapSize = 360;
} // namespace

MobileLocationViewController::MobileLocationViewController() : mNetwork(std::make_shared<NSORZCommon::Network>())
{
    mNetwork->SetEventListener(this);
}

MobileLocationViewController::~MobileLocationViewController()
{
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
    mMobileLocationViewPtr->OnHttpResponseCompleted(requestId, requestType, data, length);
}

void MobileLocationViewController::OnHttpResponseFailed(int requestId, int responseCode, int requestType)
{
    LOGE("OnHttpResponseFailed");
    RET_IF(!mMobileLocationViewPtr);
    mMobileLocationViewPtr->OnHttpResponseFailed(requestId, responseCode, requestType);
}

void MobileLocationViewController::OnHttpResponseTimeout(int requestId, int requestType)
{
    LOGE("OnHttpResponseTimeout");
    RET_IF(!mMobileLocationViewPtr);
    mMobileLocationViewPtr->OnHttpResponseTimeout(requestId, requestType);
}

void MobileLocationViewController::OnLocationMapImageRequested(NSORZCommon::Coordinate position, std::string address)
{
    NSORZCommon::CoordinateCalculator calculator;
    NSORZCommon::MapProviderType provider =
        calculator.GetMapProviderType(position.GetLatitude(), position.GetLongitude());

    std::shared_ptr<MapHttpQueryBuilder> builder;
    int zoom = 16;
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
        zoom = 12;
        break;
    case NSORZCommon::MAP_PROVIDER_HERE:
    default:
        builder = std::make_shared<NokiaHereMapHttpQueryBuilder>();
        break;
    }
    builder->SetCenter(position.GetLongitude(), position.GetLatitude());
    builder->SetMapSize(kMapSize, kMapSize);
    builder->SetZoom(zoom);
    // An empty query (a position off the Earth, say) asks for nothing: the
    // map has failed, without a request for the bare endpoint.
    std::string dataField = builder->GetDataField();
    if (dataField.empty())
    {
        LOGE("no map query for %f, %f", position.GetLatitude(), position.GetLongitude());
        RET_IF(!mMobileLocationViewPtr);
        mMobileLocationViewPtr->OnHttpResponseFailed(-1, 0, kMapRequestType);
        return;
    }
    std::string url = builder->GetBaseUrl() + dataField;

    RET_IF(!mNetwork);
    mNetwork->HttpRequest(url, kMapRequestType);

    RET_IF(!mViewDataPtr);
    if (address.empty())
        address = dgettext("pelorn-phone", "WDS_ORZ_NPBODY_ADDRESS_IS_UNAVAILABLE");
    mMobileLocationViewDataPtr->SetMobileLocationString(address);
    LOGE("Save address of mobile location : %s", address.c_str());
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
