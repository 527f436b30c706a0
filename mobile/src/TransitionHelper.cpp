#include "TransitionHelper.h"

#include <algorithm>
#include <cmath>

#include "OrzLog.h"
#include "pelorn_clock.h"
#include "uxt_theme.h"

#define RADAR_COLOR "AO0023"
#define TEXT_COLOR "ATO001"

namespace NSPelorn
{
namespace
{
constexpr double RADAR_FADE_DURATION = 0.2;
constexpr double RADAR_ROTATE_DURATION = 1.8;
constexpr guint RADAR_PAUSE_MS = 1000;

void DeleteQuietly(Elm_Transit*& transit)
{
    if (!transit)
        return;
    elm_transit_del_cb_set(transit, nullptr, nullptr);
    elm_transit_del(transit);
    transit = nullptr;
}

// Theme colours are plain; evas wants them premultiplied by alpha.
void Premultiply(int a, int* r, int* g, int* b)
{
    evas_color_argb_premul(a, r, g, b);
}
} // namespace

TransitionHelper::TransitionHelper()
    : mRadarStartTransitFadein(nullptr), mRadarStartTransitFadeout(nullptr), mRadarStartTransitRotate(nullptr),
      mRadarRun(nullptr), mRadarTransitPauseTimer(0), mTextTransit(nullptr), mTextTransit2(nullptr),
      mRadarLayout(nullptr), mTextLayout(nullptr), mTransitionEventListener(nullptr)
{
}

TransitionHelper::~TransitionHelper()
{
    CancelPauseTimer();
    DeleteRadarTransits();
    mRadarRun = nullptr;
    std::vector<Elm_Transit*> live;
    live.swap(mLiveTextTransits);
    for (Elm_Transit* transit : live)
        DeleteQuietly(transit);
    mTextTransit = nullptr;
    mTextTransit2 = nullptr;
    mTextTransitionDataPtr.reset();
}

void TransitionHelper::CancelPauseTimer()
{
    if (mRadarTransitPauseTimer)
    {
        pelorn_timer_remove(mRadarTransitPauseTimer);
        mRadarTransitPauseTimer = 0;
    }
}

void TransitionHelper::DeleteRadarTransits()
{
    DeleteQuietly(mRadarStartTransitFadein);
    DeleteQuietly(mRadarStartTransitFadeout);
    DeleteQuietly(mRadarStartTransitRotate);
}

void TransitionHelper::RadarEffectInitialize(Evas_Object* radarLayout)
{
    RET_IF(radarLayout == NULL);
    mRadarLayout = radarLayout;
    // A turned picture with anti-aliased edges takes the toolkit's float
    // drawing path, about half as dear again for the whole ring; the radar's
    // corners are clear, so those edges never show.
    evas_object_anti_alias_set(mRadarLayout, EINA_FALSE);
    CancelPauseTimer();
    DeleteRadarTransits();
    mRadarRun = nullptr;
    evas_object_color_set(mRadarLayout, 0, 0, 0, 0);
}

void TransitionHelper::ColorSet(const char* colorCode, Evas_Object* object)
{
    RET_IF(object == NULL);
    int r = 0, g = 0, b = 0, a = 0;
    if (uxt_theme_get_color(colorCode, &r, &g, &b, &a, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL) != ERR_OK)
    {
        LOGE("uxt_theme_get_color(color, &r, &g, &b, &a, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL) != ERR_OK");
        return;
    }
    Premultiply(a, &r, &g, &b);
    evas_object_color_set(object, r, g, b, a);
}

void TransitionHelper::RadarStartTransitFadeinDelCb(void* data, Elm_Transit* transit)
{
    auto* pThis = static_cast<TransitionHelper*>(data);
    RET_IF(pThis == NULL);
    pThis->ColorSet(RADAR_COLOR, pThis->mRadarLayout);
    if (pThis->mRadarStartTransitRotate)
        pThis->mRadarRun = pThis->mRadarStartTransitRotate;
    pThis->mRadarStartTransitFadein = nullptr;
}

void TransitionHelper::RadarStartTransitRotateDelCb(void* data, Elm_Transit* transit)
{
    auto* pThis = static_cast<TransitionHelper*>(data);
    RET_IF(pThis == NULL);
    if (pThis->mRadarStartTransitFadeout)
        pThis->mRadarRun = pThis->mRadarStartTransitFadeout;
    pThis->mRadarStartTransitRotate = nullptr;
}

gboolean TransitionHelper::RadarTransitPauseTimerCb(gpointer data)
{
    auto* pThis = static_cast<TransitionHelper*>(data);
    RETV_IF(pThis == NULL, FALSE);
    // Cleared first: the restart below must not cancel this very timer.
    pThis->mRadarTransitPauseTimer = 0;
    pThis->StartRadarTransition();
    return FALSE;
}

void TransitionHelper::RadarStartTransitFadeoutDelCb(void* data, Elm_Transit* transit)
{
    auto* pThis = static_cast<TransitionHelper*>(data);
    RET_IF(pThis == NULL);
    evas_object_color_set(pThis->mRadarLayout, 0, 0, 0, 0);
    pThis->CancelPauseTimer();
    pThis->mRadarTransitPauseTimer = pelorn_timer_add(RADAR_PAUSE_MS, RadarTransitPauseTimerCb, pThis);
    pThis->mRadarRun = nullptr;
    pThis->mRadarStartTransitFadeout = nullptr;
}

void TransitionHelper::StartRadarTransition()
{
    RET_IF(mRadarLayout == NULL);
    int r = 0, g = 0, b = 0, a = 0;
    if (uxt_theme_get_color(RADAR_COLOR, &r, &g, &b, &a, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL) != ERR_OK)
    {
        LOGE("uxt_theme_get_color(RADAR_COLOR, &r, &g, &b, &a, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL) != "
             "ERR_OK");
        return;
    }
    // Whatever stage runs now is dropped without its callback, so nothing of
    // the old cycle (its pause timer above all) comes back.
    if (mRadarRun)
    {
        if (mRadarRun == mRadarStartTransitFadein)
            mRadarStartTransitFadein = nullptr;
        else if (mRadarRun == mRadarStartTransitRotate)
            mRadarStartTransitRotate = nullptr;
        else if (mRadarRun == mRadarStartTransitFadeout)
            mRadarStartTransitFadeout = nullptr;
        DeleteQuietly(mRadarRun);
    }
    DeleteRadarTransits();
    evas_object_color_set(mRadarLayout, 0, 0, 0, 0);

    // Colour (r, g, b, 0) premultiplied is all zero.
    Premultiply(a, &r, &g, &b);

    mRadarStartTransitFadein = elm_transit_add();
    elm_transit_object_add(mRadarStartTransitFadein, mRadarLayout);
    elm_transit_effect_color_add(mRadarStartTransitFadein, 0, 0, 0, 0, r, g, b, a);
    elm_transit_duration_set(mRadarStartTransitFadein, RADAR_FADE_DURATION);
    elm_transit_objects_final_state_keep_set(mRadarStartTransitFadein, EINA_TRUE);
    elm_transit_del_cb_set(mRadarStartTransitFadein, RadarStartTransitFadeinDelCb, this);

    mRadarStartTransitRotate = elm_transit_add();
    elm_transit_object_add(mRadarStartTransitRotate, mRadarLayout);
    elm_transit_effect_rotation_add(mRadarStartTransitRotate, 0.0, 360.0);
    elm_transit_duration_set(mRadarStartTransitRotate, RADAR_ROTATE_DURATION);
    elm_transit_tween_mode_set(mRadarStartTransitRotate, ELM_TRANSIT_TWEEN_MODE_SINUSOIDAL);
    elm_transit_del_cb_set(mRadarStartTransitRotate, RadarStartTransitRotateDelCb, this);

    mRadarStartTransitFadeout = elm_transit_add();
    elm_transit_object_add(mRadarStartTransitFadeout, mRadarLayout);
    elm_transit_effect_color_add(mRadarStartTransitFadeout, r, g, b, a, 0, 0, 0, 0);
    elm_transit_duration_set(mRadarStartTransitFadeout, RADAR_FADE_DURATION);
    elm_transit_del_cb_set(mRadarStartTransitFadeout, RadarStartTransitFadeoutDelCb, this);

    elm_transit_chain_transit_add(mRadarStartTransitFadein, mRadarStartTransitRotate);
    elm_transit_chain_transit_add(mRadarStartTransitRotate, mRadarStartTransitFadeout);

    mRadarTransitPauseTimer = 0;
    mRadarRun = mRadarStartTransitFadein;
    elm_transit_go(mRadarStartTransitFadein);
}

void TransitionHelper::StopRadarTransitionWithoutEffect()
{
    RET_IF(mRadarLayout == NULL);
    int r = 0, g = 0, b = 0, a = 0;
    if (uxt_theme_get_color(RADAR_COLOR, &r, &g, &b, &a, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL) != ERR_OK)
    {
        LOGE("uxt_theme_get_color(RADAR_COLOR, &r, &g, &b, &a, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL) != "
             "ERR_OK");
        return;
    }
    if (mRadarTransitPauseTimer)
    {
        CancelPauseTimer();
    }
    else if (mRadarRun)
    {
        double duration = elm_transit_duration_get(mRadarRun);
        if (std::fabs(duration - RADAR_ROTATE_DURATION) > 1e-6 && std::fabs(duration - RADAR_FADE_DURATION) > 1e-6)
            LOGE("radar transit error");
        mRadarRun = nullptr;
    }
    DeleteRadarTransits();
    evas_object_color_set(mRadarLayout, 0, 0, 0, 0);
    if (!mTransitionEventListener)
    {
        LOGE("mTransitionEventListener is null");
        return;
    }
    mTransitionEventListener->TransitionStopFinished();
}

void TransitionHelper::TextTransitDelCb(void* data, Elm_Transit* transit)
{
    auto* pThis = static_cast<TransitionHelper*>(data);
    RET_IF(pThis == NULL);
    auto& live = pThis->mLiveTextTransits;
    live.erase(std::remove(live.begin(), live.end(), transit), live.end());
    pThis->mTextTransit = nullptr;
    if (pThis->mTextTransitionDataPtr && pThis->mTextLayout)
    {
        elm_object_domain_translatable_part_text_set(pThis->mTextLayout, "text",
                                                      pThis->mTextTransitionDataPtr->mDomain.c_str(),
                                                      pThis->mTextTransitionDataPtr->mText.c_str());
        pThis->mTextTransitionDataPtr.reset();
    }
    // The new text starts invisible; the second half fades it in.
    if (pThis->mTextLayout)
        evas_object_color_set(pThis->mTextLayout, 0, 0, 0, 0);
}

void TransitionHelper::TextTransit2DelCb(void* data, Elm_Transit* transit)
{
    auto* pThis = static_cast<TransitionHelper*>(data);
    RET_IF(pThis == NULL);
    auto& live = pThis->mLiveTextTransits;
    live.erase(std::remove(live.begin(), live.end(), transit), live.end());
    pThis->mTextTransit2 = nullptr;
    pThis->ColorSet(TEXT_COLOR, pThis->mTextLayout);
}

void TransitionHelper::StartTextTransition(Evas_Object* textLayout, const std::string& domain,
                                           const std::string& text, double duration)
{
    RET_IF(textLayout == NULL);
    mTextLayout = textLayout;
    mTextTransitionDataPtr = std::make_shared<TextTransitionData>(domain, text);
    int r = 0, g = 0, b = 0, a = 0;
    if (uxt_theme_get_color(TEXT_COLOR, &r, &g, &b, &a, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL) != ERR_OK)
    {
        LOGE("uxt_theme_get_color(TEXT_COLOR, &r, &g, &b, &a, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL) != "
             "ERR_OK");
        return;
    }
    Premultiply(a, &r, &g, &b);

    mTextTransit = elm_transit_add();
    elm_transit_object_add(mTextTransit, mTextLayout);
    elm_transit_effect_color_add(mTextTransit, r, g, b, a, 0, 0, 0, 0);
    elm_transit_duration_set(mTextTransit, duration * 0.5);
    elm_transit_del_cb_set(mTextTransit, TextTransitDelCb, this);

    mTextTransit2 = elm_transit_add();
    elm_transit_object_add(mTextTransit2, mTextLayout);
    elm_transit_effect_color_add(mTextTransit2, 0, 0, 0, 0, r, g, b, a);
    elm_transit_duration_set(mTextTransit2, duration * 0.5);
    elm_transit_del_cb_set(mTextTransit2, TextTransit2DelCb, this);

    mLiveTextTransits.push_back(mTextTransit);
    mLiveTextTransits.push_back(mTextTransit2);
    elm_transit_chain_transit_add(mTextTransit, mTextTransit2);
    elm_transit_go(mTextTransit);
}
} // namespace NSPelorn
