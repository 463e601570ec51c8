#!/usr/bin/env python3
"""The tree list as the layers dialog shows it, under a virtual X server of
this test's own (tests/platform/wx/TreeListProbe.cpp clicks and reads the
pixels back from the screen): a real click on "Add Layer" with only "Layer0"
makes "Layer1", makes it current and moves the selected object to it; the
rows alternate in colours 2 (0xD8D8D8) and 1 (0xE0E0E0) from row 0; the
insert-mark row is painted in colour 10; the expand buttons sit 7 pixels
into the item's indent column, with a frame in colour 6, a bar in colour 5
and the upright bar only on the collapsed item. A second click on the
selected layer's name opens the edit box: Escape keeps the name (and the
dialog), Enter renames the layer. The mouse resting on a name wider than
its column shows the whole name in the tip window; moving off hides it.

  wx_tree_list_test.py PROBE
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fennix_window_test import fail  # noqa: E402
from probe_run import expect_values, run_probe  # noqa: E402

TOLERANCE = 8


def near(a, b):
    a, b = int(a, 16), int(b, 16)
    return all(abs(((a >> s) & 0xFF) - ((b >> s) & 0xFF)) <= TOLERANCE for s in (0, 8, 16))


def main():
    v = run_probe(sys.argv[1])
    expect_values(v, {"layers": "2", "layer1": "Layer1", "current": "1",
                      "selection-on-layer1": "1", "mark-row": "2",
                      "edit-opened-escape": "1", "name-after-escape": "Layer0",
                      "dialog-shown-after-escape": "1",
                      "edit-opened-enter": "1", "name-after-enter": "Walls",
                      "still-editing-escape": "0", "still-editing-enter": "0",
                      "tip-shown": "1", "tip-text": "A layer whose name is far wider than its column",
                      "tip-hidden": "1",
                      "dialog-shown-after-enter": "1"})
    if v.get("mark-colour") != "F08020":
        fail("mark-colour: %r, expected F08020 as the probe set it" % v.get("mark-colour"))
    checks = [("row0", "D8D8D8"), ("row1", "E0E0E0"), ("row2", v["mark-colour"]), ("row3", "E0E0E0"),
              ("button0-frame", v["frame-colour"]), ("button0-bar", v["sign-colour"]),
              ("button0-upright", "D8D8D8"), ("button0-outside", "D8D8D8"),
              ("button3-frame", v["frame-colour"]), ("button3-bar", v["sign-colour"]),
              ("button3-upright", v["sign-colour"]), ("button3-outside", "E0E0E0")]
    for key, expected in checks:
        if not near(v.get(key, "FFFFFFFF"), expected):
            fail("%s: %s, expected %s (all: %s)" % (key, v.get(key), expected, v))
    print("PASS: Add Layer gives Layer1, current, with the selection; rows alternate 2/1 from row 0, "
          "the mark row is colour 10, the buttons sit at the indent; "
          "Escape in the edit box keeps the name, Enter renames; "
          "a cut name gets its tip")


if __name__ == "__main__":
    main()
