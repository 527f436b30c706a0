#ifndef NSPELORN_BASIC_POPUP_BUILDER_H
#define NSPELORN_BASIC_POPUP_BUILDER_H

#include "BasicPopup.h"

#include <memory>
#include <string>

namespace NSPelorn
{
/* Makes the basic popup of a type with its class, texts and buttons. */
class BasicPopupBuilder : public std::enable_shared_from_this<BasicPopupBuilder>
{
public:
    BasicPopupBuilder() = default;
    virtual ~BasicPopupBuilder() = default;

    std::shared_ptr<BasicPopupBuilder> Initialize(int type, Evas_Object* parent);
    std::shared_ptr<BasicPopupBuilder> SetContentStringID(const std::string& contentStr);
    std::shared_ptr<NSORZUiCommon::BasicPopup> Build();

private:
    std::shared_ptr<NSORZUiCommon::BasicPopup> mBasicPopupPtr;
};
} // namespace NSPelorn

#endif
