#ifndef PELORN_MOBILE_PELORN_VIEW_FINDING_STATE_H
#define PELORN_MOBILE_PELORN_VIEW_FINDING_STATE_H

#include "PelornViewState.h"

namespace NSPelorn
{
// The phone rings: the stop button, the power key ours, the screen kept on.
class PelornViewFindingState : public PelornViewState
{
public:
    void Initialize(Evas_Object* layout) override;
    std::string GetButtonText() override;
};
} // namespace NSPelorn

#endif
