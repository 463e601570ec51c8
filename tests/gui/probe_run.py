"""Runs a GUI probe (a test program that drives its windows and prints what
it saw as key=value lines, then "done") under a virtual X server of the
test's own, and checks what it printed.

  values = run_probe(sys.argv[1])           # fails unless "done" came
  expect_values(values, {"shown": "1"})     # fails at the first mismatch
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fennix_window_test import fail, start_xvfb  # noqa: E402


def fail_on_waits_in_vain(stdout):
    """Fails when a wait of the probe ran into its hang guard: it printed
    "never-came=WHAT" for each condition that never came."""
    waits = [line.split("=", 1)[1] for line in stdout.splitlines() if line.startswith("never-came=")]
    if waits:
        fail("the probe waited in vain for: %s" % ", ".join(waits))


def run_probe(probe, timeout=90, check_status=False):
    """The probe's key=value lines as a dict. Fails when it does not finish
    within `timeout` seconds, stops before printing "done", or (with
    `check_status`: a sanitizer build ends a leaking or faulty run with a
    failure status) ends with a status other than 0."""
    server, display = start_xvfb()
    try:
        env = dict(os.environ, DISPLAY=display, GDK_BACKEND="x11", NO_AT_BRIDGE="1")
        try:
            run = subprocess.run([probe], env=env, capture_output=True, text=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            fail("the probe did not finish")
    finally:
        server.terminate()
        server.wait()
    values = dict(line.split("=", 1) for line in run.stdout.splitlines() if "=" in line)
    if "done" not in run.stdout:
        fail("the probe stopped early (status %d): %s %s" % (run.returncode, run.stdout, run.stderr))
    if check_status and run.returncode != 0:
        fail("the probe ended with status %d: %s" % (run.returncode, run.stderr[-3000:]))
    fail_on_waits_in_vain(run.stdout)
    return values


def expect_values(values, expected):
    """Fails at the first key whose value is not the expected text."""
    for key, value in expected.items():
        if values.get(key) != value:
            fail("%s: %r, expected %r (all: %s)" % (key, values.get(key), value, values))
