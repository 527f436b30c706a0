#ifndef PELORN_LAST_SEEN_BANNER_H
#define PELORN_LAST_SEEN_BANNER_H

#include <Elementary.h>
#include <glib.h>

#include <ctime>
#include <string>

namespace NSPelorn
{
/* The band across the top of the phone-location screen when it shows where
 * the phone was last seen rather than where it is: "Last seen 12 min. ago"
 * and "Not a live position", in the current language and region format. */
class LastSeenBanner
{
public:
    LastSeenBanner();
    ~LastSeenBanner();
    LastSeenBanner(const LastSeenBanner&) = delete;
    LastSeenBanner& operator=(const LastSeenBanner&) = delete;

    /* Builds the band from the screen's layout file and swallows it in the
     * screen layout's "lastSeenBannerSwallow". Unreachable: the phone did not
     * answer this Locate, which the band says in place of "Not a live position". */
    bool Show(Evas_Object* screenLayout, const std::string& edjPath, time_t seen, bool unreachable = false);
    /* The age moves on (the language, region or clock changed); it also
     * refreshes itself every minute while shown. */
    void Refresh();

    Evas_Object* GetLayout() const
    {
        return mLayout;
    }
    /* The age line and the notice line as shown, in plain text. */
    std::string GetAgeText() const;
    std::string GetNoticeText() const;

private:
    static void LayoutDelCb(void* data, Evas* evas, Evas_Object* obj, void* eventInfo);
    static gboolean RefreshTimerCb(gpointer data);
    void StopRefreshTimer();
    std::string PlainPartText(const char* part) const;

    Evas_Object* mLayout;
    time_t mSeen;
    bool mUnreachable = false;
    guint mRefreshTimer;
};
} // namespace NSPelorn

#endif
