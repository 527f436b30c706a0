#ifndef PELORN_MOBILE_PELORN_VIEW_NORMAL_STATE_H
#define PELORN_MOBILE_PELORN_VIEW_NORMAL_STATE_H

#include "PelornViewState.h"

namespace NSPelorn
{
// Idle: the start button, the menu reachable, the power key and screen free.
class PelornViewNormalState : public PelornViewState
{
public:
    void Initialize(Evas_Object* layout) override;
    std::string GetButtonText() override;
};
} // namespace NSPelorn

#endif
