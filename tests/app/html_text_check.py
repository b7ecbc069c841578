#!/usr/bin/env python3
"""Reads an HTML page as a browser's parser reads it and checks that each
given text shows on the page as text.

Usage: html_text_check.py PAGE TEXT...

A text shows when it stands in the page's text content with its character
references decoded and no tag inside it: a name such as "Be<ch>" written
raw is read as the text "Be" and a tag <ch>, and does not show. Prints every
text that does not show; the exit status is 0 when each one shows.
"""
import sys
from html.parser import HTMLParser


class PageText(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.pieces = []

    def handle_starttag(self, tag, attrs):
        self.pieces.append("\0")  # a tag breaks the text it stands in

    def handle_endtag(self, tag):
        self.pieces.append("\0")

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
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
