#!/usr/bin/env python3
"""Writes a deterministic HTML document in code page 932 for benchmarks.

  make_document.py SHAPE MEGABYTES OUTPUT

Shapes: realistic (paragraphs of ASCII, kana and kanji; p, br, hr; links of
every form the converter distinguishes; images; tables; comments; entities;
CR LF line ends and runs of blank lines), oneline (the same without line
breaks), tags (almost all mark-up), breaks (nothing but line breaks), lt (one
long run of "<" with no ">"), links (link after link).
"""
import random
import sys

KANA = "ひらがなとカタカナのまじった文です。"
KANJI = "日本語漢字変換文書本文内容更新情報一覧案内詳細"
LINKS = ["<a href='page{0}.html'>", '<a href="#sec{0}">', "<a href=#top>", "<a name='n{0}'>",
         '<A HREF="x{0}.html" target="_top">', "<a href=plain{0}.html>"]


def realistic_block(rng, i):
    parts = ["<h2>見出し %d</h2>\r\n" % i]
    for j in range(rng.randint(2, 6)):
        words = [rng.choice([KANA, KANJI, "ascii words here", "&amp;", "&lt;b&gt;", "&nbsp;"])
                 for _ in range(rng.randint(3, 9))]
        parts.append("<p>" + " ".join(words) + "<br>\r\n")
        if rng.random() < 0.3:
            parts.append(rng.choice(LINKS).format(i * 10 + j) + KANA[:6] + "</a>\r\n")
        if rng.random() < 0.1:
            parts.append("<img src='img%d.gif' alt='%s'>\r\n" % (j, KANJI[:4]))
        parts.append("</p>\r\n")
    if rng.random() < 0.2:
        parts.append("<table><tr><td>%s</td><td>%d</td></tr></table>\r\n" % (KANJI[:3], i))
    if rng.random() < 0.2:
        parts.append("<!-- note %d > -->\r\n" % i)
    if rng.random() < 0.3:
        parts.append("<hr>\r\n\r\n\r\n\r\n")
    return "".join(parts)


def blocks(shape, rng):
    i = 0
    while True:
        i += 1
        if shape == "realistic":
            yield realistic_block(rng, i)
        elif shape == "oneline":
            yield realistic_block(rng, i).replace("\r\n", " ")
        elif shape == "tags":
            yield "<b><i><span class='c%d'></span></i></b><br><hr><td>" % i
        elif shape == "breaks":
            yield "\r\n" * 512
        elif shape == "lt":
            yield "<" * 4096
        elif shape == "links":
            yield "<a href='p%d.html'>L</a>" % i
        else:
            raise SystemExit("unknown shape " + shape)


def main():
    shape, megabytes, output = sys.argv[1], float(sys.argv[2]), sys.argv[3]
    target = int(megabytes * 1024 * 1024)
    rng = random.Random(20261207)
    written = 0
    with open(output, "wb") as out:
        out.write(b"<html><head><title>Benchmark</title></head><body>\r\n")
        chunk = []
        size = 0
        for block in blocks(shape, rng):
            data = block.encode("cp932")
            chunk.append(data)
            size += len(data)
            if size >= 1 << 20 or written + size >= target:
                out.write(b"".join(chunk))
                written += size
                chunk, size = [], 0
                if written >= target:
                    break


if __name__ == "__main__":
    main()
