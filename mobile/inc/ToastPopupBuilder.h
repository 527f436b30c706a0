#ifndef NSPELORN_TOAST_POPUP_BUILDER_H
#define NSPELORN_TOAST_POPUP_BUILDER_H

#include "ToastPopup.h"

#include <memory>

namespace NSPelorn
{
/* Makes the toast of a type: its translated text and a 2.0 s time-out. */
class ToastPopupBuilder : public std::enable_shared_from_this<ToastPopupBuilder>
{
public:
    ToastPopupBuilder() = default;
    virtual ~ToastPopupBuilder() = default;

    std::shared_ptr<ToastPopupBuilder> Initialize(int type, Evas_Object* parent);
    std::shared_ptr<NSORZUiCommon::ToastPopup> Build();

private:
    std::shared_ptr<NSORZUiCommon::ToastPopup> mToastPopupPtr;
};
} // namespace NSPelorn

#endif
