#!/usr/bin/env python3
"""The embeddable control in a frame of its own, under a virtual X server of
this test's own: the probe (tests/control/wx/FennixCtrlProbe.cpp) starts it
with every pane hidden, shows them with a real H key, drags the scene-tree
pane wider, hides and shows it through OpenDialog 20 and closes; started a
second time with the same settings folder, the pane comes back at the width
it was left at.

  fennix_ctrl_test.py PROBE SCENE [--keep-shots DIR]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fennix_window_test import fail, start_xvfb  # noqa: E402
from probe_run import fail_on_waits_in_vain  # noqa: E402


def run(probe, args, env):
    try:
        result = subprocess.run([probe] + args, env=env, capture_output=True, text=True, timeout=90)
    except subprocess.TimeoutExpired:
        fail("the probe did not finish")
    values = dict(line.split("=", 1) for line in result.stdout.splitlines() if "=" in line)
    if "done" not in result.stdout or result.returncode != 0:
        fail("the probe stopped early (status %d): %s %s" % (result.returncode, result.stdout, result.stderr[-2000:]))
    fail_on_waits_in_vain(result.stdout)
    return values


def expect(values, key, wanted):
    if values.get(key) != wanted:
        fail("%s: %r, expected %r (all: %s)" % (key, values.get(key), wanted, values))


def number(values, key):
    try:
        return int(values[key])
    except (KeyError, ValueError):
        fail("%s missing (all: %s)" % (key, values))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("probe")
    parser.add_argument("scene")
    args = parser.parse_args()
    config = tempfile.mkdtemp(prefix="fennix-ctrl-")
    server, display = start_xvfb()
    try:
        env = dict(os.environ, DISPLAY=display, GDK_BACKEND="x11", NO_AT_BRIDGE="1", LIBGL_ALWAYS_SOFTWARE="1",
                   XDG_CONFIG_HOME=config)
        first = run(args.probe, [args.scene, "first"], env)
        expect(first, "ready", "1")
        expect(first, "sessions", "1")
        # ToolBarConfig 0: no toolbar and no tree pane.
        expect(first, "start", "0000")
        expect(first, "after_h", "1111")
        # The frame combo lists the five frames; "World" chosen, a handle tool works in it.
        expect(first, "frame_choices", "5")
        expect(first, "tool_frame", "200")
        # The view's sunken edge follows the panes beside it.
        expect(first, "start_edge", "0")
        expect(first, "after_h_edge", "1")
        # The property page showed ToolBarConfig and set the value typed there.
        expect(first, "page_config", "0")
        expect(first, "config_after_ok", "3")
        width = number(first, "tree_width")
        dragged = number(first, "dragged_width")
        if dragged < width + 40:
            fail("dragging the pane's edge did not widen it (%d -> %d)" % (width, dragged))
        expect(first, "after_open20", "1110")
        expect(first, "after_open20_again", "1111")
        if abs(number(first, "width_after_toggle") - dragged) > 2:
            fail("hiding and showing the pane changed its width (%d -> %s)" % (dragged, first["width_after_toggle"]))
        # Docked along the top the pane takes the height kept for that side
        # (200 by default, not its height on the left); back on the left, its width.
        if abs(number(first, "top_height") - 200) > 2:
            fail("docked along the top the pane is %s high, not the 200 kept for that side" % first["top_height"])
        if abs(number(first, "left_again_width") - dragged) > 2:
            fail("docked on the left again the pane is %s wide, it was %d" % (first["left_again_width"], dragged))
        if abs(number(first, "stored_width") - dragged) > 2:
            fail("the settings keep %s, the pane was %d wide" % (first["stored_width"], dragged))

        second = run(args.probe, [args.scene, "again", str(dragged)], env)
        expect(second, "start", "0000")
        expect(second, "after_h", "1111")
        if abs(number(second, "tree_width") - dragged) > 2:
            fail("after a restart the pane is %s wide, it was left %d wide" % (second["tree_width"], dragged))
        if abs(number(second, "stored_width") - dragged) > 2:
            fail("the second run changed the kept width to %s" % second["stored_width"])
        print("PASS: panes hidden at start, shown by H; the tree pane widened to %d, hidden and shown, "
              "and %d wide again after a restart" % (dragged, number(second, "tree_width")))
    finally:
        server.terminate()
        server.wait()
        shutil.rmtree(config, ignore_errors=True)


if __name__ == "__main__":
    main()
