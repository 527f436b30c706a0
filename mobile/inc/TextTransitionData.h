#ifndef PELORN_MOBILE_TEXT_TRANSITION_DATA_H
#define PELORN_MOBILE_TEXT_TRANSITION_DATA_H

#include <string>

namespace NSPelorn
{
/* The text a text transition shows once the old one has faded out. */
class TextTransitionData
{
public:
    TextTransitionData(const std::string& domain, const std::string& text) : mDomain(domain), mText(text) {}
    virtual ~TextTransitionData() = default;

    std::string mDomain;
    std::string mText;
};
} // namespace NSPelorn

#endif
