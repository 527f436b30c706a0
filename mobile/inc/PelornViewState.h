#ifndef PELORN_MOBILE_PELORN_VIEW_STATE_H
#define PELORN_MOBILE_PELORN_VIEW_STATE_H

#include <Elementary.h>
#include <string>

#include "PelornViewStateEventListener.h"

namespace NSPelorn
{
/* One ringing state of the finding screen; entering it (Initialize) sets up
 * the button, the menu hint, the power-key grab and the screen-on lock. */
class PelornViewState
{
public:
    virtual ~PelornViewState() = default;
    virtual void Initialize(Evas_Object* layout) = 0;
    virtual std::string GetButtonText() = 0;

    void SetEventListener(PelornViewStateEventListener* listener) { mPelornViewStateEventListener = listener; }

protected:
    PelornViewStateEventListener* mPelornViewStateEventListener = nullptr;
};
} // namespace NSPelorn

#endif
