#!/usr/bin/env python3
"""fennix SCENE under a virtual X server of this test's own, driven by real X
input events: the window shows the scene, a left drag turns it, the wheel
zooms, the window resizes, and Ctrl+Q closes it with exit status 0. A scene
that is not there ends with status 1 and a message.

  fennix_window_test.py FENNIX SCENE [--keep-shots DIR]
"""
import argparse
import ctypes
import os
import select
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xwdimage import XwdImage  # noqa: E402

BACKGROUND = (128, 191, 191)


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


class ChosenDisplay:
    """Stands for the X server when the tests run on a display the developer
    chose (FENNIX_TEST_DISPLAY): it is neither started nor stopped here."""

    def poll(self):
        return None

    def terminate(self):
        pass

    def kill(self):
        pass

    def wait(self, timeout=None):
        return 0


def start_xvfb():
    """An X server of the test's own: (server, display). With
    FENNIX_TEST_DISPLAY set (":0", or a server started to be watched), the
    test runs there instead; run such tests one at a time (ctest -j1)."""
    chosen = os.environ.get("FENNIX_TEST_DISPLAY")
    if chosen:
        return ChosenDisplay(), chosen
    # The server takes the first free display itself and names it on a pipe:
    # tests that start servers at the same moment (two suites on one machine)
    # can never pick one number and end up sharing a server. -noreset: by
    # default the server resets when its last client leaves and refuses
    # whoever connects meanwhile; the tests poll with short-lived clients
    # while the program starts, so on a busy machine the program's own
    # connection could land in that gap.
    named, told = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(told), "-noreset", "-screen", "0", "1024x768x24",
                               "-nolisten", "tcp", "+extension", "GLX"], pass_fds=(told,), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    os.close(told)
    number = b""
    deadline = time.time() + 30
    try:
        while not number.endswith(b"\n") and time.time() < deadline:
            if not select.select([named], [], [], 0.5)[0]:
                if server.poll() is not None:
                    break
                continue
            chunk = os.read(named, 16)
            if not chunk:
                break
            number += chunk
    finally:
        os.close(named)
    if number.strip().isdigit():
        return server, ":%d" % int(number)
    server.kill()
    server.wait()
    fail("Xvfb did not start (it named no display)")


def window_test_arguments(case_choices=None):
    """FENNIX SCENE [--keep-shots DIR] (after a CASE when `case_choices` are
    given); fails when an X tool the window tests drive is not installed."""
    parser = argparse.ArgumentParser()
    if case_choices is not None:
        parser.add_argument("case", choices=sorted(case_choices))
    parser.add_argument("fennix")
    parser.add_argument("scene")
    parser.add_argument("--keep-shots")
    args = parser.parse_args()
    for tool in ("Xvfb", "xdotool", "xwd"):
        if shutil.which(tool) is None:
            fail("%s is not installed (scripts/install-deps installs it)" % tool)
    return args


def copy_scene(path, prefix):
    """A copy of the scene in a new temporary folder, so that the program may
    write beside it: (folder, copied scene)."""
    folder = tempfile.mkdtemp(prefix=prefix)
    scene = os.path.join(folder, os.path.basename(path))
    shutil.copyfile(path, scene)
    return folder, scene


