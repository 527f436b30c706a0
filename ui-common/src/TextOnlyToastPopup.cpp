/* The accessibility calls that name the toast for a screen reader are in the
 * beta part of the EFL interface. */
#ifndef EFL_BETA_API_SUPPORT
#define EFL_BETA_API_SUPPORT
#endif

#include "TextOnlyToastPopup.h"
#include "TextDomain.h"

#include "OrzLog.h"

#include <efl_extension.h>
#include <libintl.h>
#include <string>

namespace NSORZUiCommon
{
void TextOnlyToastPopup::LanguageChangedCb(void* data, Evas_Object* obj, void* eventInfo)
{
    TextOnlyToastPopup* pThis = static_cast<TextOnlyToastPopup*>(data);
    RET_IF(pThis == NULL);
    RET_IF(pThis->mPopup == NULL);
    // The stored text is wrapped for centring; only what is inside is translated.
    static const std::string OPEN = "<align=center>", CLOSE = "</align>";
    std::string text = pThis->mContentStringID;
    if (text.compare(0, OPEN.size(), OPEN) == 0 && text.size() >= OPEN.size() + CLOSE.size() &&
        text.compare(text.size() - CLOSE.size(), CLOSE.size(), CLOSE) == 0)
        text = text.substr(OPEN.size(), text.size() - OPEN.size() - CLOSE.size());
    char* markup = elm_entry_utf8_to_markup(dgettext(PELORN_TEXT_DOMAIN, text.c_str()));
    RET_IF(markup == NULL);
    elm_object_part_text_set(pThis->mPopup, "elm.text", (OPEN + markup + CLOSE).c_str());
    pThis->SetSpokenText(markup);
    free(markup);
}

/* A screen reader announces a notification as it appears, by its name: the
 * toast's text without its markup. */
void TextOnlyToastPopup::SetSpokenText(const std::string& markup)
{
    char* spoken = elm_entry_markup_to_utf8(markup.c_str());
    efl_access_object_i18n_name_set(mPopup, spoken ? spoken : "");
    efl_access_object_role_set(mPopup, EFL_ACCESS_ROLE_NOTIFICATION);
    free(spoken);
}

void TextOnlyToastPopup::Show()
{
    LOGE("Show");
    RETM_IF(mPopup != NULL, "mPopup is already exist");
    RET_IF(mParent == NULL);

    mPopup = elm_popup_add(mParent);
    RETM_IF(mPopup == NULL, "elm_popup_add failed");
    elm_object_tree_focus_allow_set(mPopup, EINA_FALSE); // as the basic popups: no focus to hand back
    elm_object_style_set(mPopup, "toast/circle");
    evas_object_size_hint_weight_set(mPopup, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    evas_object_size_hint_align_set(mPopup, EVAS_HINT_FILL, EVAS_HINT_FILL);
    if (mContentStringID.empty())
        LOGE("there is no content string");
    else
        elm_object_part_text_set(mPopup, "elm.text", mContentStringID.c_str());
    SetSpokenText(mContentStringID);
    if (mTimeout > 0)
    {
        elm_popup_timeout_set(mPopup, mTimeout);
        evas_object_smart_callback_add(mPopup, "timeout", TimeoutCb, this);
    }
    eext_object_event_callback_add(mPopup, EEXT_CALLBACK_BACK, BackCb, this);
    evas_object_smart_callback_add(mPopup, "dismissed", DismissedCb, this);
    evas_object_smart_callback_add(mPopup, "language,changed", LanguageChangedCb, this);
    evas_object_smart_callback_add(mPopup, "block,clicked", BlockClickedCb, this);
    evas_object_event_callback_add(mPopup, EVAS_CALLBACK_MOUSE_UP, TapCb, this);
    evas_object_show(mPopup);
}
} // namespace NSORZUiCommon
