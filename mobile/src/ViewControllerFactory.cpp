// Not yet built: waits for the theme-extension stand-in, the popup manager, the
// application core and the phone-location screen to land (see the branch notes).
#if defined(PELORN_WITH_FINDING_SCREEN)
#include "ViewControllerFactory.h"

#include "MobileLocationViewController.h"
#include "PelornViewController.h"

namespace NSPelorn
{
std::shared_ptr<NSORZUiCommon::ViewController> ViewControllerFactory(int viewType)
{
    if (viewType == 5)
        return std::make_shared<MobileLocationViewController>();
    return std::make_shared<PelornViewController>();
}
} // namespace NSPelorn
#endif
