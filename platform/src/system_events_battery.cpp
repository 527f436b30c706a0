/* The battery's level and low states, from UPower's display device. */

#include "system_events_internal.h"

#include "dlog.h"
#include "vconf.h"

namespace PelornSystemEvents
{
namespace
{
const char* const BATTERY_LOW_KEY = "memory/sysman/battery_status_low";
const char* const BATTERY_CAPACITY_KEY = "memory/sysman/battery_capacity";


enum
{
    BATTERY_POWER_OFF = 1,
    BATTERY_CRITICAL_LOW = 2,
    BATTERY_WARNING_LOW = 3,
    BATTERY_NORMAL = 4,
};
} // namespace

void UpdateBattery()
{
    if (!gEvents.displayDevice)
        return;
    GVariant* present = g_dbus_proxy_get_cached_property(gEvents.displayDevice, "IsPresent");
    GVariant* percentage = g_dbus_proxy_get_cached_property(gEvents.displayDevice, "Percentage");
    GVariant* warning = g_dbus_proxy_get_cached_property(gEvents.displayDevice, "WarningLevel");
    // A desktop without a battery has a display device that is not present.
    if (present && g_variant_is_of_type(present, G_VARIANT_TYPE_BOOLEAN) && g_variant_get_boolean(present) &&
        percentage && g_variant_is_of_type(percentage, G_VARIANT_TYPE_DOUBLE))
    {
        double percent = CLAMP(g_variant_get_double(percentage), 0.0, 100.0);
        guint32 level = warning && g_variant_is_of_type(warning, G_VARIANT_TYPE_UINT32)
                            ? g_variant_get_uint32(warning)
                            : 0;
        int status = BATTERY_NORMAL;
        switch (level)
        {
        case 5: // action: the machine is about to act (power off, hibernate)
            status = BATTERY_POWER_OFF;
            break;
        case 4: // critical
            status = BATTERY_CRITICAL_LOW;
            break;
        case 3: // low
            status = BATTERY_WARNING_LOW;
            break;
        case 0: // unknown: judge by the charge left
            status = percent <= 1.0    ? BATTERY_POWER_OFF
                     : percent <= 5.0  ? BATTERY_CRITICAL_LOW
                     : percent <= 15.0 ? BATTERY_WARNING_LOW
                                       : BATTERY_NORMAL;
            break;
        default: // none, or a UPS discharging
            break;
        }
        Publish(BATTERY_CAPACITY_KEY, (int)(percent + 0.5), "UPower");
        Publish(BATTERY_LOW_KEY, status, "UPower");
    }
    else if (present && g_variant_is_of_type(present, G_VARIANT_TYPE_BOOLEAN))
    {
        // The battery went (a laptop docked without it): no longer low.
        int current = 0;
        if (vconf_get_int(BATTERY_LOW_KEY, &current) == VCONF_OK)
            Publish(BATTERY_LOW_KEY, BATTERY_NORMAL, "UPower, no battery");
    }
    for (GVariant* v : {present, percentage, warning})
        if (v)
            g_variant_unref(v);
}

} // namespace PelornSystemEvents
