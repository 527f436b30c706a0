#include "AppLauncher.h"
#include "PopupProgram.h"

int main(int argc, char** argv)
{
    PopupDescription d;
    d.appId = ORZ_APP_ID_NETLY_POPUP;
    d.title = "Remote connection";
    d.question = [](app_control_h request) {
        if (RequestExtra(request, ORZ_APP_CONTROL_DATA_CONNECTION_TYPE) == "dov_connect")
            return std::string("Connect to your phone remotely over the network?");
        return std::string("Connect to your phone?");
    };
    SetConnectionAnswers(d);
    return RunPopupProgram(argc, argv, d);
}
