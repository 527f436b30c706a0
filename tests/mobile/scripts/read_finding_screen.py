#!/usr/bin/python3
"""A screen reader's view of the finding screen, over AT-SPI.

Turns the session's screen reader on, waits for the application to show its
heading on the accessibility bus, and prints the reading order from it:

  forward: NAME | NAME | ...   (flows-to until it comes back to the heading)
  backward: NAME | NAME | ...  (flows-from, the same way)

Usage: read_finding_screen.py APP_NAME SECONDS_TO_WAIT
Exits 1 with a line on stderr when the heading never shows.
"""
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, Gio, GLib  # noqa: E402

APP_NAME, WAIT_SECONDS = sys.argv[1], float(sys.argv[2])


def screen_reader_on():
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    bus.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Set",
                  GLib.Variant("(ssv)", ("org.a11y.Status", "ScreenReaderEnabled", GLib.Variant("b", True))),
                  None, Gio.DBusCallFlags.NONE, 5000, None)


def find(node, match, depth=0):
    if node is None or depth > 30:
        return None
    if match(node):
        return node
    for i in range(node.get_child_count()):
        found = find(node.get_child_at_index(i), match, depth + 1)
        if found is not None:
            return found
    return None


def related(node, relation):
    for r in node.get_relation_set():
        if r.get_relation_type() == relation and r.get_n_targets() > 0:
            return r.get_target(0)
    return None


def follow(start, relation):
    names = [start.get_name()]
    node = related(start, relation)
    while node is not None and len(names) < 10:
        names.append(node.get_name())
        if node.get_name() == start.get_name() and node.get_role() == start.get_role():
            break
        node = related(node, relation)
    return names


def main():
    screen_reader_on()
    deadline = time.monotonic() + WAIT_SECONDS
    heading = None
    while time.monotonic() < deadline:
        desktop = Atspi.get_desktop(0)
        apps = [desktop.get_child_at_index(i) for i in range(desktop.get_child_count())]
        for app in [a for a in apps if a is not None and a.get_name() == APP_NAME][-1:]:
            heading = find(app, lambda n: n.get_role() == Atspi.Role.HEADING)
        if heading is not None:
            break
        time.sleep(0.2)
    if heading is None:
        print("no heading of %s on the accessibility bus" % APP_NAME, file=sys.stderr)
        return 1
    print("forward: " + " | ".join(follow(heading, Atspi.RelationType.FLOWS_TO)))
    print("backward: " + " | ".join(follow(heading, Atspi.RelationType.FLOWS_FROM)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
