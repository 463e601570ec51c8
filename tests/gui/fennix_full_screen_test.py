#!/usr/bin/env python3
"""fennix SCENE under a virtual X server of this test's own: View > Full
Screen (chosen with real keys) opens a window over the whole screen showing
the scene; closing it as a window manager's close button does (a
WM_DELETE_WINDOW message) gives the view back to the main window, whose
canvas still draws and turns the scene. Twice, then Ctrl+Q exits 0.

  fennix_full_screen_test.py FENNIX SCENE
"""
import ctypes
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fennix_window_test import fail, share_changed  # noqa: E402
from fennix_window_faults_test import Window, colour_extent, grab_stays  # noqa: E402
from fennix_select_drag_test import is_yellow  # noqa: E402
import fennix_window_faults_test  # noqa: E402

SCREEN = (1024, 768)


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]


def ask_to_close(display, window):
    """What a window manager sends when its close button is pressed."""
    xlib = ctypes.CDLL("libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    xlib.XFlush.argtypes = [ctypes.c_void_p]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    connection = xlib.XOpenDisplay(display.encode())
    if not connection:
        fail("cannot open %s" % display)
    try:
        event = XEvent()
        event.xclient.type = 33  # ClientMessage
        event.xclient.window = int(window)
        event.xclient.message_type = xlib.XInternAtom(connection, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = xlib.XInternAtom(connection, b"WM_DELETE_WINDOW", 0)
        xlib.XSendEvent(connection, int(window), 0, 0, ctypes.byref(event))
        xlib.XFlush(connection)
    finally:
        xlib.XCloseDisplay(connection)


def full_screen_window(w, present, seconds=30):
    deadline = time.time() + seconds
    while time.time() < deadline:
        found = w.run("xdotool", "search", "--onlyvisible", "--name", "^FullScreen$", check=False).decode().split()
        if bool(found) == present:
            return found[0] if found else None
        time.sleep(0.2)
    fail("the full-screen window %s" % ("never showed" if present else "did not go"))


def main():
    fennix, scene = sys.argv[1:3]
    fennix_window_faults_test.EXIT_SECONDS = int(sys.argv[3]) if len(sys.argv) > 3 else 8
    w = Window(fennix, scene)
    try:
        if colour_extent(w, is_yellow) is None:
            fail("the main window does not show the yellow box")
        for round in (1, 2):
            w.key("alt+v")
            time.sleep(0.3)
            w.key("u")
            full = full_screen_window(w, True)
            x, y, width, height = w.screen.geometry(full)
            # Without a window manager the toolkit sizes the window itself,
            # a pixel over the screen's edge.
            if x > 0 or y > 0 or x + width < SCREEN[0] or y + height < SCREEN[1] or width > SCREEN[0] + 4:
                fail("round %d: the full-screen window is %dx%d at %d,%d, not the screen" % (round, width, height, x, y))
            image = w.screen.shot()
            width, height = SCREEN
            yellow = sum(1 for yy in range(0, height, 4) for xx in range(0, width, 4) if is_yellow(image.pixel(xx, yy)))
            deadline = time.time() + 20
            while yellow == 0 and time.time() < deadline:
                time.sleep(0.3)
                image = w.screen.shot()
                yellow = sum(1 for yy in range(0, height, 4) for xx in range(0, width, 4)
                             if is_yellow(image.pixel(xx, yy)))
            if yellow == 0:
                fail("round %d: the full-screen window does not show the scene" % round)

            ask_to_close(w.display, full)
            full_screen_window(w, False)
            if w.program.poll() is not None:
                fail("round %d: closing the full-screen window ended the program" % round)
            if grab_stays(w.display):
                fail("round %d: a pointer grab stayed after the full-screen window closed" % round)
            before = w.settled()
            if colour_extent(w, is_yellow) is None:
                fail("round %d: the main window lost the scene" % round)
            # The main canvas has the view again: a drag over empty space turns it.
            w.drag_start(12, w.box[3] - 12, 90, -30)
            w.run("xdotool", "mouseup", "1")
            if share_changed(before, w.settled()) < 0.02:
                fail("round %d: after full screen a drag in the main window did not turn the view" % round)
        w.key("ctrl+q")
        w.wait_exit(8)
        print("PASS: View > Full Screen covered the screen with the scene twice; closing it gave the view back")
    finally:
        w.close()


if __name__ == "__main__":
    main()
