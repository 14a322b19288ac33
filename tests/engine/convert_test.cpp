// Execute, ExtractImageText and ExtractLinkUrl against the documented
// examples, the choices made where the behaviour was open, and a literal
// (slow) rendering of the post-processing rules.
#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include "engine/clsQuillmere.h"
#include "tests/support/converter_options.h"
#include "tests/support/temp_dir.h"

struct QuillmereTestAccess {
  static std::u16string Image(std::u16string_view tag) {
    return clsQuillmere::ExtractImageText(tag);
  }
  static std::u16string Link(std::u16string_view tag) { return clsQuillmere::ExtractLinkUrl(tag); }
};

namespace {

using testing_support::ConverterWith;
using testing_support::Settings;
using testing_support::Show;

struct Case {
  std::u16string input;
  Settings options;
  std::u16string expected;
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << Show(c.input);
}

class ExecuteTest : public testing::TestWithParam<Case> {};

TEST_P(ExecuteTest, GivesDocumentedText) {
  const Case& c = GetParam();
  EXPECT_EQ(Show(ConverterWith(c.options).Execute(c.input)), Show(c.expected));
}

const Settings kType0{{u"A_LINK_TAG_TYPE", u"0"}};
const Settings kType2{{u"A_LINK_TAG_TYPE", u"2"}};

INSTANTIATE_TEST_SUITE_P(
    DocumentedExamples, ExecuteTest,
    testing::Values(
        Case{u"<p>Hello<br>World</p>", {}, u"Hello\r\nWorld\r\n"},
        Case{u"Title<hr>Body", {}, u"Title-----\r\nBody"},
        Case{u"Title<HR SIZE=2>Body", {{u"HR_NUM", u"3"}}, u"Title---\r\nBody"},
        Case{u"Title<hr>Body", {{u"HR_NUM", u"0"}}, u"Title\r\nBody"},
        Case{u"Title<hr>Body", {{u"HR", u"0"}}, u"TitleBody"},
        Case{u"See <a href='page.html'>this page</a>.", {}, u"See [リンク:page.html]this page."},
        Case{u"See <a href='page.html'>this page</a>.", kType2, u"See this page(page.html)."},
        Case{u"See <A HREF='page.html'>this page</A>.", kType0,
             u"See <A HREF='page.html'>this page</a>."},
        Case{u"See <a href='page.html'>this page</a>.",
             {{u"A_LINK_TAG_TYPE", u"3"}},
             u"See this page."},
        Case{u"See <A HREF=page.html>this page</A>.", {}, u"See [リンク:]this page."},
        Case{u"See <A HREF=page.html>this page</A>.", kType2, u"See this page()."},
        Case{u"<a name='top'></a>Top", {}, u"Top"},
        Case{u"<a name='top'></a>Top", {{u"ANAME", u"0"}}, u"[リンク:]Top"},
        Case{u"<a name='top'></a>Top",
             {{u"ANAME", u"0"}, {u"A_LINK_TAG_TYPE", u"0"}},
             u"<a name='top'></a>Top"},
        Case{u"<a href=#top>Up</a>", {}, u"Up"}, Case{u"<a href=\"#top\">Up</a>", {}, u"Up"},
        Case{u"<a href=\"#top\">Up</a>", {{u"AHREFSharp", u"0"}}, u"[リンク:#top]Up"},
        Case{u"<a href='#top'>Up</a>", {}, u"[リンク:#top]Up"},
        Case{u"<a href='page.html'>X</a>", {{u"AHREF", u"0"}}, u"X"},
        Case{u"<a target='_top' href='x.html'>X</a>", {}, u"[リンク:x.html]X"},
        Case{u"<a href='1.html'>A<a href='2.html'>B</a>", kType2, u"AB(2.html)"},
        Case{u"<a href='x.html'>X <a href=#y>Y</a>", kType2, u"X Y(x.html)"},
        Case{u"<a href='a.cgi?x=1&amp;y=2'>Q</a>", kType0, u"<a href='a.cgi?x=1&y=2'>Q</a>"},
        Case{u"<a href='a.cgi?x=1&amp;y=2'>Q</a>", {}, u"[リンク:a.cgi?x=1&y=2]Q"},
        Case{u"<img src='logo.gif' alt='Logo'>", {}, u"[イメージ:Logo:logo.gif]"},
        Case{u"<a href='x.html'><img src='y.gif' alt='Z'></a>",
             {},
             u"[リンク:x.html][イメージ:Z:y.gif]"},
        Case{u"<a href='x.html'><img src='y.gif' alt='Z'></a>", kType2,
             u"[イメージ:Z:y.gif](x.html)"},
        Case{u"<img src='logo.gif' alt='Logo'>", {{u"IMG", u"0"}}, u""},
        Case{u"a<br><br><br><br>b", {}, u"a\r\n\r\nb"},
        Case{u"a<br><br><br><br>b", {{u"ENTER", u"0"}}, u"a\r\n\r\n\r\n\r\nb"},
        Case{u"a<br><br>b", {}, u"a\r\n\r\nb"}, Case{u"a\r\n\r\n\r\n\r\n\r\nb", {}, u"a\r\nb"},
        Case{u"a\n\n\nb", {}, u"a\r\nb"},
        Case{u"a\rb\r\nc\nd", {{u"ENTER", u"0"}}, u"a\r\nb\r\nc\r\nd"},
        Case{u"x &amp;lt; y &lt;b&gt; &AMP; &nbsp;", {}, u"x < y <b> &AMP; &nbsp;"},
        Case{u"x &lt;br&gt; y", {}, u"x <br> y"},
        Case{u"<P>one</P><P>two</P>", {}, u"one\r\ntwo\r\n"},
        Case{u"<table><tr><td>A</td></tr></table>", {}, u"A"},
        Case{u"a<br/>b<BR />c", {}, u"a\r\nb\r\nc"}, Case{u"1 < 2 and 3 > 2", {}, u"1  2"},
        Case{u"<!-- a > b -->c", {}, u" b -->c"}, Case{u"<a\thref='x.html'>X</a>", {}, u"X"},
        Case{u"", {}, u""}));

const std::u16string kDocument =
    u"<html><head><title>Sample</title></head>\r\n<body>\r\n<h1>News</h1>\r\n"
    u"<p>First &amp; second.<br>\r\n<a href='a.html'>More</a></p>\r\n<hr>\r\n</body></html>\r\n";

INSTANTIATE_TEST_SUITE_P(
    WholeDocument, ExecuteTest,
    testing::Values(
        Case{kDocument,
             {},
             u"Sample\r\n\r\nNews\r\nFirst & second.\r\n\r\n[リンク:a.html]More\r\n\r\n-----\r\n"},
        Case{kDocument,
             {{u"ENTER", u"0"}},
             u"Sample\r\n\r\nNews\r\nFirst & second.\r\n\r\n[リンク:a.html]More\r\n\r\n"
             u"-----\r\n\r\n\r\n"},
        Case{kDocument, kType2,
             u"Sample\r\n\r\nNews\r\nFirst & second.\r\n\r\nMore(a.html)\r\n\r\n-----\r\n"}));

// Where the behaviour was left open: nothing the user wrote is lost, and no
// text appears that the document did not ask for.
INSTANTIATE_TEST_SUITE_P(
    ChosenBehaviour, ExecuteTest,
    testing::Values(
        // A "<" with no ">" after it is text, copied with everything after it.
        Case{u"1 < 2", {}, u"1 < 2"}, Case{u"a<br", {}, u"a<br"},
        Case{u"x<b>y<z &amp; w", {}, u"xy<z & w"}, Case{u"<", {}, u"<"},
        // A negative dash count draws no dashes; the rule's line break stays.
        Case{u"a<hr>b", {{u"HR_NUM", u"-3"}}, u"a\r\nb"},
        // A closing link tag with no link open is dropped, under every type.
        Case{u"x</a>y", kType0, u"xy"}, Case{u"x</a>y", kType2, u"xy"},
        Case{u"<address>x</address>", kType0, u"x"},
        Case{u"<a href='p'>X</a>", {{u"AHREF", u"0"}, {u"A_LINK_TAG_TYPE", u"2"}}, u"X"},
        Case{u"<a name='t'>X</a>", kType2, u"X"}, Case{u"<a href=#t>X</a>", kType0, u"X"},
        Case{u"<a href='p'>X</a></a>", kType2, u"X(p)"},
        Case{u"<a href='p'>X</a></A>", kType0, u"<a href='p'>X</a>"},
        // Further checks of the rules.
        Case{u"<hr/>", {{u"HR_NUM", u"1"}}, u"-\r\n"}, Case{u"<IMAGE>", {}, u"[イメージ::]"},
        Case{u"<Pre>a</PRE>", {}, u"a\r\n"}, Case{u"&amp;amp;lt;", {}, u"&amp;lt;"},
        Case{u"&am<b>p;", {}, u"&"}, Case{u"a\r<br>\nb", {{u"ENTER", u"0"}}, u"a\r\n\r\n\r\nb"},
        Case{u"a\r<b>\nb", {}, u"a\r\nb"}, Case{u"<<br>>", {}, u">"},
        Case{u"\n\n\n\n\n\n\n\n", {}, u"\r\n\r\n"}, Case{u"\r\r\r\r\r\r\r", {}, u"\r\n"},
        Case{u"<a href='x'>&amp;</a>", {{u"A_LINK_TAG_TYPE", u"7"}}, u"&"},
        Case{u"<A NAME='x' href='y'>Q</a>", kType2, u"Q"}));

// The post-processing written out literally: replacements over the whole
// text, the collapsing repeated until nothing changes.
std::u16string ReplaceEverywhere(std::u16string s, std::u16string_view from,
                                 std::u16string_view to) {
  std::u16string out;
  std::size_t start = 0;
  for (std::size_t hit; (hit = s.find(from, start)) != s.npos; start = hit + from.size())
    out.append(s, start, hit - start).append(to);
  return out.append(s, start);
}

std::u16string LiteralPostProcess(std::u16string s, bool enter) {
  s = ReplaceEverywhere(s, u"\r\n", u"\n");
  s = ReplaceEverywhere(s, u"\r", u"\n");
  s = ReplaceEverywhere(s, u"\n", u"\r\n");
  while (enter && s.find(u"\r\n\r\n\r\n") != s.npos)
    s = ReplaceEverywhere(s, u"\r\n\r\n\r\n", u"\r\n");
  s = ReplaceEverywhere(s, u"&amp;", u"&");
  s = ReplaceEverywhere(s, u"&lt;", u"<");
  return ReplaceEverywhere(s, u"&gt;", u">");
}

TEST(ExecutePostProcessing, MatchesTheLiteralRulesOnRandomText) {
  const std::u16string alphabet = u"\r\n\r\n\r\n&&&;;amplgt x";
  std::mt19937 random(20261207);
  for (int round = 0; round < 20000; ++round) {
    std::u16string text;
    for (int i = static_cast<int>(random() % 40); i > 0; --i)
      text.push_back(alphabet[random() % alphabet.size()]);
    for (bool enter : {true, false}) {
      clsQuillmere q = ConverterWith({{u"ENTER", enter ? u"1" : u"0"}});
      ASSERT_EQ(Show(q.Execute(text)), Show(LiteralPostProcess(text, enter)))
          << "input: " << Show(text) << " ENTER " << enter;
    }
  }
}

// The whole conversion written out literally, one rule after the other: the
// scan appends to a result, which the literal post-processing then rewrites.
struct LiteralOptions {
  int hr = 1, hr_num = 5, br = 1, p = 1, img = 1, aname = 1, ahref = 1, sharp = 1, enter = 1,
      type = 1;
};

std::u16string LiteralExecute(const std::u16string& input, const LiteralOptions& o) {
  auto upper_starts = [](const std::u16string& tag, std::u16string_view prefix) {
    if (tag.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
      char16_t c = tag[i];
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
      if (c != prefix[i]) return false;
    }
    return true;
  };
  std::u16string result, url;
  bool link_open = false;
  for (std::size_t at = 0; at < input.size(); ++at) {
    if (input[at] != u'<') {
      result += input[at];
      continue;
    }
    const std::size_t end = input.find(u'>', at);
    if (end == input.npos) {  // no ">" after it: the rest is text
      result += input.substr(at);
      break;
    }
    const std::u16string tag = input.substr(at, end + 1 - at);
    at = end;
    if (upper_starts(tag, u"<HR")) {
      if (o.hr != 0) result += std::u16string(std::max(o.hr_num, 0), u'-') + u"\r\n";
    } else if (upper_starts(tag, u"<BR")) {
      if (o.br != 0) result += u"\r\n";
    } else if (upper_starts(tag, u"</P")) {
      if (o.p != 0) result += u"\r\n";
    } else if (upper_starts(tag, u"<IM")) {
      if (o.img != 0) result += u"[イメージ:" + QuillmereTestAccess::Image(tag) + u"]";
    } else if (upper_starts(tag, u"<A ")) {
      if (upper_starts(tag, u"<A NAME") && o.aname != 0) continue;
      if (upper_starts(tag, u"<A HREF=\"#") && o.sharp != 0) continue;
      if (upper_starts(tag, u"<A HREF=#") && o.sharp != 0) continue;
      if (o.ahref == 0) continue;
      url = QuillmereTestAccess::Link(tag);
      link_open = true;
      if (o.type == 0) result += tag;
      if (o.type == 1) result += u"[リンク:" + url + u"]";
    } else if (upper_starts(tag, u"</A")) {
      if (link_open && o.type == 0) result += u"</a>";
      if (link_open && o.type == 2) result += u"(" + url + u")";
      url.clear();
      link_open = false;
    }
  }
  return LiteralPostProcess(result, o.enter != 0);
}

// Random documents of up to `most` fragments under random options, each
// against the rules written out literally.
void CheckRandomDocuments(int rounds, int most, unsigned seed) {
  const std::vector<std::u16string> fragments = {u"<",
                                                 u">",
                                                 u"&",
                                                 u"amp;",
                                                 u"lt;",
                                                 u"gt;",
                                                 u"\r",
                                                 u"\n",
                                                 u" ",
                                                 u"x",
                                                 u"A",
                                                 u"'",
                                                 u"\"",
                                                 u"<a href='u&amp;v'>",
                                                 u"<A HREF=\"#t\">",
                                                 u"<a href=#t>",
                                                 u"<a name='n' href=q>",
                                                 u"</a>",
                                                 u"</A>",
                                                 u"</address>",
                                                 u"<img src=s alt='&lt;'>",
                                                 u"<IMAGE>",
                                                 u"<br>",
                                                 u"<BR/>",
                                                 u"<hr>",
                                                 u"<HR size=2>",
                                                 u"</p>",
                                                 u"<p>",
                                                 u"<!-- > -->",
                                                 u"\u65e5",
                                                 u"<a\thref=x>"};
  std::mt19937 random(seed);
  for (int round = 0; round < rounds; ++round) {
    std::u16string text;
    for (int i = static_cast<int>(random() % static_cast<unsigned>(most)); i > 0; --i)
      text += fragments[random() % fragments.size()];
    LiteralOptions o;
    int* flags[] = {&o.hr, &o.br, &o.p, &o.img, &o.aname, &o.ahref, &o.sharp, &o.enter};
    for (int* flag : flags) *flag = random() % 4 == 0 ? 0 : 1;
    o.hr_num = static_cast<int>(random() % 5) - 1;
    o.type = static_cast<int>(random() % 4);
    const Settings settings = {
        {u"HR", o.hr ? u"1" : u"0"},
        {u"BR", o.br ? u"1" : u"0"},
        {u"P", o.p ? u"1" : u"0"},
        {u"IMG", o.img ? u"1" : u"0"},
        {u"ANAME", o.aname ? u"1" : u"0"},
        {u"AHREF", o.ahref ? u"1" : u"0"},
        {u"AHREFSharp", o.sharp ? u"1" : u"0"},
        {u"ENTER", o.enter ? u"1" : u"0"},
        {u"HR_NUM",
         o.hr_num < 0 ? u"-1" : std::u16string(1, static_cast<char16_t>(u'0' + o.hr_num))},
        {u"A_LINK_TAG_TYPE", std::u16string(1, static_cast<char16_t>(u'0' + o.type))}};
    clsQuillmere q = ConverterWith(settings);
    ASSERT_EQ(Show(q.Execute(text)), Show(LiteralExecute(text, o))) << "input: " << Show(text);
  }
}

TEST(Execute, MatchesTheLiteralRulesOnRandomDocuments) {
  CheckRandomDocuments(20000, 25, 31);
}

// Long enough that the scan works on whole blocks of 64 characters, with
// tags, entities and line breaks across their edges.
TEST(Execute, MatchesTheLiteralRulesOnLongRandomDocuments) {
  CheckRandomDocuments(1500, 300, 37);
}

// A text fed in pieces, split anywhere (inside tags, entities and CR LF
// pairs), converts to exactly what the whole text gives.
TEST(ExecuteSession, PiecesGiveWhatTheWholeTextGives) {
  const std::u16string alphabet =
      u"<<>>&&;\r\n\r\nampltgt xa href='#y' img src=\"z\" alt=w HR BR /P</A>\u3042";
  std::mt19937 random(7);
  for (int round = 0; round < 20000; ++round) {
    std::u16string text;
    for (int i = static_cast<int>(random() % 60); i > 0; --i)
      text.push_back(alphabet[random() % alphabet.size()]);
    for (const Settings& options : {Settings{}, kType0, kType2, Settings{{u"ENTER", u"0"}}}) {
      clsQuillmere q = ConverterWith(options);
      clsQuillmere::Session session(q);
      std::u16string out;
      for (std::size_t at = 0; at < text.size();) {
        std::size_t piece = 1 + random() % 9;
        session.Feed(std::u16string_view(text).substr(at, piece), out);
        at += piece;
      }
      session.Finish(out);
      ASSERT_EQ(Show(out), Show(q.Execute(text))) << "input: " << Show(text);
    }
  }
}

TEST(Execute, KeepsNoStateBetweenCalls) {
  clsQuillmere q = ConverterWith(kType2);
  EXPECT_EQ(Show(q.Execute(u"<a href='x'>open")), "open");
  EXPECT_EQ(Show(q.Execute(u"text</a>")), "text");
}

struct ExtractCase {
  bool image;
  std::u16string tag;
  std::u16string expected;
};

void PrintTo(const ExtractCase& c, std::ostream* os) {
  *os << Show(c.tag);
}

class ExtractTest : public testing::TestWithParam<ExtractCase> {};

TEST_P(ExtractTest, PicksTheDocumentedValue) {
  const ExtractCase& c = GetParam();
  std::u16string got =
      c.image ? QuillmereTestAccess::Image(c.tag) : QuillmereTestAccess::Link(c.tag);
  EXPECT_EQ(Show(got), Show(c.expected));
}

constexpr bool kImage = true, kLink = false;

INSTANTIATE_TEST_SUITE_P(
    DocumentedExamples, ExtractTest,
    testing::Values(
        ExtractCase{kImage, u"<img src='logo.gif' alt='Logo'>", u"Logo:logo.gif"},
        ExtractCase{kImage, u"<IMG SRC='logo.gif' ALT='Logo'>", u"Logo:logo.gif"},
        ExtractCase{kImage, u"<img src=logo.gif alt=Logo>", u":"},
        ExtractCase{kImage, u"<img src=a.gif alt='Logo'>", u":"},
        ExtractCase{kImage, u"<img alt='Logo' src=a.gif>", u"Logo:"},
        ExtractCase{kImage, u"<img src= logo.gif alt= Logo>", u"Logo:logo.gif"},
        ExtractCase{kImage, u"<Img alt='Logo' src='logo.gif'>", u":logo.gif"},
        ExtractCase{kImage, u"<img src='a.gif'>", u":a.gif"},
        ExtractCase{kImage, u"<img src='a.gif' width='10' alt='Sea view'>", u"Sea view:a.gif"},
        ExtractCase{kImage, u"<img src='a.gif' alt='MY IMG here'>", u"MY here:a.gif"},
        ExtractCase{kImage, u"<img src='a.gif' alt='A' alt='B'>", u"B:a.gif"},
        ExtractCase{kImage, u"<img alt='x:y' src='c:z.gif'>", u"x:y:c:z.gif"},
        ExtractCase{kImage, u"<img>", u":"}, ExtractCase{kImage, u"<img\nsrc='a.gif'>", u":"},
        ExtractCase{kImage, u"<img alt=\"Don't\" src=\"x.gif\">", u"Don:x.gif"},
        ExtractCase{kLink, u"<a href='page.html'>", u"page.html"},
        ExtractCase{kLink, u"<A HREF='page.html'>", u"page.html"},
        ExtractCase{kLink, u"<A Href='page.html'>", u"page.html"},
        ExtractCase{kLink, u"<a href=page.html>", u""},
        ExtractCase{kLink, u"<a href= page.html>", u"page.html"},
        ExtractCase{kLink, u"<a target='_top' href='x.html'>", u"x.html"},
        ExtractCase{kLink, u"<a class=x href='y.html'>", u""},
        ExtractCase{kLink, u"<a href = 'x.html'>", u"x.html"},
        ExtractCase{kLink, u"<a href='#top'>", u"#top"}, ExtractCase{kLink, u"<a name='top'>", u""},
        ExtractCase{kLink, u"<a href='1.html' href='2.html'>", u"2.html"},
        ExtractCase{kLink, u"<a href='a b.html'>", u"b.html"},
        ExtractCase{kLink, u"<a href='A Guide.html'>", u"Guide.html"},
        ExtractCase{kLink, u"<a href=''>", u""},
        // The tag name removal does not rescan what it leaves behind.
        ExtractCase{kImage, u"<IMIMG G src='s'>", u":"},
        ExtractCase{kLink, u"<a href=\"x\" title='日本語'>", u"x"}));

// The picking rules written out step by step, as they read: angle brackets
// dropped, single quotes made double, the upper-case name removed and then
// the lower-case one, the rest split at quotes (at spaces without them), and
// the piece after a key's piece is its value.
std::u16string LiteralRemoveAll(const std::u16string& text, const std::u16string& name) {
  std::u16string kept;
  for (std::size_t i = 0; i < text.size();) {
    if (text.compare(i, name.size(), name) == 0) {
      i += name.size();
    } else {
      kept.push_back(text[i++]);
    }
  }
  return kept;
}

std::vector<std::u16string> LiteralPick(const std::u16string& tag, const std::u16string& name,
                                        const std::vector<std::u16string>& keys) {
  std::u16string text;
  for (char16_t c : tag)
    if (c != u'<' && c != u'>') text.push_back(c == u'\'' ? u'"' : c);
  std::u16string lower = name;
  for (char16_t& c : lower) c = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
  text = LiteralRemoveAll(LiteralRemoveAll(text, name), lower);
  std::vector<std::u16string> values(keys.size());
  if (text.empty()) return values;
  const char16_t separator = text.find(u'"') != std::u16string::npos ? u'"' : u' ';
  std::vector<std::u16string> pieces(1);
  for (char16_t c : text) {
    if (c == separator)
      pieces.emplace_back();
    else
      pieces.back().push_back(c);
  }
  for (std::size_t i = 1; i < pieces.size(); ++i) {
    std::u16string key;
    for (char16_t c : pieces[i - 1])
      if (c != u' ') key.push_back(c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c);
    for (std::size_t k = 0; k < keys.size(); ++k)
      if (key == keys[k]) values[k] = pieces[i];
  }
  return values;
}

TEST(Extract, MatchesTheRulesWrittenOutOnRandomTags) {
  const std::u16string alphabet = u"<>'\" =aAgGiImMlLtThHrReEfFsSxX:#\u3042";
  const std::vector<std::u16string> words = {
      u"<img ", u"<IMG ", u"<a ",  u"<A ",   u"IMG ",    u"img ",    u"A ",    u"a ",
      u"src=",  u"SRC=",  u"alt=", u"href=", u"HREF = ", u"'x.gif'", u"\"y\"", u">"};
  const std::vector<std::u16string> names = {u"img ", u"IMG ", u"Img ", u"a ", u"A ", u"img", u""};
  std::mt19937 random(41);
  for (int round = 0; round < 40000; ++round) {
    std::u16string tag;
    for (int i = static_cast<int>(random() % 12); i > 0; --i) {
      if (random() % 2 == 0)
        tag += words[random() % words.size()];
      else
        tag.push_back(alphabet[random() % alphabet.size()]);
    }
    switch (random() % 4) {
      case 0:
        tag = u"<" + tag + u">";
        break;
      case 1:  // the usual shape: "<", a name, no other "<" or ">", ">"
        std::erase_if(tag, [](char16_t c) { return c == u'<' || c == u'>'; });
        tag = u"<" + names[random() % names.size()] + tag + u">";
        break;
    }
    const auto image = LiteralPick(tag, u"IMG ", {u"ALT=", u"SRC="});
    ASSERT_EQ(Show(QuillmereTestAccess::Image(tag)), Show(image[0] + u":" + image[1])) << Show(tag);
    ASSERT_EQ(Show(QuillmereTestAccess::Link(tag)), Show(LiteralPick(tag, u"A ", {u"HREF="})[0]))
        << Show(tag);
  }
}

}  // namespace
