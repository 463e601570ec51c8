#!/usr/bin/env python3
"""The wx numeric controls and dialog base under a virtual X server of this
test's own (tests/platform/wx/ControlsProbe.cpp does the clicking): a click on
the spin's down arrow at the minimum keeps the minimum without the wrap style
and jumps to the maximum with it (the edit's text read back); a dialog closed
with Escape reports its closing once and opens again; ',' and '.' typed
into the GL canvas reach the engine as its comma and period keys; the colour
button shows its colours and frame and a click on it is a button click; the
download dialog's bar stands at 500 of 1000 half way and its Cancel button
stops the download.

  wx_controls_test.py PROBE
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fennix_window_test import fail  # noqa: E402
from probe_run import expect_values, run_probe  # noqa: E402


def main():
    values = run_probe(sys.argv[1])
    expected = {"nowrap": "0", "wrap": "10", "wrap-up": "0",
                "dialog-round0": "1 shown=0", "dialog-round1": "2 shown=0",
                # ',' and '.' as the engine's comma and period keys.
                "keys": "188,190",
                # A release never seen: the next plain move ends the drag.
                "lost-release": "down+L,move+L,up,move",
                # The colour button: its background inside, its raised
                # frame's light outer ring (63 - 64 mod 256) at the corner.
                "colour-clicks": "1",
                "progress-caption": "Downloading, Please Wait.", "progress-bar": "500",
                "progress-aborted": "1"}
    # The toolkit draws lines with smoothing: colours within a few levels.
    near = {"colour-inside": (0, 0, 200), "colour-corner": (255, 255, 255)}
    for key, value in near.items():
        try:
            seen = tuple(int(v) for v in values.get(key, "").split(","))
        except ValueError:
            seen = ()
        if len(seen) != 3 or max(abs(a - b) for a, b in zip(seen, value)) > 12:
            fail("%s: %r, expected about %r" % (key, values.get(key), value))
    expect_values(values, expected)
    print("PASS: the spin stops or wraps at its minimum as its style says; the dialog reports each closing once; "
          "keys, colour button and download dialog as expected")


if __name__ == "__main__":
    main()
