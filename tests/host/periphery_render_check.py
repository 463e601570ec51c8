#!/usr/bin/env python3
"""Checks the 320x240 picture fennix --render made of tests/data/periphery_particles_character.kvrx,
seen from above: yellow particles blown from the emitter at the left toward +x by the wind, and a red
skin bent by its upper bone toward +x at the right (unbent, perspective alone carries the skin's top to
x = 255; bent, it reaches x = 285). With a second argument "particles" only the particles are checked
(the shadow frame's picture). Prints PASS: or FAIL: with what was seen."""
import os
import sys
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '../lib'))
from bmp import read_bmp  # noqa: E402


def yellow(p):
    return p[0] > 180 and p[1] > 180 and p[2] < 100


def red(p):
    return p[0] > 80 and p[1] < p[0] // 3 and p[2] < p[0] // 3


def main():
    width, height, pixel = read_bmp(sys.argv[1])
    # Particles to the right of the emitter (blown by the wind), not on any outline.
    particles = sum(1 for x in range(width * 140 // 320, width * 176 // 320)
                    for y in range(height * 100 // 240, height * 135 // 240) if yellow(pixel(x, y)))
    # The skin's root stands at 225; only the bent skin reaches 275.
    root = pixel(width * 225 // 320, height // 2)
    bent = pixel(width * 275 // 320, height // 2)
    beyond = pixel(width * 300 // 320, height // 2)
    if len(sys.argv) > 2 and sys.argv[2] == "particles":
        # The shadow frame lights the skin from elsewhere: only the particles are checked.
        ok = particles >= 40
        print(("PASS: " if ok else "FAIL: ") + f"{particles} particle pixels blown by the wind")
        return 0 if ok else 1
    ok = particles >= 40 and red(root) and red(bent) and not red(beyond)
    print(("PASS: " if ok else "FAIL: ") +
          f"{particles} particle pixels, skin root {root}, bent skin {bent}, beyond {beyond}")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
