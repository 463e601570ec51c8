#!/usr/bin/env python3
"""Headless commands never load the window toolkit, the movie encoder or its
libraries, the facade or the control; the window command loads the toolkit
but no movie library. Only the commands that draw load the offscreen GL
library (it maps a shader compiler of some 45 MB). --stdio serves the control,
so it maps the control and the facade, but neither the toolkit nor the movie
libraries. No command maps the download library (and the two dozen libraries
of protocols and cryptography under it) unless it downloads.

Each command runs with the dynamic loader's file trace (LD_DEBUG=files), which
names every object mapped into the process, dlopen'ed ones included. The
--lisp run is also looked at from outside while it waits for input: its
/proc/PID/maps must name no toolkit library either.

  headless_loads_no_toolkit_test.py FENNIX SCENE WORKDIR [offscreen-gl-at-start]

The sanitizer build maps the offscreen GL library at start (see
platform/CMakeLists.txt); its last argument says so, and then only the toolkit
is checked.
"""
import os
import re
import subprocess
import sys

# The toolkit and the widget set under it. (X11 itself comes with the GL
# library, which the offscreen drawing needs too.)
TOOLKIT = re.compile(r"/?lib(wx_|gtk-|gdk-)")
OFFSCREEN_GL = re.compile(r"/?libOSMesa")
# The encoding libraries and the module that links them.
MEDIA = re.compile(r"/?lib(avformat|avcodec|avutil|avdevice|avfilter|swscale|swresample|fennix_media)\b")
# The download library, loaded by the first download.
DOWNLOAD = re.compile(r"/?libcurl\.so")
# The facade, the dialogs' and panes' logic under it, and the control.
FACADE_OR_CONTROL = re.compile(r"/?lib(Drevon|Pallico|Arbelo|Mabrel|Fennix|fennix_control|fennix_window)\.so")


def loaded_objects(command, stdin_text=None, env_extra=None):
    env = dict(os.environ, LD_DEBUG="files")
    env.pop("LD_DEBUG_OUTPUT", None)
    for key, value in (env_extra or {}).items():
        if value is None:
            env.pop(key, None)
        else:
            env[key] = value
    run = subprocess.run(command, input=stdin_text, capture_output=True, text=True, env=env, timeout=120)
    names = set()
    for line in run.stderr.splitlines():
        match = re.search(r"\bfile=(\S+)", line)
        if match:
            names.add(match.group(1))
    return run.returncode, names


def toolkit_in(names):
    return sorted(name for name in names if TOOLKIT.search(name))


def media_in(names):
    return sorted(name for name in names if MEDIA.search(name))


def facade_or_control_in(names):
    return sorted(name for name in names if FACADE_OR_CONTROL.search(name))


def download_in(names):
    return sorted(name for name in names if DOWNLOAD.search(name))


def offscreen_gl_in(names):
    return sorted(name for name in names if OFFSCREEN_GL.search(name))


def main():
    fennix, scene, workdir = sys.argv[1:4]
    offscreen_at_start = sys.argv[4:5] == ["offscreen-gl-at-start"]
    failures = []
    headless = {
        "--convert": ([fennix, "--convert", scene, os.path.join(workdir, "headless_convert.kvrx")], None),
        "--render": ([fennix, "--render", scene, "--out", os.path.join(workdir, "headless_render.bmp"),
                      "--size", "32x24"], None),
        "--lisp": ([fennix, "--lisp"], "(+ 1 2)\n"),
        "--describe": ([fennix, "--describe"], None),
        "--stdio": ([fennix, "--stdio", scene], '{"id":1,"method":"GetFileName"}\n'),
    }
    for name, (command, stdin_text) in headless.items():
        status, names = loaded_objects(command, stdin_text)
        if status != 0:
            failures.append(f"{name} ended with status {status}")
        if not names:
            failures.append(f"{name}: the loader's trace named no object")
        if toolkit_in(names):
            failures.append(f"{name} loaded {toolkit_in(names)}")
        if media_in(names):
            failures.append(f"{name} loaded {media_in(names)}")
        if download_in(names):
            failures.append(f"{name} loaded {download_in(names)} without a download")
        serves_control = name == "--stdio"
        if bool(facade_or_control_in(names)) != serves_control:
            failures.append(f"{name} {'did not load' if serves_control else 'loaded'} the facade or control: "
                            f"{facade_or_control_in(names)}")
        draws = name == "--render" or offscreen_at_start
        if bool(offscreen_gl_in(names)) != draws:
            failures.append(f"{name} {'did not load' if draws else 'loaded'} the offscreen GL library")

    # The check sees the toolkit where it is loaded: the window command maps
    # it (and then finds no display to open a window on).
    status, names = loaded_objects([fennix, scene], env_extra={"DISPLAY": None, "WAYLAND_DISPLAY": None})
    if not toolkit_in(names):
        failures.append("the window command loaded no toolkit library: the check sees nothing")
    if media_in(names):
        failures.append(f"the window command loaded {media_in(names)} without a movie to write")
    if download_in(names):
        failures.append(f"the window command loaded {download_in(names)} without a download")

    # A running --lisp, seen from outside.
    lisp = subprocess.Popen([fennix, "--lisp"], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    try:
        lisp.stdin.write("(+ 1 2)\n")
        lisp.stdin.flush()
        first = lisp.stdout.readline()
        with open(f"/proc/{lisp.pid}/maps") as maps:
            mapped = {line.split()[-1] for line in maps if "/" in line}
        if first.strip() != "3":
            failures.append(f"--lisp printed {first!r} instead of 3")
        for found in (toolkit_in(mapped), media_in(mapped), facade_or_control_in(mapped), download_in(mapped)):
            if found:
                failures.append(f"a running --lisp maps {found}")
        if offscreen_gl_in(mapped) and not offscreen_at_start:
            failures.append(f"a running --lisp maps {offscreen_gl_in(mapped)}")
    finally:
        lisp.stdin.close()
        lisp.wait(timeout=30)

    if failures:
        for failure in failures:
            print("FAIL:", failure)
        return 1
    print("PASS: headless commands load no toolkit, movie, download, facade or control library (--stdio: the control "
          "only); the window command loads the toolkit and no movie or download library; only --render loads the "
          "offscreen GL library")
    return 0


if __name__ == "__main__":
    sys.exit(main())
