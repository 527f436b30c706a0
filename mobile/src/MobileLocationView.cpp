#include "MobileLocationView.h"
#include "TextDomain.h"

#include "BasicPopupBuilder.h"
#include "CoordinateCalculator.h"
#include "ElementaryHelper.h"
#include "FileUtil.h"
#include "ImageHeaderReader.h"
#include "LocationData.h"
#include "LocationSetting.h"
#include "MapImage.h"
#include "ConsumerMessageType.h"
#include "MobileLocationViewData.h"
#include "OrzLog.h"
#include "PelornMain.h"
#include "PopupTypes.h"
#include "ViewBasicElements.h"
#include "PreferenceUtil.h"
#include "ToastPopupBuilder.h"
#include "VconfUtil.h"
#include "pelorn_clock.h"

#include <libintl.h>

#include <cmath>
#include <ctime>

namespace NSPelorn
{
namespace
{
const int kKivConnectionRemote = 16;
const int kUserDefinedPopupRequestId = 3;
const double kLastLocationMinMoveMetres = 10.0;
// A phone that is attached but detached from the link, or alive but mute, never
// answers the first question; the wearer is not kept waiting longer than this.
const guint kSettingAnswerWaitSeconds = 15;
// A map picture may be a few times the 360-pixel screen, never more: the
// decoder would allocate width x height x 4 bytes on the main thread.
const int kMaxMapPictureSide = 4 * 360;

constexpr int kTurnOnLocationPopup = static_cast<int>(ORZBasicPopupType::ORZ_POPUP_TYPE_TURN_ON_LOCATION);
constexpr int kLocationDisabledPopup = static_cast<int>(ORZBasicPopupType::ORZ_POPUP_TYPE_LOCATION_DISABLED_ON_PHONE);
constexpr int kChangeLocatingMethodPopup = static_cast<int>(ORZBasicPopupType::ORZ_POPUP_TYPE_CHANGE_LOCATING_METHOD);
constexpr int kPhoneLocationPopup = static_cast<int>(ORZBasicPopupType::ORZ_POPUP_TYPE_PHONE_LOCATION);
constexpr int kPleaseWaitPopup = static_cast<int>(ORZBasicPopupType::ORZ_POPUP_TYPE_PLEASE_WAIT);
constexpr int kConnectingPopup = static_cast<int>(ORZBasicPopupType::ORZ_POPUP_TYPE_CONNECTING_TO_PHONE);
constexpr int kFailedTryAgainToast = static_cast<int>(ORZToastPopupType::ORZ_TOAST_POPUP_TYPE_FAILED_TRY_AGAIN_LATER);
constexpr int kLocationNotAvailableToast =
    static_cast<int>(ORZToastPopupType::ORZ_TOAST_POPUP_TYPE_LOCATION_NOT_AVAILABLE);

void ReplaceAll(std::string& text, const std::string& from, const std::string& to)
{
    std::string::size_type pos = 0;
    while ((pos = text.find(from, pos)) != std::string::npos)
    {
        text.replace(pos, from.size(), to);
        pos += to.size();
    }
}
} // namespace

MobileLocationView::MobileLocationView()
    : mLayout(nullptr), mOverlayLayout(nullptr), mIsLocatingMethodChangeAccepted(false),
      mMobileLocationViewEventListener(nullptr), mIsLastSeen(false), mSettingAnswerTimer(0),
      mAskPhoneSource(0)
{
}

MobileLocationView::~MobileLocationView()
{
    if (mLayout)
    {
        evas_object_event_callback_del_full(mLayout, EVAS_CALLBACK_DEL, LayoutDelCb, this);
        eext_rotary_object_event_callback_del(mLayout, MapRotaryCb);
    }
    ClosePopups();
    StopSettingAnswerTimer();
    if (mLocationNotAvailableToastPtr)
        mLocationNotAvailableToastPtr->Dismiss();
    if (mPhoneLocationPopupPtr)
        mPhoneLocationPopupPtr->Dismiss();
}

Evas_Object* MobileLocationView::Create(Evas_Object* parent, std::shared_ptr<NSORZUiCommon::ViewData> viewDataPtr)
{
    RETV_IF(parent == NULL, NULL);
    RETV_IF(!viewDataPtr, NULL);
    LOGE("Create");
    mViewDataPtr = viewDataPtr;
    std::shared_ptr<MobileLocationViewData> mobileLocationViewDataPtr =
        std::dynamic_pointer_cast<MobileLocationViewData>(viewDataPtr);
    RETV_IF(!mobileLocationViewDataPtr, NULL);

    std::string gettingLocationViewEdjDirectoryPath = mobileLocationViewDataPtr->GetMobileLocationViewEDJDirectoryPath();
    RETV_IF(gettingLocationViewEdjDirectoryPath.length() < 1, NULL);
    NSORZUiCommon::ElementaryHelper::AddThemeExtension(gettingLocationViewEdjDirectoryPath);

    mLayout = elm_layout_add(parent);
    RETV_IF(mLayout == NULL, NULL);
    elm_layout_file_set(mLayout, gettingLocationViewEdjDirectoryPath.c_str(), "mobileLocationViewLayout");
    evas_object_size_hint_weight_set(mLayout, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    evas_object_show(mLayout);

    mOverlayLayout = elm_layout_add(mLayout);
    RETV_IF(mOverlayLayout == NULL, NULL);
    elm_layout_file_set(mOverlayLayout, gettingLocationViewEdjDirectoryPath.c_str(), "mapContentOverlayLayout");
    evas_object_size_hint_weight_set(mOverlayLayout, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    eext_rotary_object_event_callback_add(mLayout, MapRotaryCb, this);
    evas_object_event_callback_add(mLayout, EVAS_CALLBACK_DEL, LayoutDelCb, this);

    ClosePopups();
    return mLayout;
}

void MobileLocationView::AddMobileLocationViewEventListener(
    MobileLocationViewEventListener* mobileLocationViewEventListener)
{
    RET_IF(!mobileLocationViewEventListener);
    mMobileLocationViewEventListener = mobileLocationViewEventListener;
}

void MobileLocationView::ShowCurrentMobileLocation()
{
    // Pushing the screen and building its connecting popup in one turn was
    // longer than a frame; split, each fits in one. The request goes with the
    // popup, so that no answer can come before there is a wait to end.
    CancelAskPhone();
    mAskPhoneSource = g_idle_add(AskPhoneCb, this);
}

gboolean MobileLocationView::AskPhoneCb(gpointer data)
{
    MobileLocationView* pThis = static_cast<MobileLocationView*>(data);
    pThis->mAskPhoneSource = 0;
    if (!PelornMain::CheckConnectionAvailable())
    {
        pThis->ShowUnreachable();
        return G_SOURCE_REMOVE;
    }
    PelornMain* pelornMain = PelornMain::GetInstance();
    RETV_IF(pelornMain == NULL, G_SOURCE_REMOVE);
    if (!pelornMain->SendAppMessageToConsumer(ORZ_SEND_MSG_TYPE_LOCATION_SETTING_GET_REQ))
        LOGE("SendAppMessageToConsumer(ORZ_SEND_MSG_TYPE_LOCATION_SETTING_GET_REQ) failed");
    pThis->ShowBasicPopup(pThis->mConnectingToPhonePopupPtr, kConnectingPopup);
    pThis->StopSettingAnswerTimer();
    pThis->mSettingAnswerTimer =
        pelorn_timer_add_seconds(kSettingAnswerWaitSeconds, SettingAnswerTimerCb, pThis);
    return G_SOURCE_REMOVE;
}

void MobileLocationView::CancelAskPhone()
{
    if (mAskPhoneSource)
        g_source_remove(mAskPhoneSource);
    mAskPhoneSource = 0;
}

gboolean MobileLocationView::SettingAnswerTimerCb(gpointer data)
{
    MobileLocationView* pThis = static_cast<MobileLocationView*>(data);
    RETV_IF(pThis == NULL, G_SOURCE_REMOVE);
    pThis->mSettingAnswerTimer = 0;
    LOGE("no answer to the location-setting request in %u s", kSettingAnswerWaitSeconds);
    pThis->GiveUpOnThePhone();
    return G_SOURCE_REMOVE;
}

void MobileLocationView::StopSettingAnswerTimer()
{
    if (mSettingAnswerTimer)
        pelorn_timer_remove(mSettingAnswerTimer);
    mSettingAnswerTimer = 0;
}

/* The phone will not answer: the wait is freed for other requests, and the
 * wearer gets the last known position, or the failure toast when none. */
void MobileLocationView::GiveUpOnThePhone()
{
    if (!mConnectingToPhonePopupPtr && !mPleaseWaitPopupPtr)
        return;
    ClosePopups();
    PelornMain* pelornMain = PelornMain::GetInstance();
    if (pelornMain && !pelornMain->SendAppMessageToConsumer(ORZ_SEND_MSG_TYPE_LOCATION_STOP_REQ))
        LOGE("SendAppMessageToConsumer(ORZ_SEND_MSG_TYPE_LOCATION_STOP_REQ) failed");
    ShowUnreachable();
}

void MobileLocationView::ShowLDUMobileLocation()
{
    RET_IF(mLayout == NULL);
    DrawLDUMapAddress(mLayout);
}

void MobileLocationView::RequestLocationMapImage(NSORZCommon::Coordinate position, std::string text)
{
    RET_IF(!mMobileLocationViewEventListener);
    mMobileLocationViewEventListener->OnLocationMapImageRequested(position, text);
}

/* ---- phone replies ---- */

void MobileLocationView::ConsumerMsgReceived(int type, void* data)
{
    LOGE("ConsumerMsgReceived : %d", type);
    switch (type)
    {
    case ORZ_RECV_MSG_TYPE_LOCATION_SETTING_GET_RSP:
        OnLocationSettingReceived(data);
        break;
    case ORZ_RECV_MSG_TYPE_LOCATION_SETTING_SET_RSP:
        OnLocationSettingSetReceived();
        break;
    case ORZ_RECV_MSG_TYPE_LOCATION_RSP:
        OnLocationReceived(data);
        break;
    case ORZ_RECV_MSG_TYPE_NO_RESPONSE:
    case ORZ_RECV_MSG_TYPE_LINK_LOST:
        // No answer is coming: rather than a popup left waiting for it.
        GiveUpOnThePhone();
        break;
    default:
        break;
    }
}

void MobileLocationView::OnLocationSettingReceived(void* data)
{
    RET_IF(!mConnectingToPhonePopupPtr);
    LocationSetting* locationSetting = static_cast<LocationSetting*>(data);
    RET_IF(!locationSetting);
    StopSettingAnswerTimer();
    // The connecting popup stays under whatever comes next until the location
    // arrives: should the phone fall silent now, the wearer still sees the wait
    // and its Stop instead of an empty screen.

    if (locationSetting->mLocationState == 1)
    {
        const int highAccuracy = locationSetting->mLocationHighAccuracyState;
        if (highAccuracy == 1 || highAccuracy == 2 || mIsLocatingMethodChangeAccepted)
        {
            if (PelornMain::CheckConnectionAvailable())
            {
                SendLocationRequest();
                ShowBasicPopup(mPleaseWaitPopupPtr, kPleaseWaitPopup);
            }
        }
        else
        {
            ShowBasicPopup(mChangeLocatingMethodPopupPtr, kChangeLocatingMethodPopup);
        }
    }
    else if (!locationSetting->mIsQuenlorDevice)
    {
        ShowBasicPopup(mLocationDisabledOnPhonePopupPtr, kLocationDisabledPopup);
    }
    else
    {
        ShowBasicPopup(mTurnOnLocationPopupPtr, kTurnOnLocationPopup);
    }
}

void MobileLocationView::OnLocationSettingSetReceived()
{
    RET_IF(!mPleaseWaitPopupPtr);
    SendLocationRequest();
}

void MobileLocationView::OnLocationReceived(void* data)
{
    RET_IF(!mPleaseWaitPopupPtr);
    LocationData* locationData = static_cast<LocationData*>(data);
    RET_IF(!locationData);

    if (locationData->mPhoneLocSetting == 1 && locationData->mHmLocSetting != 0 && locationData->mResult != 1)
    {
        std::string text = locationData->mAddress;
        if (locationData->mCity.empty() || locationData->mCountry.empty())
        {
            LOGE("city and country information is null in location data. the device is in Korea maybe");
        }
        else
        {
            std::string city = locationData->mCity;
            if (NSORZCommon::VconfUtil::IsCurrLanguageBy(0) && city == "남한")
                city = "대한민국";
            text = text + " " + city + " " + locationData->mCountry;
        }
        LOGE("location info : %s", text.c_str());
        NSORZCommon::Coordinate position(locationData->mLongitude, locationData->mLatitude);
        SaveLastLocation(position, text);
        RequestLocationMapImage(position, text);
    }
    else if (locationData->mPhoneLocSetting == 1)
    {
        ClosePopups();
        ShowToastPopup(mFailedTryAgainToastPtr, kFailedTryAgainToast);
    }
    else
    {
        ClosePopups();
        ShowToastPopup(mLocationNotAvailableToastPtr, kLocationNotAvailableToast);
    }
}

void MobileLocationView::SendLocationRequest()
{
    PelornMain* pelornMain = PelornMain::GetInstance();
    RET_IF(pelornMain == NULL);
    if (!pelornMain->SendAppMessageToConsumer(ORZ_SEND_MSG_TYPE_LOCATION_REQ))
        LOGE("SendAppMessageToConsumer(ORZ_SEND_MSG_TYPE_LOCATION_REQ) failed");
}

void MobileLocationView::SaveLastLocation(NSORZCommon::Coordinate position, std::string text)
{
    NSORZCommon::Coordinate last = NSORZCommon::PreferenceUtil::GetLastLocationCoordinate();
    NSORZCommon::CoordinateCalculator calculator;
    double diffDis = calculator.GetDistance(last.GetLatitude(), last.GetLongitude(), position.GetLatitude(),
                                            position.GetLongitude());
    LOGE("diffDis : %lf", diffDis);
    const time_t now = (time_t)(pelorn_clock_wall_ms() / 1000);
    // A phone that stayed put was still seen now: only its place is kept.
    if (!(diffDis > kLastLocationMinMoveMetres))
    {
        NSORZCommon::PreferenceUtil::SetLastLocationTime(now);
        return;
    }
    NSORZCommon::PreferenceUtil::SetLastLocation(position, text, now);
}

/* ---- the map ---- */

void MobileLocationView::OnHttpResponseCompleted(int requestId, int requestType, const char* data, int length)
{
    if (Evas_Object* image = AcceptMapAnswer(requestId, requestType, data, length, nullptr))
        ShowMapPicture(image);
}

Evas_Object* MobileLocationView::AcceptMapAnswer(int requestId, int requestType, const char* data, int length,
                                                 MapImage::Ready ready)
{
    LOGE("map answer : %d, type %d, %d bytes", requestId, requestType, length);
    RETV_IF(mLayout == NULL, nullptr);
    RETV_IF(data == NULL || length <= 0, nullptr);
    int declaredWidth = 0;
    int declaredHeight = 0;
    if (!NSORZCommon::ImageHeaderReader::ReadDimensions(data, (size_t)length, declaredWidth, declaredHeight) ||
        declaredWidth > kMaxMapPictureSide || declaredHeight > kMaxMapPictureSide)
    {
        LOGE("map picture refused: declares %dx%d", declaredWidth, declaredHeight);
        OnHttpResponseFailed(requestId, 200, requestType);
        return nullptr;
    }
    Evas* canvas = evas_object_evas_get(mLayout);
    Evas_Object* image = ready ? MapImage::Decode(canvas, data, length, std::move(ready))
                               : MapImage::FromBytes(canvas, data, length);
    if (image == NULL)
    {
        // A body that is no usable picture is a failed answer, not a blank map.
        OnHttpResponseFailed(requestId, 0, requestType);
        return nullptr;
    }
    return image;
}

void MobileLocationView::ShowMapPicture(Evas_Object* image)
{
    RET_IF(image == NULL);
    if (mLayout == NULL)
    {
        evas_object_del(image);
        return;
    }
    DrawMapAddress(mLayout, image);
    ClosePopups();
}

void MobileLocationView::DrawMapAddress(Evas_Object* layout, Evas_Object* image)
{
    RET_IF(layout == NULL);
    RET_IF(image == NULL);
    Evas* canvas = evas_object_evas_get(layout);
    Evas_Colorspace canvasSpace = EVAS_COLORSPACE_ARGB8888;
    if (evas_object_image_colorspace_get(image) != canvasSpace)
        evas_object_image_colorspace_set(image, canvasSpace);
    (void)canvas;
    int w = 0;
    int h = 0;
    evas_object_image_size_get(image, &w, &h);
    evas_object_image_data_update_add(image, 0, 0, w, h);
    evas_object_show(image);
    elm_object_part_content_set(layout, "mapContentSwallow", image);

    std::shared_ptr<MobileLocationViewData> mobileLocationViewDataPtr =
        std::dynamic_pointer_cast<MobileLocationViewData>(mViewDataPtr);
    RETM_IF(!mobileLocationViewDataPtr, "!mViewDataPtr");
    std::string text = mobileLocationViewDataPtr->GetMobileLocationString();
    if (text.empty())
        text = Translated("WDS_ORZ_NPBODY_ADDRESS_IS_UNAVAILABLE");
    SetOverlayText(text);
}

void MobileLocationView::DrawLDUMapAddress(Evas_Object* layout)
{
    RET_IF(layout == NULL);
    std::string picturePath = NSORZCommon::FileUtil::GetResourceDirectoryPath() + "/contents/images/orz_ldu_bg_map.png";
    Evas_Object* image = elm_image_add(layout);
    RET_IF(image == NULL);
    elm_image_file_set(image, picturePath.c_str(), NULL);
    evas_object_show(image);
    elm_object_part_content_set(layout, "mapContentSwallow", image);

    std::shared_ptr<MobileLocationViewData> mobileLocationViewDataPtr =
        std::dynamic_pointer_cast<MobileLocationViewData>(mViewDataPtr);
    RETM_IF(!mobileLocationViewDataPtr, "!mViewDataPtr");
    std::string mobileLocationText = mobileLocationViewDataPtr->GetMobileLocationString();
    RET_IF(mobileLocationText.empty());
    if (mobileLocationViewDataPtr->GetShowTime())
    {
        time_t now = time(NULL);
        NSORZCommon::PreferenceUtil::SetLastLocationTime(static_cast<int>(now));
        mobileLocationText += "\n" + mobileLocationViewDataPtr->ConvertEpochTimeToCurrentFormat(now);
    }
    SetOverlayText(mobileLocationText);
}

void MobileLocationView::SetOverlayText(const std::string& text)
{
    RET_IF(mOverlayLayout == NULL);
    // The address is the phone's text: plain, whatever it holds.
    NSORZUiCommon::ElementaryHelper::SetPlainPartText(mOverlayLayout, "mobileLocationText", text);
    evas_object_show(mOverlayLayout);
    elm_object_part_content_set(mLayout, "mapContentOverlaySwallow", mOverlayLayout);
    EllipsizeOverflowingText(mOverlayLayout);
    SetAccessibilityMobileLocationText();
}

/* The band shrinks a long address to fit it; one too long even at the
 * smallest size ends in an ellipsis on its last whole line, rather than run
 * below the band and off the disc. Weighed again whenever the band changes size. */
void MobileLocationView::EllipsizeOverflowingText(Evas_Object* overlay)
{
    static Evas_Textblock_Style* const ellipsis = [] {
        Evas_Textblock_Style* style = evas_textblock_style_new();
        evas_textblock_style_set(style, "DEFAULT='ellipsis=1.0'");
        return style;
    }();
    static bool weighing = false; // the calculation below resizes the part once more
    Evas_Object* edje = overlay ? elm_layout_edje_get(overlay) : NULL;
    Evas_Object* textblock =
        edje ? const_cast<Evas_Object*>(edje_object_part_object_get(edje, "mobileLocationText")) : NULL;
    if (textblock == NULL || weighing)
        return;
    weighing = true;
    evas_object_event_callback_del(textblock, EVAS_CALLBACK_RESIZE, TextResizeCb);
    if (evas_object_textblock_style_user_peek(textblock) == ellipsis)
        evas_object_textblock_style_user_pop(textblock);
    edje_object_calc_force(edje);
    Evas_Coord w = 0, h = 0, bandWidth = 0, bandHeight = 0;
    evas_object_textblock_size_formatted_get(textblock, &w, &h);
    evas_object_geometry_get(textblock, NULL, NULL, &bandWidth, &bandHeight);
    if (bandHeight > 0 && h > bandHeight)
    {
        evas_object_textblock_style_user_push(textblock, ellipsis);
        edje_object_calc_force(edje);
    }
    evas_object_event_callback_add(textblock, EVAS_CALLBACK_RESIZE, TextResizeCb, overlay);
    weighing = false;
}

void MobileLocationView::TextResizeCb(void* data, Evas* evas, Evas_Object* obj, void* eventInfo)
{
    EllipsizeOverflowingText(static_cast<Evas_Object*>(data));
}

/* The reader says the address without line breaks or date slashes. */
char* MobileLocationView::MobileLocationTextAccessInfoCb(void* data, Evas_Object* obj)
{
    MobileLocationView* pThis = static_cast<MobileLocationView*>(data);
    RETV_IF(pThis == NULL, NULL);
    std::shared_ptr<MobileLocationViewData> mainViewDataPtr =
        std::dynamic_pointer_cast<MobileLocationViewData>(pThis->mViewDataPtr);
    RETV_IF(!mainViewDataPtr, NULL);
    RETV_IF(mainViewDataPtr->GetMobileLocationString().length() < 1, NULL);
    std::string text = mainViewDataPtr->GetMobileLocationString();
    ReplaceAll(text, "\n", " ");
    ReplaceAll(text, "/", " ");
    return strdup(text.c_str());
}

void MobileLocationView::SetAccessibilityMobileLocationText()
{
    RET_IF(mOverlayLayout == NULL);
    Evas_Object* textPart =
        const_cast<Evas_Object*>(edje_object_part_object_get(elm_layout_edje_get(mOverlayLayout), "mobileLocationText"));
    Evas_Object* aoMobileLocationText = textPart ? elm_access_object_register(textPart, mOverlayLayout) : NULL;
    RET_IF(aoMobileLocationText == NULL);
    elm_access_info_cb_set(aoMobileLocationText, ELM_ACCESS_INFO, MobileLocationTextAccessInfoCb, this);
}

void MobileLocationView::OnHttpResponseFailed(int requestId, int responseCode, int requestType)
{
    LOGE("OnHttpResponseFailed : %d (%d)", requestId, responseCode);
    // The last-seen screen already says what went wrong and shows what it
    // has (the kept picture, or the address alone): a failure toast over it
    // would say it twice, and take the wearer's next tap.
    if (mIsLastSeen)
        return;
    ClosePopups();
    ShowToastPopup(mFailedTryAgainToastPtr, kFailedTryAgainToast);
}

void MobileLocationView::OnHttpRequestCompleted(int requestId, int requestType)
{
}

void MobileLocationView::OnHttpRequestFailed(int requestType)
{
}

void MobileLocationView::OnHttpRequestCancelCompleted(int requestType)
{
}

void MobileLocationView::OnHttpResponseTimeout(int requestId, int requestType)
{
}

/* ---- popups ---- */

void MobileLocationView::ShowBasicPopup(std::shared_ptr<NSORZUiCommon::BasicPopup>& slot, int type)
{
    std::shared_ptr<BasicPopupBuilder> builder = std::make_shared<BasicPopupBuilder>();
    slot = builder->Initialize(type, NSORZUiCommon::ViewBasicElements::GetWindow())->Build();
    RET_IF(!slot);
    SetPopupTexts(slot, type);
    slot->SetCloseEventListener(this);
    slot->Show();
}

void MobileLocationView::ShowToastPopup(std::shared_ptr<NSORZUiCommon::ToastPopup>& slot, int type)
{
    std::shared_ptr<ToastPopupBuilder> builder = std::make_shared<ToastPopupBuilder>();
    slot = builder->Initialize(type, NSORZUiCommon::ViewBasicElements::GetWindow())->Build();
    RET_IF(!slot);
    slot->mCloseEventListener = static_cast<ToastPopupClosedForwarder*>(this);
    slot->Show();
}

void MobileLocationView::ClosePopups()
{
    CancelAskPhone();
    StopSettingAnswerTimer();
    if (mFailedTryAgainToastPtr)
    {
        mFailedTryAgainToastPtr->Dismiss();
        mFailedTryAgainToastPtr.reset();
    }
    std::shared_ptr<NSORZUiCommon::BasicPopup>* basics[] = {&mTurnOnLocationPopupPtr, &mChangeLocatingMethodPopupPtr,
                                                             &mConnectingToPhonePopupPtr, &mPleaseWaitPopupPtr,
                                                             &mLocationDisabledOnPhonePopupPtr};
    for (std::shared_ptr<NSORZUiCommon::BasicPopup>* popup : basics)
    {
        if (*popup)
        {
            (*popup)->Dismiss();
            popup->reset();
        }
    }
}

std::shared_ptr<NSORZUiCommon::BasicPopup> MobileLocationView::GetBasicPopup(int type) const
{
    switch (type)
    {
    case kTurnOnLocationPopup:
        return mTurnOnLocationPopupPtr;
    case kLocationDisabledPopup:
        return mLocationDisabledOnPhonePopupPtr;
    case kChangeLocatingMethodPopup:
        return mChangeLocatingMethodPopupPtr;
    case kPhoneLocationPopup:
        return mPhoneLocationPopupPtr;
    case kPleaseWaitPopup:
        return mPleaseWaitPopupPtr;
    case kConnectingPopup:
        return mConnectingToPhonePopupPtr;
    default:
        return nullptr;
    }
}

std::shared_ptr<NSORZUiCommon::ToastPopup> MobileLocationView::GetToastPopup(int type) const
{
    if (type == kFailedTryAgainToast)
        return mFailedTryAgainToastPtr;
    if (type == kLocationNotAvailableToast)
        return mLocationNotAvailableToastPtr;
    return nullptr;
}

void MobileLocationView::LeaveScreen()
{
    RET_IF(!mMobileLocationViewEventListener);
    mMobileLocationViewEventListener->OnLocationMapImageFailed();
}

/* ---- the last known position ---- */

bool MobileLocationView::HasLastSeenPosition()
{
    if (NSORZCommon::VconfUtil::IsLDUBinary())
        return false;
    const double latitude = NSORZCommon::PreferenceUtil::GetLastLocationLat();
    const double longitude = NSORZCommon::PreferenceUtil::GetLastLocationLon();
    // 500 is the store's "no position".
    return std::isfinite(latitude) && std::isfinite(longitude) && std::fabs(latitude) <= 90.0 &&
           std::fabs(longitude) <= 180.0;
}

/* The failure is said once, in words that fit what follows: with a last
 * known position the screen shows it, its band saying that the phone is not
 * reachable; without one, the failure toast ends the screen. */
void MobileLocationView::ShowUnreachable()
{
    // A page still sliding in takes no taps: what it shows now (the card to
    // tap) is built once it is in place.
    if (!mInPlace)
    {
        mUnreachablePending = true;
        return;
    }
    ClosePopups();
    if (!ShowLastSeen(true))
        ShowToastPopup(mFailedTryAgainToastPtr, kFailedTryAgainToast);
}

void MobileLocationView::ShowLastSeenOrLeave()
{
    // A toast reports its closing more than once; the screen is already in place then.
    if (mIsLastSeen)
        return;
    if (!ShowLastSeen())
        LeaveScreen();
}

bool MobileLocationView::ShowLastSeen(bool unreachable)
{
    RETV_IF(mLayout == NULL, false);
    if (!HasLastSeenPosition())
        return false;
    std::shared_ptr<MobileLocationViewData> mobileLocationViewDataPtr =
        std::dynamic_pointer_cast<MobileLocationViewData>(mViewDataPtr);
    RETVM_IF(!mobileLocationViewDataPtr, false, "!mViewDataPtr");
    mIsLastSeen = true;
    ClosePopups();

    NSORZCommon::Coordinate position = NSORZCommon::PreferenceUtil::GetLastLocationCoordinate();
    std::string address = NSORZCommon::PreferenceUtil::GetLastLocationAddress();
    if (address.empty())
        address = Translated("WDS_ORZ_NPBODY_ADDRESS_IS_UNAVAILABLE");
    mobileLocationViewDataPtr->SetMobileLocationString(address);
    LOGE("last seen : %s", address.c_str());
    SetOverlayText(address);
    mLastSeenBanner.Show(mLayout, mobileLocationViewDataPtr->GetMobileLocationViewEDJDirectoryPath(),
                         (time_t)NSORZCommon::PreferenceUtil::GetLastLocationTime(), unreachable);
    // Where contact was lost and which way to walk, when the watch recorded
    // it: only for a loss the wearer lives through now. With the link up the
    // phone is in reach, and a card of an older loss would send the wearer
    // walking to where an earlier run lost it.
    if (PelornMain::CheckConnectionAvailable())
        LOGE("the phone is linked: no lost-contact card");
    else
        mLostContactCard.Show(mLayout);
    if (mMobileLocationViewEventListener)
        mMobileLocationViewEventListener->OnLastSeenMapImageRequested(position);
    else
        LOGE("!mMobileLocationViewEventListener");
    return true;
}

Evas_Object* MobileLocationView::DecodeStoredMapPicture(const std::string& bytes, MapImage::Ready ready)
{
    RETV_IF(mLayout == NULL, nullptr);
    RETV_IF(bytes.empty(), nullptr);
    // Only the header is read here: a picture far larger than the screen is
    // refused before its pixels are.
    Evas_Object* image =
        MapImage::Decode(evas_object_evas_get(mLayout), bytes.data(), (int)bytes.size(), std::move(ready));
    if (image == NULL)
        LOGE("the kept map picture does not decode");
    return image;
}

void MobileLocationView::ShowStoredMapPicture(Evas_Object* image)
{
    RET_IF(image == NULL);
    if (mLayout == NULL)
    {
        evas_object_del(image);
        return;
    }
    DrawMapAddress(mLayout, image);
    OnMapPictureShown();
}

void MobileLocationView::OnMapPlaced(double latitude, double longitude, int zoom)
{
    Evas_Object* image = GetMapPicture();
    RET_IF(image == NULL || !mIsLastSeen);
    int w = 0, h = 0;
    evas_object_image_size_get(image, &w, &h);
    mLostContactCard.SetMapPicture(latitude, longitude, zoom, w, h);
}

Evas_Object* MobileLocationView::GetMapPicture() const
{
    return mLayout ? elm_object_part_content_get(mLayout, "mapContentSwallow") : nullptr;
}

void MobileLocationView::OnMapPictureShown()
{
    Evas_Object* image = GetMapPicture();
    RET_IF(image == NULL);
    // Greyed, so that a past position never passes for the live map.
    if (mIsLastSeen)
        evas_object_color_set(image, 150, 150, 150, 255);
    eext_rotary_object_event_activated_set(mLayout, EINA_TRUE);
}

/* The naviframe takes the layout down with its page; nothing may reach it afterwards. */
void MobileLocationView::LayoutDelCb(void* data, Evas* evas, Evas_Object* obj, void* eventInfo)
{
    MobileLocationView* pThis = static_cast<MobileLocationView*>(data);
    RET_IF(pThis == NULL);
    pThis->mLayout = nullptr;
    pThis->mOverlayLayout = nullptr;
}

/* Clockwise zooms in, one step per detent. */
Eina_Bool MobileLocationView::MapRotaryCb(void* data, Evas_Object* obj, Eext_Rotary_Event_Info* info)
{
    MobileLocationView* pThis = static_cast<MobileLocationView*>(data);
    RETV_IF(pThis == NULL, EINA_FALSE);
    RETV_IF(info == NULL, EINA_FALSE);
    RETV_IF(!pThis->mMobileLocationViewEventListener, EINA_FALSE);
    pThis->mMobileLocationViewEventListener->OnMapZoomTurned(
        info->direction == EEXT_ROTARY_DIRECTION_CLOCKWISE ? 1 : -1);
    return EINA_TRUE;
}
} // namespace NSPelorn

namespace NSPelorn
{
void MobileLocationView::OnBasicPopupClosed(int popupType, int reason)
{
    switch (popupType)
    {
    case kTurnOnLocationPopup:
        if (mTurnOnLocationPopupPtr)
        {
            mTurnOnLocationPopupPtr->Dismiss();
            mTurnOnLocationPopupPtr.reset();
        }
        if (reason == 0 || reason == 1)
        {
            ClosePopups();
            ShowToastPopup(mLocationNotAvailableToastPtr, kLocationNotAvailableToast);
        }
        else if (reason == 2)
        {
            OnTurnOnLocationAccepted();
        }
        break;
    case kLocationDisabledPopup:
        ClosePopups();
        ShowLastSeenOrLeave();
        break;
    case kPhoneLocationPopup:
        ClosePopups();
        LeaveScreen();
        break;
    case kChangeLocatingMethodPopup:
        if (reason == 2)
        {
            mIsLocatingMethodChangeAccepted = true;
            OnTurnOnLocationAccepted();
        }
        else
        {
            mIsLocatingMethodChangeAccepted = false;
            if (PelornMain::CheckConnectionAvailable())
            {
                SendLocationRequest();
                ShowBasicPopup(mConnectingToPhonePopupPtr, kConnectingPopup);
            }
        }
        break;
    case kPleaseWaitPopup:
    case kConnectingPopup:
        ClosePopups();
        // The wait ends by back or by the popup's Stop button alike.
        if (reason == NSORZUiCommon::BasicPopup::CLOSE_REASON_BACK ||
            reason == NSORZUiCommon::BasicPopup::CLOSE_REASON_BUTTON1)
        {
            PelornMain* pelornMain = PelornMain::GetInstance();
            RET_IF(pelornMain == NULL);
            if (!pelornMain->SendAppMessageToConsumer(ORZ_SEND_MSG_TYPE_LOCATION_STOP_REQ))
                LOGE("SendAppMessageToConsumer(ORZ_SEND_MSG_TYPE_LOCATION_STOP_REQ) failed");
            else
                LOGE("Stop to request location info so that queue is initialized and ready to send other messages");
            LeaveScreen();
        }
        break;
    default:
        break;
    }
}

/* On a remote link the phone is asked through the platform's Bluetooth popup;
 * otherwise it is asked to switch its location on. */
void MobileLocationView::OnTurnOnLocationAccepted()
{
    if (NSORZCommon::VconfUtil::GetKivConnectionType() == kKivConnectionRemote)
    {
        if (!mAppLauncherPtr)
        {
            mAppLauncherPtr = std::make_shared<NSORZCommon::AppLauncher>();
            mAppLauncherPtr->SetReplyListener(this);
        }
        mAppLauncherPtr->RequestBTConnectionUserDefinedPopup(
            kUserDefinedPopupRequestId, Translated("WDS_ORZ_HEADER_RUX_ABB"),
            Translated("IDS_ST_POP_TO_USE_THIS_APPLICATION_YOU_NEED_TO_AGREE_TO_ITS_LEGAL_NOTICES_YOU_WILL_"
                       "BE_CONNECTED_"
                       "TO_YOUR_MOBILE_DEVICE_VIA_BLUETOOTH_TO_VIEW_THE_APPLICATIONS_LEGAL_NOTICES"));
        return;
    }
    PelornMain* pelornMain = PelornMain::GetInstance();
    RET_IF(pelornMain == NULL);
    if (!pelornMain->SendAppMessageToConsumer(ORZ_SEND_MSG_TYPE_LOCATION_SETTING_SET_REQ))
        LOGE("SendAppMessageToConsumer(ORZ_SEND_MSG_TYPE_LOCATION_SETTING_SET_REQ) failed");
    ShowBasicPopup(mPleaseWaitPopupPtr, kPleaseWaitPopup);
}

void MobileLocationView::OnToastPopupClosed(int toastPopupType, int reason)
{
    if (toastPopupType == kFailedTryAgainToast)
    {
        LOGE("OnClosed : ORZ_TOAST_POPUP_TYPE_FAILED_TRY_AGAIN_LATER");
        ShowLastSeenOrLeave();
    }
    else if (toastPopupType == kLocationNotAvailableToast)
    {
        LOGE("OnClosed : ORZ_TOAST_POPUP_TYPE_LOCATION_NOT_AVAILABLE");
        ShowLastSeenOrLeave();
    }
}

void MobileLocationView::OnReplieded(app_control_h request, app_control_h reply, app_control_result_e result,
                                     int requestId)
{
}

/* ---- lifecycle ---- */

/* The texts a popup of this screen carries, translated now, so that a
 * language change shows on the next resume. */
void MobileLocationView::SetPopupTexts(const std::shared_ptr<NSORZUiCommon::BasicPopup>& popup, int type)
{
    switch (type)
    {
    case kTurnOnLocationPopup:
        popup->SetContentStringID(Translated("WDS_AW_POP_TURN_ON_LOCATION_ON_YOUR_PHONE_Q"));
        break;
    case kLocationDisabledPopup:
        popup->SetContentStringID(
            Translated("WDS_ORZ_POP_UNABLE_TO_FIND_LOCATION_LOCATION_IS_DISABLED_ON_YOUR_PHONE_ABB"));
        popup->SetButton1StringID(Translated("WDS_ST_BUTTON_OK_ABB"));
        break;
    case kChangeLocatingMethodPopup:
        popup->SetContentStringID(
            Translated("WDS_ORZ_TPOP_CHANGE_LOCATING_METHOD_Q_NFOR_BEST_LOCATION_DETECTION_GO_TO_"
                       "SETTINGS_AND_CHANGE_LOCATING_METHOD_ABB"));
        break;
    case kPhoneLocationPopup:
        popup->SetTitleStringID(Translated("WDS_ORZ_HEADER_PHONE_LOCATION_ABB"));
        popup->SetButton1StringID(Translated("WDS_ST_BUTTON_OK_ABB"));
        break;
    case kPleaseWaitPopup:
        popup->SetContentStringID(Translated("WDS_ORZ_POP_LOCATING_ADDRESS_ING"));
        popup->SetButton1StringID(Translated("IDS_ORZ_BUTTON_STOP_ABB2"));
        break;
    case kConnectingPopup:
        popup->SetContentStringID(Translated("WDS_ORZ_POP_CONNECTING_TO_PHONE_ING_ABB"));
        popup->SetButton1StringID(Translated("IDS_ORZ_BUTTON_STOP_ABB2"));
        break;
    default:
        break;
    }
}

void MobileLocationView::Resume()
{
    LOGE("Resume");
    if (mIsLastSeen)
    {
        mLastSeenBanner.Refresh();
        mLostContactCard.Refresh();
    }
    mLostContactCard.Resume();
    const std::pair<std::shared_ptr<NSORZUiCommon::BasicPopup>, int> popups[] = {
        {mConnectingToPhonePopupPtr, kConnectingPopup},
        {mPleaseWaitPopupPtr, kPleaseWaitPopup},
        {mTurnOnLocationPopupPtr, kTurnOnLocationPopup},
        {mLocationDisabledOnPhonePopupPtr, kLocationDisabledPopup},
        {mChangeLocatingMethodPopupPtr, kChangeLocatingMethodPopup},
        {mPhoneLocationPopupPtr, kPhoneLocationPopup}};
    for (const auto& popup : popups)
    {
        if (!popup.first)
            continue;
        SetPopupTexts(popup.first, popup.second);
        popup.first->RefreshText();
    }
}

void MobileLocationView::Pause()
{
    LOGE("Pause");
    mLostContactCard.Pause();
}

void MobileLocationView::Destroy()
{
    LOGE("Destroy");
}

void MobileLocationView::UpdatedByPop()
{
    LOGE("UpdatedByPop");
}

bool MobileLocationView::Pop()
{
    LOGE("Pop");
    return true;
}

void MobileLocationView::TimeTick()
{
    LOGE("TimeTick");
    if (mIsLastSeen)
    {
        mLastSeenBanner.Refresh();
        mLostContactCard.Refresh();
    }
}

void MobileLocationView::NetworkStateChanged(int state)
{
}

void MobileLocationView::LocationStateChanged(int state)
{
}

/* The phone whose live map is shown has gone: the map now shows where it
 * was, and the band says so at once, not at the next Locate. */
void MobileLocationView::KivStateChanged(int state)
{
    LOGE("KivStateChanged");
    if (mIsLastSeen || mLayout == NULL || GetMapPicture() == NULL || PelornMain::CheckConnectionAvailable())
        return;
    auto dataPtr = std::dynamic_pointer_cast<MobileLocationViewData>(mViewDataPtr);
    RET_IF(!dataPtr);
    LOGE("the phone went: the map is no longer live");
    mLastSeenBanner.Show(mLayout, dataPtr->GetMobileLocationViewEDJDirectoryPath(),
                         (time_t)NSORZCommon::PreferenceUtil::GetLastLocationTime());
}

void MobileLocationView::TransitionFinished()
{
    LOGE("TransitionFinished");
    mInPlace = true;
    if (mUnreachablePending)
    {
        mUnreachablePending = false;
        ShowUnreachable();
    }
}
} // namespace NSPelorn
