#ifndef PELORN_TOOLS_POPUP_PROGRAM_H
#define PELORN_TOOLS_POPUP_PROGRAM_H

#include <app_control.h>
#include <functional>
#include <string>
#include <utility>
#include <vector>

/* What one of the platform's popups asks and how each answer replies. */
struct PopupAnswer
{
    std::string id;    // what PELORN_ANSWER_<APP ID> names to answer without a person
    std::string label; // button text
    std::vector<std::pair<std::string, std::string>> reply;
};

struct PopupDescription
{
    std::string appId;
    std::string title;
    std::function<std::string(app_control_h request)> question;
    std::vector<PopupAnswer> answers;
    std::string backAnswerId; // answer given by the back key; empty: close without answering
};

/* Runs the popup as an application: shows the question of the latest launch
 * request and replies to it with the chosen answer, then ends. An earlier
 * request still open when a new one arrives is dropped unanswered.
 *
 * Without a person: PELORN_ANSWER_<APP ID> (the id upper-cased, every other
 * character '_', e.g. PELORN_ANSWER_COM_QUENLOR_PERMISSIONPOPUP) names the
 * answer to give, after PELORN_ANSWER_DELAY_MS (default 0); "exit" ends the
 * popup without answering. */
int RunPopupProgram(int argc, char** argv, const PopupDescription& description);

/* The connection popups' answers: Connect ("OK"), Cancel ("CANCEL"), and the
 * back key ("BACK"), each replied as the popup response. */
void SetConnectionAnswers(PopupDescription& description);

/* The extra data value of the request, or empty text. */
std::string RequestExtra(app_control_h request, const char* key);

#endif
