#ifndef PELORN_TESTS_FINDING_SCREEN_PROBE_H
#define PELORN_TESTS_FINDING_SCREEN_PROBE_H

#include "PelornMain.h"
#include "PelornView.h"
#include "ViewManager.h"

#include <Elementary.h>
#include <memory>
#include <string>

/* What the in-process app's finding screen shows, for scenarios that wait on it. */
namespace FindingScreenProbe
{
/* The finding screen on top of the stack, or none. */
inline std::shared_ptr<NSPelorn::PelornView> Screen()
{
    auto viewManager = NSPelorn::PelornMain::GetInstance()->GetViewManager();
    auto top = viewManager ? viewManager->Top() : nullptr;
    return top ? std::dynamic_pointer_cast<NSPelorn::PelornView>(top->GetView()) : nullptr;
}

inline Evas_Object* Button()
{
    auto view = Screen();
    return view ? view->GetButton() : nullptr;
}

inline std::string ButtonText()
{
    auto view = Screen();
    const char* text = view ? elm_object_part_text_get(view->GetTextLayout(), "text") : nullptr;
    return text ? text : "";
}

/* The title as the wearer reads it, without its colour markup. */
inline std::string TitleOf(const std::shared_ptr<NSPelorn::PelornView>& view)
{
    const char* markup = view && view->GetTitleLabel() ? elm_object_text_get(view->GetTitleLabel()) : nullptr;
    char* plain = markup ? elm_entry_markup_to_utf8(markup) : nullptr;
    std::string text = plain ? plain : "";
    free(plain);
    return text;
}

/* Normal state with the start icon and the button ready for a tap. */
inline bool Idle()
{
    auto view = Screen();
    return view && view->IsNormalState() && view->GetButtonIconState() == 1 &&
           !elm_object_disabled_get(view->GetButton());
}

const int LEGAL_NOTICE = 10;

/* One of the screen's popups by its type, or none. */
inline std::shared_ptr<NSORZUiCommon::BasicPopup> BasicPopup(int type)
{
    auto view = Screen();
    auto popups = view ? view->GetPopupManager() : nullptr;
    return popups ? popups->GetBasicPopup(type) : nullptr;
}

/* The first button of that popup, or none. */
inline Evas_Object* PopupButton(int type)
{
    auto popup = BasicPopup(type);
    return popup && popup->GetPopup() ? elm_object_part_content_get(popup->GetPopup(), "button1") : nullptr;
}

inline Evas_Object* AgreeButton()
{
    return PopupButton(LEGAL_NOTICE);
}

inline bool ToastShown(int type)
{
    auto view = Screen();
    auto popups = view ? view->GetPopupManager() : nullptr;
    auto toast = popups ? popups->GetToastPopup(type) : nullptr;
    return toast && toast->GetPopup() && evas_object_visible_get(toast->GetPopup());
}

/* Shown, with this text in it (the catalogue's English). */
inline bool ToastSays(int type, const std::string& text)
{
    auto toast = ToastShown(type) ? Screen()->GetPopupManager()->GetToastPopup(type) : nullptr;
    const char* shown = toast ? elm_object_part_text_get(toast->GetPopup(), "elm.text") : nullptr;
    return shown && std::string(shown).find(text) != std::string::npos;
}

/* Finding state with the stop icon. */
inline bool Finding()
{
    auto view = Screen();
    return view && !view->IsNormalState() && view->GetButtonIconState() == 0;
}
} // namespace FindingScreenProbe

#endif
