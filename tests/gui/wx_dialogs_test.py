#!/usr/bin/env python3
"""The modeller window's dialogs under a virtual X server of this test's own
(tests/host/window/DialogsProbe.cpp opens them through the facade): each
dialog opens modeless on top of its window with every control inside its
client area and at least at its best size; every number box shows a value
with all its decimals whole; a second opening is refused with the message
and gives the focus back to the open dialog; the close box frees the slot;
no dialog window stays when the facade goes; under the sanitizer build,
nothing leaks.

  wx_dialogs_test.py PROBE
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fennix_window_test import fail  # noqa: E402
from probe_run import expect_values, run_probe  # noqa: E402


def main():
    values = run_probe(sys.argv[1], timeout=120, check_status=True)
    dialogs = {k: v for k, v in values.items() if k.startswith("dialog-")}
    if len(dialogs) < 12:
        fail("too few dialogs measured: %s" % dialogs)
    for key, value in dialogs.items():
        if value != "ok":
            fail("%s: %s" % (key, value))
    expected = {"second-open": "0", "second-message": "1", "frame-focused": "1", "second-focused": "1",
                "closed-by-box": "1", "windows-left": "0",
                "number-box-failures": "0", "number-boxes-cut": "0",
                "open-count": str(len(dialogs))}
    expect_values(values, expected)
    if int(values.get("number-boxes", "0")) < 10:
        fail("too few number boxes tried: %s" % values.get("number-boxes"))
    print("PASS: %d dialogs open whole and on top; letters in each of %s number boxes are refused; a second "
          "opening is refused; closing frees the slot" % (len(dialogs), values.get("number-boxes")))


if __name__ == "__main__":
    main()
