#ifndef NSORZ_UI_COMMON_ELEMENTARY_HELPER_H
#define NSORZ_UI_COMMON_ELEMENTARY_HELPER_H

#include <Elementary.h>
#include <string>

namespace NSORZUiCommon
{
/* The common widgets with the hints every screen gives them. Each answers
 * NULL (after a log line) for a NULL parent or a failed creation. */
class ElementaryHelper
{
public:
    ElementaryHelper() = default;
    virtual ~ElementaryHelper() = default;

    Evas_Object* CreateExpandLayout(Evas_Object* parent, const std::string& file, const std::string& group);
    Evas_Object* CreateLayout(Evas_Object* parent, const std::string& file, const std::string& group);
    Evas_Object* CreateImage(Evas_Object* parent, const std::string& file, const std::string& group);
    Evas_Object* CreateImageWithColorClass(Evas_Object* parent, const std::string& edjPath,
                                           const std::string& imageGroup, const std::string& colorClass);
    Evas_Object* CreateActivityIndicator(Evas_Object* parent, const std::string& style);
    Evas_Object* CreateGenlist(Evas_Object* parent);
    Evas_Object* CreateCheck(Evas_Object* parent, const std::string& style);
    /* Lines of the text in a layout's TEXTBLOCK part (0 when unknown). */
    int GetTextblockMaxLine(Evas_Object* layout, const std::string& part);
    /* Text from outside (the phone, a map server, the settings) into a text
     * part: escaped here, where it becomes markup, and set as it stands, never
     * looked up as a catalogue id. A "\n" is a line break. */
    static void SetPlainPartText(Evas_Object* object, const char* part, const std::string& text);
    /* Makes the styles of an edje file findable, once: the toolkit re-themes
     * every widget of every window on each addition, even of a file it has. */
    static void AddThemeExtension(const std::string& file);
    /* Deletes a popup (or any widget that takes no focus) and the focus the
     * toolkit had parked on it. */
    static void DeleteUnfocusable(Evas_Object* widget);

private:
    Evas_Object* CreateLayoutFromFile(Evas_Object* parent, const std::string& file, const std::string& group,
                                      bool expand);
};
} // namespace NSORZUiCommon

#endif
