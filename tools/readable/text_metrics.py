#!/usr/bin/env python3
"""How readable a page's plain text is, measured against the page itself.

  text_metrics.py PAGE.html REFERENCE TEXT...

For each TEXT (the page converted to plain text by some tool, in UTF-8 or
Shift_JIS) prints one line: "missing lines script_style references
blank_runs empty_links" - the words (runs of letters and digits) of the
REFERENCE text of the same page that the text lacks, counted with repeats;
its non-blank lines; the lines that are a line of the page's script or
style elements (of three characters or more, as written in the page);
character references left undecoded (a name of the HTML standard with its
";", or a numeric one); runs of two or more blank lines in a row; and link
notes with no target ("[リンク:]").
"""
import collections
import html.entities
import html.parser
import re
import sys

REFERENCE = re.compile(r"&(#[0-9]+|#[xX][0-9A-Fa-f]+|[A-Za-z][A-Za-z0-9]*);")


class RawText(html.parser.HTMLParser):
    """The lines of the page's script and style elements."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.inside = 0
        self.lines = set()

    def handle_starttag(self, tag, attrs):
        if tag in ("script", "style"):
            self.inside += 1

    def handle_endtag(self, tag):
        if tag in ("script", "style") and self.inside:
            self.inside -= 1

    def handle_data(self, data):
        if self.inside:
            for line in data.splitlines():
                if len(line.strip()) >= 3:
                    self.lines.add(line.strip())


def read_text(path):
    data = open(path, "rb").read()
    for codec in ("utf-8", "cp932"):
        try:
            return data.decode(codec)
        except UnicodeDecodeError:
            pass
    return data.decode("utf-8", "replace")


def main():
    page, reference, texts = sys.argv[1], sys.argv[2], sys.argv[3:]
    expected = collections.Counter(re.findall(r"\w+", read_text(reference)))
    raw = RawText()
    raw.feed(read_text(page))
    for path in texts:
        lines = read_text(path).splitlines()
        text_lines = [l for l in lines if l.strip()]
        script_style = sum(1 for l in text_lines if l.strip() in raw.lines)
        references = sum(1 for m in REFERENCE.finditer("\n".join(lines))
                         if m.group(1).startswith("#") or m.group(1) + ";" in html.entities.html5)
        blank_runs, blanks = 0, 0
        for l in lines + ["x"]:
            if l.strip():
                blank_runs += blanks >= 2
                blanks = 0
            else:
                blanks += 1
        missing = expected - collections.Counter(re.findall(r"\w+", "\n".join(lines)))
        empty_links = "\n".join(lines).count("[リンク:]")
        print(sum(missing.values()), len(text_lines), script_style, references, blank_runs,
              empty_links)


if __name__ == "__main__":
    main()
