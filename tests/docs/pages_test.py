#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Every relative link in README.md and docs/ leads somewhere: to a file
that is there and, where the link names a heading (#anchor), to a heading
of that file whose anchor, as the forge makes them, is that one. Every
script the pages tell a user to run (a command line that starts with
scripts/NAME) is there and executable. Prints each fault with its file
and line, and exits 1 if there is any.
  pages_test.py SOURCE"""
import os
import pathlib
import re
import sys

LINK = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)\)")
HEADING = re.compile(r"^#{1,6}\s+(.*?)\s*#*\s*$")
COMMAND = re.compile(r"^(?:\s+|\s*\$ )(?:sudo )?(scripts/[\w.-]+)")


def prose(text):
    """The lines outside code blocks, with their numbers."""
    fenced = False
    for number, line in enumerate(text.splitlines(), 1):
        if line.startswith("```"):
            fenced = not fenced
        elif not fenced and not line.startswith(("    ", "\t")):
            yield number, line


def anchors(page):
    """The anchors of a page's headings: lower case, punctuation dropped,
    spaces made hyphens, and -1, -2 after a repeated one."""
    seen = {}
    for _, line in prose(page.read_text(encoding="utf-8")):
        match = HEADING.match(line)
        if not match:
            continue
        slug = re.sub(r"[^\w\- ]", "", match.group(1).lower()).replace(" ", "-")
        count = seen.get(slug, 0)
        seen[slug] = count + 1
        yield slug if count == 0 else f"{slug}-{count}"


def broken(page, source):
    for number, line in prose(page.read_text(encoding="utf-8")):
        for target in LINK.findall(line):
            if re.match(r"^[a-z]+:", target):
                continue
            path, _, anchor = target.partition("#")
            where = (page.parent / path).resolve() if path else page
            if source not in where.parents and where != source:
                yield number, target, "leads out of the project"
            elif not where.exists():
                yield number, target, "no such file"
            elif anchor and (where.suffix != ".md" or anchor not in set(anchors(where))):
                yield number, target, "no such heading"


def commands(page, source):
    """The scripts that code lines of the page run, which are not there or
    not executable."""
    for number, line in enumerate(page.read_text(encoding="utf-8").splitlines(), 1):
        match = COMMAND.match(line)
        if not match:
            continue
        script = source / match.group(1)
        if not script.is_file():
            yield number, match.group(1), "no such script"
        elif not os.access(script, os.X_OK):
            yield number, match.group(1), "not executable"


def main():
    source = pathlib.Path(sys.argv[1]).resolve()
    pages = [source / "README.md"] + sorted((source / "docs").glob("*.md"))
    failures = 0
    for page in pages:
        faults = list(broken(page, source)) + list(commands(page, source))
        for number, target, why in faults:
            print(f"{page.relative_to(source)}:{number}: {target}: {why}")
            failures += 1
    print(f"{len(pages)} pages, {failures} broken links or commands")
    return 1 if failures else 0


sys.exit(main())
