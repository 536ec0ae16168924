#!/usr/bin/env python3
"""Looks at and talks to the windows of the running program from outside, for
the end-to-end tests.

  desktop.py wait-bus SECONDS
      Waits until the accessibility bus launcher has registered on the private
      session bus (DBUS_SESSION_BUS_ADDRESS).

  desktop.py snapshot
      Prints one line for every control that is showing on the screen, read
      through the accessibility bus:
          window title <TAB> role path <TAB> text <TAB> flags <TAB> x,y,w,h
      The role path is the chain of roles from the window down to the control
      ("" for the window itself, "status bar/label" for the status line). The
      text is the control's accessible name (a label's or button's caption);
      newlines in it are written as \\n and tabs as \\t. The flags are a comma
      separated list of "focused", "default", "checked" (a ticked check
      box) and, for text boxes, "chars=N" (the number of characters typed
      into it). x,y,w,h are screen pixels.

  desktop.py text TITLE ROLEPATH TEXT [N]
      Prints the whole text shown by the Nth (1 by default) showing control
      with this window title, role path and text, as the snapshot names them:
      the content of a text box or of a read-only rich text box, which the
      snapshot leaves out. Fails when there is no such control or it has no
      text to read.

  desktop.py role TITLE
      Prints the role of the showing window with this title, as assistive
      technology learns it ("dialog", "frame", ...). Fails when no such window
      shows.

  desktop.py close WINDOW_ID
      Asks the X window to close, as a window manager does when the user
      clicks its close box (a WM_DELETE_WINDOW client message).

Only the system's python3 with its dbus bindings is needed.
"""

import sys
import time

ACCESSIBLE = "org.a11y.atspi.Accessible"
COMPONENT = "org.a11y.atspi.Component"
TEXT = "org.a11y.atspi.Text"
PROPERTIES = "org.freedesktop.DBus.Properties"

# Bit numbers of the accessibility states used here (AtspiStateType), checked
# against what Qt reports: bit 4 on a ticked check box only, bit 39 on the
# default button of a message box, bit 43 (read only) on labels.
STATE_CHECKED = 4
STATE_FOCUSED = 12
STATE_SHOWING = 25
STATE_IS_DEFAULT = 39


def session_bus():
    import dbus

    return dbus.SessionBus()


def accessibility_bus():
    import dbus

    address = session_bus().get_object("org.a11y.Bus", "/org/a11y/bus").GetAddress(
        dbus_interface="org.a11y.Bus"
    )
    return dbus.bus.BusConnection(str(address))


def wait_bus(seconds):
    deadline = time.monotonic() + seconds
    bus = session_bus()
    while time.monotonic() < deadline:
        if bus.name_has_owner("org.a11y.Bus"):
            return 0
        time.sleep(0.1)
    print("org.a11y.Bus did not appear on the session bus", file=sys.stderr)
    return 1


def escape(text):
    return str(text).replace("\\", "\\\\").replace("\n", "\\n").replace("\t", "\\t")


class Node:
    def __init__(self, bus, name, path):
        # The interfaces are known: no need to ask the object for them first.
        self.obj = bus.get_object(name, path, False)

    def call(self, method, *args, interface=ACCESSIBLE):
        return getattr(self.obj, method)(*args, dbus_interface=interface)

    def prop(self, interface, name):
        return self.obj.Get(interface, name, dbus_interface=PROPERTIES)

    def states(self):
        low, high = self.call("GetState")[:2]
        bits = int(low) | (int(high) << 32)
        return {n for n in range(64) if bits >> n & 1}

    def children(self, bus):
        return [Node(bus, str(n), str(p)) for n, p in self.call("GetChildren")]


def describe(node, interfaces, states):
    flags = []
    if STATE_FOCUSED in states:
        flags.append("focused")
    if STATE_IS_DEFAULT in states:
        flags.append("default")
    if STATE_CHECKED in states:
        flags.append("checked")
    if TEXT in interfaces and str(node.call("GetRoleName")) == "text":
        flags.append("chars=%d" % int(node.prop(TEXT, "CharacterCount")))
    extents = ""
    if COMPONENT in interfaces:
        x, y, w, h = node.call("GetExtents", 0, interface=COMPONENT)  # screen coordinates
        extents = "%d,%d,%d,%d" % (x, y, w, h)
    return ",".join(flags), extents


