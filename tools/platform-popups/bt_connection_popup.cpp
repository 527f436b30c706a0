#include "AppLauncher.h"
#include "PopupProgram.h"

int main(int argc, char** argv)
{
    PopupDescription d;
    d.appId = ORZ_APP_ID_BT_CONNECTION_POPUP;
    d.title = "Bluetooth";
    d.question = [](app_control_h request) {
        if (RequestExtra(request, "msg") == "user_defined")
        {
            std::string title = RequestExtra(request, "title");
            std::string text = RequestExtra(request, "text");
            return title.empty() ? text : title + "\n" + text;
        }
        return std::string("Connect to your phone via Bluetooth?");
    };
    SetConnectionAnswers(d);
    return RunPopupProgram(argc, argv, d);
}
