/* The finding screen's conversation with the phone: its answers, the link's
 * changes, the wait for a ring's answer and the ring's time limit. */
#include "PelornView.h"

#include "CallData.h"
#include "ConsumerMessageType.h"
#include "FoundDeviceData.h"
#include "LocationSetting.h"
#include "OrzLog.h"
#include "PelornMain.h"
#include "PopupManager.h"
#include "pelorn_clock.h"

namespace NSPelorn
{
namespace
{
constexpr guint FINDING_LIMIT_MS = 180000;
/* How long the watch says it is calling the phone before it says that the
 * phone could not be reached. A phone in reach answers a ring request within
 * a second or two; one that a peer search finds on its second or third try
 * still answers within about 12 s. Past that the wearer would walk about
 * listening for a phone that is not ringing. */
constexpr guint RING_ANSWER_BOUND_MS = 15000;
} // namespace

guint PelornView::RingAnswerBoundMs()
{
    return RING_ANSWER_BOUND_MS;
}

// ---- the wait for the phone's answer to a ring ----

void PelornView::StartAwaitingRingAnswer()
{
    if (mRingAnswerTimer)
        pelorn_timer_remove(mRingAnswerTimer);
    mRingAnswerTimer = pelorn_timer_add(RING_ANSWER_BOUND_MS, RingAnswerTimerCb, this);
    ShowTitle();
}

void PelornView::StopAwaitingRingAnswer()
{
    if (!mRingAnswerTimer)
        return;
    pelorn_timer_remove(mRingAnswerTimer);
    mRingAnswerTimer = 0;
    ShowTitle();
}

/* The request may sit in the queue of a link that never comes up, or reach a
 * phone that never answers: either way nothing rings, and the watch says so. */
gboolean PelornView::RingAnswerTimerCb(gpointer data)
{
    auto* pThis = static_cast<PelornView*>(data);
    RETV_IF(pThis == NULL, FALSE);
    pThis->mRingAnswerTimer = 0;
    LOGE("no answer to the ring request within %u s: the phone could not be reached", RING_ANSWER_BOUND_MS / 1000);
    pThis->SendMessage(ORZ_SEND_MSG_TYPE_START_GIVE_UP, "the ring request could not be given up");
    if (!pThis->IsNormalState())
        pThis->SetNormalState();
    pThis->ShowTitle();
    if (pThis->mPopupManagerPtr)
        pThis->mPopupManagerPtr->RemoveAllPopupsExceptPopupWithId(10, 4);
    pThis->ShowToastPopup((int)ORZToastPopupType::ORZ_TOAST_POPUP_TYPE_PHONE_NOT_REACHED);
    return FALSE;
}

// ---- the link ----

void PelornView::KivStateChanged(int state)
{
    ConnectionChanged();
}

void PelornView::ConnectionChanged()
{
    PelornMain* pelornMain = PelornMain::GetInstance();
    RET_IF(pelornMain == NULL);
    LOGE("ConnectionChanged");
    if (PelornMain::CheckConnectionAvailable())
    {
        if (mPelornEventListener)
            mPelornEventListener->OnDovConnectionPopupOutdated();
        return;
    }
    if (IsNormalState())
    {
        if (mPopupManagerPtr)
            mPopupManagerPtr->RemoveAllPopupsExceptPopupWithId(10, 4);
        return;
    }
    // The link went while the phone rang: offer to reconnect, stop showing the radar.
    RET_IF(!mPelornEventListener);
    mPelornEventListener->OnDovConnectionPopupRequested(0);
    SetNormalState();
}

// ---- phone replies, the finding limit ----

void PelornView::CancelFindingLimitTimer()
{
    if (mFindingLimitTimer)
    {
        pelorn_timer_remove(mFindingLimitTimer);
        mFindingLimitTimer = 0;
    }
}

gboolean PelornView::FindingLimitTimerCb(gpointer data)
{
    auto* pThis = static_cast<PelornView*>(data);
    RETV_IF(pThis == NULL, FALSE);
    LOGE("FindingLimitTimerCb");
    pThis->mFindingLimitTimer = 0;
    if (!pThis->IsNormalState())
    {
        pThis->SetNormalState();
        pThis->ShowToastPopup((int)ORZToastPopupType::ORZ_TOAST_POPUP_TYPE_STOPPED_AFTER_LIMIT);
    }
    return FALSE;
}

void PelornView::SendMessage(int sendType, const char* failureText)
{
    PelornMain* pelornMain = PelornMain::GetInstance();
    RET_IF(pelornMain == NULL);
    if (!pelornMain->SendAppMessageToConsumer(sendType))
        LOGE("%s", failureText);
}

void PelornView::ShowBasicPopup(int type, const std::string& body)
{
    RET_IF(!mPopupManagerPtr);
    auto popup = mPopupManagerPtr->CreateBasicPopup(type, this);
    RET_IF(!popup);
    if (!body.empty())
        popup->SetContentStringID(body);
    popup->Show();
}

void PelornView::ShowToastPopup(int type)
{
    RET_IF(!mPopupManagerPtr);
    auto popup = mPopupManagerPtr->CreateToastPopup(type, this);
    RET_IF(!popup);
    popup->Show();
}

void PelornView::ConsumerMsgReceived(int type, void* data)
{
    LOGE("ConsumerMsgReceived : %d", type);
    switch (type)
    {
    case ORZ_RECV_MSG_TYPE_START_RSP:
    {
        auto* callData = static_cast<CallData*>(data);
        if (callData && callData->mIsResponse && callData->mReason != 0)
        {
            // The phone refused to ring (for example during a call).
            if (mPopupManagerPtr)
                mPopupManagerPtr->RemoveAllPopupsExceptPopupWithId(10, 4);
            ShowToastPopup((int)ORZToastPopupType::ORZ_TOAST_POPUP_TYPE_UNABLE_TO_USE_DURING_CALLS);
            if (!IsNormalState())
                SetNormalState();
            break;
        }
        if (IsNormalState())
        {
            // Stopped or given up before the phone answered: its stop follows.
            LOGE("the phone answered a ring the watch no longer shows");
            break;
        }
        // Only now does the phone ring: the watch says so, and its limit runs.
        StopAwaitingRingAnswer();
        CancelFindingLimitTimer();
        mFindingLimitTimer = pelorn_timer_add(FINDING_LIMIT_MS, FindingLimitTimerCb, this);
        EnableButtonUnlessChanging();
        break;
    }
    case ORZ_RECV_MSG_TYPE_STOP_RSP:
        break;
    case ORZ_RECV_MSG_TYPE_FOUND_DEVICE_REQ:
    {
        auto* foundDeviceData = static_cast<FoundDeviceData*>(data);
        if (foundDeviceData && foundDeviceData->mResult == 1)
        {
            if (mPopupManagerPtr)
                mPopupManagerPtr->RemoveAllPopupsExceptPopupWithId(10, 4);
            ShowToastPopup((int)ORZToastPopupType::ORZ_TOAST_POPUP_TYPE_UNABLE_TO_USE_DURING_CALLS);
        }
        if (!IsNormalState())
        {
            SetNormalState();
            if (!foundDeviceData || foundDeviceData->mResult != 1)
                ShowToastPopup((int)ORZToastPopupType::ORZ_TOAST_POPUP_TYPE_PHONE_FOUND);
        }
        SendMessage(ORZ_SEND_MSG_TYPE_FOUND_DEVICE_RSP, "SendAppMessageToConsumer(ORZ_SEND_MSG_TYPE_FOUND_DEVICE_RSP) failed");
        break;
    }
    case ORZ_RECV_MSG_TYPE_LOCATION_SETTING_GET_RSP:
    {
        RET_IF(!mPopupManagerPtr);
        RET_IF(!mPopupManagerPtr->GetBasicPopup((int)ORZBasicPopupType::ORZ_POPUP_TYPE_CONNECTING_TO_PHONE));
        auto* setting = static_cast<LocationSetting*>(data);
        RET_IF(setting == NULL);
        if (setting->mLocationState == 0)
        {
            ShowBasicPopup(setting->mIsQuenlorDevice ? (int)ORZBasicPopupType::ORZ_POPUP_TYPE_TURN_ON_LOCATION
                                                     : (int)ORZBasicPopupType::ORZ_POPUP_TYPE_LOCATION_DISABLED_ON_PHONE);
        }
        else if (setting->mLocationHighAccuracyState != 1 && setting->mLocationHighAccuracyState != 2 &&
                 !mIsLocatingMethodAsked)
        {
            ShowBasicPopup((int)ORZBasicPopupType::ORZ_POPUP_TYPE_CHANGE_LOCATING_METHOD);
        }
        else if (PelornMain::CheckConnectionAvailable())
        {
            SendMessage(ORZ_SEND_MSG_TYPE_LOCATION_REQ, "SendAppMessageToConsumer(ORZ_SEND_MSG_TYPE_LOCATION_REQ) failed");
            ShowBasicPopup((int)ORZBasicPopupType::ORZ_POPUP_TYPE_PLEASE_WAIT);
        }
        break;
    }
    case ORZ_RECV_MSG_TYPE_LOCATION_SETTING_SET_RSP:
        RET_IF(!mPopupManagerPtr);
        RET_IF(!mPopupManagerPtr->GetBasicPopup((int)ORZBasicPopupType::ORZ_POPUP_TYPE_PLEASE_WAIT));
        SendMessage(ORZ_SEND_MSG_TYPE_LOCATION_REQ, "SendAppMessageToConsumer(ORZ_SEND_MSG_TYPE_LOCATION_REQ) failed");
        break;
    case ORZ_RECV_MSG_TYPE_NO_RESPONSE:
        if (!IsNormalState())
            SetNormalState();
        break;
    case ORZ_RECV_MSG_TYPE_LINK_LOST:
        // The link keys tell this screen of a lost phone (ConnectionChanged).
        break;
    default:
        LOGE("default error");
        break;
    }
}
} // namespace NSPelorn
