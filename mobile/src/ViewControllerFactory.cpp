#include "ViewControllerFactory.h"

#include "PelornViewController.h"

#include "MobileLocationViewController.h"

namespace NSPelorn
{
std::shared_ptr<NSORZUiCommon::ViewController> ViewControllerFactory(int viewType)
{
    if (viewType == 5)
        return std::make_shared<MobileLocationViewController>();
    return std::make_shared<PelornViewController>();
}
} // namespace NSPelorn
