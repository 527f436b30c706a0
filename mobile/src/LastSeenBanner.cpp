#include "LastSeenBanner.h"
#include "TextDomain.h"

#include "LastSeenAgeFormatter.h"
#include "OrzLog.h"
#include "VconfUtil.h"

#include <libintl.h>
#include <pelorn_clock.h>

#include <cstdlib>

namespace NSPelorn
{
namespace
{
const int kRegionFormat12Hour = 1;
const guint kRefreshSeconds = 60;

/* The translation with its "%s" replaced by the text, markup-safe. */
std::string Fill(const char* id, const std::string& text)
{
    std::string result = dgettext(PELORN_TEXT_DOMAIN, id);
    const std::string::size_type at = result.find("%s");
    if (at != std::string::npos)
        result.replace(at, 2, text);
    char* markup = elm_entry_utf8_to_markup(result.c_str());
    std::string escaped = markup ? markup : "";
    free(markup);
    return escaped;
}
} // namespace

LastSeenBanner::LastSeenBanner() : mLayout(nullptr), mSeen(0), mRefreshTimer(0) {}

LastSeenBanner::~LastSeenBanner()
{
    // The minute refresh must never outlive the banner it refreshes.
    StopRefreshTimer();
    if (mLayout)
    {
        evas_object_event_callback_del_full(mLayout, EVAS_CALLBACK_DEL, LayoutDelCb, this);
        evas_object_del(mLayout);
    }
}

/* The screen layout takes its parts down with it. */
void LastSeenBanner::LayoutDelCb(void* data, Evas* evas, Evas_Object* obj, void* eventInfo)
{
    LastSeenBanner* pThis = static_cast<LastSeenBanner*>(data);
    RET_IF(pThis == NULL);
    pThis->mLayout = nullptr;
    pThis->StopRefreshTimer();
}

gboolean LastSeenBanner::RefreshTimerCb(gpointer data)
{
    LastSeenBanner* pThis = static_cast<LastSeenBanner*>(data);
    RETV_IF(pThis == NULL, G_SOURCE_REMOVE);
    pThis->Refresh();
    return G_SOURCE_CONTINUE;
}

void LastSeenBanner::StopRefreshTimer()
{
    if (mRefreshTimer)
    {
        pelorn_timer_remove(mRefreshTimer);
        mRefreshTimer = 0;
    }
}

bool LastSeenBanner::Show(Evas_Object* screenLayout, const std::string& edjPath, time_t seen, bool unreachable)
{
    RETV_IF(screenLayout == NULL, false);
    RETV_IF(edjPath.empty(), false);
    mSeen = seen;
    mUnreachable = unreachable;
    if (!mLayout)
    {
        mLayout = elm_layout_add(screenLayout);
        RETV_IF(mLayout == NULL, false);
        if (!elm_layout_file_set(mLayout, edjPath.c_str(), "lastSeenBannerLayout"))
        {
            LOGE("no lastSeenBannerLayout in %s", edjPath.c_str());
            evas_object_del(mLayout);
            mLayout = nullptr;
            return false;
        }
        evas_object_size_hint_weight_set(mLayout, EVAS_HINT_EXPAND, EVAS_HINT_EXPAND);
        evas_object_event_callback_add(mLayout, EVAS_CALLBACK_DEL, LayoutDelCb, this);
        elm_object_part_content_set(screenLayout, "lastSeenBannerSwallow", mLayout);
        evas_object_show(mLayout);
    }
    Refresh();
    if (!mRefreshTimer)
        mRefreshTimer = pelorn_timer_add_seconds(kRefreshSeconds, RefreshTimerCb, this);
    return true;
}

void LastSeenBanner::Refresh()
{
    RET_IF(mLayout == NULL);
    const time_t now = (time_t)(pelorn_clock_wall_ms() / 1000);
    const bool use24Hour = NSORZCommon::VconfUtil::GetRegionFormatTime1224() != kRegionFormat12Hour;
    // A time missing or unreadable (0) is said to be unknown, never read as
    // the first moment of 1970.
    if (mSeen <= 0)
        elm_object_part_text_set(mLayout, "lastSeenAgeText", Fill("WDS_ORZ_BODY_LAST_SEEN_TIME_UNKNOWN", "").c_str());
    else
        elm_object_part_text_set(mLayout, "lastSeenAgeText",
                                 Fill("WDS_ORZ_BODY_LAST_SEEN_PS",
                                      NSORZCommon::LastSeenAgeFormatter::Format(
                                          mSeen, now, NSORZCommon::LastSeenAgeFormatter::CurrentLocale(), use24Hour))
                                     .c_str());
    // Not live either way; when the phone did not answer, that is the news.
    elm_object_part_text_set(
        mLayout, "lastSeenNoticeText",
        Fill(mUnreachable ? "WDS_ORZ_BODY_PHONE_NOT_REACHABLE" : "WDS_ORZ_BODY_NOT_A_LIVE_POSITION", "").c_str());
}

std::string LastSeenBanner::PlainPartText(const char* part) const
{
    RETV_IF(mLayout == NULL, std::string());
    const char* markup = elm_object_part_text_get(mLayout, part);
    char* plain = markup ? elm_entry_markup_to_utf8(markup) : NULL;
    std::string text = plain ? plain : "";
    free(plain);
    return text;
}

std::string LastSeenBanner::GetAgeText() const
{
    return PlainPartText("lastSeenAgeText");
}

std::string LastSeenBanner::GetNoticeText() const
{
    return PlainPartText("lastSeenNoticeText");
}
} // namespace NSPelorn
