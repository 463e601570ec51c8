#!/usr/bin/env python3
"""Runs the README's command lines as a reader would, and checks that they
succeed and write nothing into the checkout.

  readme_commands_test.py SOURCE_DIR BUILD_DIR

Every fenced block marked `sh` is run line by line, in the README's order
(a block marked `python` is an example to adapt and must compile), from a folder that stands for
the checkout (its build/, tests/, examples/, scripts/ and docs/ lead to the
real ones). A line that sets a variable (`TOUR=...`) sets it for the lines
after it. A line that opens the window (`build/bin/fennix SCENE ...`) runs on
an X server of the test's own; once the window shows, Ctrl+Q closes it, and
the program must end with status 0. Lines starting with `make` are the
set-up that built what the test runs, and are not run again.
"""
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "gui"))
from fennix_window_test import Screen, expect_clean_exit, fail, start_xvfb  # noqa: E402

ASSIGNMENT = re.compile(r"^([A-Za-z_][A-Za-z0-9_]*)=(.*)$")
LINKED = ("build", "tests", "examples", "scripts", "docs")


def blocks(readme):
    """(language, text) of each fenced block."""
    found = []
    language, lines = None, None
    for line in readme.splitlines():
        fence = re.match(r"^```(\w*)\s*$", line)
        if fence and lines is None:
            language, lines = fence.group(1), []
        elif fence:
            found.append((language, "\n".join(lines) + "\n"))
            language, lines = None, None
        elif lines is not None:
            lines.append(line)
    return found


def command_lines(text):
    for raw in text.splitlines():
        line = raw.split("  #")[0].strip() if "  #" in raw else raw.strip()
        if line and not line.startswith("#"):
            yield line


def checkout_state(source):
    """The checkout's untracked and changed files (build folders aside)."""
    result = subprocess.run(["git", "-C", source, "status", "--porcelain", "--untracked-files=all"],
                            capture_output=True, text=True)
    if result.returncode != 0:
        return None
    return {line for line in result.stdout.splitlines() if not re.match(r"^.. build[^/]*/", line)}


def main():
    source, build = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    with open(os.path.join(source, "README.md")) as f:
        readme = f.read()
    before = checkout_state(source)
    work = tempfile.mkdtemp(prefix="fennix-readme-")
    for name in LINKED:
        os.symlink(build if name == "build" else os.path.join(source, name), os.path.join(work, name))
    # Temporary folders the commands make (the tour's) go below the test's.
    env = dict(os.environ, LIBGL_ALWAYS_SOFTWARE="1", GDK_BACKEND="x11", NO_AT_BRIDGE="1", TMPDIR=work)
    server = None
    ran = 0
    try:
        for language, text in blocks(readme):
            if language == "python":
                # A Python example shows a script to adapt (it names a socket
                # or a file of the reader's); it must at least be Python.
                try:
                    compile(text, "README python block", "exec")
                except SyntaxError as problem:
                    fail("the README's Python block does not compile: %s" % problem)
                ran += 1
                continue
            if language != "sh":
                continue
            for line in command_lines(text):
                if line.startswith("make ") or line == "make":
                    continue
                assignment = ASSIGNMENT.match(line)
                if assignment:
                    name = assignment.group(1)
                    value = subprocess.run(["bash", "-c", "%s; printf %%s \"$%s\"" % (line, name)], cwd=work,
                                           env=env, capture_output=True, text=True, timeout=60).stdout
                    env[name] = value
                    ran += 1
                    continue
                words = shlex.split(line)
                window = words[0] in ("build/bin/fennix", "build/bin/embed_fennix") and len(words) > 1 \
                    and not words[1].startswith("-")
                if not window:
                    result = subprocess.run(["bash", "-c", "set -e -o pipefail; " + line], cwd=work, env=env,
                                            capture_output=True, text=True, timeout=600)
                    if result.returncode != 0:
                        fail("`%s` ended with %d: %s" % (line, result.returncode, result.stderr[-1500:]))
                    ran += 1
                    continue
                if server is None:
                    server, display = start_xvfb()
                    screen = Screen(display)
                    env["DISPLAY"] = display
                program = subprocess.Popen(["bash", "-c", "exec " + line], cwd=work, env=env,
                                           stdout=subprocess.PIPE, stderr=subprocess.PIPE)
                title = os.path.basename(words[1])
                window_id = screen.window(title, program)
                screen.run("xdotool", "key", "--window", window_id, "ctrl+q", check=False)
                expect_clean_exit(program, timeout=60)
                ran += 1
    finally:
        if server is not None:
            server.terminate()
            server.wait()
        shutil.rmtree(work, ignore_errors=True)
    after = checkout_state(source)
    if before is not None and after != before:
        fail("the README's commands wrote into the checkout: %s" % sorted(after - before))
    if ran == 0:
        fail("the README has no runnable block")
    # The C++ the README shows is the example that is built, word for word.
    examples = ""
    for folder, _, files in os.walk(os.path.join(source, "examples")):
        for name in files:
            if name.endswith(".cpp"):
                with open(os.path.join(folder, name)) as f:
                    examples += f.read()
    for language, text in blocks(readme):
        if language == "cpp" and text not in examples:
            fail("the README's C++ block starting %r is not in examples/" % text.splitlines()[0])
    print("PASS: %d README lines and blocks ran" % ran)
    return 0


if __name__ == "__main__":
    sys.exit(main())
