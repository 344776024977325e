"""Prints, as JSON, the accessibility tree of one running program: every
node's role, name, states and place on the screen. Run it with the session's
environment (DISPLAY, DBUS_SESSION_BUS_ADDRESS) and the program's process id:

    a11y_dump.py PID

It runs as its own process because the accessibility library connects to one
session bus for the life of the process, and every test has its own bus."""
import json
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def walk(node, depth, out):
    try:
        states = node.get_state_set()
        extents = node.get_extents(Atspi.CoordType.SCREEN) if node.get_component_iface() else None
        out.append({
            "depth": depth,
            "role": node.get_role_name(),
            "name": node.get_name() or "",
            "sensitive": states.contains(Atspi.StateType.SENSITIVE),
            "showing": states.contains(Atspi.StateType.SHOWING),
            "selected": states.contains(Atspi.StateType.SELECTED),
            "focused": states.contains(Atspi.StateType.FOCUSED),
            "box": [extents.x, extents.y, extents.width, extents.height] if extents else None,
        })
        count = node.get_child_count()
    except gi.repository.GLib.Error:
        return  # the node went away while we looked
    for i in range(count):
        child = node.get_child_at_index(i)
        if child is not None:
            walk(child, depth + 1, out)


def main():
    pid = int(sys.argv[1])
    desktop = Atspi.get_desktop(0)
    out = []
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_process_id() == pid:
            walk(app, 0, out)
    json.dump(out, sys.stdout)


if __name__ == "__main__":
    main()