def start_fennix(fennix, scene):
    """An X server of the test's own and `fennix SCENE` on it (software GL,
    the toolkit on X11): (server, screen, program). Stop them with stop()."""
    server, display = start_xvfb()
    screen = Screen(display)
    env = dict(screen.env, LIBGL_ALWAYS_SOFTWARE="1", GDK_BACKEND="x11", NO_AT_BRIDGE="1")
    program = subprocess.Popen([fennix, scene], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    return server, screen, program


def stop(program, server):
    """Ends the program if it still runs, then the X server."""
    if program.poll() is None:
        program.kill()
        program.wait()
    server.terminate()
    server.wait()


class Screen:
    def __init__(self, display):
        self.env = dict(os.environ, DISPLAY=display)

    def run(self, *args, check=True, timeout=20):
        result = subprocess.run(list(args), env=self.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                timeout=timeout)
        if check and result.returncode != 0:
            fail("%s: %s" % (" ".join(args), result.stderr.decode(errors="replace").strip()))
        return result.stdout

    def window(self, name, program=None):
        """The first window named `name`; fails at once, with what it wrote,
        when `program` (the process that should show it) ends first."""
        # A sanitizer build on a loaded machine can take long to show its first window.
        deadline = time.time() + 90
        while time.time() < deadline:
            found = self.run("xdotool", "search", "--name", name, check=False).split()
            if found:
                return found[0].decode()
            if program is not None and program.poll() is not None:
                said = program.stderr.read().decode(errors="replace").strip() if program.stderr else ""
                fail("the program ended with status %d before a window named %s appeared: %s%s"
                     % (program.returncode, name, said, self.server_gone()))
            time.sleep(0.2)
        fail("no window named %s appeared%s" % (name, " (the program still runs)" if program is not None else ""))

    def server_gone(self):
        """Says so when the display's server no longer answers: a program
        that could not open the display then says nothing about itself."""
        try:
            answer = subprocess.run(["xdotool", "getdisplaygeometry"], env=self.env, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL, timeout=30)
        except subprocess.TimeoutExpired:
            return " (the X server %s does not answer)" % self.env["DISPLAY"]
        return "" if answer.returncode == 0 else " (the X server %s is gone)" % self.env["DISPLAY"]

    def type_keys(self, window, *names):
        """Gives `window` the keyboard, then types `names` as a person would
        (XTEST, into the focused window). An event sent to the window itself
        is synthetic, and the toolkit may drop one that comes while the
        window is still being mapped; a typed key reaches it."""
        wait_for_focus(self, window)
        self.run("xdotool", "key", *names, check=False)

    def choose(self, window, opener, *path):
        """Opens a menu of `window` with `opener` (Alt and the menu's letter)
        and follows `path`, one letter per submenu and the entry's letter
        last, each typed once the menu it is meant for is shown. Returns once
        every menu it opened is gone again (the entry was chosen). Menus are
        followed by their windows, not by probing the grab they hold: a probe
        of ours could take the grab the opening menu asks for."""
        display = self.env["DISPLAY"]
        before = shown_windows(display)
        self.type_keys(window, opener)
        menus = wait_until(lambda: shown_windows(display) - before, seconds=60)
        if not menus:
            fail("%s opened no menu" % opener)
        for depth, name in enumerate(path):
            shown = shown_windows(display)
            self.run("xdotool", "key", name, check=False)
            if depth + 1 < len(path):
                submenu = wait_until(lambda: shown_windows(display) - shown, seconds=60)
                if not submenu:
                    fail("%s %s opened no submenu" % (opener, " ".join(path[:depth + 1])))
                menus |= submenu
        if not wait_until(lambda: not (shown_windows(display) & menus), seconds=60):
            fail("the menu opened by %s %s stayed open" % (opener, " ".join(path)))

    def geometry(self, window):
        values = {}
        for line in self.run("xdotool", "getwindowgeometry", "--shell", window).decode().splitlines():
            key, _, value = line.partition("=")
            values[key] = int(value)
        return values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]

    def shot(self):
        # The server refuses a dump for a moment while a window comes or goes
        # (a tool tip, a full-screen frame): take it again.
        for _ in range(20):
            result = subprocess.run(["xwd", "-root", "-silent"], env=self.env, stdout=subprocess.PIPE,
                                    stderr=subprocess.PIPE, timeout=20)
            if result.returncode == 0:
                return XwdImage(result.stdout)
            time.sleep(0.3)
        fail("xwd -root -silent: %s" % result.stderr.decode(errors="replace").strip())


# The window opens with its canvas at this size, below the menu bar and the
# toolbars.
CANVAS_WIDTH, CANVAS_HEIGHT = 640, 480


# The modeller's status bar below the canvas (the test server's theme).
STATUS_BAR_HEIGHT = 22


def canvas_box(window_box):
    """The canvas part of a newly opened window: the CANVAS_HEIGHT rows above
    the status bar at its bottom."""
    x, y, width, height = window_box
    top = max(0, height - CANVAS_HEIGHT - STATUS_BAR_HEIGHT)
    return x, y + top, width, min(CANVAS_HEIGHT, height - top)


def expect_clean_exit(program, timeout=20):
    """The program, its window closed, must end within `timeout` seconds with status 0."""
    try:
        status = program.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        fail("fennix did not exit after its window was closed")
    if status != 0:
        fail("fennix exited with status %d: %s" % (status, program.stderr.read().decode(errors="replace")))


def close_with_ctrl_q(screen, window, program, timeout=20):
    """Ctrl+Q typed into the window: the program must end with status 0."""
    screen.type_keys(window, "ctrl+q")
    expect_clean_exit(program, timeout)


def other_windows(screen, name, window):
    """The windows whose name matches `name`, other than `window` (a question
    the window asks has the window's title)."""
    return [w for w in screen.run("xdotool", "search", "--name", name, check=False).decode().split() if w != window]


def crop(image, box):
    x0, y0, width, height = box
    return [[image.pixel(x0 + x, y0 + y) for x in range(0, width, 4)] for y in range(0, height, 4)]