def walk(bus, node, title, roles, out, found=None):
    """Appends a snapshot line for node and each of its showing descendants to
    out; with found, also (title, role path, text, node, interfaces) to it."""
    states = node.states()
    if STATE_SHOWING not in states:
        return
    interfaces = {str(i) for i in node.call("GetInterfaces")}
    role = str(node.call("GetRoleName"))
    name = node.prop(ACCESSIBLE, "Name")
    path = roles + [role]
    if title is None:
        title = escape(name)
        path = []
    flags, extents = describe(node, interfaces, states)
    out.append("\t".join([title, "/".join(path), escape(name), flags, extents]))
    if found is not None:
        found.append((title, "/".join(path), escape(name), node, interfaces))
    for child in node.children(bus):
        walk(bus, child, title, path, out, found)


def read_screen(bus, found=None):
    import dbus

    registry = Node(bus, "org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root")
    lines = []
    for application in registry.children(bus):
        # A window may go away while it is being read: read the application
        # again, a few times, before giving up on it.
        for attempt in range(5):
            try:
                out = []
                mark = len(found) if found is not None else 0
                for window in application.children(bus):
                    walk(bus, window, None, [], out, found)
                lines.extend(out)
                break
            except dbus.exceptions.DBusException:
                if found is not None:
                    del found[mark:]
                time.sleep(0.1)
    return lines


def snapshot():
    print("\n".join(read_screen(accessibility_bus())))
    return 0


def text_of(title, role_path, name, n):
    bus = accessibility_bus()
    found = []
    read_screen(bus, found)
    matches = [(node, interfaces) for t, r, x, node, interfaces in found
               if (t, r, x) == (title, role_path, name)]
    if len(matches) < n:
        print("no control number %d with role path '%s' and text '%s' shows in the window '%s'"
              % (n, role_path, name, title), file=sys.stderr)
        return 1
    node, interfaces = matches[n - 1]
    if TEXT not in interfaces:
        print("the control has no text to read", file=sys.stderr)
        return 1
    count = int(node.prop(TEXT, "CharacterCount"))
    print(str(node.call("GetText", 0, count, interface=TEXT)))
    return 0


def window_role(title):
    bus = accessibility_bus()
    found = []
    read_screen(bus, found)
    for t, r, _, node, _ in found:
        if t == escape(title) and r == "":
            print(str(node.call("GetRoleName")))
            return 0
    print("no window titled '%s' shows" % title, file=sys.stderr)
    return 1


def x11():
    import ctypes

    xlib = ctypes.CDLL("libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    xlib.XFlush.argtypes = [ctypes.c_void_p]
    xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    display = xlib.XOpenDisplay(None)
    if not display:
        raise SystemExit("cannot open the X display")
    return xlib, display


def close_window(window_id):
    import ctypes

    xlib, display = x11()
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XSendEvent.argtypes = [
        ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p,
    ]

    class ClientMessage(ctypes.Structure):
        _fields_ = [
            ("type", ctypes.c_int),
            ("serial", ctypes.c_ulong),
            ("send_event", ctypes.c_int),
            ("display", ctypes.c_void_p),
            ("window", ctypes.c_ulong),
            ("message_type", ctypes.c_ulong),
            ("format", ctypes.c_int),
            ("data", ctypes.c_long * 5),
        ]

    class Event(ctypes.Union):
        _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

    event = Event()
    event.xclient.type = 33  # ClientMessage
    event.xclient.window = window_id
    event.xclient.message_type = xlib.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.xclient.format = 32
    event.xclient.data[0] = xlib.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    event.xclient.data[1] = 0  # CurrentTime
    sent = xlib.XSendEvent(display, window_id, 0, 0, ctypes.byref(event))
    xlib.XFlush(display)
    xlib.XCloseDisplay(display)
    return 0 if sent else 1


def main(argv):
    if len(argv) == 3 and argv[1] == "wait-bus":
        return wait_bus(float(argv[2]))
    if len(argv) == 2 and argv[1] == "snapshot":
        return snapshot()
    if len(argv) in (5, 6) and argv[1] == "text":
        return text_of(argv[2], argv[3], argv[4], int(argv[5]) if len(argv) == 6 else 1)
    if len(argv) == 3 and argv[1] == "role":
        return window_role(argv[2])
    if len(argv) == 3 and argv[1] == "close":
        return close_window(int(argv[2], 0))
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
