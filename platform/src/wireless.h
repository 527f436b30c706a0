#ifndef PELORN_PLATFORM_WIRELESS_H
#define PELORN_PLATFORM_WIRELESS_H

/* Whether the kernel lists a wireless interface (/proc/net/wireless): a
 * network that is up is taken for Wi-Fi then, else for Ethernet. */
bool pelorn_has_wireless_interface();

#endif
