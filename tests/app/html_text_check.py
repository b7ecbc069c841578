#!/usr/bin/env python3
"""Reads an HTML page as a browser's parser reads it and checks that each
given text shows on the page as text.

Usage: html_text_check.py PAGE TEXT...

A text shows when it stands in the page's text content with its character
references decoded and no tag inside it: a name such as "Be<ch>" written
raw is read as the text "Be" and a tag <ch>, and does not show. The page's
elements must also close in order, each end tag closing the element opened
last. Prints every text that does not show and every end tag out of order;
the exit status is 0 when there is none.
"""
import sys
from html.parser import HTMLParser


# Elements without an end tag.
VOID = {"area", "base", "br", "col", "embed", "frame", "hr", "img", "input", "link", "meta",
        "param", "source", "track", "wbr"}


class PageText(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.pieces = []
        self.open = []
        self.faults = []

    def handle_starttag(self, tag, attrs):
        self.pieces.append("\0")  # a tag breaks the text it stands in
        if tag not in VOID:
            self.open.append(tag)

    def handle_endtag(self, tag):
        self.pieces.append("\0")
        if not self.open or self.open[-1] != tag:
            inner = self.open[-1] if self.open else "nothing"
            self.faults.append("</%s> closes <%s>" % (tag, inner))
        if tag in self.open:
            del self.open[len(self.open) - 1 - self.open[::-1].index(tag):]

    def handle_data(self, data):
        self.pieces.append(data)


def main():
    page, texts = sys.argv[1], sys.argv[2:]
    parser = PageText()
    with open(page, encoding="latin-1") as f:
        parser.feed(f.read())
    parser.close()
    content = "".join(parser.pieces)
    missing = [t for t in texts if t not in content]
    for t in missing:
        print("not shown as text: " + repr(t))
    for fault in parser.faults:
        print("out of order: " + fault)
    return 1 if missing or parser.faults else 0


if __name__ == "__main__":
    sys.exit(main())
