#!/usr/bin/env python3
"""Writes a deterministic HTML document for benchmarks.

  make_document.py SHAPE MEGABYTES OUTPUT [ENCODING]
  make_document.py --tree COUNT KILOBYTES FOLDER

The second form writes a tree of COUNT realistic documents of about
KILOBYTES each in code page 932, a hundred to a subfolder (FOLDER/d000/
p00000.htm ...), each with text of its own.

ENCODING is cp932 (the default), utf-8, euc-jp or utf-16: the same text in
each, so that the documents are twins (the size is that of the cp932 one).
The EUC-JP twin declares itself in a <meta>, the UTF-16 one has a byte-order
mark; the UTF-8 one is known by its content.

Shapes: realistic (paragraphs of ASCII, kana and kanji; p, br, hr; links of
every form the converter distinguishes; images; tables; comments; entities;
CR LF line ends and runs of blank lines), oneline (the same without line
breaks), tags (almost all mark-up), breaks (nothing but line breaks), lt (one
long run of "<" with no ">"), links (link after link); and for the readable
text, one script, one comment and one pre element that never end (script,
comment, pre), one attribute value of a link that never ends (value), and one
hidden element holding a realistic document (hidden); and tables of Japanese
and ASCII cells, some spanning columns or of several lines (tables).
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
        elif shape == "script":
            yield ("<script>\r\n" if i == 1 else "") + \
                "if (a < b && c > d) { s = '</scrip' + 't>'; t = \"</scripts>\"; } // %d\r\n" % i
        elif shape == "comment":
            yield ("<!--" if i == 1 else "") + " a > b -- c - -> d --!x %s %d\r\n" % (KANA, i)
        elif shape == "tables":
            rows = []
            for r in range(rng.randint(5, 40)):
                cells = []
                for c in range(4):
                    text = rng.choice([KANA[:rng.randint(2, 12)], KANJI[:rng.randint(1, 8)],
                                       "cell %d.%d" % (r, c), "&amp; x", ""])
                    if rng.random() < 0.1:
                        text += "<br>" + KANJI[:3]
                    cells.append("<td>%s</td>" % text)
                if rng.random() < 0.1:
                    cells = ['<td colspan="2">%s</td>' % KANA] + cells[2:]
                rows.append("<tr>" + "".join(cells) + "</tr>\r\n")
            yield ("<table>\r\n<tr><th>%s</th><th>No.</th><th>%s</th><th>ascii</th></tr>\r\n"
                   % (KANJI[:4], KANA[:4]) + "".join(rows) + "</table>\r\n<p>%s</p>\r\n" % KANA)
        elif shape == "value":
            yield ('<a href="' if i == 1 else "") + "x/%d>y'z %s " % (i, KANA)
        elif shape == "hidden":
            yield ("<div hidden>" if i == 1 else "") + realistic_block(rng, i)
        elif shape == "pre":
            yield ("<pre>" if i == 1 else "") + "  %s   &amp; %d  \r\n\t%s\r\n" % (KANA, i, KANJI)
        else:
            raise SystemExit("unknown shape " + shape)


HEAD = "<html><head><title>Benchmark</title></head><body>\r\n"
START = {"cp932": HEAD, "utf-8": HEAD, "utf-16": HEAD,
         "euc-jp": '<html><head><meta charset="euc-jp"><title>Benchmark</title></head><body>\r\n'}


def write_tree(count, kilobytes, folder):
    import os
    rng = random.Random(20261207)
    target = int(kilobytes * 1024)
    for n in range(count):
        sub = os.path.join(folder, "d%03d" % (n // 100))
        if n % 100 == 0:
            os.makedirs(sub, exist_ok=True)
        parts, size, i = [HEAD], len(HEAD), n * 1000
        while size < target:
            i += 1
            block = realistic_block(rng, i)
            parts.append(block)
            size += len(block.encode("cp932"))
        with open(os.path.join(sub, "p%05d.htm" % n), "wb") as out:
            out.write("".join(parts).encode("cp932"))


def main():
    if sys.argv[1] == "--tree":
        write_tree(int(sys.argv[2]), float(sys.argv[3]), sys.argv[4])
        return
    shape, megabytes, output = sys.argv[1], float(sys.argv[2]), sys.argv[3]
    encoding = sys.argv[4] if len(sys.argv) > 4 else "cp932"
    if encoding not in START:
        raise SystemExit("unknown encoding " + encoding)
    codec = "utf-16-le" if encoding == "utf-16" else encoding
    target = int(megabytes * 1024 * 1024)
    rng = random.Random(20261207)
    written = 0
    with open(output, "wb") as out:
        if encoding == "utf-16":
            out.write(b"\xff\xfe")
        out.write(START[encoding].encode(codec))
        chunk = []
        size = 0
        for block in blocks(shape, rng):
            chunk.append(block.encode(codec))
            size += len(block.encode("cp932"))  # the twins hold the same text
            if size >= 1 << 20 or written + size >= target:
                out.write(b"".join(chunk))
                written += size
                chunk, size = [], 0
                if written >= target:
                    break


if __name__ == "__main__":
    main()
