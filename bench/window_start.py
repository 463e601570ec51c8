#!/usr/bin/env python3
"""How long `fennix SCENE` takes to show its first picture of the scene.

  window_start.py FENNIX SCENE [--runs N] [--core C]

Each run starts the window on an X server of the script's own (software GL,
the toolkit on X11), dumps the screen every few milliseconds and stops at the
first dump in which the canvas shows the scene's red (the window tests'
sample scene holds a red box). It prints, per run and as medians, the wall
time from the start of the process to that dump and the CPU time the process
had used by then (user and system, all its threads, from /proc). The dumps
are made by other processes: on a loaded machine the wall time counts them
and everyone else, so the CPU time is the figure to compare; pin the window
to a quiet core with --core.
"""
import argparse
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "gui"))
import fennix_window_test as window  # noqa: E402

TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    # utime and stime are the 12th and 13th fields after the command.
    return (int(fields[11]) + int(fields[12])) / TICKS


def one_run(fennix, scene, core):
    server, display = window.start_xvfb()
    screen = window.Screen(display)
    env = dict(screen.env, LIBGL_ALWAYS_SOFTWARE="1", GDK_BACKEND="x11", NO_AT_BRIDGE="1")
    command = [fennix, scene]
    if core is not None:
        command = ["taskset", "-c", str(core)] + command
    start = time.perf_counter()
    program = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        deadline = start + 120
        while time.perf_counter() < deadline:
            if program.poll() is not None:
                raise RuntimeError("the program ended with status %d before its first picture" % program.returncode)
            used = cpu_seconds(program.pid)
            wall = time.perf_counter() - start
            image = screen.shot()
            # The whole screen, coarsely: the canvas is the only red there.
            sample = [[image.pixel(x, y) for x in range(0, image.width, 8)] for y in range(0, image.height, 8)]
            if window.red_share(sample) > 0.002:
                return wall, used
            time.sleep(0.005)
        raise RuntimeError("no picture within two minutes")
    finally:
        window.stop(program, server)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("fennix")
    parser.add_argument("scene")
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--core", type=int)
    args = parser.parse_args()
    walls, cpus = [], []
    one_run(args.fennix, args.scene, args.core)  # files into the page cache, shaders into Mesa's cache
    for run in range(args.runs):
        wall, used = one_run(args.fennix, args.scene, args.core)
        walls.append(wall)
        cpus.append(used)
        print("run %d: first picture after %.3f s wall, %.3f s CPU" % (run + 1, wall, used), flush=True)
    print("median of %d: %.3f s wall (%.3f..%.3f), %.3f s CPU (%.3f..%.3f)"
          % (args.runs, statistics.median(walls), min(walls), max(walls), statistics.median(cpus), min(cpus),
             max(cpus)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
