#!/usr/bin/env python3
"""How close a page's plain text is to what the browser shows of it.

  browser_metrics.py REFERENCE TEXT...

REFERENCE is the browser's text of the page (document.body.innerText); each
TEXT is the page converted by some tool (UTF-8 or Shift_JIS). Prints one line
per TEXT: "matched reference_words text_words lines_matched reference_lines
breaks_kept reference_breaks":

- words: runs of Latin letters and digits, and each other letter (kana, kanji)
  on its own; matched counts the reference's words the text has too (with
  repeats), so recall is matched / reference_words and precision matched /
  text_words;
- lines: the reference's non-blank lines (spaces at their ends aside) that the
  text has as whole lines (with repeats);
- breaks: the reference's empty lines between paragraphs (a blank line between
  two words), and those of them the text keeps, found by aligning the two
  texts' words.

Link numbers ("[12]") and a list of links at the end (after a line "リンク" or
"References") are left out of every text, so that tools that number links
are measured on the text alone.
"""
import collections
import difflib
import re
import sys

from text_metrics import read_text  # beside this script

WORD = re.compile(r"[0-9A-Za-z\u00C0-\u024F]+|[^\W\d_A-Za-z\u00C0-\u024F]")
LINK_NUMBER = re.compile(r"\[\d+\]")


def clean(text):
    lines = text.replace("\r\n", "\n").replace("\r", "\n").split("\n")
    for k in range(len(lines) - 1, -1, -1):
        if lines[k].strip() in ("リンク", "References"):
            lines = lines[:k]
            break
    return [LINK_NUMBER.sub("", line).rstrip() for line in lines]


def words_with_breaks(lines):
    """The words, each with whether an empty line stands before it."""
    out, blank = [], False
    for line in lines:
        if not line.strip():
            blank = bool(out)
            continue
        for w in WORD.findall(line):
            out.append((w, blank))
            blank = False
    return out


def main():
    reference = clean(read_text(sys.argv[1]))
    ref_words = words_with_breaks(reference)
    ref_counter = collections.Counter(w for w, _ in ref_words)
    ref_lines = collections.Counter(l.strip() for l in reference if l.strip())
    ref_breaks = sum(1 for _, b in ref_words if b)
    for path in sys.argv[2:]:
        lines = clean(read_text(path))
        words = words_with_breaks(lines)
        counter = collections.Counter(w for w, _ in words)
        matched = sum((ref_counter & counter).values())
        text_lines = collections.Counter(l.strip() for l in lines if l.strip())
        lines_matched = sum((ref_lines & text_lines).values())
        matcher = difflib.SequenceMatcher(None, [w for w, _ in ref_words], [w for w, _ in words],
                                          autojunk=False)
        kept = 0
        for block in matcher.get_matching_blocks():
            for k in range(block.size):
                if ref_words[block.a + k][1] and words[block.b + k][1]:
                    kept += 1
        print(matched, len(ref_words), len(words), lines_matched, sum(ref_lines.values()), kept,
              ref_breaks)


if __name__ == "__main__":
    main()
