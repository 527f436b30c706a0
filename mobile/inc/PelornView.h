#ifndef PELORN_MOBILE_PELORN_VIEW_H
#define PELORN_MOBILE_PELORN_VIEW_H

#include <Elementary.h>
#include <efl_extension.h>
#include <glib.h>
#include <memory>
#include <string>

#include "BasicPopupClosedForwarder.h"
#include "MorphingEffect.h"
#include "PelornEventListener.h"
#include "PelornViewState.h"
#include "PelornViewStateEventListener.h"
#include "PopupManager.h"
#include "ToastPopupClosedForwarder.h"
#include "TransitionEventListener.h"
#include "TransitionHelper.h"
#include "View.h"

namespace NSPelorn
{
/* The phone-finding screen's widgets: title, the round start/stop button
 * with its icon sequence, the radar behind it, the text under it and the
 * side menu with "locate phone"; its ringing state; its popups. */
class PelornView : public NSORZUiCommon::View,
                   public BasicPopupClosedForwarder,
                   public ToastPopupClosedForwarder,
                   public TransitionEventListener,
                   public PelornViewStateEventListener
{
public:
    PelornView();
    ~PelornView() override;

    Evas_Object* Create(Evas_Object* parent, std::shared_ptr<NSORZUiCommon::ViewData> viewDataPtr) override;
    /* Makes the styles of every screen and popup findable. */
    static void AddStyles();
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

    void OnBasicPopupClosed(int basicPopupType, int result) override;
    void OnToastPopupClosed(int toastPopupType, int reason) override;
    void TransitionStopFinished() override;

    void ShowStartButton() override;
    void ShowStopButton() override;
    void SetNormalState() override;
    void SetFindingState() override;

    void SetViewState(std::shared_ptr<PelornViewState> pelornViewStatePtr);
    bool IsNormalState();
    bool WasAgreedOrz();
    void ShowLegalAgreementPopup();

    void SetPelornEventListener(PelornEventListener* listener) { mPelornEventListener = listener; }
    std::shared_ptr<PopupManager> GetPopupManager() const { return mPopupManagerPtr; }
    void ShowBasicPopup(int type, const std::string& body = std::string());

    // Widgets, for the screen reader set-up and for tests that drive the screen.
    Evas_Object* GetButton() const { return mButton; }
    Evas_Object* GetMainLayout() const { return mLayout; }
    Evas_Object* GetRadarLayout() const { return mRadarLayout; }
    Evas_Object* GetTextLayout() const { return mTextLayout; }
    std::shared_ptr<TransitionHelper> GetTransitionHelper() const { return mTransitionHelperPtr; }
    bool IsFindingLimitRunning() const { return mFindingLimitTimer != 0; }
    /* Calling the phone: a ring request not yet answered, for at most RingAnswerBoundMs. */
    bool IsAwaitingRingAnswer() const { return mRingAnswerTimer != 0; }
    static guint RingAnswerBoundMs();
    Evas_Object* GetTitleLabel() const { return mTitleLabel; }
    int GetButtonIconState() const { return mButtonIconState; }
    bool IsButtonChanging() const { return mAnimator != nullptr; }

private:
    void StartFindingOnLaunch();
    static void ButtonClickedCb(void* data, Evas_Object* obj, void* eventInfo);
    static void LocateButtonClickedCb(void* data, Evas_Object* obj, void* eventInfo);
    static void MoreOptionEmptyCb(void* data, Evas_Object* obj, void* eventInfo);
    static void MoreOptionOpenedCb(void* data, Evas_Object* obj, void* eventInfo);
    static Eina_Bool StartButtonRenderingCb(void* data, double pos);
    static Eina_Bool StopButtonRenderingCb(void* data, double pos);
    static Eina_Bool MorphingEffectRenderingCb(PelornView* pThis, double pos, bool stop);
    static Eina_Bool InitializeMorphingEffectCb(void* data);
    static Eina_Bool BuildRadarLayoutCb(void* data);
    static void FirstFrameDrawnCb(void* data, Evas* e, void* eventInfo);
    static gboolean FindingLimitTimerCb(gpointer data);
    static gboolean RingAnswerTimerCb(gpointer data);
    static void ButtonAccessActivateCb(void* data, Evas_Object* part, Elm_Object_Item* item);
    static void AccessBodyDelCb(void* data, Evas* e, Evas_Object* obj, void* eventInfo);

    Evas_Object* CreateMoreLayout(Evas_Object* parent);
    Eext_Object_Item* CreateMoreOptionLocatePhone(Evas_Object* moreLayout);
    std::string CreateTitleStringWithHtmlCode(const char* textId);
    const char* TitleTextId() const;
    void ShowTitle();
    void StartAwaitingRingAnswer();
    void StopAwaitingRingAnswer();
    void InitializeRadarLayout();
    bool BuildRadarLayout();
    void StopWaitingForFirstFrame();
    void DrawSequenceAnimationButton(bool stop);
    void ConnectionChanged();
    void SetAccessibility();
    void UpdateAccessibleButtonName();
    void StartButtonAnimator(Ecore_Timeline_Cb func);
    void EnableButtonUnlessChanging();
    void CancelFindingLimitTimer();
    void ShowToastPopup(int type);
    void SendMessage(int sendType, const char* failureText);
    void OnButtonActivated();

    Evas_Object* mMoreLayout;
    Evas_Object* mLayout;
    Evas_Object* mTitleLayout;
    Evas_Object* mTitleLabel;
    Evas_Object* mRadarLayout;
    Evas_Object* mTextLayout;
    Evas_Object* mButton;
    Evas_Object* mButtonImage;
    Eext_Object_Item* mLocateButtonMoreOptionItem;
    std::shared_ptr<MorphingEffect> mMorphingEffectPtr;
    Ecore_Animator* mAnimator;
    Ecore_Idler* mMorphingEffectIdler = nullptr;
    bool mMorphingEffectReady = false;
    Ecore_Idler* mRadarIdler = nullptr;
    Evas* mRadarCanvas = nullptr; // whose first frame the radar waits for, or none
    std::shared_ptr<TransitionHelper> mTransitionHelperPtr;
    double mFrameTime;
    guint mFindingLimitTimer;
    guint mRingAnswerTimer = 0;
    int mButtonIconState;
    unsigned char mIsLocatingMethodAsked;
    std::shared_ptr<PelornViewState> mViewStatePtr;
    PelornEventListener* mPelornEventListener;
    std::shared_ptr<PopupManager> mPopupManagerPtr;
    Evas_Object* mAccessBody; // the button's stand-in for the screen reader, or none
    Evas_Object* mAccessTitle = nullptr; // the title's, or none
};
} // namespace NSPelorn

#endif
