// The readable-text options (SCRIPT, ENTITY, SPACE, BLOCK): what each makes
// of the constructs it acts on, alone and together with the classic ones;
// every case also fed in pieces cut anywhere, as UTF-16, as UTF-8 bytes and
// as code page bytes.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/clsQuillmere.h"
#include "engine/readable_scan.h"
#include "html/character_references.h"
#include "platform/codepage.h"
#include "tests/support/converter_options.h"
#include "tests/support/readable_text.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::ConverterWith;
using testing_support::Settings;
using testing_support::Show;

const Settings kScript{{u"SCRIPT", u"1"}};
const Settings kEntity{{u"ENTITY", u"1"}};
const Settings kSpace{{u"SPACE", u"1"}};
const Settings kBlock{{u"BLOCK", u"1"}};
const Settings kAll{{u"SCRIPT", u"1"}, {u"ENTITY", u"1"}, {u"SPACE", u"1"}, {u"BLOCK", u"1"}};

Settings With(Settings options, const Settings& more) {
  options.insert(options.end(), more.begin(), more.end());
  return options;
}

using testing_support::AnsiCodec;
using testing_support::Utf8Codec;

// The output of a session fed `text` in the pieces that the cuts make.
template <typename Session, typename String>
String InPieces(Session& session, const String& text, std::size_t cut1, std::size_t cut2) {
  const typename Session::View view = text;
  String out;
  session.Feed(view.substr(0, cut1), out);
  session.Feed(view.substr(cut1, cut2 - cut1), out);
  session.Feed(view.substr(cut2), out);
  session.Finish(out);
  return out;
}

// Whether the whole text and the text in any three pieces convert alike, in
// UTF-16, UTF-8 and (where the text has a form there) code page bytes.
void ExpectSameInPieces(const clsQuillmere& q, const std::u16string& input,
                        const std::u16string& whole) {
  for (std::size_t a = 0; a <= input.size(); ++a)
    for (std::size_t b = a; b <= input.size(); ++b) {
      clsQuillmere::Session session(q);
      ASSERT_EQ(Show(InPieces(session, input, a, b)), Show(whole)) << "cut at " << a << ", " << b;
    }
  const Utf8Codec utf8;
  const std::string bytes = platform::EncodeUtf8(input);
  const std::string utf8_whole = platform::EncodeUtf8(whole);
  for (std::size_t a = 0; a <= bytes.size(); ++a)
    for (std::size_t b = a; b <= bytes.size(); b += 3) {
      clsQuillmere::ByteSession session(q, utf8);
      ASSERT_EQ(InPieces(session, bytes, a, b), utf8_whole) << "UTF-8 cut at " << a << ", " << b;
    }
  // In a code page, the spaces it has no room for come out as plain spaces.
  const AnsiCodec ansi;
  const std::string ansi_input = platform::EncodeAnsi(input);
  if (platform::DecodeAnsi(ansi_input) != input) return;
  const std::string ansi_whole =
      platform::EncodeAnsi(testing_support::PlainSpacesFor(whole, platform::Encoding::kAnsi));
  for (std::size_t a = 0; a <= ansi_input.size(); a += 2) {
    clsQuillmere::ByteSession session(q, ansi);
    ASSERT_EQ(InPieces(session, ansi_input, a, ansi_input.size()), ansi_whole)
        << "code page cut at " << a;
  }
}

struct Case {
  std::u16string input;
  Settings options;
  std::u16string expected;
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << Show(c.input);
}

class ReadableTest : public testing::TestWithParam<Case> {};

TEST_P(ReadableTest, GivesTheTextWholeAndInPieces) {
  const Case& c = GetParam();
  const clsQuillmere q = ConverterWith(c.options);
  const std::u16string whole = q.Execute(c.input);
  EXPECT_EQ(Show(whole), Show(c.expected));
  ExpectSameInPieces(q, c.input, whole);
}

// Raw text ends only at its own element's end tag; comments only at "-->".
INSTANTIATE_TEST_SUITE_P(
    Script, ReadableTest,
    testing::Values(
        Case{u"a<script>if (x<y) s='</p>';</script>b", kScript, u"ab"},
        Case{u"a<script>x</script >b", kScript, u"ab"},
        Case{u"a<script type=module>x</SCRIPT>b", kScript, u"ab"},
        Case{u"a<SCRIPT>x</Script\tid=1>b", kScript, u"ab"},
        Case{u"a<script>x</scripts>y</script>b", kScript, u"ab"},
        Case{u"a<script>x</script/>b", kScript, u"ab"},
        Case{u"a<script/>x</script>b", kScript, u"ab"},
        Case{u"a<script>never ends <p>", kScript, u"a"}, Case{u"a<script>x</script", kScript, u"a"},
        Case{u"a<style>p > b { x: '</style' }</style>b", kScript, u"ab"},
        Case{u"a<template><p>t</p></template>b", kScript, u"ab"},
        Case{u"<scripts>x</scripts><styles>y", kScript, u"xy"},
        Case{u"a<script>x</style>y</script>b", kScript, u"ab"},
        Case{u"a<!-- b > c -->d", kScript, u"ad"}, Case{u"a<!-->b", kScript, u"ab"},
        Case{u"a<!--->b", kScript, u"ab"}, Case{u"a<!---->b", kScript, u"ab"},
        Case{u"a<!-- x -- y -->b", kScript, u"ab"}, Case{u"a<!-- x --!>b", kScript, u"ab"},
        Case{u"a<!-- x -- >y-->b", kScript, u"ab"}, Case{u"a<!--x--->b", kScript, u"ab"},
        Case{u"a<!-- <script> -->b</script>c", kScript, u"abc"},
        Case{u"a<!-- never ends", kScript, u"a"}, Case{u"a<!->b", kScript, u"ab"},
        Case{u"a<!-x->b", kScript, u"ab"}, Case{u"a<!DOCTYPE html>b", kScript, u"ab"},
        Case{u"a<!--", kScript, u"a"}, Case{u"a<!-", kScript, u"a"},
        // "<" begins a tag only before a letter, "/", "!" or "?".
        Case{u"1 < 2 and 3 > 2", kScript, u"1 < 2 and 3 > 2"},
        Case{u"a <%= x %> b<3<>", kScript, u"a <%= x %> b<3<>"},
        Case{u"a</ x>b<?php y ?>c<X>d<", kScript, u"abcd<"}, Case{u"1 < 2 and 3 > 2", {}, u"1  2"},
        // Off, they are text as they always were.
        Case{u"a<script>x</script>b", {}, u"axb"}, Case{u"<!-- a > b -->c", {}, u" b -->c"}));