def share_changed(a, b):
    changed = total = 0
    for row_a, row_b in zip(a, b):
        for pa, pb in zip(row_a, row_b):
            total += 1
            if max(abs(pa[i] - pb[i]) for i in range(3)) > 40:
                changed += 1
    return changed / max(total, 1)


def red_share(pixels):
    red = total = 0
    for row in pixels:
        for p in row:
            total += 1
            if p[0] > 150 and p[1] < 90 and p[2] < 90:
                red += 1
    return red / max(total, 1)


def wait_until(test, seconds=30, every=0.1):
    """The first true value test() answers within `seconds`, asked every
    `every` seconds; None when it never does. The deadline only ends a wait
    for something that does not come: a loaded machine may take long."""
    deadline = time.time() + seconds
    while True:
        found = test()
        if found or time.time() > deadline:
            return found or None
        time.sleep(every)


class _WindowAttributes(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int), ("height", ctypes.c_int),
                ("border_width", ctypes.c_int), ("depth", ctypes.c_int), ("visual", ctypes.c_void_p),
                ("root", ctypes.c_ulong), ("c_class", ctypes.c_int), ("bit_gravity", ctypes.c_int),
                ("win_gravity", ctypes.c_int), ("backing_store", ctypes.c_int),
                ("backing_planes", ctypes.c_ulong), ("backing_pixel", ctypes.c_ulong),
                ("save_under", ctypes.c_int), ("colormap", ctypes.c_ulong), ("map_installed", ctypes.c_int),
                ("map_state", ctypes.c_int), ("all_event_masks", ctypes.c_long),
                ("your_event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
                ("override_redirect", ctypes.c_int), ("screen", ctypes.c_void_p)]


_XLIB = None


def xlib():
    """libX11 with the signatures the tests call (there is no window manager
    to ask: the tests ask the X server itself)."""
    global _XLIB
    if _XLIB is None:
        lib = ctypes.CDLL("libX11.so.6")
        lib.XOpenDisplay.restype = ctypes.c_void_p
        lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        lib.XDefaultRootWindow.restype = ctypes.c_ulong
        lib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        lib.XGetInputFocus.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_int)]
        lib.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                                   ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                                   ctypes.POINTER(ctypes.c_uint)]
        lib.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(_WindowAttributes)]
        lib.XGrabPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_uint, ctypes.c_int,
                                     ctypes.c_int, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_ulong]
        lib.XUngrabPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        lib.XFree.argtypes = [ctypes.c_void_p]
        lib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        _XLIB = lib
    return _XLIB


class XConnection:
    """A connection of the test's own to `display`, closed on leaving."""
    def __init__(self, display):
        self.display = display

    def __enter__(self):
        self.handle = xlib().XOpenDisplay(self.display.encode())
        if not self.handle:
            fail("cannot open %s to ask the X server" % self.display)
        return self.handle

    def __exit__(self, *exc):
        xlib().XCloseDisplay(self.handle)


def _query_tree(connection, window):
    """(root, parent, children) of `window`; None when the server refuses."""
    lib = xlib()
    root, parent = ctypes.c_ulong(), ctypes.c_ulong()
    children, count = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
    if not lib.XQueryTree(connection, window, ctypes.byref(root), ctypes.byref(parent), ctypes.byref(children),
                          ctypes.byref(count)):
        return None
    listed = [children[i] for i in range(count.value)]
    if children:
        lib.XFree(children)
    return root.value, parent.value, listed


def has_focus(screen, window):
    """Whether the X input focus is on `window` or on a window inside it."""
    with XConnection(screen.env["DISPLAY"]) as connection:
        focus, revert = ctypes.c_ulong(), ctypes.c_int()
        xlib().XGetInputFocus(connection, ctypes.byref(focus), ctypes.byref(revert))
        at = focus.value
        while at > 1:  # 0: none, 1: PointerRoot
            if at == int(window):
                return True
            tree = _query_tree(connection, at)
            if tree is None or tree[1] == tree[0]:
                return False
            at = tree[1]
        return False


def shown_windows(display):
    """The top-level windows the server shows now (menus and their submenus
    among them: they are windows of their own, without a name)."""
    with XConnection(display) as connection:
        tree = _query_tree(connection, xlib().XDefaultRootWindow(connection))
        shown = set()
        for child in tree[2] if tree else []:
            attributes = _WindowAttributes()
            if xlib().XGetWindowAttributes(connection, child, ctypes.byref(attributes)) and attributes.map_state == 2:
                shown.add(child)
        return shown


def pointer_grabbed(display):
    """Whether some client holds the X pointer: a grab of our own is refused
    then (AlreadyGrabbed)."""
    lib = xlib()
    with XConnection(display) as connection:
        status = lib.XGrabPointer(connection, lib.XDefaultRootWindow(connection), 0, 0, 1, 1, 0, 0, 0)
        if status == 0:
            lib.XUngrabPointer(connection, 0)
        return status == 1


