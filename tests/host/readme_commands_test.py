#!/usr/bin/env python3
"""Runs the README's command lines as a reader would, and checks that they
succeed and write nothing into the checkout.

  readme_commands_test.py SOURCE_DIR BUILD_DIR

Every fenced block marked `sh` is run line by line, in the README's order,
from a folder that stands for the checkout (its build/, tests/, examples/,
scripts/ and docs/ lead to the real ones). A line that sets a variable
(`TOUR=...`) sets it for the lines after it. A line that opens the window
(`build/bin/fennix SCENE ...`) runs on an X server of the test's own; once
the window shows, Ctrl+Q closes it, and the program must end with status 0.
Lines starting with `make` are the set-up that built what the test runs, and
are not run again.

The block marked `python` is the scripting example: it runs against
`fennix SCENE --listen` on that X server, with the socket as its argument,
and the scene it saves must hold its sphere of radius 2.5.

Indented blocks are run too, line by line, when they are shell commands;
every line that is not run is named in NOT_RUN below with the reason, so a
new command in the README is either run here or given a reason.
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

# Lines of indented blocks that this test does not run, and why. A line is
# matched by its start.
NOT_RUN = (
    ("make test", "it runs the whole suite this test is part of"),
    ("cmake --build build --target bench_solids_cgal",
     "it needs libcgal-dev, which the build does not install, and builds every library (too long for a test); "
     "the configure line before it is run"),
    ("build/bin/bench_solids_cgal", "the program exists only when CGAL is installed (see above)"),
    ("{", "a channel line, not a command: the channel tests send these"),
    ("find_package(", "CMake code of a host project: install.ExampleBuildsAgainstThePackage builds one"),
    ("target_link_libraries(", "CMake code of a host project: install.ExampleBuildsAgainstThePackage builds one"),
)

# Lines of indented blocks that run with a change, and why: {source} is the
# checkout, {work} the test's folder.
CHANGED = (
    ("make run", "make -C {source} -o build run BUILD={work}/made",
     "the build step is what made the build under test; the rest runs, writing into the test's folder"),
    ("cmake -S . -B build -G Ninja", "cmake -S {source} -B {work}/configured -G Ninja",
     "configured into a folder of the test's own, not over the build under test"),
    ("python3 tests/gui/fennix_window_test.py", None,
     "its pictures go into the test's folder instead of the shared /tmp"),
)


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


def indented_blocks(readme):
    """The text of each block indented by four spaces or more after a blank
    line, outside fenced blocks (markdown's code blocks, list items' too)."""
    found, current, fenced, blank = [], None, False, True
    for line in readme.splitlines():
        if line.startswith("```"):
            fenced = not fenced
        if fenced:
            continue
        code = re.match(r"^ {4,}\S", line) and not re.match(r"^ *[-*] ", line)
        if code and (blank or current is not None):
            current = (current or []) + [line.strip()]
        elif current is not None and line.strip():
            found.append("\n".join(current) + "\n")
            current = None
        if not line.strip() and current is not None:
            found.append("\n".join(current) + "\n")
            current = None
        blank = not line.strip()
    if current:
        found.append("\n".join(current) + "\n")
    return found


def reason_not_run(line):
    for start, reason in NOT_RUN:
        if line.startswith(start):
            return reason
    return None


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


class Runner:
    """Runs README lines from the test's folder, with one X server for the
    window lines, started when the first needs it."""

    def __init__(self, source, build, work):
        self.source, self.build, self.work = source, build, work
        # Temporary folders the commands make (the tour's) go below the test's.
        self.env = dict(os.environ, LIBGL_ALWAYS_SOFTWARE="1", GDK_BACKEND="x11", NO_AT_BRIDGE="1", TMPDIR=work)
        self.server = None
        self.screen = None
        self.ran = 0

    def display(self):
        if self.server is None:
            self.server, display = start_xvfb()
            self.screen = Screen(display)
            self.env["DISPLAY"] = display
        return self.screen

    def stop(self):
        if self.server is not None:
            self.server.terminate()
            self.server.wait()

    def shell(self, line, shown=None):
        result = subprocess.run(["bash", "-c", "set -e -o pipefail; " + line], cwd=self.work, env=self.env,
                                capture_output=True, text=True, timeout=600)
        if result.returncode != 0:
            fail("`%s` ended with %d: %s" % (shown or line, result.returncode, result.stderr[-1500:]))
        self.ran += 1

    def assignment(self, line, name):
        value = subprocess.run(["bash", "-c", "%s; printf %%s \"$%s\"" % (line, name)], cwd=self.work,
                               env=self.env, capture_output=True, text=True, timeout=60).stdout
        self.env[name] = value
        self.ran += 1

    def window(self, line, words):
        screen = self.display()
        program = subprocess.Popen(["bash", "-c", "exec " + line], cwd=self.work, env=self.env,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        window_id = screen.window(os.path.basename(words[1]), program)
        screen.type_keys(window_id, "ctrl+q")
        expect_clean_exit(program, timeout=60)
        self.ran += 1

    def line(self, line):
        """One line of a `sh` block or an indented block."""
        if line.startswith("make ") or line == "make":
            return
        assignment = ASSIGNMENT.match(line)
        if assignment:
            self.assignment(line, assignment.group(1))
            return
        words = shlex.split(line)
        if words[0] in ("build/bin/fennix", "build/bin/embed_fennix") and len(words) > 1 \
                and not words[1].startswith("-"):
            self.window(line, words)
        else:
            self.shell(line)

    def indented(self, line):
        for start, replacement, _ in CHANGED:
            if line.startswith(start):
                if replacement is None:
                    shots = os.path.join(self.work, "shots")
                    os.makedirs(shots, exist_ok=True)
                    replacement = line.replace(" /tmp", " " + shots)
                else:
                    os.makedirs(os.path.join(self.work, "made"), exist_ok=True)
                    link = os.path.join(self.work, "made", "bin")
                    if not os.path.exists(link):
                        os.symlink(os.path.join(self.build, "bin"), link)
                self.shell(replacement.format(source=self.source, work=self.work), shown=line)
                return
        if reason_not_run(line) is None:
            self.line(line)

    def python_example(self, text):
        """The scripting example against `fennix SCENE --listen`: it must end
        with status 0, and the scene it saved hold its sphere."""
        try:
            compile(text, "README python block", "exec")
        except SyntaxError as problem:
            fail("the README's Python block does not compile: %s" % problem)
        screen = self.display()
        folder = tempfile.mkdtemp(prefix="scripted-", dir=self.work)
        scene = os.path.join(folder, "scripted.kvrx")
        shutil.copyfile(os.path.join(self.source, "tests", "data", "sample_scene.kvrx"), scene)
        script = os.path.join(folder, "example.py")
        with open(script, "w") as f:
            f.write(text)
        env = dict(self.env, XDG_RUNTIME_DIR=folder)
        program = subprocess.Popen([os.path.join(self.build, "bin", "fennix"), scene, "--listen"], env=env,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        try:
            path = program.stdout.readline().decode().strip()
            if not path:
                fail("fennix --listen named no socket: %s" % program.stderr.read().decode(errors="replace"))
            result = subprocess.run([sys.executable, script, path], env=env, capture_output=True, text=True,
                                    timeout=300)
            if result.returncode != 0:
                fail("the README's Python example ended with %d: %s%s" % (result.returncode, result.stdout,
                                                                            result.stderr[-1500:]))
            with open(scene) as f:
                saved = f.read()
            if not re.search(r"Sphere\s*\{[^}]*radius\s+2\.5\b", saved):
                fail("the scene the Python example saved holds no sphere of radius 2.5")
            window_id = screen.window(os.path.basename(scene), program)
            screen.type_keys(window_id, "ctrl+q")
            expect_clean_exit(program, timeout=60)
        finally:
            if program.poll() is None:
                program.kill()
                program.wait()
        self.ran += 1


def main():
    source, build = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    with open(os.path.join(source, "README.md")) as f:
        readme = f.read()
    before = checkout_state(source)
    work = tempfile.mkdtemp(prefix="fennix-readme-")
    for name in LINKED:
        os.symlink(build if name == "build" else os.path.join(source, name), os.path.join(work, name))
    runner = Runner(source, build, work)
    try:
        for language, text in blocks(readme):
            if language == "python":
                runner.python_example(text)
            elif language == "sh":
                for line in command_lines(text):
                    runner.line(line)
        for text in indented_blocks(readme):
            for line in command_lines(text):
                runner.indented(line)
    finally:
        runner.stop()
        shutil.rmtree(work, ignore_errors=True)
    after = checkout_state(source)
    if before is not None and after != before:
        fail("the README's commands wrote into the checkout: %s" % sorted(after - before))
    if runner.ran == 0:
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
    print("PASS: %d README lines and blocks ran" % runner.ran)
    return 0


if __name__ == "__main__":
    sys.exit(main())