// Every reference as HTML decodes it; the classic three alone without it.
INSTANTIATE_TEST_SUITE_P(
    Entity, ReadableTest,
    testing::Values(Case{u"&copy; &#12354;&#x3042;&#X3042;&#0012354;", kEntity, u"© あああ\u3042"},
                    Case{u"a&nbsp;b", kEntity, u"a\u00A0b"},
                    Case{u"&amp;lt; &lt;br&gt; &AMP; &Amp;", kEntity, u"&lt; <br> & &Amp;"},
                    Case{u"&notit; &notin; &not", kEntity, u"¬it; ∉ ¬"},
                    Case{u"&NotEqualTilde; &fjlig;", kEntity, u"\u2242\u0338 fj"},
                    Case{u"&#0;&#xD800;&#xDFFF;&#x110000;&#99999999999999999999;&#x10FFFF;",
                         kEntity, u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\U0010FFFF"},
                    Case{u"&#128;&#x9F;&#x81;&#159;&#x7F;", kEntity, u"€Ÿ\u0081Ÿ\u007F"},
                    Case{u"&#65&#x42 &#;&#x;&#xG; & &", kEntity, u"AB &#;&#x;&#xG; & &"},
                    Case{u"&unknown; &ampx &amp", kEntity, u"&unknown; &x &"},
                    Case{u"&#x1F600;", kEntity, u"\U0001F600"},
                    Case{u"a&#10;b&#32;&#32;c&#13;&#10;d", kEntity, u"a\r\nb  c\r\nd"},
                    // In an attribute a name without ";" before "=" or a letter stays.
                    Case{u"<a href='x?a=1&copy=2&not;&notx&amp;y'>Q</a>", kEntity,
                         u"[リンク:x?a=1&copy=2¬&notx&y]Q"},
                    Case{u"<a href='x?a&copy=2'>Q</a>&copy=2",
                         With(kEntity, {{u"A_LINK_TAG_TYPE", u"2"}}), u"Q(x?a&copy=2)©=2"},
                    Case{u"<a href='&lt;&#x41;'>Q</a>", With(kEntity, {{u"A_LINK_TAG_TYPE", u"0"}}),
                         u"<a href='<A'>Q</a>"},
                    Case{u"<img alt='&quot;A&quot;' src='&#x61;.png'>", kEntity,
                         u"[イメージ:\"A\":a.png]"},
                    // One pass, left to right: what a reference gives is not read again.
                    Case{u"&amp;amp;", kEntity, u"&amp;"}, Case{u"&amp;#65;", kEntity, u"&#65;"},
                    Case{u"&am<b>p;", kEntity, u"&amp;"},
                    Case{u"x &amp;lt; &nbsp; &#65;", {}, u"x < &nbsp; &#65;"}));

// Text laid out as a browser lays it out, but in pre and textarea.
INSTANTIATE_TEST_SUITE_P(
    Space, ReadableTest,
    testing::Values(
        Case{u"a  \t\r\n b\f c", kSpace, u"a b c"}, Case{u"  a  ", kSpace, u"a"},
        Case{u"\r\n a \r\n", kSpace, u"a"}, Case{u"<p> a </p> <p> b </p>", kSpace, u"a\r\nb\r\n"},
        Case{u"a<b> b </b>c", kSpace, u"a b c"}, Case{u"a <b> </b> b", kSpace, u"a b"},
        Case{u"a\n<br>\n b", kSpace, u"a\r\nb"}, Case{u"a <br> b", kSpace, u"a\r\nb"},
        // "</pre>" begins with "</P": the option P breaks the line there.
        Case{u"x<pre>  a\r\n\r\n   b  </pre>y  z", kSpace, u"x  a\r\n\r\n   b  \r\ny z"},
        Case{u"<pre><pre>a </pre> b </pre> c  d", kSpace, u"a \r\n b \r\nc d"},
        Case{u"x<pre> a  b </pre> c  d", With(kSpace, {{u"P", u"0"}}), u"x a  b  c d"},
        Case{u"<textarea> a\n b </textarea>  c", kSpace, u" a\r\n b  c"},
        Case{u"</pre>a  b", With(kSpace, {{u"P", u"0"}}), u"a b"},
        Case{u"a<img src='x' alt='A  B'>b", kSpace, u"a[イメージ:A B:x]b"},
        Case{u"a &#32;&#9; b&nbsp; &nbsp;c", With(kSpace, kEntity), u"a b\u00A0 \u00A0c"},
        Case{u"a&#32 b&#32  c&#x20 d &#32 e", With(kSpace, kEntity), u"a b c d e"},
        Case{u"a<hr> b", kSpace, u"a-----\r\nb"}, Case{u"a  b\r\n\r\nc", {}, u"a  b\r\n\r\nc"}));

// Blocks on lines of their own; list items, cells and headings.
INSTANTIATE_TEST_SUITE_P(
    Block, ReadableTest,
    testing::Values(
        Case{u"<div>a</div><div>b</div>c", kBlock, u"a\r\nb\r\nc"},
        Case{u"x<section><div><p>a</p></div></section>y", kBlock, u"x\r\n\r\na\r\n\r\ny"},
        Case{u"<h1>T</h1><p>x</p>", kBlock, u"T\r\n\r\nx\r\n"},
        Case{u"a<h2>T</h2>b<H6>U</H6>", kBlock, u"a\r\n\r\nT\r\n\r\nb\r\n\r\nU"},
        Case{u"<ul><li>a</li><li>b</li></ul>c", kBlock, u"・a\r\n・b\r\n\r\nc"},
        Case{u"<ul><li>a<ul><li>b<ol><li>c</ol></ul></li><li>d</li></ul>", kBlock,
             u"・a\r\n  ・b\r\n    1. c\r\n・d"},
        Case{u"<ul>\n  <li>a</li>\n  <li> b\n</li>\n</ul>\n", With(kBlock, kSpace), u"・a\r\n・b"},
        Case{u"<table><tr><th>h</th><th>i</th></tr><tr><td>a</td><td>b</td></tr></table>", kBlock,
             u"h\ti\r\na\tb"},
        Case{u"<table><tr><td></td><td>b</td><td> </td></tr></table>", With(kBlock, kSpace),
             u"\tb\t"},
        Case{u"<table><tr><td>a<table><tr><td>x</td><td>y</td></tr></table></td><td>b</td>"
             u"</tr></table>",
             kBlock, u"a\r\n\r\nx\ty\r\n\r\n\tb"},
        Case{u"<title>T</title><p>a<br></p><p>b", kBlock, u"T\r\n\r\na\r\n\r\nb"},
        Case{u"a<br><div>b</div>", kBlock, u"a\r\nb"},
        Case{u"a<div><br><br><br></div>b", kBlock, u"a\r\nb"},
        Case{u"a<div><br><br><br><br></div>b", kBlock, u"a\r\n\r\nb"},
        Case{u"a<div><br><br><br></div>b", With(kBlock, {{u"ENTER", u"0"}}), u"a\r\n\r\n\r\nb"},
        Case{u"<div>a</div>\r\n<div>b</div>", kBlock, u"a\r\nb"},
        Case{u"<span>a</span><span>b</span><divx>c", kBlock, u"abc"},
        Case{u"<div>a</div>", {}, u"a"}));

// What a browser does not show: the head, what hides by its hidden
// attribute or its style, noscript, template and the like, with all they
// hold, however their end comes.
INSTANTIATE_TEST_SUITE_P(
    Hidden, ReadableTest,
    testing::Values(
        Case{u"a<div hidden>b</div>c", kScript, u"ac"},
        Case{u"a<span HIDDEN=hidden>b</span>c", kScript, u"ac"},
        Case{u"a<p style=\"display:none\">b</p>c", kScript, u"ac"},
        Case{u"a<p style='color: red; DISPLAY : None !important'>b</p>c", kScript, u"ac"},
        Case{u"a<p style=\"visibility:hidden\">b</p>c<p style='visibility: collapse'>d</p>",
             kScript, u"ac"},
        Case{u"a<p style=\"display:none; display: block\">b</p>c", kScript, u"ab\r\nc"},
        Case{u"a<p style=\"display:none ! important; display:block\">b</p>c", kScript, u"ac"},
        Case{u"a<p style=\"display: /* not yet */ none\">b</p>c", kScript, u"ac"},
        Case{u"a<p style=\"display:&#110;one\">b</p>c", kAll, u"ac"},
        Case{u"a<p style=\"display:inline\" hidden>b</p>c", kScript, u"ac"},
        Case{u"a<noscript><p>b</p></noscript>c<noembed>d</noembed><noframes>e</noframes>", kScript,
             u"ac"},
        Case{u"a<iframe src=x>b</iframe>c<datalist><option>d</datalist>", kScript, u"ac"},
        Case{u"<!DOCTYPE html><html><head><title>T</title><meta charset=utf-8>\n<link rel=x>"
             u"<style>p{}</style></head>\n<body>\nx",
             kScript, u"\r\nx"},
        Case{u"<title>T &amp; <b>U</b></title>x", kScript, u"x"},
        Case{u"<head> x</head>", kScript, u"x"},
        // Nested, unclosed, and ended by what HTML ends them with.
        Case{u"a<div hidden><div>b</div>c<div hidden>d</div>e</div>f", kScript, u"af"},
        Case{u"a<div><span hidden>b</div>c", kScript, u"ac"},
        Case{u"a<div hidden>b</p>c</li>d</div>e", kScript, u"ae"},
        Case{u"<ul><li hidden>a<li>b</ul>c", kAll, u"・b\r\n\r\nc"},
        Case{u"a<p hidden>b<div>c</div>", kAll, u"a\r\nc"},
        Case{u"<table><tr><td hidden>a<td>b<tr hidden><td>c</table>d", kAll, u"b\r\n\r\nd"},
        Case{u"<dl><dt hidden>a<dd>b</dl>", kAll, u"    b"},
        Case{u"a<h1 hidden>b<h2>c</h2>", kAll, u"a\r\n\r\nc"},
        Case{u"a<select><option hidden>b<option>c</select>", kScript, u"ac"},
        Case{u"a<div hidden><img src=x alt=y><br><hr><a href=z>l</a></div>b", kScript, u"ab"},
        Case{u"a<img src=x alt=y hidden>b<br hidden>c", kScript, u"abc"},
        Case{u"<a href=x>t<span hidden>u</span>v</a>", kScript, u"[リンク:x]tv"},
        // A hidden element that holds a script: what the script holds ends nothing.
        Case{u"a<div hidden><script>if (x) '</div>';</script>b</div>c", kScript, u"ac"},
        Case{u"a<template><div>b</template>c", kScript, u"ac"},
        Case{u"a<template><template>b</template>c</template>d", kScript, u"ad"},
        // CDATA is text in svg and math; elsewhere a bogus comment.
        Case{u"a<svg><![CDATA[x<y]]></svg>b<math><![CDATA[z]]></math>", kScript, u"ax<ybz"},
        Case{u"a<svg hidden><![CDATA[x]]></svg>b", kScript, u"ab"},
        Case{u"a<![CDATA[x]]>b", kScript, u"ab"},
        Case{u"a<svg><p>b</p><![CDATA[c]]>", kScript, u"ab\r\n"},
        // Without SCRIPT all is shown, as it always was.
        Case{u"a<div hidden>b</div>c<title>d</title>", kBlock, u"a\r\nb\r\nc\r\nd"}));

// Under SCRIPT an <a> without href is no link; tags end where HTML ends
// them, a ">" in quotes ending nothing, in every attribute the ten options
// read.
INSTANTIATE_TEST_SUITE_P(
    Tags, ReadableTest,
    testing::Values(
        Case{u"<a id=s1>x</a> <a name=n>y</a>", kScript, u"x y"},
        Case{u"<a name=n>y</a>", With(kScript, {{u"ANAME", u"0"}}), u"y"},
        Case{u"<a name=n>y</a>", With(kScript, {{u"A_LINK_TAG_TYPE", u"2"}}), u"y"},
        Case{u"<a name=n>y</a>", With(kScript, {{u"A_LINK_TAG_TYPE", u"0"}}), u"y"},
        Case{u"<a href=page.html>x</a>", kScript, u"[リンク:page.html]x"},
        Case{u"<a HREF = \"p.html\" name=n>x</a>", kScript, u"x"},
        Case{u"<a HREF = \"p.html\" name=n>x</a>", With(kScript, {{u"ANAME", u"0"}}),
             u"[リンク:p.html]x"},
        Case{u"<a href='#top'>x</a><a href=\"&#35;s\">y</a>", kAll, u"xy"},
        Case{u"<a href='#top'>x</a>", With(kScript, {{u"AHREFSharp", u"0"}}), u"[リンク:#top]x"},
        Case{u"<a href='1'>A<a id=x>B</a>", With(kScript, {{u"A_LINK_TAG_TYPE", u"2"}}), u"AB(1)"},
        Case{u"<a href='1'>A<a href=#x>B</a>", With(kScript, {{u"A_LINK_TAG_TYPE", u"2"}}),
             u"AB(1)"},
        Case{u"<a href=x href=y>z</a>", kScript, u"[リンク:x]z"},
        Case{u"<A Href=x>z</A></ADDRESS>", With(kScript, {{u"A_LINK_TAG_TYPE", u"2"}}), u"z(x)"},
        Case{u"<a onclick=\"if (a>b) go()\" href=\"x\">link</a>", kScript, u"[リンク:x]link"},
        Case{u"<a href=\"a>b.html\">x</a><a href='c>d'>y</a>", kScript,
             u"[リンク:a>b.html]x[リンク:c>d]y"},
        Case{u"<img alt=\"a > b\" src=x.png>", kScript, u"[イメージ:a > b:x.png]"},
        Case{u"<img src='x>y.png' alt=\"p>q\">", kScript, u"[イメージ:p>q:x>y.png]"},
        Case{u"<img src=logo.gif alt=Logo><IMAGE SRC=z>", kScript,
             u"[イメージ:Logo:logo.gif][イメージ::z]"},
        Case{u"<img src='a&amp;b&lt;' alt='&copy;'>", kAll, u"[イメージ:©:a&b<]"},
        Case{u"<a href=\"a>b\" id=x>y</A>", With(kScript, {{u"A_LINK_TAG_TYPE", u"0"}}),
             u"<a href=\"a>b\" id=x>y</a>"},
        Case{u"<p title=\"1 > 0\">a</p><br class='x>y'>b<hr size=\">\">", kScript,
             u"a\r\n\r\nb-----\r\n"},
        Case{u"a</br>b<p>c</P>d</pre>e", kScript, u"a\r\nbc\r\nde"},
        Case{u"a<script><!--\ndocument.write('<script></script>');\n//--></script>b", kScript,
             u"ab"},
        Case{u"a<script><!--<script>x</script>y--></script>b", kScript, u"ab"},
        Case{u"<textarea><b>x</b> &amp;&copy;</textarea>", kScript, u"<b>x</b> &&copy;"},
        Case{u"<textarea>&copy;</TEXTAREA >y", kAll, u"©y"},
        Case{u"<xmp><b>&amp;</b></xmp><plaintext></plaintext><b>", kScript,
             u"<b>&amp;</b></plaintext><b>"},
        // Mark-up cut by the end is dropped, as HTML drops it.
        Case{u"a<b href=\"x", kScript, u"a"}, Case{u"a<!DOCTYPE html", kScript, u"a"},
        Case{u"a<!-- x", kScript, u"a"}, Case{u"a<b", kScript, u"a"}, Case{u"a</", kScript, u"a</"},
        Case{u"a<", kScript, u"a<"}, Case{u"a</b", kScript, u"a"},
        Case{u"<textarea>a</tex", kScript, u"a</tex"}, Case{u"<xmp>a<", kScript, u"a<"},
        Case{u"a<?x", kScript, u"a"},
        // Without SCRIPT, as it always was: the first ">" ends a tag.
        Case{u"<img alt=\"a > b\" src=x.png>", kBlock, u"[イメージ:a :] b\" src=x.png>"},
        Case{u"a<b href=\"x", kBlock, u"a<b href=\"x"}));

const Settings kGrid = With(kAll, {{u"TABLE", u"1"}});
const Settings kLinks = With(kAll, {{u"LINKS", u"1"}});

// Vertical space as the browser's style sheet gives it: an empty line
// between blocks with margins, collapsing; other blocks begin and end lines;
// ENTER collapses what <br> and </p> make, never the one empty line.
INSTANTIATE_TEST_SUITE_P(
    Margins, ReadableTest,
    testing::Values(
        Case{u"<p>a</p><p>b</p>", kAll, u"a\r\n\r\nb\r\n"},
        Case{u"<p>a</p><p>b</p>", With(kAll, {{u"P", u"0"}}), u"a\r\n\r\nb"},
        Case{u"<h2>T</h2><p>a</p><div>b</div><div>c</div>", kAll, u"T\r\n\r\na\r\n\r\nb\r\nc"},
        Case{u"<div><p>a</p></div><div><p>b</p></div>", kAll, u"a\r\n\r\nb\r\n"},
        Case{u"<p>a<br><br><br></p><p>b", kAll, u"a\r\n\r\nb"},
        Case{u"<p>a<br><br><br><br><br></p>b", kAll, u"a\r\n\r\nb"},
        Case{u"<p>a<br><br><br></p>b", With(kAll, {{u"ENTER", u"0"}}), u"a\r\n\r\n\r\n\r\nb"},
        Case{u"<h1>T</h1>\r\n\r\n\r\n<p>x</p>", With(kBlock, kSpace), u"T\r\n\r\nx\r\n"},
        Case{u"<blockquote><pre>a</pre></blockquote><figure>b</figure><address>c</address>", kAll,
             u"    a\r\n\r\nb\r\n\r\nc"},
        Case{u"<p></p><p>a</p><div></div>", kAll, u"\r\na\r\n"},  // the P rule's break
        Case{u"a<hr>b", kAll, u"a\r\n\r\n-----\r\n\r\nb"},
        Case{u"Index<hr>", kBlock, u"Index\r\n\r\n-----\r\n"},
        Case{u"a<hr>b", With(kAll, {{u"HR", u"0"}}), u"a\r\n\r\nb"},
        Case{u"a<hr>b", kScript, u"a-----\r\nb"}));

// Lists: "・" or a number in the list's type, from start, value and
// reversed; an item's first paragraph on its marker's line, its later lines
// where its text begins.
INSTANTIATE_TEST_SUITE_P(
    Lists, ReadableTest,
    testing::Values(
        Case{u"<ul><li><p>a</p></li><li><p>b</p><p>c</p></li></ul>", kAll,
             u"・a\r\n\r\n・b\r\n\r\n  c\r\n"},
        Case{u"<ul><li>a<br>b<div>c</div></li></ul>", kAll, u"・a\r\n  b\r\n  c"},
        Case{u"<ol><li>a<li>b<ol><li>c<li>d</ol><li>e</ol>", kAll,
             u"1. a\r\n2. b\r\n   1. c\r\n   2. d\r\n3. e"},
        Case{u"<ol start=9><li>a<li>b</ol>", kAll, u"9. a\r\n10. b"},
        Case{u"<ol start=-1><li>a<li>b</ol>", kAll, u"-1. a\r\n0. b"},
        Case{u"<ol><li>a<li value=7>b<li>c</ol>", kAll, u"1. a\r\n7. b\r\n8. c"},
        Case{u"<ol reversed start=3><li>a<li>b<li>c</ol>", kAll, u"3. a\r\n2. b\r\n1. c"},
        // Without a start, down from the count of items, which the list's end
        // tells: values, types, nested lists and continuation lines as they
        // are elsewhere, each marker as wide as its own number.
        Case{u"<ol reversed><li>a<li>b</ol>", kAll, u"2. a\r\n1. b"},
        Case{u"x<ol reversed><li>a<li value=10>b<li>c<li>d</ol>y", kAll,
             u"x\r\n\r\n4. a\r\n10. b\r\n9. c\r\n8. d\r\n\r\ny"},
        Case{u"<ol reversed><li>a<ol reversed><li>x<li>y<li>z</ol><li>b</ol>", kAll,
             u"2. a\r\n   3. x\r\n   2. y\r\n   1. z\r\n1. b"},
        Case{u"<ol reversed type=A><li>a<br>two<li type=i>b</ol>", kAll, u"B. a\r\n   two\r\ni. b"},
        Case{u"<ol reversed><li>1<li>2<li>3<li>4<li>5<li>6<li>7<li>8<li>9<li>10<br>x</ol>", kAll,
             u"10. 1\r\n9. 2\r\n8. 3\r\n7. 4\r\n6. 5\r\n5. 6\r\n4. 7\r\n3. 8\r\n2. 9\r\n"
             u"1. 10\r\n   x"},
        Case{u"<ol reversed><li>a<li></ol>", kAll, u"2. a\r\n1. "},
        Case{u"<ol reversed><li>a<li>b", kAll, u"2. a\r\n1. b"},
        Case{u"<ol reversed></ol>x", kAll, u"x"},
        Case{u"<ol reversed><li>a<table><tr><td>b<td>c</table><li>d</ol>",
             With(kAll, {{u"TABLE", u"1"}}), u"2. a\r\n\r\n   b  c\r\n\r\n1. d"},
        Case{u"<table><tr><td><ol reversed><li>a<li>b</ol><td>z</table>",
             With(kAll, {{u"TABLE", u"1"}}), u"2. a  z\r\n1. b"},
        Case{u"<ol type=a><li>a<li value=26>z<li>aa</ol>", kAll, u"a. a\r\nz. z\r\naa. aa"},
        Case{u"<ol type=A start=28><li>x</ol><ol type=i start=4><li>y</ol>", kAll,
             u"AB. x\r\n\r\niv. y"},
        Case{u"<ol type=I start=1999><li>x<li type=1>y</ol>", kAll, u"MCMXCIX. x\r\n2000. y"},
        Case{u"<ol type=i start=0><li>x</ol>", kAll, u"0. x"},
        Case{u"<ul><li>a<ul><li>b<ul><li>c</ul></ul><li>d</ul>", kAll,
             u"・a\r\n  ・b\r\n    ・c\r\n・d"},
        Case{u"<ul><li><ul><li>a</ul></ul>", kAll, u"・・a"},
        Case{u"<ul><li></li><li>b</ul>", kAll, u"・\r\n・b"},
        Case{u"<li>a<li>b", kAll, u"・a\r\n・b"},
        Case{u"x<ul><li>a</ul>y", kAll, u"x\r\n\r\n・a\r\n\r\ny"},
        Case{u"<ul><li><pre>a\nb</pre></ul>", kAll, u"・a\r\n  b"}));

// Definition lists and quotes: a term flush with the text around, each
// line of a definition or a quote four spaces in.
INSTANTIATE_TEST_SUITE_P(
    Definitions, ReadableTest,
    testing::Values(Case{u"<dl><dt>-v<dd>Verbose.<br>Very.<dt>-q<dd>Quiet.</dl>x", kAll,
                         u"-v\r\n    Verbose.\r\n    Very.\r\n-q\r\n    Quiet.\r\n\r\nx"},
                    Case{u"<dl><dt>a</dt><dd><p>b</p><p>c</p></dd></dl>", kAll,
                         u"a\r\n\r\n    b\r\n\r\n    c\r\n"},
                    Case{u"<blockquote>a<blockquote>b</blockquote>c</blockquote>", kAll,
                         u"    a\r\n\r\n        b\r\n\r\n    c"},
                    Case{u"<dd>a<dt>b</dl>", kAll, u"    a\r\nb"},
                    Case{u"<ul><li>x<dl><dd>y</dl></ul>", kAll, u"・x\r\n\r\n      y"}));

// Tables with TABLE: a grid, columns as wide as their widest cell (kanji
// two columns, half-width kana one, combining marks none), two spaces
// apart, colspan honoured, a cell's lines kept in its column, nested tables
// laid out inside their cell; without TABLE, tab-separated rows.
INSTANTIATE_TEST_SUITE_P(
    Grids, ReadableTest,
    testing::Values(
        Case{u"<table><tr><td>a<td>bb<td>c<tr><td>aaa<td>b<td>c</table>", kGrid,
             u"a    bb  c\r\naaa  b   c"},
        Case{u"<table><tr><th>名前<th>x<tr><td>ｱｲｳ<td>y<tr><td>e\u0301e<td>z</table>", kGrid,
             u"名前  x\r\nｱｲｳ   y\r\ne\u0301e    z"},
        Case{u"<table><tr><td colspan=2>wide cell<td>c<tr><td>a<td>b<td>c</table>", kGrid,
             u"wide cell  c\r\na  b       c"},
        Case{u"<table><tr><td>a<br>b<td>x<tr><td>y<td>z<br>w</table>", kGrid,
             u"a  x\r\nb\r\ny  z\r\n   w"},
        Case{u"<table><tr><td>a<table><tr><td>x<td>y</table></td><td>b</table>", kGrid,
             u"a     b\r\nx  y"},
        Case{u"<table><caption>Cap</caption><tr><td>a<td>b</table>", kGrid, u"Cap\r\na  b"},
        Case{u"p<table><tr><td>a</table>q", kGrid, u"p\r\n\r\na\r\n\r\nq"},
        Case{u"<table><tr><td><tr><td>a</table>", kGrid, u"a"},
        Case{u"<ul><li>x<table><tr><td>a<td>b</table></ul>", kGrid, u"・x\r\n\r\n  a  b"},
        Case{u"<table><tr><td>a<td>b</table>", kAll, u"a\tb"},
        Case{u"<table><tr><td>a<td>b", kGrid, u"a  b"}));

// Link references with LINKS: "[N]" after a link's text, and at the end an
// empty line, "リンク" and a line for each target, a target that comes again
// keeping its first number; AHREFSharp and ANAME as always.
INSTANTIATE_TEST_SUITE_P(
    Links, ReadableTest,
    testing::Values(
        Case{u"<p>See <a href=a.html>this</a> and <a href='b.html'>that</a>, "
             u"<a href=\"a.html\">this again</a>.</p>",
             kLinks,
             u"See this[1] and that[2], this again[1].\r\n\r\nリンク\r\n[1] a.html\r\n[2] b.html"},
        Case{u"<a href=#top>up</a> <a name=n href=x>named</a> <a href=y>y</a>", kLinks,
             u"up named y[1]\r\n\r\nリンク\r\n[1] y"},
        Case{u"<a href=#top>up</a>", With(kLinks, {{u"AHREFSharp", u"0"}}),
             u"up[1]\r\n\r\nリンク\r\n[1] #top"},
        Case{u"<a href=x>a<a href=y>b</a>", kLinks, u"a[1]b[2]\r\n\r\nリンク\r\n[1] x\r\n[2] y"},
        Case{u"<a href=x>a</a>", With(kLinks, {{u"AHREF", u"0"}}), u"a"},
        Case{u"<a href='a&amp;b'>q</a>", kLinks, u"q[1]\r\n\r\nリンク\r\n[1] a&b"},
        Case{u"<a href=x>a</a><p>b</p>", kLinks, u"a[1]\r\n\r\nb\r\n\r\nリンク\r\n[1] x"},
        Case{u"<a href=>e</a>t", kLinks, u"et"},
        Case{u"<A HREF=\"x\">a</A>", With(kBlock, {{u"LINKS", u"1"}}),
             u"a[1]\r\n\r\nリンク\r\n[1] x"}));

const std::u16string kDocument =
    u"<html><head><title>Sample</title></head>\r\n<body>\r\n<h1>News</h1>\r\n"
    u"<p>First &amp; second.<br>\r\n<a href='a.html'>More</a></p>\r\n<hr>\r\n</body></html>\r\n";

INSTANTIATE_TEST_SUITE_P(
    AllFour, ReadableTest,
    testing::Values(
        Case{kDocument, kAll,
             u"News\r\n\r\nFirst & second.\r\n[リンク:a.html]More\r\n\r\n-----\r\n"},
        Case{kDocument, With(kAll, {{u"A_LINK_TAG_TYPE", u"2"}, {u"HR", u"0"}}),
             u"News\r\n\r\nFirst & second.\r\nMore(a.html)\r\n"},
        Case{u"<html>\n<head>\n<style>\nbody { margin: 0 }\n</style>\n<script>\nvar a = "
             u"'<p>';\n</script>\n</head>\n<body>\n<!-- nav -->\n<div class=x>\n  <p>Caf&eacute; "
             u"&mdash; &#x1F375;&nbsp;tea</p>\n  <ul>\n    <li>one</li>\n    <li>two</li>\n  "
             u"</ul>\n</div>\n</body>\n</html>\n",
             kAll, u"Caf\u00E9 \u2014 \U0001F375\u00A0tea\r\n\r\n・one\r\n・two"}));

// RUBY: the reading in parentheses (1), in Aozora Bunko's notation (2), or
// the base alone (3), as HTML's ruby model pairs bases and readings; 0 and
// values that are no mode as the browser runs them together.
const Settings kRuby1 = With(kAll, {{u"RUBY", u"1"}});
const Settings kRuby2 = With(kAll, {{u"RUBY", u"2"}});
const Settings kRuby3 = With(kAll, {{u"RUBY", u"3"}});
const std::u16string kKanji = u"今日は<ruby>漢字<rp>(</rp><rt>かんじ</rt><rp>)</rp></ruby>を";

INSTANTIATE_TEST_SUITE_P(
    Ruby, ReadableTest,
    testing::Values(
        Case{kKanji, kAll, u"今日は漢字かんじを"},
        Case{kKanji, With(kAll, {{u"RUBY", u"0"}}), u"今日は漢字かんじを"},
        Case{kKanji, With(kAll, {{u"RUBY", u"4"}}), u"今日は漢字かんじを"},
        Case{kKanji, kRuby1, u"今日は漢字（かんじ）を"},
        Case{kKanji, kRuby2, u"今日は漢字《かんじ》を"}, Case{kKanji, kRuby3, u"今日は漢字を"},
        Case{u"<ruby>勉強<rt>べんきょう</rt></ruby>", kRuby1, u"勉強（べんきょう）"},
        // Several bases and readings make one word and its reading.
        Case{u"<ruby><rb>漢</rb><rb>字</rb><rt>かん</rt><rt>じ</rt></ruby>", kRuby1,
             u"漢字（かんじ）"},
        Case{u"<ruby>東<rt>とう</rt>京<rt>きょう</rt></ruby>", kRuby2, u"東京《とうきょう》"},
        Case{u"<ruby>東<rp>(</rp><rt>とう</rt><rp>)</rp>京<rp>(</rp><rt>きょう</rt><rp>)</rp>"
             u"</ruby>",
             kRuby3, u"東京"},
        // Each rtc is a level of readings of its own.
        Case{u"<ruby>漢字<rtc><rt>かんじ</rt></rtc><rtc>kanji</rtc></ruby>", kRuby1,
             u"漢字（かんじ）（kanji）"},
        Case{u"<ruby>漢字<rt>かんじ</rt><rtc>kanji</rtc></ruby>", kRuby2,
             u"漢字《かんじ》（kanji）"},
        Case{u"<ruby>漢字<rtc>kanji</rtc></ruby>", kRuby3, u"漢字"},
        // Elements within base and reading.
        Case{u"<ruby><b>漢</b><span>字</span><rt>かん<b>じ</b></rt></ruby>", kRuby1,
             u"漢字（かんじ）"},
        // ｜ where the notation would not find the base's start by itself:
        // a base that is not all kanji, or one right after a kanji.
        Case{u"<ruby>ひらがな<rt>hiragana</rt></ruby>", kRuby2, u"｜ひらがな《hiragana》"},
        Case{u"<ruby>ブルースカイ<rt>あおぞら</rt></ruby>", kRuby2, u"｜ブルースカイ《あおぞら》"},
        Case{u"日華<ruby>蛋粉<rt>たんぷん</rt></ruby>", kRuby2, u"日華｜蛋粉《たんぷん》"},
        Case{u"の<ruby>蛋粉<rt>たんぷん</rt></ruby>", kRuby2, u"の蛋粉《たんぷん》"},
        Case{u"日華 <ruby>蛋粉<rt>たんぷん</rt></ruby>", kRuby2, u"日華 蛋粉《たんぷん》"},
        Case{u"<ruby>時々<rt>ときどき</rt></ruby>、<ruby>一ヶ月<rt>いっかげつ</rt></ruby>", kRuby2,
             u"時々《ときどき》、一ヶ月《いっかげつ》"},
        Case{u"<ruby>𠮟<rt>しかる</rt></ruby>", kRuby2, u"𠮟《しかる》"},
        Case{u"<ruby>漢字<rt>かんじ</rt></ruby><ruby>仮名<rt>かな</rt></ruby>", kRuby2,
             u"漢字《かんじ》仮名《かな》"},
        // Spaces between the parts go; an empty reading writes the base.
        Case{u"<ruby>\n 漢字 <rt> かんじ </rt>\n</ruby>です", kRuby1, u"漢字（かんじ）です"},
        Case{u"<ruby>漢字<rt></rt></ruby>", kRuby1, u"漢字"},
        Case{u"<ruby><rt>かん</rt></ruby>", kRuby2, u"（かん）"},
        // A ruby the page leaves open ends with it; a block breaks it, and
        // the rest comes as it stands.
        Case{u"<ruby>漢字<rt>かんじ", kRuby1, u"漢字（かんじ）"},
        Case{u"<p><ruby>漢字<rt>かんじ</p>続き", kRuby1, u"漢字（かんじ）\r\n\r\n続き"},
        Case{u"<ruby>漢<rt>かん</rt><br>字<rt>じ</rt></ruby>", kRuby1, u"漢（かん）\r\n字じ"},
        Case{u"<ruby><ruby>漢<rt>かん</rt></ruby>字<rt>じ</rt></ruby>", kRuby1, u"漢字（かんじ）"},
        // Without SCRIPT rp is not hidden by the browser's rules, but under
        // RUBY it never shows.
        Case{kKanji, {{u"BLOCK", u"1"}, {u"RUBY", u"1"}}, u"今日は漢字（かんじ）を"},
        Case{kKanji, {{u"BLOCK", u"1"}}, u"今日は漢字(かんじ)を"},
        // The classic conversion knows nothing of it.
        Case{kKanji, {{u"RUBY", u"1"}}, u"今日は漢字(かんじ)を"}));

// WIDTH: lines wrapped where Unicode allows and Japanese typesetting does
// not forbid; continuations keep their container's indentation; pre, grids,
// rules and the links' lines stand as they are.
const Settings kWrap20 = With(kAll, {{u"WIDTH", u"20"}});

INSTANTIATE_TEST_SUITE_P(
    Wrap, ReadableTest,
    testing::Values(
        Case{u"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほ", kWrap20,
             u"あいうえおかきくけこ\r\nさしすせそたちつてと\r\nなにぬねのはひふへほ"},
        Case{u"あいうえおかきくけこ", kWrap20, u"あいうえおかきくけこ"},  // exactly the width
        // A character that may not begin a line takes the one before along.
        Case{u"あいうえおかきくけこ。さしす", kWrap20, u"あいうえおかきくけ\r\nこ。さしす"},
        Case{u"あいうえおかきくけこ」。、さ", kWrap20, u"あいうえおかきくけ\r\nこ」。、さ"},
        Case{u"あいうえおかきくけこっさ", kWrap20, u"あいうえおかきくけ\r\nこっさ"},
        Case{u"アイウエオカキクケコーサ", kWrap20, u"アイウエオカキクケ\r\nコーサ"},
        Case{u"あいうえおかきくけ人々は", kWrap20, u"あいうえおかきくけ\r\n人々は"},
        Case{u"あいうえおかきくけこ？！さ", kWrap20, u"あいうえおかきくけ\r\nこ？！さ"},
        Case{u"あいうえおかきくけこ・さ", kWrap20, u"あいうえおかきくけ\r\nこ・さ"},
        // An opening bracket does not end a line.
        Case{u"あいうえおかきくけ「こさ」", kWrap20, u"あいうえおかきくけ\r\n「こさ」"},
        Case{u"あいうえおかきくけ（こさ）", kWrap20, u"あいうえおかきくけ\r\n（こさ）"},
        // Half-width katakana take a column each.
        Case{u"ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆ", kWrap20, u"ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄ\r\nﾅﾆ"},
        Case{u"ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄｰﾆ", kWrap20, u"ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃ\r\nﾄｰﾆ"},
        // Latin words whole, spaces at a break gone; a run with no place to
        // break, a word or a URL, stands alone.
        Case{u"The quick brown fox jumps over", kWrap20, u"The quick brown fox\r\njumps over"},
        Case{u"aaaa bbbb cccc dddd eeee", kWrap20, u"aaaa bbbb cccc dddd\r\neeee"},
        Case{u"a supercalifragilisticexpialidocious b", kWrap20,
             u"a\r\nsupercalifragilisticexpialidocious\r\nb"},
        Case{u"see https://example.com/very/long/path ok", kWrap20,
             u"see\r\nhttps://example.com/very/long/path\r\nok"},
        Case{u"日本語とEnglishの混在する文章です", kWrap20,
             u"日本語とEnglishの混\r\n在する文章です"},
        // Continuations keep the indentation; the marker stays on the first.
        Case{u"<ul><li>あいうえおかきくけこさしすせそ</li></ul>", kWrap20,
             u"・あいうえおかきくけ\r\n  こさしすせそ"},
        Case{u"<ol><li>あいうえおかきくけこさ</li></ol>", kWrap20,
             u"1. あいうえおかきく\r\n   けこさ"},
        Case{u"<blockquote>あいうえおかきくけこさし</blockquote>", kWrap20,
             u"    あいうえおかきく\r\n    けこさし"},
        Case{u"<ol reversed><li>あいうえおかきくけこ<li>さ</ol>", kWrap20,
             u"2. あいうえおか\r\n   きくけこ\r\n1. さ"},
        // A line before a table, whose cells are flows of their own.
        Case{u"aaaa bbbb cccc dddd eeee<table><td>0</table>", With(kWrap20, {{u"TABLE", u"1"}}),
             u"aaaa bbbb cccc dddd\r\neeee\r\n\r\n0"},
        // What stands as it is.
        Case{u"<pre>あいうえおかきくけこさしすせそ</pre>", kWrap20,
             u"あいうえおかきくけこさしすせそ"},
        Case{u"<table><tr><td>あいうえおかきくけこ<td>さしすせそ</table>",
             With(kWrap20, {{u"TABLE", u"1"}}), u"あいうえおかきくけこ  さしすせそ"},
        Case{u"a<hr>b", With(kWrap20, {{u"HR_NUM", u"30"}}),
             u"a\r\n\r\n------------------------------\r\n\r\nb"},
        Case{u"<a href=https://example.com/a/b/c/d/e/f>x</a>", With(kWrap20, {{u"LINKS", u"1"}}),
             u"x[1]\r\n\r\nリンク\r\n[1] https://example.com/a/b/c/d/e/f"},
        // Without WIDTH, and in the classic conversion, lines are as long as
        // they come.
        Case{u"あいうえおかきくけこさしす", kAll, u"あいうえおかきくけこさしす"},
        Case{u"あいうえおかきくけこさしす", {{u"WIDTH", u"20"}}, u"あいうえおかきくけこさしす"}));

// A reversed list without a start whose text is past what is held counts
// up from 1, as the list always did, to its end.
TEST(ReadableLists, AReversedListPastTheBoundCountsUp) {
  const clsQuillmere q = ConverterWith(kAll);
  const std::u16string long_item(600 * 1024, u'a');
  const std::u16string text =
      q.Execute(u"<ol reversed><li>" + long_item + u"<li>" + long_item + u"<li>b<li>c</ol>");
  EXPECT_EQ(Show(text.substr(0, 3)), "1. ");
  EXPECT_TRUE(text.ends_with(u"\r\n3. b\r\n4. c")) << Show(text.substr(text.size() - 20));
  EXPECT_EQ(text.find(u'\0'), std::u16string::npos);
  const std::u16string short_list = q.Execute(u"<ol reversed><li>a<li>b</ol>");
  EXPECT_EQ(Show(short_list), "2. a\r\n1. b");
}

// A ruby past what is held for one is written as it stands, and the rest
// of it as it comes.
TEST(ReadableRuby, ALongRubyIsWrittenAsItStands) {
  const std::u16string base(70000, u'字');
  const clsQuillmere q = ConverterWith(kRuby1);
  EXPECT_EQ(q.Execute(u"<ruby>" + base + u"<rt>じ</rt></ruby>。"), base + u"じ。");
  EXPECT_EQ(q.Execute(u"<ruby>字<rt>" + base + u"</rt></ruby>。"), u"字（" + base + u"）。");
}

// Each name of the standard's table, as it decodes in text, however the
// text is cut.
TEST(ReadableReferences, EveryNameOfTheTableDecodes) {
  const clsQuillmere q = ConverterWith(kEntity);
  ASSERT_EQ(engine::NamedReferences().size(), 2231u);
  for (const engine::NamedReference& r : engine::NamedReferences()) {
    std::u16string input = u"[&";
    input.append(r.name.begin(), r.name.end());
    input += u"]";
    std::u16string expected = u"[";
    for (char32_t c : {r.first, r.second}) {
      if (c >= 0x10000) {
        expected.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
        expected.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
      } else if (c == '\n') {
        expected += u"\r\n";  // a line break, as every line break is written
      } else if (c != 0) {
        expected.push_back(static_cast<char16_t>(c));
      }
    }
    expected += u"]";
    ASSERT_EQ(Show(q.Execute(input)), Show(expected)) << "&" << r.name;
    for (std::size_t cut = 1; cut < input.size(); ++cut) {
      clsQuillmere::Session session(q);
      ASSERT_EQ(Show(InPieces(session, input, cut, cut)), Show(expected))
          << "&" << r.name << " cut at " << cut;
    }
  }
}

// The references a code page has no room for: a space for a space, and
// whatever the code page makes of anything else.
TEST(ReadableReferences, SpacesACodePageCannotHoldArePlainSpaces) {
  const AnsiCodec ansi;
  const clsQuillmere q = ConverterWith(kEntity);
  clsQuillmere::ByteSession session(q, ansi);
  std::string out;
  session.Feed("a&nbsp;b&ensp;c&#x3000;d&eacute;", out);
  session.Finish(out);
  EXPECT_EQ(out, "a b c" + platform::EncodeAnsi(u"\u3000d\u00E9"));
}

// Fed one character at a time, a long run of digits or an unending name
// holds back only a few characters.
TEST(ReadableReferences, LongReferencesDecodeFedACharacterAtATime) {
  const clsQuillmere q = ConverterWith(kEntity);
  for (const auto& [input, expected] : std::vector<std::pair<std::u16string, std::u16string>>{
           {u"&#" + std::u16string(5000, u'0') + u"65;x", u"Ax"},
           {u"&#x" + std::u16string(5000, u'9') + u";x", u"\uFFFDx"},
           {u"&" + std::u16string(5000, u'a') + u";", u"&" + std::u16string(5000, u'a') + u";"}}) {
    clsQuillmere::Session session(q);
    std::u16string out;
    for (char16_t c : input) session.Feed(std::u16string_view(&c, 1), out);
    session.Finish(out);
    EXPECT_EQ(Show(out), Show(expected));
  }
}

// The readable conversion with none of its four options keeps the meaning
// of the ten: on random documents it gives what the classic one gives, but
// where a dropped tag falls inside an entity ("&am<b>p;"), which only the
// classic conversion joins.
TEST(ReadableScan, WithNoneOfTheFourMatchesTheClassicConversion) {
  const std::u16string alphabet =
      u"<<>>&&;\r\n\r\n  ampltgt xa href='#y' img src=\"z\" alt=w HR BR /P</A>\u3042-!";
  std::mt19937 random(11);
  const Settings variants[] = {{},
                               {{u"A_LINK_TAG_TYPE", u"0"}},
                               {{u"A_LINK_TAG_TYPE", u"2"}, {u"ENTER", u"0"}},
                               {{u"HR_NUM", u"-1"}, {u"ANAME", u"0"}, {u"AHREFSharp", u"0"}}};
  for (int round = 0; round < 20000; ++round) {
    std::u16string text;
    for (int i = static_cast<int>(random() % 60); i > 0; --i)
      text.push_back(alphabet[random() % alphabet.size()]);
    // No "&" with a tag within an entity's reach after it.
    bool joins = false;
    for (std::size_t at = text.find(u'&'); at != text.npos; at = text.find(u'&', at + 1))
      joins = joins || text.substr(at, 9).find(u'<') != text.npos;
    if (joins) continue;
    for (const Settings& options : variants) {
      const clsQuillmere q = ConverterWith(options);
      engine::ScanOptions none = testing_support::ScanOptionsOf(q);
      none.script = none.entity = none.space = none.block = none.table = none.links = false;
      engine::ReadableScan<char16_t> scan(none, nullptr, nullptr, nullptr, u"[イメージ:",
                                          u"[リンク:");
      std::u16string out;
      scan.Feed(text, out);
      scan.Finish(out, {});
      ASSERT_EQ(Show(out), Show(q.Execute(text))) << "input: " << Show(text);
    }
  }
}

// Random documents of the constructs the four act on, under random options,
// converted whole and in random pieces.
TEST(ReadableSession, PiecesGiveWhatTheWholeTextGives) {
  const std::vector<std::u16string> words = {u"<script>",
                                             u"</script>",
                                             u"</SCRIPT >",
                                             u"<style>",
                                             u"</style",
                                             u"<!--",
                                             u"-->",
                                             u"--!>",
                                             u"-",
                                             u"!",
                                             u">",
                                             u"<",
                                             u"&",
                                             u"&amp;",
                                             u"&#x",
                                             u"&#",
                                             u"1",
                                             u"A",
                                             u";",
                                             u"&not",
                                             u"in",
                                             u"nbsp",
                                             u"<pre>",
                                             u"</pre>",
                                             u"<li>",
                                             u"<ul>",
                                             u"</ul>",
                                             u"<td>",
                                             u"<tr>",
                                             u"<table>",
                                             u"</table>",
                                             u"<h1>",
                                             u"</h1>",
                                             u"<p>",
                                             u"</p>",
                                             u"<br>",
                                             u"<hr>",
                                             u"<div>",
                                             u" ",
                                             u"  ",
                                             u"\t",
                                             u"\r",
                                             u"\n",
                                             u"x",
                                             u"\u3042",
                                             u"<a href='&amp;#'>",
                                             u"</a>",
                                             u"<img alt='&lt; b'>",
                                             u"<ol start=3 type=i>",
                                             u"</ol>",
                                             u"<li value=7>",
                                             u"<dl>",
                                             u"<dt>",
                                             u"<dd>",
                                             u"</dl>",
                                             u"<blockquote>",
                                             u"</blockquote>",
                                             u"<td colspan=2>",
                                             u"</td>",
                                             u"</tr>",
                                             u"<caption>",
                                             u"<a href=x>"};
  std::mt19937 random(5);
  for (int round = 0; round < 3000; ++round) {
    std::u16string text;
    for (int i = static_cast<int>(random() % 24); i > 0; --i)
      text += words[random() % words.size()];
    Settings options;
    for (auto key : {u"SCRIPT", u"ENTITY", u"SPACE", u"BLOCK", u"TABLE", u"LINKS"})
      options.push_back({key, random() % 3 == 0 ? u"0" : u"1"});
    options.push_back(
        {u"A_LINK_TAG_TYPE", std::u16string(1, static_cast<char16_t>(u'0' + random() % 3))});
    options.push_back({u"ENTER", random() % 2 ? u"1" : u"0"});
    const clsQuillmere q = ConverterWith(options);
    const std::u16string whole = q.Execute(text);
    for (int cuts = 0; cuts < 10; ++cuts) {
      const std::size_t a = random() % (text.size() + 1);
      const std::size_t b = a + random() % (text.size() - a + 1);
      clsQuillmere::Session session(q);
      ASSERT_EQ(Show(InPieces(session, text, a, b)), Show(whole)) << "input: " << Show(text);
    }
  }
}

}  // namespace
