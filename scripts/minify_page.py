#!/usr/bin/python3
"""Writes the phone's remote page as served: its comments and indentation dropped, so the readable source can grow
while the page a phone downloads stays small. Only what cannot change the page's meaning is dropped.

Usage: minify_page.py SOURCE OUTPUT
"""

import re
import sys

# A JavaScript comment after a statement, on a line whose code holds no string that could contain "//".
TRAILING_COMMENT = re.compile(r"^([^\"']*[;{},)])\s+// .*$")


def minify_style(style):
    style = re.sub(r"/\*.*?\*/", "", style, flags=re.S)
    style = re.sub(r"\s*([{};,>])\s*", r"\1", style)
    style = re.sub(r":\s+", ":", style).replace(";}", "}")
    return re.sub(r"\s+", " ", style)


def minify(page):
    start, end = page.index("<style>"), page.index("</style>")
    page = page[:start] + minify_style(page[start:end]) + page[end:]
    page = re.sub(r"<!--.*?-->", "", page, flags=re.S)
    lines = []
    for line in page.split("\n"):
        line = TRAILING_COMMENT.sub(r"\1", line.strip())
        if line and not line.startswith("//"):
            lines.append(line)
    return "\n".join(lines) + "\n"


if __name__ == "__main__":
    with open(sys.argv[1], encoding="utf-8") as source:
        served = minify(source.read())
    with open(sys.argv[2], "w", encoding="utf-8") as output:
        output.write(served)
