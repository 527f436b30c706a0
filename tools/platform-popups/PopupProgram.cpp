/* Naming a button for the screen reader is only offered through the access
 * object interface. */
#ifndef EFL_BETA_API_SUPPORT
#define EFL_BETA_API_SUPPORT
#endif
#include "PopupProgram.h"

#include "AppLauncher.h"
#include "OrzLog.h"
#include "app.h"
#include "pelorn_paths.h"
#include "pelorn_resources.h"
#include "pelorn_screenshot.h"

#include <Ecore_X.h>
#include <Elementary.h>
#include <ctype.h>
#include <glib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace
{
struct PopupApp
{
    const PopupDescription* description = nullptr;
    app_control_h request = nullptr;
    Evas_Object* window = nullptr;
    Evas_Object* popup = nullptr;
    Evas_Object* question = nullptr;
    Ecore_Timer* autoAnswerTimer = nullptr;
    Ecore_Timer* screenshotTimer = nullptr;
    std::string lastDigest; // of the picture at the last look
    int stillLooks = 0;
    Ecore_Event_Handler* keyHandler = nullptr;
    std::string autoAnswer;
    int requests = 0;
};

std::string AutoAnswerVariable(const std::string& appId)
{
    std::string name = "PELORN_ANSWER_";
    for (char c : appId)
        name += isalnum((unsigned char)c) ? (char)toupper((unsigned char)c) : '_';
    return name;
}

/* The popup leaves the screen before its answer leaves the process: the
 * caller takes the answer as the popup's end, and the wearer's next tap is
 * meant for what lies under it. Closing the window with the process left it
 * mapped for as long as the ending took (a second and more under a leak
 * checker on a busy machine), and a tap in that time was lost on it. */
void LeaveTheScreen(PopupApp* app)
{
    if (!app->window)
        return;
    evas_object_hide(app->window);
    if (elm_win_xwindow_get(app->window))
        ecore_x_sync(); // the unmap done at the server, not queued in this process
}

void Answer(PopupApp* app, const std::string& answerId)
{
    RET_IF(!app);
    LeaveTheScreen(app);
    const PopupAnswer* chosen = nullptr;
    for (const PopupAnswer& a : app->description->answers)
        if (a.id == answerId)
            chosen = &a;
    if (chosen && app->request)
    {
        app_control_h reply = nullptr;
        app_control_create(&reply);
        for (const auto& kv : chosen->reply)
            app_control_add_extra_data(reply, kv.first.c_str(), kv.second.c_str());
        int ret = app_control_reply_to_launch_request(reply, app->request, APP_CONTROL_RESULT_SUCCEEDED);
        LOGE("%s answered \"%s\" (%d)", app->description->appId.c_str(), answerId.c_str(), ret);
        app_control_destroy(reply);
    }
    else
    {
        LOGE("%s closed without an answer", app->description->appId.c_str());
    }
    if (app->request)
    {
        app_control_destroy(app->request);
        app->request = nullptr;
    }
    ui_app_exit();
}

void AnswerButtonClickedCb(void* data, Evas_Object* obj, void* event)
{
    PopupApp* app = static_cast<PopupApp*>(evas_object_data_get(obj, "popup-app"));
    const PopupAnswer* answer = static_cast<const PopupAnswer*>(data);
    RET_IF(!app || !answer);
    Answer(app, answer->id);
}

/* On the key's release, as the application takes its back key: the window
 * that got the press gets the release too, and none is left over for the
 * window the keyboard returns to once this one is gone. */
Eina_Bool KeyUpCb(void* data, int type, void* event)
{
    PopupApp* app = static_cast<PopupApp*>(data);
    Ecore_Event_Key* ev = static_cast<Ecore_Event_Key*>(event);
    // The watch's back key, as the desktop gives it to the application too.
    if (app && ev && ev->keyname &&
        (!g_strcmp0(ev->keyname, "Escape") || !g_strcmp0(ev->keyname, "BackSpace") ||
         !g_strcmp0(ev->keyname, "XF86Back")))
        Answer(app, app->description->backAnswerId);
    return ECORE_CALLBACK_PASS_ON;
}

Eina_Bool AutoAnswerTimerCb(void* data)
{
    PopupApp* app = static_cast<PopupApp*>(data);
    RETV_IF(!app, ECORE_CALLBACK_CANCEL);
    // A popup asked for its picture answers only once the picture is taken.
    if (app->screenshotTimer)
    {
        ecore_timer_interval_set(app->autoAnswerTimer, 0.1);
        return ECORE_CALLBACK_RENEW;
    }
    app->autoAnswerTimer = nullptr;
    Answer(app, app->autoAnswer);
    return ECORE_CALLBACK_CANCEL;
}

/* The answers as the round theme's buttons: the first (accepting) answer is
 * a tick on the right edge, the last (declining) one a cross on the left
 * edge, a third one in between the text on the bottom arc. */
void AddAnswerButtons(PopupApp* app)
{
    std::vector<const PopupAnswer*> shown;
    for (const PopupAnswer& answer : app->description->answers)
        if (!answer.label.empty())
            shown.push_back(&answer);
    struct Place
    {
        const PopupAnswer* answer;
        const char* style;
        const char* text;
    };
    std::vector<Place> places;
    if (shown.size() == 1)
        places.push_back({shown[0], "popup/circle", shown[0]->label.c_str()});
    else if (shown.size() >= 2)
    {
        places.push_back({shown.back(), "popup/circle/left", "\u2715"});
        if (shown.size() >= 3)
            places.push_back({shown[1], "popup/circle", shown[1]->label.c_str()});
        places.push_back({shown.front(), "popup/circle/right", "\u2713"});
    }
    int part = 1;
    for (const Place& place : places)
    {
        Evas_Object* button = elm_button_add(app->popup);
        elm_object_style_set(button, place.style);
        elm_object_text_set(button, place.text);
        // The screen reader says the answer, not the sign.
        efl_access_object_i18n_name_set(button, place.answer->label.c_str());
        evas_object_data_set(button, "popup-app", app);
        evas_object_smart_callback_add(button, "clicked", AnswerButtonClickedCb, place.answer);
        elm_object_part_content_set(app->popup, ("button" + std::to_string(part++)).c_str(), button);
    }
}

bool CreateCb(void* data)
{
    PopupApp* app = static_cast<PopupApp*>(data);
    RETV_IF(!app, false);
    pelorn_circle_theme_load();
    app->window = elm_win_add(NULL, app->description->appId.c_str(), ELM_WIN_BASIC);
    RETV_IF(!app->window, false);
    elm_win_title_set(app->window, app->description->title.c_str());
    elm_win_autodel_set(app->window, EINA_TRUE);
    evas_object_event_callback_add(
        app->window, EVAS_CALLBACK_DEL,
        [](void* data, Evas*, Evas_Object*, void*) { static_cast<PopupApp*>(data)->window = nullptr; }, app);
    evas_object_resize(app->window, 360, 360);

    Evas_Object* bg = elm_bg_add(app->window);
    elm_bg_color_set(bg, 0, 0, 0);
    evas_object_size_hint_weight_set(bg, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    elm_win_resize_object_add(app->window, bg);
    evas_object_show(bg);

    // The same round popup as the application's: title and question on the
    // disc, the answers on its edges.
    app->popup = elm_popup_add(app->window);
    RETV_IF(!app->popup, false);
    elm_object_style_set(app->popup, "circle");
    evas_object_size_hint_weight_set(app->popup, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
    app->question = elm_layout_add(app->popup);
    elm_layout_theme_set(app->question, "layout", "popup", "content/circle/title_sides");
    char* title = elm_entry_utf8_to_markup(app->description->title.c_str());
    elm_object_part_text_set(app->question, "elm.text.title", title ? title : "");
    free(title);
    elm_object_content_set(app->popup, app->question);
    AddAnswerButtons(app);

    app->keyHandler = ecore_event_handler_add(ECORE_EVENT_KEY_UP, KeyUpCb, app);
    evas_object_show(app->popup);
    evas_object_show(app->window);
    return true;
}

/* PELORN_POPUP_SCREENSHOT=PATH: the popup pictures itself there once it
 * shows its question and its picture has stopped changing (the test suite's
 * pictures of the platform popups): the answers fade in, and on a loaded
 * machine a fixed delay caught them half drawn. */
Eina_Bool ScreenshotTimerCb(void* data)
{
    PopupApp* app = static_cast<PopupApp*>(data);
    RETV_IF(!app, ECORE_CALLBACK_CANCEL);
    // Away from the buffer engine there is no picture to wait for.
    if (gchar* digest = pelorn_window_pixels_digest(app->window))
    {
        app->stillLooks = app->lastDigest == digest ? app->stillLooks + 1 : 0;
        app->lastDigest = digest;
        g_free(digest);
        // Three equal looks span more than any of the theme's fades.
        if (app->stillLooks < 3)
            return ECORE_CALLBACK_RENEW;
    }
    app->screenshotTimer = nullptr;
    const char* path = getenv("PELORN_POPUP_SCREENSHOT");
    if (path && *path && !pelorn_window_save_png(app->window, path))
        LOGE("cannot save the picture to %s", path);
    return ECORE_CALLBACK_CANCEL;
}

void AppControlCb(app_control_h request, void* data)
{
    PopupApp* app = static_cast<PopupApp*>(data);
    RET_IF(!app);
    if (app->request)
    {
        LOGE("%s: a newer request replaces the open one", app->description->appId.c_str());
        app_control_destroy(app->request);
        app->request = nullptr;
    }
    app_control_clone(&app->request, request);
    std::string text = app->description->question(request);
    LOGE("%s asks: %s", app->description->appId.c_str(), text.c_str());
    char* markup = elm_entry_utf8_to_markup(text.c_str());
    elm_object_part_text_set(app->question, "elm.text", markup ? markup : "");
    free(markup);
    const char* screenshot = getenv("PELORN_POPUP_SCREENSHOT");
    if (screenshot && *screenshot && !app->screenshotTimer)
    {
        app->stillLooks = 0;
        app->lastDigest.clear();
        app->screenshotTimer = ecore_timer_add(0.1, ScreenshotTimerCb, app);
    }

    app->requests++;
    // A test that hands a second request to the open popup holds the answer
    // back until it arrived, instead of racing a delay.
    const char* after = getenv("PELORN_ANSWER_AFTER_REQUESTS");
    if (app->autoAnswer.empty() || (after && app->requests < atoi(after)))
        return;
    if (app->autoAnswerTimer)
        ecore_timer_del(app->autoAnswerTimer);
    const char* delay = getenv("PELORN_ANSWER_DELAY_MS");
    app->autoAnswerTimer = ecore_timer_add(delay ? atoi(delay) / 1000.0 : 0.0, AutoAnswerTimerCb, app);
}

void TerminateCb(void* data)
{
    PopupApp* app = static_cast<PopupApp*>(data);
    RET_IF(!app);
    LeaveTheScreen(app); // withdrawn by its caller: off the screen before the slow part of the end
    if (app->autoAnswerTimer)
        ecore_timer_del(app->autoAnswerTimer);
    app->autoAnswerTimer = nullptr;
    if (app->screenshotTimer)
        ecore_timer_del(app->screenshotTimer);
    app->screenshotTimer = nullptr;
    if (app->keyHandler)
        ecore_event_handler_del(app->keyHandler);
    app->keyHandler = nullptr;
    if (app->request)
        app_control_destroy(app->request);
    app->request = nullptr;
}
} // namespace

std::string RequestExtra(app_control_h request, const char* key)
{
    char* value = nullptr;
    if (app_control_get_extra_data(request, key, &value) != APP_CONTROL_ERROR_NONE || !value)
        return std::string();
    std::string out = value;
    free(value);
    return out;
}

/* Built from the description, so the answers listed are the ones it gives. */
static void PrintHelp(const PopupDescription& description)
{
    const std::string variable = AutoAnswerVariable(description.appId);
    printf("Usage: %s [--help]\n\n", description.appId.c_str());
    printf("The platform's \"%s\" popup: started by the app through a launch request\n"
           "(app_control), it shows the question and replies with the answer chosen.\n"
           "Started by hand it runs as its own application and waits for a request.\n\n",
           description.title.c_str());
    printf("Answers (button text, or the back key):\n");
    for (const PopupAnswer& answer : description.answers)
        printf("  %-8s %s\n", answer.id.c_str(),
               answer.label.empty() ? "(back key)" : ("\"" + answer.label + "\"").c_str());
    printf("\nEnvironment:\n"
           "  %s=ANSWER  answer without a person (ANSWER above, or\n"
           "      exit: end without answering)\n"
           "  PELORN_ANSWER_DELAY_MS=N  wait N ms before that answer\n"
           "  PELORN_ANSWER_AFTER_REQUESTS=N  answer only once N requests came\n"
           "  PELORN_STATE_DIR, PELORN_RUNTIME_DIR  the app's folders (default: the build\n"
           "      tree's run-state and run-runtime when run from there)\n"
           "  ELM_ENGINE=buffer  no window\n\n",
           variable.c_str());
    printf("Example (the app then gets \"%s\" whenever it asks):\n"
           "  %s=%s ./scripts/run\n",
           description.answers.empty() ? "" : description.answers.front().id.c_str(), variable.c_str(),
           description.answers.empty() ? "exit" : description.answers.front().id.c_str());
}

int RunPopupProgram(int argc, char** argv, const PopupDescription& description)
{
    for (int i = 1; i < argc; ++i)
        if (argv[i] && (!strcmp(argv[i], "--help") || !strcmp(argv[i], "-h")))
        {
            PrintHelp(description);
            return 0;
        }
    // Started by hand rather than by a launch request: run as its own id.
    g_setenv("PELORN_APP_ID", description.appId.c_str(), FALSE);
    PopupApp app;
    app.description = &description;
    const char* answer = getenv(AutoAnswerVariable(description.appId).c_str());
    if (answer)
        app.autoAnswer = answer;

    ui_app_lifecycle_callback_s callbacks = {};
    callbacks.create = CreateCb;
    callbacks.app_control = AppControlCb;
    callbacks.terminate = TerminateCb;
    return ui_app_main(argc, argv, &callbacks, &app);
}

void SetConnectionAnswers(PopupDescription& description)
{
    description.answers = {
        {"OK", "Connect", {{ORZ_APP_CONTROL_POPUP_RESPONSE, "OK"}}},
        {"CANCEL", "Cancel", {{ORZ_APP_CONTROL_POPUP_RESPONSE, "CANCEL"}}},
        {"BACK", "", {{ORZ_APP_CONTROL_POPUP_RESPONSE, "BACK"}}},
    };
    description.backAnswerId = "BACK";
}
