#include "AppLauncher.h"
#include "PopupProgram.h"

int main(int argc, char** argv)
{
    PopupDescription d;
    d.appId = ORZ_APP_ID_PERMISSION_POPUP;
    d.title = "Permission";
    d.question = [](app_control_h request) {
        std::string app = RequestExtra(request, ORZ_APP_CONTROL_DATA_APP_ID);
        std::string notice = RequestExtra(request, ORZ_APP_CONTROL_DATA_DATA_NOTICE);
        return "Allow " + (app.empty() ? std::string("this application") : app) + " to: " +
               (notice.empty() ? std::string("use its permissions") : notice) + "?";
    };
    d.answers = {
        {"yes", "Allow", {{ORZ_APP_CONTROL_DATA_PERMISSION_CONTROL, "yes"}, {ORZ_APP_CONTROL_DATA_PERMISSION_CONTROL_CHECK, "yes"}}},
        {"once", "Allow once", {{ORZ_APP_CONTROL_DATA_PERMISSION_CONTROL, "yes"}, {ORZ_APP_CONTROL_DATA_PERMISSION_CONTROL_CHECK, "no"}}},
        {"no", "Deny", {{ORZ_APP_CONTROL_DATA_PERMISSION_CONTROL, "no"}, {ORZ_APP_CONTROL_DATA_PERMISSION_CONTROL_CHECK, "yes"}}},
    };
    d.backAnswerId = "";
    return RunPopupProgram(argc, argv, d);
}
