#ifndef PELORN_MOBILE_VIEW_CONTROLLER_FACTORY_H
#define PELORN_MOBILE_VIEW_CONTROLLER_FACTORY_H

#include <memory>

#include "ViewController.h"

namespace NSPelorn
{
/* A new screen controller for a view type: 5 the phone-location screen,
 * 0 and anything else the phone-finding screen. Prepare it, then push it. */
std::shared_ptr<NSORZUiCommon::ViewController> ViewControllerFactory(int viewType);
} // namespace NSPelorn

#endif
