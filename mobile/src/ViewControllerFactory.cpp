#include "ViewControllerFactory.h"

#include "PelornViewController.h"

#if __has_include("MobileLocationViewController.h")
#include "MobileLocationViewController.h"
#endif

namespace NSPelorn
{
std::shared_ptr<NSORZUiCommon::ViewController> ViewControllerFactory(int viewType)
{
#if __has_include("MobileLocationViewController.h")
    if (viewType == 5)
        return std::make_shared<MobileLocationViewController>();
#endif
    return std::make_shared<PelornViewController>();
}
} // namespace NSPelorn
