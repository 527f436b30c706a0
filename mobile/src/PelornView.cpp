/* Taking the button out of the accessibility tree (the layout's part reads
 * for it) is only offered through the access object interface. */
#ifndef EFL_BETA_API_SUPPORT
#define EFL_BETA_API_SUPPORT
#endif
#include "PelornView.h"
#include "TextDomain.h"

#include <cstdio>
#include <libintl.h>

#include "ConsumerMessageType.h"
#include "CurlNetworkConnection.h"
#include "ElementaryHelper.h"
#include "FeedbackManager.h"
#include "ICUUtil.h"
#include "MobileLocationViewData.h"
#include "OrzLog.h"
#include "PelornMain.h"
#include "PelornViewData.h"
#include "PelornViewFindingState.h"
#include "PelornViewNormalState.h"
#include "ProgressLoadingPopup.h"
#include "QuenlorLogManager.h"
#include "VconfUtil.h"
#include "ViewBasicElements.h"
#include "ViewManager.h"
#include "pelorn_clock.h"
#include "uxt_theme.h"

namespace NSPelorn
{
namespace
{
constexpr double BUTTON_CHANGE_DURATION = 0.3;
constexpr int SEQUENCE_FRAMES = 18;
constexpr int KIV_CONNECTION_TYPE_REMOTE = 16;

std::string Hex2(int value)
{
    char buffer[8];
    snprintf(buffer, sizeof(buffer), "%02x", value & 0xff);
    return buffer;
}
} // namespace

PelornView::PelornView()
    : mMoreLayout(nullptr), mLayout(nullptr), mTitleLayout(nullptr), mTitleLabel(nullptr), mRadarLayout(nullptr),
      mTextLayout(nullptr), mButton(nullptr), mButtonImage(nullptr), mLocateButtonMoreOptionItem(nullptr),
      mMorphingEffectPtr(std::make_shared<MorphingEffect>()), mAnimator(nullptr), mFrameTime(0.0),
      mFindingLimitTimer(0), mButtonIconState(1), mIsLocatingMethodAsked(0),
      mViewStatePtr(std::make_shared<PelornViewNormalState>()), mPelornEventListener(nullptr), mAccessBody(nullptr)
{
}

PelornView::~PelornView()
{
    if (mMorphingEffectIdler)
        ecore_idler_del(mMorphingEffectIdler);
    if (mRadarIdler)
        ecore_idler_del(mRadarIdler);
    StopWaitingForFirstFrame();
    if (mAnimator)
        ecore_animator_del(mAnimator);
    CancelFindingLimitTimer();
    if (mRingAnswerTimer)
        pelorn_timer_remove(mRingAnswerTimer);
    mRingAnswerTimer = 0;
    mTransitionHelperPtr.reset();
}

// ---- building the screen ----

Evas_Object* PelornView::Create(Evas_Object* parent, std::shared_ptr<NSORZUiCommon::ViewData> viewDataPtr)
{
    RETV_IF(parent == NULL, NULL);
    auto pelornViewDataPtr = std::dynamic_pointer_cast<PelornViewData>(viewDataPtr);
    RETV_IF(!pelornViewDataPtr, NULL);
    mViewDataPtr = viewDataPtr;

    std::string pelornViewEdjDirectoryPath = pelornViewDataPtr->GetPelornViewEDJDirectoryPath();
    RETV_IF(pelornViewEdjDirectoryPath.length() < 1, NULL);
    AddStyles();

    mMoreLayout = CreateMoreLayout(parent);
    RETV_IF(mMoreLayout == NULL, NULL);
    mObject4 = mMoreLayout;

    NSORZUiCommon::ElementaryHelper helper;
    mLayout = helper.CreateExpandLayout(mMoreLayout, pelornViewEdjDirectoryPath, "mobileViewLayout");
    RETV_IF(mLayout == NULL, NULL);
    elm_object_part_content_set(mMoreLayout, "elm.swallow.content", mLayout);
    mObject1 = mLayout;

    mTitleLayout = helper.CreateLayout(mLayout, pelornViewEdjDirectoryPath, "titleLayout");
    RETV_IF(mTitleLayout == NULL, NULL);
    mTitleLabel = elm_label_add(mTitleLayout);
    RETV_IF(mTitleLabel == NULL, NULL);
    elm_object_style_set(mTitleLabel, "slide_roll");
    elm_label_wrap_width_set(mTitleLabel, 268);
    elm_label_slide_mode_set(mTitleLabel, ELM_LABEL_SLIDE_MODE_AUTO);
    elm_label_ellipsis_set(mTitleLabel, EINA_TRUE);
    std::string titleString = CreateTitleStringWithHtmlCode(TitleTextId());
    RETV_IF(titleString.empty(), NULL);
    elm_object_text_set(mTitleLabel, titleString.c_str());
    elm_label_slide_go(mTitleLabel);
    elm_object_part_content_set(mTitleLayout, "title", mTitleLabel);
    elm_object_part_content_set(mLayout, "titieLayoutSwallow", mTitleLayout);

    mButton = elm_button_add(mLayout);
    RETV_IF(mButton == NULL, NULL);
    elm_object_style_set(mButton, "morphingButton");
    evas_object_size_hint_weight_set(mButton, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    evas_object_show(mButton);
    efl_access_object_access_type_set(mButton, EFL_ACCESS_TYPE_SKIPPED);
    // A watch has no keyboard to move a focus with, and taking it on every
    // press cost about a tenth of a millisecond before the ring request.
    elm_object_focus_allow_set(mButton, EINA_FALSE);
    // Nothing above the button listens to its presses, yet every layout it
    // sits in would turn each press into signals of its own (six a tap,
    // handled before the button's "clicked").
    evas_object_propagate_events_set(mButton, EINA_FALSE);
    evas_object_smart_callback_add(mButton, "clicked", ButtonClickedCb, this);
    elm_object_part_content_set(mLayout, "buttonSwallow", mButton);
    mObject2 = mButton;

    std::string pelornResourcesPath = pelornViewDataPtr->GetResourcesEDJDirectoryPath();
    RETV_IF(pelornResourcesPath.length() < 1, NULL);
    mButtonImage = helper.CreateImage(mButton, pelornResourcesPath, "orz_icon_start_search.png");
    RETV_IF(mButtonImage == NULL, NULL);
    elm_object_content_set(mButton, mButtonImage);

    RETV_IF(!mMorphingEffectPtr, NULL);
    mFrameTime = edje_frametime_get();

    InitializeRadarLayout();

    mTextLayout = helper.CreateLayout(mLayout, pelornViewEdjDirectoryPath, "textLayout");
    RETV_IF(mTextLayout == NULL, NULL);
    elm_object_domain_translatable_part_text_set(mTextLayout, "text", PELORN_TEXT_DOMAIN, "IDS_ORZ_BUTTON_START");
    elm_object_part_content_set(mLayout, "textLayoutSwallow", mTextLayout);
    mObject3 = mTextLayout;

    mPopupManagerPtr = std::make_shared<PopupManager>();

    SetAccessibility();
    ShowLegalAgreementPopup();
    return mMoreLayout;
}

// The app adds these before its window (each file added re-themes every
// widget there is); here for a screen built without it.
void PelornView::AddStyles()
{
    NSORZUiCommon::ElementaryHelper::AddThemeExtension(PelornViewData::GetPelornViewEDJDirectoryPath());
    // The popups' and the location screen's too: added when they first show,
    // each re-themed the whole finding screen, the first Locate's longest
    // stretch.
    NSORZUiCommon::ProgressLoadingPopup::AddStyles();
    NSORZUiCommon::ElementaryHelper::AddThemeExtension(
        MobileLocationViewData::GetMobileLocationViewEDJDirectoryPath());
}

void PelornView::MoreOptionEmptyCb(void* data, Evas_Object* obj, void* eventInfo)
{
}

// The menu leads to Locate, whose map fetch needs the HTTP library and whose
// times (or the last-seen age) need the date library: they load on threads of
// their own while the wearer looks at the menu.
void PelornView::MoreOptionOpenedCb(void* data, Evas_Object* obj, void* eventInfo)
{
    NSORZCommon::CurlNetworkConnection::Preload();
    NSORZCommon::ICUUtil::Preload();
}

void PelornView::LocateButtonClickedCb(void* data, Evas_Object* obj, void* eventInfo)
{
    auto* pThis = static_cast<PelornView*>(data);
    RET_IF(pThis == NULL);
    int index = 0;
    const Eina_List* items = eext_more_option_items_get(obj);
    const Eina_List* node;
    void* item;
    int position = 0;
    EINA_LIST_FOREACH(items, node, item)
    {
        if (item == eventInfo)
        {
            index = position;
            break;
        }
        ++position;
    }
    LOGE("More Button - %d", index);
    eext_more_option_opened_set(obj, EINA_FALSE);
    RET_IF(pThis->mPopupManagerPtr == NULL);
    RET_IF(!pThis->mPelornEventListener);
    if (index == (int)LOCATE_PHONE)
    {
        NSORZCommon::QuenlorLogManager::GetInstance()->CollectLogByFeature(1000, 1, 0);
        pThis->mPelornEventListener->OnLocateButtonClicked(LOCATE_PHONE);
    }
    else
    {
        LOGE("Default Err : %d", index);
    }
}

Evas_Object* PelornView::CreateMoreLayout(Evas_Object* parent)
{
    RETV_IF(parent == NULL, NULL);
    Evas_Object* moreLayout = eext_more_option_add(parent);
    RETV_IF(moreLayout == NULL, NULL);
    eext_more_option_direction_set(moreLayout, EEXT_MORE_OPTION_DIRECTION_RIGHT);
    evas_object_smart_callback_add(moreLayout, "item,clicked", LocateButtonClickedCb, this);
    evas_object_smart_callback_add(moreLayout, "item,selected", MoreOptionEmptyCb, this);
    evas_object_smart_callback_add(moreLayout, "more,option,opened", MoreOptionOpenedCb, this);
    evas_object_smart_callback_add(moreLayout, "more,option,closed", MoreOptionEmptyCb, this);
    mLocateButtonMoreOptionItem = CreateMoreOptionLocatePhone(moreLayout);
    return moreLayout;
}

Eext_Object_Item* PelornView::CreateMoreOptionLocatePhone(Evas_Object* moreLayout)
{
    Eext_Object_Item* item = eext_more_option_item_append(moreLayout);
    RETV_IF(item == NULL, NULL);
    eext_more_option_item_part_text_set(item, "selector,main_text",
                                        Translated("WDS_ORZ_OPT_LOCATE_PHONE_ABB2"));
    auto pelornViewDataPtr = std::dynamic_pointer_cast<PelornViewData>(mViewDataPtr);
    if (pelornViewDataPtr)
    {
        NSORZUiCommon::ElementaryHelper helper;
        Evas_Object* icon = helper.CreateImage(moreLayout, pelornViewDataPtr->GetResourcesEDJDirectoryPath(),
                                               "orz_more_icon_locate_device.png");
        if (icon)
            eext_more_option_item_part_content_set(item, "item,icon", icon);
    }
    eext_more_option_item_style_set(item, "prod/more_option_item");
    return item;
}

std::string PelornView::CreateTitleStringWithHtmlCode(const char* textId)
{
    std::string result;
    do
    {
        std::string titleString = Translated(textId);
        BREAK_IF(titleString.empty());
        int r = 0, g = 0, b = 0, a = 0;
        BREAK_IF(uxt_theme_get_color("AT0110", &r, &g, &b, &a, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL) !=
                 ERR_OK);
        std::string hr = Hex2(r), hg = Hex2(g), hb = Hex2(b), ha = Hex2(a);
        BREAK_IF(hr.empty());
        BREAK_IF(hg.empty());
        BREAK_IF(hb.empty());
        BREAK_IF(ha.empty());
        char* fontName = NULL;
        int fontSize = 0;
        BREAK_IF(uxt_theme_get_font_info("AT0110", &fontName, &fontSize) != ERR_OK || fontName == NULL);
        // The font name comes from the settings and stands inside a tag: it is
        // quoted, and nothing in it may end the quote or the tag.
        std::string font;
        for (const char* c = fontName; *c; ++c)
            if ((unsigned char)*c >= 0x20 && !strchr("'\"<>&\\", *c))
                font.push_back(*c);
        free(fontName);
        result = "<align=center><font='" + font + "' text_class=AT0110 " + "color=#" + hr + hg + hb + ha + ">" +
                 "<font_size=" + std::to_string(fontSize) + ">" + titleString + "</font_size>" + "</font></align>";
    } while (0);
    return result;
}

// The radar shows only while the phone rings, so the screen's first frame
// is drawn without it: it is built when the loop is next idle after that
// frame, or at once by a ring that comes first. An idler alone could run
// while a threaded render still draws the frame, and hold up its end.
void PelornView::InitializeRadarLayout()
{
    if (!mTransitionHelperPtr)
        mTransitionHelperPtr = std::make_shared<TransitionHelper>();
    mTransitionHelperPtr->SetTransitionEventListener(this);
    Evas* canvas = mLayout ? evas_object_evas_get(mLayout) : nullptr;
    if (mRadarLayout || mRadarCanvas || !canvas)
        return;
    mRadarCanvas = canvas;
    efl_wref_add(canvas, &mRadarCanvas);
    evas_event_callback_add(canvas, EVAS_CALLBACK_RENDER_POST, FirstFrameDrawnCb, this);
}

void PelornView::StopWaitingForFirstFrame()
{
    if (!mRadarCanvas)
        return;
    evas_event_callback_del_full(mRadarCanvas, EVAS_CALLBACK_RENDER_POST, FirstFrameDrawnCb, this);
    efl_wref_del(mRadarCanvas, &mRadarCanvas);
    mRadarCanvas = nullptr;
}

void PelornView::FirstFrameDrawnCb(void* data, Evas* e, void* eventInfo)
{
    auto* pThis = static_cast<PelornView*>(data);
    pThis->StopWaitingForFirstFrame();
    if (!pThis->mRadarLayout && !pThis->mRadarIdler)
        pThis->mRadarIdler = ecore_idler_add(BuildRadarLayoutCb, pThis);
}

Eina_Bool PelornView::BuildRadarLayoutCb(void* data)
{
    auto* pThis = static_cast<PelornView*>(data);
    pThis->mRadarIdler = nullptr;
    pThis->BuildRadarLayout();
    return ECORE_CALLBACK_CANCEL;
}

bool PelornView::BuildRadarLayout()
{
    if (mRadarLayout)
        return true;
    StopWaitingForFirstFrame();
    if (mRadarIdler)
    {
        ecore_idler_del(mRadarIdler);
        mRadarIdler = nullptr;
    }
    RETV_IF(mLayout == NULL, false);
    NSORZUiCommon::ElementaryHelper helper;
    mRadarLayout =
        helper.CreateLayout(mLayout, PelornViewData::GetPelornViewEDJDirectoryPath(), "radarLayout");
    RETV_IF(mRadarLayout == NULL, false);
    evas_object_color_set(mRadarLayout, 0, 0, 0, 0);
    elm_object_part_content_set(mLayout, "radarLayoutSwallow", mRadarLayout);
    if (mTransitionHelperPtr)
        mTransitionHelperPtr->RadarEffectInitialize(mRadarLayout);
    return true;
}

void PelornView::ButtonAccessActivateCb(void* data, Evas_Object* part, Elm_Object_Item* item)
{
    auto* pThis = static_cast<PelornView*>(data);
    RET_IF(pThis == NULL);
    pThis->OnButtonActivated();
}

void PelornView::AccessBodyDelCb(void* data, Evas* e, Evas_Object* obj, void* eventInfo)
{
    auto* pThis = static_cast<PelornView*>(data);
    RET_IF(pThis == NULL);
    pThis->mAccessBody = nullptr;
}

/* With the screen reader on, the screen reads as title, start/stop button,
 * more-option cue and round again: each is an accessible object that names
 * itself, chained with flows-to and flows-from. The reader's highlight (not
 * the input focus) starts on the title. */
void PelornView::SetAccessibility()
{
    if (!elm_config_atspi_mode_get())
        return;
    RET_IF(mLayout == NULL);
    Evas_Object* layoutEdje = elm_layout_edje_get(mLayout);
    Evas_Object* title =
        elm_access_object_register((Evas_Object*)edje_object_part_object_get(layoutEdje, "titieLayoutSwallow"), mLayout);
    RETM_IF(title == NULL, "title == NULL");
    elm_access_info_set(title, ELM_ACCESS_INFO, Translated(TitleTextId()));
    efl_access_object_i18n_name_set(title, Translated(TitleTextId()));
    efl_access_object_role_set(title, EFL_ACCESS_ROLE_HEADING);
    mAccessTitle = title;
    evas_object_event_callback_add(
        title, EVAS_CALLBACK_DEL,
        [](void* data, Evas*, Evas_Object*, void*) { static_cast<PelornView*>(data)->mAccessTitle = nullptr; },
        this);

    Evas_Object* bodyPart = (Evas_Object*)edje_object_part_object_get(layoutEdje, "accessBody");
    // Presses pass through the stand-in unless the reader is on, as now.
    if (bodyPart)
        evas_object_pass_events_set(bodyPart, EINA_FALSE);
    Evas_Object* body = elm_access_object_register(bodyPart, mLayout);
    RETM_IF(body == NULL, "body == NULL");
    elm_access_info_set(body, ELM_ACCESS_INFO, mViewStatePtr->GetButtonText().c_str());
    elm_access_info_set(body, ELM_ACCESS_TYPE, "button");
    efl_access_object_i18n_name_set(body, mViewStatePtr->GetButtonText().c_str());
    efl_access_object_role_set(body, EFL_ACCESS_ROLE_PUSH_BUTTON);
    elm_access_activate_cb_set(body, ButtonAccessActivateCb, this);
    mAccessBody = body;
    evas_object_event_callback_add(body, EVAS_CALLBACK_DEL, AccessBodyDelCb, this);

    Evas_Object* cue = NULL;
    if (mMoreLayout)
        cue = elm_access_object_register(
            (Evas_Object*)edje_object_part_object_get(elm_layout_edje_get(mMoreLayout), "cue.event"), mMoreLayout);
    if (cue)
    {
        elm_access_info_set(cue, ELM_ACCESS_INFO, Translated("WDS_ORZ_ACCS_MORE_OPTIONS"));
        efl_access_object_i18n_name_set(cue, Translated("WDS_ORZ_ACCS_MORE_OPTIONS"));
        efl_access_object_role_set(cue, EFL_ACCESS_ROLE_PUSH_BUTTON);
    }
    else
    {
        LOGE("cue == NULL");
    }

    Evas_Object* const order[] = {title, body, cue ? cue : title};
    const int count = cue ? 3 : 2;
    for (int i = 0; i < count; ++i)
    {
        Evas_Object* next = order[(i + 1) % count];
        efl_access_object_relationship_append(order[i], EFL_ACCESS_RELATION_TYPE_FLOWS_TO, next);
        efl_access_object_relationship_append(next, EFL_ACCESS_RELATION_TYPE_FLOWS_FROM, order[i]);
    }
    elm_access_highlight_set(title);
}

/* Until the phone answers a ring request the watch is only calling it: the
 * title, seen and read, says so, and the ringing is told only once it is. */
const char* PelornView::TitleTextId() const
{
    return mRingAnswerTimer ? "WDS_ORZ_HEADER_CALLING_PHONE_ABB" : "WDS_ORZ_HEADER_RUX_ABB";
}

void PelornView::ShowTitle()
{
    const std::string titleString = CreateTitleStringWithHtmlCode(TitleTextId());
    if (mTitleLabel && !titleString.empty())
    {
        elm_object_text_set(mTitleLabel, titleString.c_str());
        elm_label_slide_go(mTitleLabel);
    }
    if (mAccessTitle)
    {
        elm_access_info_set(mAccessTitle, ELM_ACCESS_INFO, Translated(TitleTextId()));
        efl_access_object_i18n_name_set(mAccessTitle, Translated(TitleTextId()));
    }
}

/* The reader names the button after what a press does now. */
void PelornView::UpdateAccessibleButtonName()
{
    if (!mAccessBody)
        return;
    const std::string text = mViewStatePtr->GetButtonText();
    elm_access_info_set(mAccessBody, ELM_ACCESS_INFO, text.c_str());
    efl_access_object_i18n_name_set(mAccessBody, text.c_str());
}

void PelornView::ShowLegalAgreementPopup()
{
    LOGE("ShowLegalAgreementPopup");
    if (WasAgreedOrz())
        return;
    auto pelornViewDataPtr = std::dynamic_pointer_cast<PelornViewData>(mViewDataPtr);
    RET_IF(!pelornViewDataPtr);
    ShowBasicPopup((int)ORZBasicPopupType::ORZ_POPUP_TYPE_LEGAL_NOTICE, pelornViewDataPtr->GetLegalString());
}

bool PelornView::WasAgreedOrz()
{
    if (NSORZCommon::VconfUtil::IsLDUBinary() || NSORZCommon::VconfUtil::GetUserAgreementForORZZIB())
        return true;
    LOGE("User didn't agree for Orz");
    return false;
}

// ---- lifecycle ----

void PelornView::Resume()
{
    if (mTextLayout)
        elm_object_part_text_set(mTextLayout, "text", mViewStatePtr->GetButtonText().c_str());
    ShowTitle();
    if (mLocateButtonMoreOptionItem == NULL)
        LOGE("mLocateButtonMoreOptionItem == NULL");
    else
        eext_more_option_item_part_text_set(mLocateButtonMoreOptionItem, "selector,main_text",
                                            Translated("WDS_ORZ_OPT_LOCATE_PHONE_ABB2"));
    if (mPopupManagerPtr)
    {
        mPopupManagerPtr->UpdatePopupTexts();
        // The notice's body is built from several texts; a refresh by its id alone would show the placeholders.
        auto legalNotice = mPopupManagerPtr->GetBasicPopup((int)ORZBasicPopupType::ORZ_POPUP_TYPE_LEGAL_NOTICE);
        auto pelornViewDataPtr = std::dynamic_pointer_cast<PelornViewData>(mViewDataPtr);
        if (legalNotice && pelornViewDataPtr)
        {
            legalNotice->SetContentStringID(pelornViewDataPtr->GetLegalString());
            legalNotice->RefreshText();
        }
    }

    auto pelornViewDataPtr = std::dynamic_pointer_cast<PelornViewData>(mViewDataPtr);
    if (pelornViewDataPtr && pelornViewDataPtr->IsLaunchedFromMomentBar() && !pelornViewDataPtr->GetNoViewOnLaunch())
    {
        LOGE("PelornView :: Resume >> Launched from moment bar");
        StartFindingOnLaunch();
        pelornViewDataPtr->SetLaunchedFromMomentBar(false);
    }
}

void PelornView::Pause()
{
    LOGE("Pause");
    if (mMoreLayout && eext_more_option_opened_get(mMoreLayout))
        eext_more_option_opened_set(mMoreLayout, EINA_FALSE);
}

void PelornView::Destroy()
{
    Evas_Object* win = NSORZUiCommon::ViewBasicElements::GetWindow();
    if (win)
        elm_win_keygrab_unset(win, "XF86PowerOff", 0, 0);
}

void PelornView::UpdatedByPop()
{
    LOGE("UpdatedByPop");
    RET_IF(!mViewDataPtr);
    PelornMain* pelornMain = PelornMain::GetInstance();
    RET_IF(pelornMain == NULL);
    auto viewManagerPtr = pelornMain->GetViewManager();
    RET_IF(!viewManagerPtr);
    viewManagerPtr->ResumeView();
}

bool PelornView::Pop()
{
    LOGE("Pop");
    return true;
}

void PelornView::TimeTick()
{
    LOGE("TimeTick");
}

void PelornView::NetworkStateChanged(int state)
{
    ConnectionChanged();
}

void PelornView::LocationStateChanged(int state)
{
}

void PelornView::TransitionFinished()
{
    LOGE("TransitionFinished");
    auto pelornViewDataPtr = std::dynamic_pointer_cast<PelornViewData>(mViewDataPtr);
    RET_IF(!pelornViewDataPtr);
    if (pelornViewDataPtr->IsLaunchedFromMomentBar())
    {
        LOGE("PelornView :: TransitionFinished >> Launched from moment bar");
        StartFindingOnLaunch();
        pelornViewDataPtr->SetLaunchedFromMomentBar(false);
        pelornViewDataPtr->SetNoViewOnLaunch(false);
    }
}

/* A launch request asks for ringing, never for the tap's toggle: one that
 * comes while the phone rings leaves it ringing, its time limit running. */
void PelornView::StartFindingOnLaunch()
{
    if (mPelornEventListener && IsNormalState())
        mPelornEventListener->OnFindingButtonClicked();
}

// ---- states ----

void PelornView::SetViewState(std::shared_ptr<PelornViewState> pelornViewStatePtr)
{
    RET_IF(mLayout == NULL);
    RET_IF(!pelornViewStatePtr);
    mViewStatePtr = pelornViewStatePtr;
    mViewStatePtr->SetEventListener(this);
    mViewStatePtr->Initialize(mLayout);
    UpdateAccessibleButtonName();
    if (IsNormalState())
        StopAwaitingRingAnswer();
}

void PelornView::SetNormalState()
{
    SetViewState(std::make_shared<PelornViewNormalState>());
}

void PelornView::SetFindingState()
{
    SetViewState(std::make_shared<PelornViewFindingState>());
    StartAwaitingRingAnswer();
}

bool PelornView::IsNormalState()
{
    return std::dynamic_pointer_cast<PelornViewNormalState>(mViewStatePtr) != nullptr;
}

// ---- the button ----

void PelornView::OnButtonActivated()
{
    // The press's line and its sound follow the ring request out, which they
    // held up by about 10 µs of the 70 the press took to reach the socket.
    if (mPelornEventListener)
        mPelornEventListener->OnFindingButtonClicked();
    LOGE("ButtonClickedCb");
    NSORZ::FeedbackManager::GetInstance()->PlayFeedback(false);
    if (!mPelornEventListener)
        LOGE("!mPelornEventListener: the press reached nobody");
}

void PelornView::ButtonClickedCb(void* data, Evas_Object* obj, void* eventInfo)
{
    auto* pThis = static_cast<PelornView*>(data);
    RET_IF(pThis == NULL);
    pThis->OnButtonActivated();
}

void PelornView::StartButtonAnimator(Ecore_Timeline_Cb func)
{
    elm_object_disabled_set(mButton, EINA_TRUE);
    if (mAnimator)
        ecore_animator_del(mAnimator);
    mAnimator = ecore_animator_timeline_add(BUTTON_CHANGE_DURATION, func, this);
}

void PelornView::ShowStopButton()
{
    RET_IF(mButtonImage == NULL);
    RET_IF(mButton == NULL);
    RET_IF(mLayout == NULL);
    if (mMoreLayout)
        elm_object_signal_emit(mMoreLayout, "cue,hide", "elm");
    StartButtonAnimator(StopButtonRenderingCb);
    // The icon shapes are read with the vector library, which an idle finding
    // screen never needs and which stays resident once loaded: the first ring
    // builds them, between its animation's frames, after the request left.
    if (!mMorphingEffectReady && !mMorphingEffectIdler)
        mMorphingEffectIdler = ecore_idler_add(InitializeMorphingEffectCb, this);
    RET_IF(!mTransitionHelperPtr);
    mTransitionHelperPtr->StartTextTransition(mTextLayout, PELORN_TEXT_DOMAIN, "IDS_ORZ_BUTTON_STOP_ABB2",
                                              BUTTON_CHANGE_DURATION);
    BuildRadarLayout();
    mTransitionHelperPtr->StartRadarTransition();
}

void PelornView::ShowStartButton()
{
    RET_IF(mButtonImage == NULL);
    RET_IF(mButton == NULL);
    RET_IF(mLayout == NULL);
    if (mMoreLayout)
        elm_object_signal_emit(mMoreLayout, "cue,show", "elm");
    StartButtonAnimator(StartButtonRenderingCb);
    CancelFindingLimitTimer();
    if (!mTransitionHelperPtr)
    {
        LOGE("!mTransitionHelperPtr");
        return;
    }
    edje_frametime_set(mFrameTime);
    // The stop's end is told by the radar, so it must be there to tell it.
    BuildRadarLayout();
    mTransitionHelperPtr->StopRadarTransitionWithoutEffect();
    mTransitionHelperPtr->StartTextTransition(mTextLayout, PELORN_TEXT_DOMAIN, "IDS_ORZ_BUTTON_START",
                                              BUTTON_CHANGE_DURATION);
}

Eina_Bool PelornView::InitializeMorphingEffectCb(void* data)
{
    auto* pThis = static_cast<PelornView*>(data);
    pThis->mMorphingEffectIdler = nullptr;
    pThis->mMorphingEffectReady = true;
    if (pThis->mMorphingEffectPtr)
        pThis->mMorphingEffectPtr->Initialize();
    return ECORE_CALLBACK_CANCEL;
}

Eina_Bool PelornView::StartButtonRenderingCb(void* data, double pos)
{
    return MorphingEffectRenderingCb(static_cast<PelornView*>(data), pos, false);
}

Eina_Bool PelornView::StopButtonRenderingCb(void* data, double pos)
{
    return MorphingEffectRenderingCb(static_cast<PelornView*>(data), pos, true);
}

Eina_Bool PelornView::MorphingEffectRenderingCb(PelornView* pThis, double pos, bool stop)
{
    do
    {
        BREAK_IF(pThis == NULL);
        BREAK_IF(pThis->mButtonImage == NULL);
        BREAK_IF(!pThis->mMorphingEffectPtr);
        pThis->DrawSequenceAnimationButton(stop);
        if (pos < 1.0)
            return ECORE_CALLBACK_RENEW;
        elm_object_disabled_set(pThis->mButton, EINA_FALSE);
    } while (0);
    if (pThis)
        pThis->mAnimator = nullptr;
    return ECORE_CALLBACK_CANCEL;
}

void PelornView::DrawSequenceAnimationButton(bool stop)
{
    RET_IF(mButtonImage == NULL);
    RET_IF(!mPelornEventListener);
    auto pelornViewDataPtr = std::dynamic_pointer_cast<PelornViewData>(mViewDataPtr);
    RET_IF(!pelornViewDataPtr);
    std::string prefix = pelornViewDataPtr->GetResourcesImageDirectoryPath() + "sequence_icon/rux_search_icon_";

    int first, step;
    if (stop && mButtonIconState == 1)
    {
        mButtonIconState = 0;
        first = 1;
        step = 1;
    }
    else if (!stop && mButtonIconState == 0)
    {
        mButtonIconState = 1;
        first = SEQUENCE_FRAMES - 1;
        step = -1;
    }
    else
    {
        return;
    }
    elm_object_signal_emit(mButton, "button_color_change", "event");

    Elm_Transit* transit = elm_transit_add();
    elm_transit_object_add(transit, mButtonImage);
    Eina_List* frames = NULL;
    for (int i = 0, n = first; i < SEQUENCE_FRAMES; ++i, n += step)
        frames = eina_list_append(frames, eina_stringshare_add((prefix + std::to_string(n) + ".png").c_str()));
    elm_transit_effect_image_animation_add(transit, frames);
    elm_transit_objects_final_state_keep_set(transit, EINA_TRUE);
    elm_transit_duration_set(transit, BUTTON_CHANGE_DURATION);
    elm_transit_go(transit);
}

void PelornView::TransitionStopFinished()
{
    RET_IF(mButton == NULL);
    EnableButtonUnlessChanging();
}

/* A press during the 0.3 s icon change would start a second change on top of
 * the first; while one runs, its own end enables the button. */
void PelornView::EnableButtonUnlessChanging()
{
    RET_IF(mButton == NULL);
    if (mAnimator)
        return;
    elm_object_disabled_set(mButton, EINA_FALSE);
}

// ---- popups ----

void PelornView::OnBasicPopupClosed(int basicPopupType, int result)
{
    RET_IF(!mPopupManagerPtr);
    const int kivConnectionType = NSORZCommon::VconfUtil::GetKivConnectionType();
    auto askBluetoothConnection = [this]() {
        if (mPelornEventListener)
            mPelornEventListener->OnBTConnectionUserDefinedPopupRequested(
                Translated("WDS_ORZ_HEADER_RUX_ABB"),
                Translated(
                    "IDS_ST_POP_TO_USE_THIS_APPLICATION_YOU_NEED_TO_AGREE_TO_ITS_LEGAL_NOTICES_YOU_WILL_BE_"
                    "CONNECTED_TO_YOUR_MOBILE_DEVICE_VIA_BLUETOOTH_TO_VIEW_THE_APPLICATIONS_LEGAL_NOTICES"),
                3);
    };
    switch (basicPopupType)
    {
    case 0:
        mPopupManagerPtr->RemoveBasicPopup(0);
        if (result == 0 || result == 1)
        {
            mPopupManagerPtr->RemoveAllPopupsExceptPopupWithId(10, 4);
            ShowToastPopup((int)ORZToastPopupType::ORZ_TOAST_POPUP_TYPE_LOCATION_NOT_AVAILABLE);
        }
        else if (result == 2)
        {
            if (kivConnectionType == KIV_CONNECTION_TYPE_REMOTE)
            {
                askBluetoothConnection();
            }
            else
            {
                SendMessage(ORZ_SEND_MSG_TYPE_LOCATION_SETTING_SET_REQ,
                            "SendAppMessageToConsumer(ORZ_SEND_MSG_TYPE_LOCATION_SETTING_SET_REQ) failed");
                ShowBasicPopup((int)ORZBasicPopupType::ORZ_POPUP_TYPE_PLEASE_WAIT);
            }
        }
        break;
    case 1:
    case 3:
        mPopupManagerPtr->RemoveAllPopupsExceptPopupWithId(10, 4);
        break;
    case 2:
        mPopupManagerPtr->RemoveBasicPopup(2);
        if (result == 2)
        {
            mIsLocatingMethodAsked = 1;
            if (kivConnectionType == KIV_CONNECTION_TYPE_REMOTE)
                askBluetoothConnection();
            else
                SendMessage(ORZ_SEND_MSG_TYPE_LOCATION_SETTING_SET_REQ,
                            "SendAppMessageToConsumer(ORZ_SEND_MSG_TYPE_LOCATION_SETTING_SET_REQ) failed");
        }
        else
        {
            mIsLocatingMethodAsked = 0;
            if (PelornMain::CheckConnectionAvailable())
            {
                SendMessage(ORZ_SEND_MSG_TYPE_LOCATION_REQ,
                            "SendAppMessageToConsumer(ORZ_SEND_MSG_TYPE_LOCATION_REQ) failed");
                ShowBasicPopup((int)ORZBasicPopupType::ORZ_POPUP_TYPE_CONNECTING_TO_PHONE);
            }
        }
        break;
    case 5:
    case 8:
        mPopupManagerPtr->RemoveAllPopupsExceptPopupWithId(10, 4);
        // The connecting popup's Stop ends the wait just as back does.
        if (result == NSORZUiCommon::BasicPopup::CLOSE_REASON_BACK ||
            result == NSORZUiCommon::BasicPopup::CLOSE_REASON_BUTTON1)
        {
            PelornMain* pelornMain = PelornMain::GetInstance();
            RET_IF(pelornMain == NULL);
            if (!pelornMain->SendAppMessageToConsumer(ORZ_SEND_MSG_TYPE_LOCATION_STOP_REQ))
            {
                LOGE("SendAppMessageToConsumer(ORZ_SEND_MSG_TYPE_LOCATION_STOP_REQ) failed");
                LOGE("Stop to request location info so that queue is initialized and ready to send other messages");
            }
        }
        break;
    case 10:
        if (result == 0)
        {
            elm_exit();
        }
        else
        {
            mPopupManagerPtr->RemoveBasicPopup(10);
            // A full disk, say: the notice would silently come back next start.
            if (!NSORZCommon::VconfUtil::SetUserAgreementForORZZIB(true))
            {
                LOGE("the legal agreement could not be saved; the notice will be shown again next start");
                ShowToastPopup((int)ORZToastPopupType::ORZ_TOAST_POPUP_TYPE_CHOICE_NOT_SAVED);
            }
        }
        break;
    default:
        break;
    }
}

void PelornView::OnToastPopupClosed(int toastPopupType, int reason)
{
    RET_IF(!mPopupManagerPtr);
    if (toastPopupType == 2 || toastPopupType == 3)
        mPopupManagerPtr->RemoveToastPopup(toastPopupType);
}
} // namespace NSPelorn
