#ifndef NSORZ_UI_COMMON_CHANGEABLE_THEME_H
#define NSORZ_UI_COMMON_CHANGEABLE_THEME_H

#include <string>
#include <uxt_theme.h>

namespace NSORZUiCommon
{
/* Loads the watch theme's colour and font tables so that colour and font
 * look-ups by code follow the theme. */
class ChangeableTheme
{
public:
    ChangeableTheme() = default;
    virtual ~ChangeableTheme() = default;

    void InitChangeableTheme();
    std::string GetColorTablePath();
    std::string GetFontTablePath();
    void LoadColorTable();
    void LoadFontTable();
    void UnloadColorTable();
    void UnloadFontTable();

private:
    std::string GetSharedResDirPath();

    uxt_theme_color_table_h mColorTable = nullptr;
    uxt_theme_font_table_h mFontTable = nullptr;
};
} // namespace NSORZUiCommon

#endif
