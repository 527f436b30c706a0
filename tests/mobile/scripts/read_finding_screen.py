#!/usr/bin/python3
"""A screen reader's view of the finding screen, over AT-SPI.

Turns the session's screen reader on (org.a11y.Status.ScreenReaderEnabled),
waits for the application named on the command line to appear on the
accessibility bus, finds its heading, and follows the reading order:

  forward: NAME | NAME | ...   (flows-to from the heading until it comes back)
  backward: NAME | NAME | ...  (flows-from from the heading until it comes back)

Usage: read_finding_screen.py [APP NAME [SECONDS TO WAIT]]
Exits 1 with a line on stderr when the application or its heading never shows.
"""
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, Gio, GLib  # noqa: E402

APP_NAME = sys.argv[1] if len(sys.argv) > 1 else "pelorn"
WAIT_SECONDS = float(sys.argv[2]) if len(sys.argv) > 2 else 20.0


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
        app = None
        for i in range(desktop.get_child_count()):
            child = desktop.get_child_at_index(i)
            if child is not None and child.get_name() == APP_NAME:
                app = child
        if app is not None:
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