def wait_for_focus(screen, window, seconds=30):
    """Gives `window` the keyboard and waits until the X server says it has it."""
    screen.run("xdotool", "windowfocus", "--sync", window, check=False)
    if not wait_until(lambda: has_focus(screen, window), seconds):
        fail("the window %s did not take the keyboard" % window)


def settle(screen, box, previous=None, seconds=10, changed_from=None):
    """The window's picture once it stops changing (the refinement passes run
    for a few hundred milliseconds after each redraw). With `changed_from`,
    a picture still equal to it is not taken as settled: a slow program (the
    sanitizer build on a loaded machine) may not have drawn the events sent
    yet."""
    deadline = time.time() + seconds
    last = crop(screen.shot(), box)
    while time.time() < deadline:
        time.sleep(0.5)
        now = crop(screen.shot(), box)
        drawn = red_share(now) > 0 or previous is not None
        if changed_from is not None and share_changed(changed_from, now) == 0.0:
            drawn = False
        if drawn and share_changed(last, now) == 0.0:
            return now
        last = now
    return last


def main():
    args = window_test_arguments()

    server, display = start_xvfb()
    screen = Screen(display)
    env = dict(screen.env, LIBGL_ALWAYS_SOFTWARE="1")

    # A scene that is not there opens no window and says why.
    missing = subprocess.run([args.fennix, args.scene + ".missing"], env=env, stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, timeout=60)
    if missing.returncode != 1 or b"missing" not in missing.stderr:
        server.terminate()
        fail("a missing scene should end with status 1 and a message, not %d: %s"
             % (missing.returncode, missing.stderr.decode(errors="replace")))

    program = subprocess.Popen([args.fennix, args.scene], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        window = screen.window(os.path.basename(args.scene), program)
        box = screen.geometry(window)
        # The canvas is 640x480; the menu bar and the toolbars lie above it.
        if box[2] != 640 or box[3] < 480:
            fail("the window is %dx%d, not 640 wide with a 640x480 canvas" % (box[2], box[3]))
        first = settle(screen, box)
        if red_share(first) < 0.01:
            fail("the window does not show the scene's red box")
        if args.keep_shots:
            screen.shot().save_png(os.path.join(args.keep_shots, "1-opened.png"))

        # A left drag across the window turns the scene.
        x, y = box[0] + 320, box[1] + 240
        screen.run("xdotool", "mousemove", str(x), str(y), "mousedown", "1")
        for step in range(1, 9):
            screen.run("xdotool", "mousemove", str(x + 15 * step), str(y + 5 * step))
            time.sleep(0.05)
        screen.run("xdotool", "mouseup", "1")
        turned = settle(screen, box, first, seconds=30, changed_from=first)
        if share_changed(first, turned) < 0.02:
            fail("a left drag did not change the picture")
        if red_share(turned) < 0.01:
            fail("the turned scene is gone from the window")
        if args.keep_shots:
            screen.shot().save_png(os.path.join(args.keep_shots, "2-turned.png"))

        # Three wheel notches towards the scene zoom in.
        screen.run("xdotool", "mousemove", str(x), str(y), "click", "4", "click", "4", "click", "4")
        zoomed = settle(screen, box, turned, seconds=30, changed_from=turned)
        if share_changed(turned, zoomed) < 0.02:
            fail("the wheel did not change the picture")
        if red_share(zoomed) <= red_share(turned):
            fail("zooming in should make the boxes cover more of the window")

        # The window resizes and is drawn at its new size.
        # (Smaller than it opens, yet wide enough for its menu bar, which
        # sets the least width the window takes.)
        screen.run("xdotool", "windowsize", window, "480", "300")
        box = wait_until(lambda: (lambda b: b if b[2:] == (480, 300) else None)(screen.geometry(window)))
        box = box or screen.geometry(window)
        if box[2] != 480 or box[3] != 300:
            fail("the window did not take the new size: %dx%d" % (box[2], box[3]))
        resized = settle(screen, box, zoomed)
        corner = resized[-1][-1]
        if max(abs(corner[i] - BACKGROUND[i]) for i in range(3)) > 12 and red_share(resized) == 0:
            fail("the resized window is not drawn")
        if args.keep_shots:
            screen.shot().save_png(os.path.join(args.keep_shots, "3-resized.png"))

        # Ctrl+Q closes the window and ends the program.
        close_with_ctrl_q(screen, window, program)
        print("PASS: the window showed the scene, turned, zoomed, resized and closed with status 0")
    finally:
        stop(program, server)


if __name__ == "__main__":
    main()
