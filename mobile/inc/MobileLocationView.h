#ifndef PELORN_MOBILE_LOCATION_VIEW_H
#define PELORN_MOBILE_LOCATION_VIEW_H

#include "AppLauncher.h"
#include "AppLauncherReplyListener.h"
#include "BasicPopup.h"
#include "BasicPopupClosedForwarder.h"
#include "Coordinate.h"
#include "HttpNetworkEventListner.h"
#include "LastSeenBanner.h"
#include "LostContactCard.h"
#include "MapImage.h"
#include "MobileLocationViewEventListener.h"
#include "ToastPopup.h"
#include "ToastPopupClosedForwarder.h"
#include "View.h"

#include <Elementary.h>
#include <efl_extension.h>

#include <memory>
#include <string>

namespace NSPelorn
{
class MobileLocationViewData;

/* Asks the phone where it is, prompts when its location is off, and shows the
 * map picture with the address; every way of failing ends in the last known
 * position, or a toast and leaving the screen. */
class MobileLocationView : public NSORZUiCommon::View,
                           public NSORZCommon::AppLauncherReplyListener,
                           public NSORZCommon::HttpNetworkEventListner,
                           public ToastPopupClosedForwarder,
                           public BasicPopupClosedForwarder
{
public:
    MobileLocationView();
    virtual ~MobileLocationView();

    Evas_Object* Create(Evas_Object* parent, std::shared_ptr<NSORZUiCommon::ViewData> viewDataPtr) override;
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

    void OnReplieded(app_control_h request, app_control_h reply, app_control_result_e result,
                     int requestId) override;

    void OnHttpRequestCompleted(int requestId, int requestType) override;
    void OnHttpRequestFailed(int requestType) override;
    void OnHttpRequestCancelCompleted(int requestType) override;
    void OnHttpResponseCompleted(int requestId, int requestType, const char* data, int length) override;
    void OnHttpResponseFailed(int requestId, int responseCode, int requestType) override;
    void OnHttpResponseTimeout(int requestId, int requestType) override;

    void OnToastPopupClosed(int toastPopupType, int reason) override;
    void OnBasicPopupClosed(int popupType, int reason) override;

    void AddMobileLocationViewEventListener(MobileLocationViewEventListener* mobileLocationViewEventListener);
    /* Asks the phone on the loop's next turn, once the pushed screen is drawn. */
    void ShowCurrentMobileLocation();
    void ShowLDUMobileLocation();
    void RequestLocationMapImage(NSORZCommon::Coordinate position, std::string text);
    void DrawMapAddress(Evas_Object* layout, Evas_Object* image);
    void DrawLDUMapAddress(Evas_Object* layout);
    void SaveLastLocation(NSORZCommon::Coordinate position, std::string text);
    void SetAccessibilityMobileLocationText();

    /* Whether a last known position is stored to fall back on. */
    static bool HasLastSeenPosition();
    /* The phone cannot be reached at all: the failure toast, then the last
     * known position. */
    void ShowUnreachable();
    /* Shows the last known position in place of a live one; false (nothing
     * done) when none is stored or in demonstration mode. */
    bool ShowLastSeen(bool unreachable = false);
    bool IsLastSeen() const { return mIsLastSeen; }
    /* The picture of a map answer, its pixels decoding off the main loop
     * (MapImage::Decode; at once with no `ready`), or nullptr when the bytes
     * are refused: the answer has then failed as any other. */
    Evas_Object* AcceptMapAnswer(int requestId, int requestType, const char* data, int length, MapImage::Ready ready);
    /* A decoded picture takes the map's place; the image is the screen's. */
    void ShowMapPicture(Evas_Object* image);
    /* A picture kept from an earlier fetch, decoding as AcceptMapAnswer's,
     * or nullptr when it is no picture; ShowStoredMapPicture puts it in place. */
    Evas_Object* DecodeStoredMapPicture(const std::string& bytes, MapImage::Ready ready);
    void ShowStoredMapPicture(Evas_Object* image);
    /* A new map picture is in place: past positions are drawn dimmed, and
     * the bezel zooms it from now on. */
    void OnMapPictureShown();
    Evas_Object* GetMapPicture() const;
    const LastSeenBanner& GetLastSeenBanner() const { return mLastSeenBanner; }
    LostContactCard& GetLostContactCard() { return mLostContactCard; }
    /* The map picture now shown is centred there at that zoom. */
    void OnMapPlaced(double latitude, double longitude, int zoom);

    Evas_Object* GetLayout() const { return mLayout; }
    Evas_Object* GetOverlayLayout() const { return mOverlayLayout; }
    /* The popup or toast of that type this screen holds, or none. */
    std::shared_ptr<NSORZUiCommon::BasicPopup> GetBasicPopup(int type) const;
    std::shared_ptr<NSORZUiCommon::ToastPopup> GetToastPopup(int type) const;

private:
    static char* MobileLocationTextAccessInfoCb(void* data, Evas_Object* obj);
    static void LayoutDelCb(void* data, Evas* evas, Evas_Object* obj, void* eventInfo);
    static void TextResizeCb(void* data, Evas* evas, Evas_Object* obj, void* eventInfo);
    static void EllipsizeOverflowingText(Evas_Object* overlay);
    static Eina_Bool MapRotaryCb(void* data, Evas_Object* obj, Eext_Rotary_Event_Info* info);

    void OnLocationSettingReceived(void* data);
    void OnLocationSettingSetReceived();
    void OnLocationReceived(void* data);
    void OnTurnOnLocationAccepted();
    void SendLocationRequest();
    void SetPopupTexts(const std::shared_ptr<NSORZUiCommon::BasicPopup>& popup, int type);
    void ShowBasicPopup(std::shared_ptr<NSORZUiCommon::BasicPopup>& slot, int type);
    void ShowToastPopup(std::shared_ptr<NSORZUiCommon::ToastPopup>& slot, int type);
    void ClosePopups();
    static gboolean AskPhoneCb(gpointer data);
    void CancelAskPhone();
    static gboolean SettingAnswerTimerCb(gpointer data);
    void StopSettingAnswerTimer();
    void GiveUpOnThePhone();
    void LeaveScreen();
    /* Where a failed locate ends: the last known position, else leaving. */
    void ShowLastSeenOrLeave();
    void SetOverlayText(const std::string& text);

    Evas_Object* mLayout;
    Evas_Object* mOverlayLayout;
    std::shared_ptr<NSORZUiCommon::ToastPopup> mLocationNotAvailableToastPtr;
    std::shared_ptr<NSORZUiCommon::ToastPopup> mFailedTryAgainToastPtr;
    std::shared_ptr<NSORZUiCommon::BasicPopup> mConnectingToPhonePopupPtr;
    std::shared_ptr<NSORZUiCommon::BasicPopup> mPleaseWaitPopupPtr;
    std::shared_ptr<NSORZUiCommon::BasicPopup> mTurnOnLocationPopupPtr;
    std::shared_ptr<NSORZUiCommon::BasicPopup> mLocationDisabledOnPhonePopupPtr;
    std::shared_ptr<NSORZUiCommon::BasicPopup> mChangeLocatingMethodPopupPtr;
    std::shared_ptr<NSORZUiCommon::BasicPopup> mPhoneLocationPopupPtr;
    std::shared_ptr<NSORZCommon::AppLauncher> mAppLauncherPtr;
    bool mIsLocatingMethodChangeAccepted;
    MobileLocationViewEventListener* mMobileLocationViewEventListener;
    bool mIsLastSeen;
    bool mInPlace = false; // its push transition is over
    bool mUnreachablePending = false;
    LastSeenBanner mLastSeenBanner;
    LostContactCard mLostContactCard;
    guint mSettingAnswerTimer;
    guint mAskPhoneSource;
};
} // namespace NSPelorn

#endif
