#!/usr/bin/env python3
"""The parametric-model builder's window under a virtual X server of this
test's own (tests/modelbuilder/wx/ModelBuilderProbe.cpp drives it): it opens
on a selected object with every control inside its client area, "Add " is
disabled until a name and a default are typed, typing "w" and "7" with real
key presses and clicking "Add " adds the parameter to the model and the tree,
a click on its item and on "Connect" connects it to a picked field, a click
on the connection and on "Disconnect" removes it with its "Connections "
item, and Cancel reaches the document's close-dialog callback, which destroys
the window as the dialog table does, and the new model goes again.

  wx_model_builder_test.py PROBE
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fennix_window_test import fail  # noqa: E402
from probe_run import expect_values, run_probe  # noqa: E402


def main():
    v = run_probe(sys.argv[1])
    expect_values(v, {"shown": "1", "outside": "none", "add-enabled-at-start": "0",
                      "add-enabled-after-typing": "1", "param-added": "1", "param-value": "7",
                      "tree-shows-param": "1", "name-emptied": "1",
                      "connect-enabled": "1", "connected": "1", "tree-shows-connection": "1",
                      "disconnect-enabled": "1", "connections-gone": "1", "points-left": "0",
                      "destroyed-by-callback": "1", "model-taken-back": "1"})
    if int(v.get("controls", "0")) < 20:
        fail("only %s controls were checked (all: %s)" % (v.get("controls"), v))
    print("PASS: the builder opens with %s controls inside its client area; a typed parameter is added "
          "by a click, connected and disconnected through the tree; Cancel closes it through the "
          "close-dialog callback and takes the new model back" % v["controls"])


if __name__ == "__main__":
    main()
