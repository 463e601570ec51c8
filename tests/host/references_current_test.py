#!/usr/bin/env python3
"""The reference pages in docs/reference/ are what the code generates now.

  references_current_test.py GENERATED_DIR DOCS_DIR

The build writes the pages into GENERATED_DIR (target `references`); when one
differs from the committed page, the test shows the first differing lines and
the command that brings docs/ up to date.
"""
import difflib
import os
import sys

PAGES = ["nodes.md", "lisp.md", "scripting.md"]


def main():
    generated, committed = sys.argv[1], sys.argv[2]
    stale = []
    for page in PAGES:
        try:
            with open(os.path.join(generated, page)) as f:
                new = f.read().splitlines()
        except OSError as problem:
            stale.append("%s was not generated: %s" % (page, problem))
            continue
        try:
            with open(os.path.join(committed, page)) as f:
                old = f.read().splitlines()
        except OSError:
            old = []
        if new != old:
            diff = list(difflib.unified_diff(old, new, "docs/reference/" + page, "generated", lineterm="", n=1))
            stale.append("\n".join(diff[:30]))
    if stale:
        print("FAIL: stale reference pages; run `cmake --build build --target update-references`\n" + "\n".join(stale))
        return 1
    print("PASS: %d pages current" % len(PAGES))
    return 0


if __name__ == "__main__":
    sys.exit(main())
