#ifndef PELORN_PLATFORM_UXT_THEME_H
#define PELORN_PLATFORM_UXT_THEME_H

/* The watch's theme extension: named colours and fonts that follow the watch
 * theme. The tables are XML files (see res/contents/theme/tables/):
 *   <ChangeableColorTable><color code="AO0022" rgba="#4dcfffff"/>...</ChangeableColorTable>
 *   <ChangeableFontTable><font code="AT0110" name="DejaVu Sans:style=Bold" size="30"/>...</ChangeableFontTable>
 * A colour entry may also carry "outline" and "shadow" colours. Look-ups read
 * the table set last; setting a table or a style tells the changed-callbacks. */

#include <Evas.h>
#include <stdbool.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum
{
    UXT_ERROR_NONE = 0,
    UXT_ERROR_INVALID_PARAMETER = -22,
    UXT_ERROR_NO_DATA = -61,
    UXT_ERROR_IO_ERROR = -5,
} uxt_error_e;

typedef enum
{
    UXT_THEME_STYLE_DEFAULT = 0,
    UXT_THEME_STYLE_DARK = 0,
    UXT_THEME_STYLE_LIGHT = 1,
} uxt_theme_style_e;

typedef enum
{
    UXT_THEME_CHANGED_TYPE_COLOR = 0,
    UXT_THEME_CHANGED_TYPE_FONT = 1,
} uxt_theme_changed_type_e;

typedef struct _uxt_theme_table uxt_theme_color_table_h_s;
typedef uxt_theme_color_table_h_s* uxt_theme_color_table_h;
typedef uxt_theme_color_table_h_s* uxt_theme_font_table_h;

typedef void (*uxt_theme_changed_cb)(void* user_data);

int uxt_theme_set_changeable_ui_enabled(bool enabled);
int uxt_theme_set_style(int style);
int uxt_theme_get_style(int* style);

/* NULL when the file is missing or not a table. */
uxt_theme_color_table_h uxt_theme_add_color_table(const char* path);
uxt_theme_font_table_h uxt_theme_add_font_table(const char* path);
int uxt_theme_set_color_table(uxt_theme_color_table_h table);
int uxt_theme_set_font_table(uxt_theme_font_table_h table);
int uxt_theme_delete_color_table(uxt_theme_color_table_h table);
int uxt_theme_delete_font_table(uxt_theme_font_table_h table);

/* Any of the output pointers may be NULL. UXT_ERROR_NO_DATA for an unknown code
 * or when no table is set. */
int uxt_theme_get_color(const char* code, int* r, int* g, int* b, int* a, int* outline_r, int* outline_g,
                        int* outline_b, int* outline_a, int* shadow_r, int* shadow_g, int* shadow_b,
                        int* shadow_a);
/* *font_name is a new string the caller frees with free(). */
int uxt_theme_get_font_info(const char* code, char** font_name, int* size);

int uxt_theme_add_changed_callback(int type, uxt_theme_changed_cb callback, void* user_data);
int uxt_theme_delete_changed_callback(int type, uxt_theme_changed_cb callback);

/* The bezel scrolls the popup's content while it is shown. */
int uxt_popup_set_rotary_event_enabled(Evas_Object* popup, bool enabled);

#ifdef __cplusplus
}
#endif

#endif
