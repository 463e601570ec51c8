#!/usr/bin/env python3
"""The custom spline, movie, texture and text-along-a-path dialogs under a virtual X server of
this test's own (tests/platform/wx/MediaDialogsProbe.cpp drives them with
real X events): every control of each dialog lies inside its client area at
least at its best size; a typed left margin reaches the custom dialog; a
click on Abort during a recording stops it at the next progress call while
a button of another window gets no click; the texture browser shows three
thumbnails and "Total Image: 3" for three good and one broken BMP, and a
click on the second thumbnail puts "b.bmp" on the selected object; the
text dialog adds its text object, Play advances the phase with undo off
and OK switches undo back on.

  wx_media_dialogs_test.py PROBE
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fennix_window_test import fail  # noqa: E402
from probe_run import expect_values, run_probe  # noqa: E402


def main():
    v = run_probe(sys.argv[1])
    expected = {"custom-outside": "0", "custom-small": "0", "custom-title": "Lower Arch",
                "custom-left": "12.5",
                "movie-outside": "0", "movie-small": "0", "movie-stopped": "1",
                "movie-other-clicks": "0", "movie-progress-after": "0",
                "texture-outside": "0", "texture-small": "0", "texture-total": "Total Image: 3",
                "texture-thumbnails": "3", "texture-range": "4", "texture-image": "b.bmp", "texture-preview": "1",
                "texture-moved": "1", "texture-picture-changed": "1",
                "wrapper-outside": "0", "wrapper-small": "0", "wrapper-added": "1",
                "wrapper-played": "1", "wrapper-undo-off": "1", "wrapper-undo-back": "1"}
    expect_values(v, expected)
    for name in ("custom", "movie", "texture", "wrapper"):
        if int(v.get(name + "-controls", "0")) < 5:
            fail("%s shows only %s controls" % (name, v.get(name + "-controls")))
    print("PASS: the custom, movie, texture and text-along-a-path dialogs lay out every control at its best size; "
          "a typed margin, Abort during a recording, the worker's fill and Play all arrive")


if __name__ == "__main__":
    main()
