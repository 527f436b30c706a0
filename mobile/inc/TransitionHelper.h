#ifndef PELORN_MOBILE_TRANSITION_HELPER_H
#define PELORN_MOBILE_TRANSITION_HELPER_H

#include <Elementary.h>
#include <glib.h>
#include <memory>
#include <string>
#include <vector>

#include "TextTransitionData.h"
#include "TransitionEventListener.h"

namespace NSPelorn
{
/* The finding screen's animations: the radar behind the button (fade in,
 * one turn, fade out, pause, again) and the fade of the text under it. */
class TransitionHelper
{
public:
    TransitionHelper();
    virtual ~TransitionHelper();
    TransitionHelper(const TransitionHelper&) = delete;
    TransitionHelper& operator=(const TransitionHelper&) = delete;

    void RadarEffectInitialize(Evas_Object* radarLayout);
    void StartRadarTransition();
    void StopRadarTransitionWithoutEffect();
    void StartTextTransition(Evas_Object* textLayout, const std::string& domain, const std::string& text,
                             double duration);
    void ColorSet(const char* colorCode, Evas_Object* object);

    void SetTransitionEventListener(TransitionEventListener* listener) { mTransitionEventListener = listener; }

    // The running radar stage, and the pause between cycles (0 when none).
    Elm_Transit* GetRunningRadarTransit() const { return mRadarRun; }
    guint GetRadarPauseTimer() const { return mRadarTransitPauseTimer; }

private:
    static void RadarStartTransitFadeinDelCb(void* data, Elm_Transit* transit);
    static void RadarStartTransitRotateDelCb(void* data, Elm_Transit* transit);
    static void RadarStartTransitFadeoutDelCb(void* data, Elm_Transit* transit);
    static gboolean RadarTransitPauseTimerCb(gpointer data);
    static void TextTransitDelCb(void* data, Elm_Transit* transit);
    static void TextTransit2DelCb(void* data, Elm_Transit* transit);

    void DeleteRadarTransits();
    void CancelPauseTimer();

    Elm_Transit* mRadarStartTransitFadein;
    Elm_Transit* mRadarStartTransitFadeout;
    Elm_Transit* mRadarStartTransitRotate;
    Elm_Transit* mRadarRun;
    guint mRadarTransitPauseTimer;
    Elm_Transit* mTextTransit;
    Elm_Transit* mTextTransit2;
    std::shared_ptr<TextTransitionData> mTextTransitionDataPtr;
    Evas_Object* mRadarLayout;
    Evas_Object* mTextLayout;
    TransitionEventListener* mTransitionEventListener;
    // Every text transit not yet deleted, the overlapping older ones too,
    // so that none can call back into a helper that is gone.
    std::vector<Elm_Transit*> mLiveTextTransits;
};
} // namespace NSPelorn

#endif
