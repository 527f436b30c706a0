#include "ChangeableTheme.h"

#include "OrzLog.h"

#include <pelorn_resources.h>

namespace NSORZUiCommon
{
namespace
{
const char* TABLES_DIR = "tables/";
const char* COLOR_TABLE = "changeableColorInfo.xml";
const char* FONT_TABLE = "changeableColorInfo_font.xml";
} // namespace

/* The theme tables ship in the package's shared resources (contents/theme/). */
std::string ChangeableTheme::GetSharedResDirPath()
{
    static std::string sharedResDirPath;
    if (sharedResDirPath.empty())
    {
        const char* resDir = pelorn_res_dir();
        RETV_IF(resDir == NULL, std::string());
        sharedResDirPath = std::string(resDir) + "contents/theme/";
    }
    return sharedResDirPath;
}

void ChangeableTheme::InitChangeableTheme()
{
    uxt_theme_set_changeable_ui_enabled(true);
    RETM_IF(uxt_theme_set_style(UXT_THEME_STYLE_DEFAULT) != UXT_ERROR_NONE,
            "uxt_theme_set_style(UXT_THEME_STYLE_DEFAULT) != UXT_ERROR_NONE");
    LoadColorTable();
    RET_IF(mColorTable == NULL);
    LoadFontTable();
    RET_IF(mFontTable == NULL);
}

std::string ChangeableTheme::GetColorTablePath()
{
    std::string ret = GetSharedResDirPath();
    RETV_IF(ret.length() < 1, std::string());
    return ret + TABLES_DIR + COLOR_TABLE;
}

std::string ChangeableTheme::GetFontTablePath()
{
    std::string ret = GetSharedResDirPath();
    RETV_IF(ret.length() < 1, std::string());
    return ret + TABLES_DIR + FONT_TABLE;
}

void ChangeableTheme::LoadColorTable()
{
    std::string colorTablePath = GetColorTablePath();
    RET_IF(colorTablePath.length() < 1);
    uxt_theme_color_table_h colorTable = uxt_theme_add_color_table(colorTablePath.c_str());
    RET_IF(colorTable == NULL);
    mColorTable = colorTable;
    if (uxt_theme_set_color_table(mColorTable) != UXT_ERROR_NONE)
        LOGE("uxt_theme_set_color_table failed");
}

void ChangeableTheme::LoadFontTable()
{
    std::string fontTablePath = GetFontTablePath();
    RET_IF(fontTablePath.length() < 1);
    uxt_theme_font_table_h fontTable = uxt_theme_add_font_table(fontTablePath.c_str());
    RET_IF(fontTable == NULL);
    mFontTable = fontTable;
    if (uxt_theme_set_font_table(mFontTable) != UXT_ERROR_NONE)
        LOGE("uxt_theme_set_font_table failed");
}

void ChangeableTheme::UnloadColorTable()
{
    RET_IF(mColorTable == NULL);
    uxt_theme_delete_color_table(mColorTable);
    mColorTable = nullptr;
}

void ChangeableTheme::UnloadFontTable()
{
    RET_IF(mFontTable == NULL);
    uxt_theme_delete_font_table(mFontTable);
    mFontTable = nullptr;
}
} // namespace NSORZUiCommon
