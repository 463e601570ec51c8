#!/usr/bin/env python3
"""Whole-process figures of fennix beside its peers, as ratios.

  compare_peers.py BUILD_DIR [--pairs N] [--core C] [--work DIR] [--rows ROW,...]

Rows (each a whole process, from start to exit):
  convert   a 15 MB number-dense VRML 1.0 file to scene text
            (peer: Coin3D reading it and writing it back)
  picture   the first picture of a 204,800-triangle scene at 640x480
            (peer: Coin3D's offscreen renderer; it needs an X display, so
            the script starts Xvfb when none is set)
  lisp      (+ 1 2) through `fennix --lisp` (peer: `clisp -C`)

and two measured inside one process: fib 25 and (tak 18 12 6) (bench_lisp
beside byte-compiled CLISP), and a steady frame of the picture row's scene
(bench_render's grid, whole viewer frames, beside the peer drawing the same
file again and again; the peer draws through the X server's GLX, which is
pinned to the same core).

The peers are measured only when installed (Debian's libcoin-dev and
clisp; never a build dependency of the project). The peer programs are
compiled here from bench/peers/ with the peer's own pkg-config flags.

Method: each run pinned to one core with taskset, ours and the peer's
interleaved pair by pair (so load that comes and goes hits both), the
median of N pairs for time and for peak resident memory (wait4's
ru_maxrss); the spread (lowest..highest) is printed to show the noise.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def write_grid(path, side, spacing=0.01):
    """A VRML 1.0 height field of side x side points, two triangles a cell."""
    with open(path, "w") as out:
        out.write("#VRML V1.0 ascii\n\nSeparator {\n  Material { diffuseColor 0.8 0.6 0.3 }\n")
        out.write("  Coordinate3 {\n    point [\n")
        for j in range(side):
            row = []
            for i in range(side):
                x = (i - side / 2) * spacing
                y = (j - side / 2) * spacing
                z = 0.05 * ((i * 7919 + j * 104729) % 1000) / 1000.0
                row.append(f"{x:.6f} {y:.6f} {z:.6f}")
            out.write("      " + ",\n      ".join(row) + ",\n")
        out.write("    ]\n  }\n  IndexedFaceSet {\n    coordIndex [\n")
        for j in range(side - 1):
            faces = []
            for i in range(side - 1):
                a = j * side + i
                b, c, d = a + 1, a + side + 1, a + side
                faces.append(f"{a}, {b}, {c}, -1, {a}, {c}, {d}, -1")
            out.write("      " + ",\n      ".join(faces) + ",\n")
        out.write("    ]\n  }\n}\n")


def run_once(command, core, env=None, stdin_text=None):
    """Wall time in seconds and peak resident memory in MB of one process."""
    full = ["taskset", "-c", str(core)] + command
    start = time.perf_counter()
    process = subprocess.Popen(full, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, env=env)
    if stdin_text is not None:
        process.stdin.write(stdin_text.encode())
    process.stdin.close()
    _, status, usage = os.wait4(process.pid, 0)
    elapsed = time.perf_counter() - start
    if status != 0:
        raise RuntimeError(f"{' '.join(command)} ended with status {status}")
    return elapsed, usage.ru_maxrss / 1024.0


def compare(name, ours, peer, pairs, core):
    times, peaks, peer_times, peer_peaks = [], [], [], []
    # One run of each first, not counted: files come into the page cache.
    run_once(ours["command"], core, ours.get("env"), ours.get("stdin"))
    if peer:
        try:
            run_once(peer["command"], core, peer.get("env"), peer.get("stdin"))
        except RuntimeError as failure:
            print(f"{name:8s} the peer cannot run here: {failure}", flush=True)
            peer = None
    for _ in range(pairs):
        t, m = run_once(ours["command"], core, ours.get("env"), ours.get("stdin"))
        times.append(t)
        peaks.append(m)
        if peer:
            t, m = run_once(peer["command"], core, peer.get("env"), peer.get("stdin"))
            peer_times.append(t)
            peer_peaks.append(m)
    line = (f"{name:8s} ours {statistics.median(times):6.3f} s ({min(times):.3f}..{max(times):.3f})"
            f" {statistics.median(peaks):6.1f} MB")
    if peer:
        line += (f" | {peer['name']} {statistics.median(peer_times):6.3f} s"
                 f" ({min(peer_times):.3f}..{max(peer_times):.3f}) {statistics.median(peer_peaks):6.1f} MB"
                 f" | peer/ours time {statistics.median(peer_times) / statistics.median(times):4.2f}x,"
                 f" ours/peer memory {statistics.median(peaks) / statistics.median(peer_peaks):4.2f}x")
    else:
        line += " | peer not installed"
    print(line, flush=True)


def build_peer(source, output, package, header):
    """The peer program, or None when the peer library is not installed.
    Debian's Coin ships no pkg-config file: its header and -lCoin then."""
    if shutil.which("pkg-config") and subprocess.run(["pkg-config", "--exists", package]).returncode == 0:
        flags = subprocess.run(["pkg-config", "--cflags", "--libs", package], capture_output=True,
                               text=True).stdout.split()
    elif os.path.exists(header):
        flags = ["-l" + package]
    else:
        return None
    result = subprocess.run(["g++", "-O2", os.path.join(HERE, "peers", source), "-o", output] + flags,
                            capture_output=True, text=True)
    if result.returncode != 0:
        print(f"cannot build {source}: {result.stderr.strip()}", file=sys.stderr)
        return None
    return output


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--pairs", type=int, default=7)
    parser.add_argument("--core", type=int, default=os.cpu_count() - 1)
    parser.add_argument("--work")
    parser.add_argument("--rows", default="convert,picture,steady,lisp,in-proc",
                        help="the rows to measure, comma-separated (default: all)")
    args = parser.parse_args()
    rows = set(args.rows.split(","))
    fennix = os.path.join(os.path.abspath(args.build), "bin", "fennix")
    work = args.work or tempfile.mkdtemp(prefix="fennix-peers-")
    os.makedirs(work, exist_ok=True)

    big = os.path.join(work, "dense.wrl")
    if not os.path.exists(big):
        write_grid(big, 437)
    scene = os.path.join(work, "triangles_204800.wrl")
    if not os.path.exists(scene):
        write_grid(scene, 321)
    print(f"convert input {os.path.getsize(big) / 1e6:.1f} MB; picture scene "
          f"{2 * 320 * 320} triangles; {args.pairs} pairs on core {args.core}", flush=True)

    coin_convert = build_peer("coin_convert.cpp", os.path.join(work, "coin_convert"), "Coin",
                              "/usr/include/Inventor/SoDB.h")
    coin_render = build_peer("coin_render.cpp", os.path.join(work, "coin_render"), "Coin",
                             "/usr/include/Inventor/SoDB.h")

    if "convert" in rows:
        compare("convert", {"command": [fennix, "--convert", big, os.path.join(work, "ours.kvrx")]},
                coin_convert and {"name": "Coin", "command": [coin_convert, big, os.path.join(work, "peer.iv")]},
                args.pairs, args.core)

    xvfb = None
    env = dict(os.environ)
    if coin_render and (rows & {"picture", "steady"}) and not env.get("DISPLAY") and shutil.which("Xvfb"):
        display = ":%d" % (90 + os.getpid() % 100)
        # The peer's offscreen contexts are indirect ones: the server must allow them.
        xvfb = subprocess.Popen(["taskset", "-c", str(args.core), "Xvfb", display, "-screen", "0", "1024x768x24",
                                 "-nolisten", "tcp", "+iglx"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(1.0)  # the server's socket; a measuring script, not a test
        env["DISPLAY"] = display
    # Pixel buffers of the server's GLX report no usable size to the peer.
    env["COIN_GLXGLUE_NO_PBUFFERS"] = "1"
    try:
        if "picture" in rows:
            compare("picture",
                    {"command": [fennix, "--render", scene, "--out", os.path.join(work, "ours.bmp"), "--size",
                                 "640x480"], "env": env},
                    coin_render and {"name": "Coin", "env": env,
                                     "command": [coin_render, scene, os.path.join(work, "peer.rgb"), "640", "480"]},
                    args.pairs, args.core)
        if "steady" in rows:
            compare_steady_frames(os.path.abspath(args.build), coin_render, scene, work, env, args.pairs, args.core)
    finally:
        if xvfb:
            xvfb.terminate()
            xvfb.wait()

    clisp = shutil.which("clisp")
    if "lisp" in rows:
        compare("lisp", {"command": [fennix, "--lisp"], "stdin": "(+ 1 2)\n"},
                clisp and {"name": "clisp -C", "command": [clisp, "-q", "-norc", "-C", "-x", "(+ 1 2)"]},
                args.pairs, args.core)
    if "in-proc" in rows:
        compare_in_process(os.path.abspath(args.build), clisp, args.pairs, args.core)
    return 0


# fib 25 and (tak 18 12 6) inside one process: bench_lisp beside
# byte-compiled CLISP timing the same calls with its own clock. Both count
# CPU time (on a loaded machine the wall clock mostly measures the others).
CLISP_IN_PROCESS = """
(defun fib (n) (if (< n 2) n (+ (fib (- n 1)) (fib (- n 2)))))
(defun tak (x y z) (if (< y x) (tak (tak (- x 1) y z) (tak (- y 1) z x) (tak (- z 1) x y)) z))
(compile 'fib) (compile 'tak)
(defun ms (f n)
  (let ((start (get-internal-run-time)))
    (dotimes (i n) (funcall f))
    (/ (* 1000.0 (- (get-internal-run-time) start)) n internal-time-units-per-second)))
(dotimes (round ROUNDS)
  (format t "~,3f ~,3f~%" (ms (compile nil (lambda () (fib 25))) 10) (ms (compile nil (lambda () (tak 18 12 6))) 10)))
"""


def bench_medians(program, pattern, rounds, core, env=None):
    """Median real time in ms of each benchmark of a Google Benchmark program."""
    import json
    run = subprocess.run(["taskset", "-c", str(core), program, "--benchmark_filter=" + pattern,
                          f"--benchmark_repetitions={rounds}", "--benchmark_report_aggregates_only=true",
                          "--benchmark_format=json"], capture_output=True, text=True, env=env)
    medians = {}
    for entry in json.loads(run.stdout)["benchmarks"]:
        if entry.get("aggregate_name") == "median":
            medians[entry["run_name"]] = entry["real_time"]
    return medians


def compare_steady_frames(build, coin_render, scene, work, env, rounds, core):
    bench = os.path.join(build, "bin", "bench_render")
    if not os.path.exists(bench):
        print("steady   bench_render is not built", flush=True)
        return
    ours_env = dict(env)
    ours_env["LIBGL_ALWAYS_SOFTWARE"] = "1"
    ours = bench_medians(bench, "GridSteadyFrame|GridCachedFrame|GridUncachedFrame", rounds, core, ours_env)
    steady = ours.get("BM_GridSteadyFrame/real_time", 0)
    line = (f"steady   ours {steady:6.2f} ms a frame (render action alone: lists "
            f"{ours.get('BM_GridCachedFrame/real_time', 0):.2f} ms, without "
            f"{ours.get('BM_GridUncachedFrame/real_time', 0):.2f} ms)")
    if coin_render:
        frames = []
        for _ in range(rounds):
            out = subprocess.run(["taskset", "-c", str(core), coin_render, scene, os.path.join(work, "peer.rgb"),
                                  "640", "480", "20"], capture_output=True, text=True, env=env).stdout.split()
            if out:
                frames.append(float(out[-1]))
        if frames:
            peer = statistics.median(frames)
            line += f" | Coin {peer:6.2f} ms a frame | ours/peer {steady / peer:4.2f}x"
        else:
            line += " | the peer drew no steady frames here"
    print(line, flush=True)


def clisp_timings(clisp, rounds, core):
    """(fib, tak) CPU ms per call of byte-compiled CLISP, one pair a round."""
    out = subprocess.run(["taskset", "-c", str(core), clisp, "-q", "-norc", "-x",
                          CLISP_IN_PROCESS.replace("ROUNDS", str(rounds))], capture_output=True, text=True).stdout
    # CLISP echoes the value of each top-level form too ("FIB ;"): only
    # the lines of two numbers are timings.
    return [tuple(map(float, l.split())) for l in out.splitlines()
            if len(l.split()) == 2 and all(part.replace(".", "", 1).isdigit() for part in l.split())]


def compare_in_process(build, clisp, rounds, core):
    import json
    bench = os.path.join(build, "bin", "bench_lisp")
    if not os.path.exists(bench):
        print("in-proc  bench_lisp is not built", flush=True)
        return
    ours = {"BM_Fib25": [], "BM_Tak18_12_6": []}
    peer = []
    # Ours and the peer's alternate round by round.
    for _ in range(rounds):
        run = subprocess.run(["taskset", "-c", str(core), bench, "--benchmark_filter=Fib25|Tak18",
                              "--benchmark_format=json"], capture_output=True, text=True)
        for entry in json.loads(run.stdout)["benchmarks"]:
            if entry["name"] in ours:
                ours[entry["name"]].append(entry["cpu_time"])
        if clisp:
            peer += clisp_timings(clisp, 1, core)
    fib = statistics.median(ours["BM_Fib25"])
    tak = statistics.median(ours["BM_Tak18_12_6"])
    line = f"in-proc  ours fib 25 {fib:6.2f} ms, tak {tak:6.2f} ms (CPU)"
    if peer:
        peer_fib = statistics.median(r[0] for r in peer)
        peer_tak = statistics.median(r[1] for r in peer)
        line += (f" | clisp byte-code fib 25 {peer_fib:6.2f} ms, tak {peer_tak:6.2f} ms"
                 f" | ours/peer fib {fib / peer_fib:4.2f}x, tak {tak / peer_tak:4.2f}x")
    print(line, flush=True)


if __name__ == "__main__":
    sys.exit(main())
