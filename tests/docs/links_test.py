#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Every relative link in README.md and docs/ leads somewhere: to a file
that is there and, where the link names a heading (#anchor), to a heading
of that file whose anchor, as the forge makes them, is that one. Prints
each broken link with its file and line, and exits 1 if there is any.
  links_test.py SOURCE"""
import pathlib
import re
import sys

LINK = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)\)")
HEADING = re.compile(r"^#{1,6}\s+(.*?)\s*#*\s*$")


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


def main():
    source = pathlib.Path(sys.argv[1]).resolve()
    pages = [source / "README.md"] + sorted((source / "docs").glob("*.md"))
    failures = 0
    for page in pages:
        for number, target, why in broken(page, source):
            print(f"{page.relative_to(source)}:{number}: {target}: {why}")
            failures += 1
    print(f"{len(pages)} pages, {failures} broken links")
    return 1 if failures else 0


sys.exit(main())
