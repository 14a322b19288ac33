// Which encoding an input file is read in: a byte-order mark, else a <meta>
// declaration found by the HTML standard's prescan of the first 1024 bytes,
// else UTF-8 when the first 64 KiB can only be UTF-8, else the ANSI code page.
#include "conversion/input_encoding.h"

#include <gtest/gtest.h>

#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using conversion::ChosenInputEncoding;
using conversion::DecideInputEncoding;
using conversion::EncodingNameOfLabel;
using conversion::InputEncoding;
using conversion::kContentReach;
using conversion::kDeclarationReach;
using conversion::LooksLikeUtf8;
using conversion::PrescanForEncoding;
using conversion::SupportedEncoding;
using platform::Encoding;
using Why = InputEncoding::Why;
using namespace std::string_literals;

std::string Show(const InputEncoding& e) {
  static const char* const kEncodings[] = {"kAnsi",    "kShiftJis", "kEucJp",       "kUtf8",
                                           "kUtf16Le", "kUtf16Be",  "kWindows1252", "kIso2022Jp"};
  static const char* const kWhys[] = {"kByteOrderMark", "kDeclaration", "kContent",
                                      "kDefault",       "kChosen",      "kXmlDeclaration"};
  const auto encoding = static_cast<std::size_t>(e.encoding);
  const auto why = static_cast<std::size_t>(e.why);
  return std::string(encoding < std::size(kEncodings) ? kEncodings[encoding] : "?") + " " +
         (why < std::size(kWhys) ? kWhys[why] : "?") + " mark " + std::to_string(e.mark);
}

constexpr InputEncoding kAnsiByDefault{Encoding::kAnsi, Why::kDefault, 0};
constexpr InputEncoding kUtf8ByContent{Encoding::kUtf8, Why::kContent, 0};
constexpr InputEncoding Declared(Encoding encoding) {
  return {encoding, Why::kDeclaration, 0};
}
constexpr InputEncoding Marked(Encoding encoding, std::size_t mark) {
  return {encoding, Why::kByteOrderMark, mark};
}

// ASCII whitespace, as the Encoding standard trims it from labels.
const std::string kSpaces = " \t\n\f\r";

// Every other letter in upper case: labels match ASCII case-insensitively.
std::string OddCase(std::string_view s) {
  std::string out(s);
  for (std::size_t i = 0; i < out.size(); i += 2) {
    if (out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<char>(out[i] - 'a' + 'A');
  }
  return out;
}

std::string Utf16(std::u16string_view text, bool big_endian) {
  std::string out;
  for (char16_t c : text) {
    const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
    out += big_endian ? high : low;
    out += big_endian ? low : high;
  }
  return out;
}

// "日本語" in UTF-8, Shift_JIS and EUC-JP.
const std::string kUtf8Japanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";
const std::string kShiftJisJapanese = "\x93\xFA\x96\x7B\x8C\xEA";
const std::string kEucJpJapanese = "\xC6\xFC\xCB\xDC\xB8\xEC";

// Every label of an encoding we read, by the name the Encoding standard gives
// it, with the name the prescan reports for a <meta> naming it and what such
// a <meta> makes us read.
struct LabelGroup {
  std::string_view name, declared;
  Encoding encoding;
  std::vector<std::string_view> labels;
};
const LabelGroup kOurLabels[] = {
    {"UTF-8",
     "UTF-8",
     Encoding::kUtf8,
     {"unicode-1-1-utf-8", "unicode11utf8", "unicode20utf8", "utf-8", "utf8", "x-unicode20utf8"}},
    {"Shift_JIS",
     "Shift_JIS",
     Encoding::kShiftJis,
     {"csshiftjis", "ms932", "ms_kanji", "shift-jis", "shift_jis", "sjis", "windows-31j",
      "x-sjis"}},
    {"EUC-JP", "EUC-JP", Encoding::kEucJp, {"cseucpkdfmtjapanese", "euc-jp", "x-euc-jp"}},
    {"windows-1252",
     "windows-1252",
     Encoding::kWindows1252,
     {"ansi_x3.4-1968", "ascii", "cp1252", "cp819", "csisolatin1", "ibm819", "iso-8859-1",
      "iso-ir-100", "iso8859-1", "iso88591", "iso_8859-1", "iso_8859-1:1987", "l1", "latin1",
      "us-ascii", "windows-1252", "x-cp1252"}},
    // A <meta> naming UTF-16 means UTF-8, and x-user-defined windows-1252.
    {"UTF-16LE",
     "UTF-8",
     Encoding::kUtf8,
     {"csunicode", "iso-10646-ucs-2", "ucs-2", "unicode", "unicodefeff", "utf-16", "utf-16le"}},
    {"UTF-16BE", "UTF-8", Encoding::kUtf8, {"unicodefffe", "utf-16be"}},
    {"x-user-defined", "windows-1252", Encoding::kWindows1252, {"x-user-defined"}},
};

struct DecideCase {
  const char* what;
  std::string head;
  InputEncoding expected;
};

template <std::size_t N>
void ExpectDecisions(const DecideCase (&cases)[N], bool whole) {
  for (const DecideCase& c : cases) {
    EXPECT_EQ(Show(DecideInputEncoding(c.head, whole)), Show(c.expected)) << c.what;
  }
}

// --- Labels and names ---------------------------------------------------------

TEST(EncodingNameOfLabel, EveryLabelWeReadInAnyCaseAndSpacing) {
  for (const LabelGroup& group : kOurLabels) {
    for (std::string_view label : group.labels) {
      std::string upper(label);
      for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
      EXPECT_EQ(EncodingNameOfLabel(label), group.name) << label;
      EXPECT_EQ(EncodingNameOfLabel(OddCase(label)), group.name) << label;
      EXPECT_EQ(EncodingNameOfLabel(kSpaces + upper + "\r\n\f\t "), group.name) << label;
    }
  }
}

TEST(EncodingNameOfLabel, LabelsOfEncodingsWeDoNotRead) {
  const std::pair<std::string_view, std::string_view> kCases[] = {
      {"iso-2022-jp", "ISO-2022-JP"},
      {"CSISO2022JP", "ISO-2022-JP"},
      {"gb2312", "GBK"},
      {"x-gbk", "GBK"},
      {"gb18030", "gb18030"},
      {"big5", "Big5"},
      {"windows-949", "EUC-KR"},
      {"koi8_r", "KOI8-R"},
      {"latin2", "ISO-8859-2"},
      {"cp1251", "windows-1251"},
      {"mac", "macintosh"},
      {"logical", "ISO-8859-8-I"},
      {"iso-2022-kr", "replacement"},
      {"hz-gb-2312", "replacement"},
  };
  for (const auto& [label, name] : kCases) EXPECT_EQ(EncodingNameOfLabel(label), name) << label;
}

TEST(EncodingNameOfLabel, TextsThatAreNoLabel) {
  // Only TAB, LF, FF, CR and SPACE are trimmed: not VT, NUL or NBSP.
  const std::string kCases[] = {"",          "foo",       "utf-88",         "utf",      "utf 8",
                                "shift jis", "\vutf-8",   "utf-8\v",        "utf-8\0"s, "\xA0utf-8",
                                "utf-8;",    "\"utf-8\"", "x-user-defined-"};
  for (const std::string& text : kCases) EXPECT_EQ(EncodingNameOfLabel(text), "") << text;
}

TEST(SupportedEncoding, NamesWeReadAndNamesWeDoNot) {
  const std::pair<std::string_view, std::optional<Encoding>> kCases[] = {
      {"UTF-8", Encoding::kUtf8},
      {"Shift_JIS", Encoding::kShiftJis},
      {"EUC-JP", Encoding::kEucJp},
      {"windows-1252", Encoding::kWindows1252},
      {"UTF-16LE", Encoding::kUtf16Le},
      {"UTF-16BE", Encoding::kUtf16Be},
      {"ISO-2022-JP", Encoding::kIso2022Jp},
      {"GBK", std::nullopt},
      {"gb18030", std::nullopt},
      {"Big5", std::nullopt},
      {"EUC-KR", std::nullopt},
      {"KOI8-R", std::nullopt},
      {"replacement", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [name, encoding] : kCases) EXPECT_EQ(SupportedEncoding(name), encoding) << name;
}

// --- Step 1: byte-order mark --------------------------------------------------

TEST(DecideInputEncoding, ByteOrderMarkComesFirstAndIsNotText) {
  const DecideCase kCases[] = {
      {"UTF-8 mark", "\xEF\xBB\xBF<p>x</p>", Marked(Encoding::kUtf8, 3)},
      {"UTF-8 mark alone", "\xEF\xBB\xBF", Marked(Encoding::kUtf8, 3)},
      {"UTF-16LE", "\xFF\xFE" + Utf16(u"<p>\u65E5</p>", false), Marked(Encoding::kUtf16Le, 2)},
      {"UTF-16BE", "\xFE\xFF" + Utf16(u"<p>\u65E5</p>", true), Marked(Encoding::kUtf16Be, 2)},
      {"UTF-8 mark beats a meta and the content",
       "\xEF\xBB\xBF<meta charset=shift_jis>" + kShiftJisJapanese, Marked(Encoding::kUtf8, 3)},
      {"UTF-16LE mark beats a meta", "\xFF\xFE" + Utf16(u"<meta charset=euc-jp>", false),
       Marked(Encoding::kUtf16Le, 2)},
      {"UTF-16BE mark beats an ASCII meta", "\xFE\xFF<meta charset=utf-8>",
       Marked(Encoding::kUtf16Be, 2)},
      // Only these exact bytes at the very start are a mark.
      {"U+FEFF after a space is text", " \xEF\xBB\xBF", kUtf8ByContent},
      {"EF BB BE is U+FEFE", "\xEF\xBB\xBE", kUtf8ByContent},
      {"cut UTF-8 mark", "\xEF\xBB", kAnsiByDefault},
      {"FF FF", "\xFF\xFF<p>", kAnsiByDefault},
      {"lone FE", "\xFE", kAnsiByDefault},
  };
  ExpectDecisions(kCases, true);
}

TEST(ChosenInputEncoding, StripsOnlyAMarkOfTheChosenEncoding) {
  const struct {
    Encoding chosen;
    std::string head;
    std::size_t mark;
  } kCases[] = {
      {Encoding::kUtf8, "\xEF\xBB\xBF<p>", 3},  {Encoding::kUtf8, "<p>", 0},
      {Encoding::kUtf8, "\xEF\xBB", 0},         {Encoding::kUtf8, "", 0},
      {Encoding::kUtf8, "\xFF\xFE<\0"s, 0},     {Encoding::kUtf16Le, "\xFF\xFE<\0"s, 2},
      {Encoding::kUtf16Le, "\xFE\xFF\0<"s, 0},  {Encoding::kUtf16Le, "\xEF\xBB\xBF", 0},
      {Encoding::kUtf16Be, "\xFE\xFF\0<"s, 2},  {Encoding::kUtf16Be, "\xFF\xFE<\0"s, 0},
      {Encoding::kUtf16Be, "\xFE", 0},          {Encoding::kShiftJis, "\xEF\xBB\xBF<p>", 0},
      {Encoding::kEucJp, "\xEF\xBB\xBF<p>", 0}, {Encoding::kWindows1252, "\xFF\xFE", 0},
      {Encoding::kAnsi, "\xEF\xBB\xBF<p>", 0},
  };
  for (std::size_t i = 0; i < std::size(kCases); ++i) {
    const auto& c = kCases[i];
    EXPECT_EQ(Show(ChosenInputEncoding(c.chosen, c.head)), Show({c.chosen, Why::kChosen, c.mark}))
        << "case " << i;
  }
}

// --- Step 2: declaration --------------------------------------------------------

TEST(PrescanForEncoding, EveryLabelWeReadInEveryForm) {
  for (const LabelGroup& group : kOurLabels) {
    for (std::string_view plain : group.labels) {
      const std::string label = OddCase(plain);
      const std::string kForms[] = {
          "<meta charset=" + label + ">",
          "<meta charset=\"" + kSpaces + label + kSpaces + "\">",
          "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + label + "\">",
          "<meta content='text/html;charset=\"" + kSpaces + label + kSpaces +
              "\"' HTTP-EQUIV=content-type>",
      };
      for (const std::string& meta : kForms) {
        EXPECT_EQ(PrescanForEncoding(meta), group.declared) << meta;
        // A declaration beats content that is UTF-8 by its bytes.
        const std::string doc = "<!DOCTYPE html><head>" + meta + "</head><p>" + kUtf8Japanese;
        EXPECT_EQ(Show(DecideInputEncoding(doc, true)), Show(Declared(group.encoding))) << meta;
      }
    }
  }
}

TEST(PrescanForEncoding, FindsTheDeclarationBrowsersFind) {
  const std::pair<const char*, std::string_view> kCases[] = {
      // Ways of writing charset=.
      {"<meta charset='euc-jp'>", "EUC-JP"},
      {"<meta charset = \"euc-jp\" >", "EUC-JP"},
      {"<META CHARSET=EUC-JP>", "EUC-JP"},
      {"<meta/charset=euc-jp>", "EUC-JP"},
      {"<meta\tcharset=euc-jp>", "EUC-JP"},
      {"<meta\f\ncharset=euc-jp>", "EUC-JP"},
      {"<meta charset=\"euc-jp\"/>", "EUC-JP"},
      {"<meta name=viewport content=\"width=device-width\" charset=euc-jp>", "EUC-JP"},
      {"<!DOCTYPE html><html lang=ja><head><title>t</title><meta charset=euc-jp>", "EUC-JP"},
      // A slash after an unquoted value belongs to the value: "euc-jp/" is no label.
      {"<meta charset=euc-jp/><meta charset=utf-8>", "UTF-8"},
      // http-equiv and content=, in either order.
      {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">", "Shift_JIS"},
      {"<meta content=\"text/html; charset=euc-jp\" http-equiv=content-type>", "EUC-JP"},
      {"<meta http-equiv=Content-Type content='text/html; charset = \"euc-jp\"'>", "EUC-JP"},
      {"<meta http-equiv=content-type content=\"text/html; charset=euc-jp; x=y\">", "EUC-JP"},
      {"<meta http-equiv=content-type content=\"text/html; charset=euc-jp x\">", "EUC-JP"},
      {"<meta http-equiv=content-type content=\"charset; charset=euc-jp\">", "EUC-JP"},
      // content= counts only with http-equiv="content-type", exactly.
      {"<meta content=\"text/html; charset=euc-jp\"><meta charset=utf-8>", "UTF-8"},
      {"<meta http-equiv=refresh content=\"0; charset=euc-jp\"><meta charset=utf-8>", "UTF-8"},
      {"<meta http-equiv=\"content-type \" content=\"charset=euc-jp\"><meta charset=utf-8>",
       "UTF-8"},
      // content= that names nothing: an unmatched quote, nothing after "=", no label.
      {"<meta http-equiv=content-type content='charset=\"euc-jp'><meta charset=utf-8>", "UTF-8"},
      {"<meta http-equiv=content-type content=\"text/html; charset=\"><meta charset=utf-8>",
       "UTF-8"},
      {"<meta http-equiv=content-type content=\"charset=foo\"><meta charset=euc-jp>", "EUC-JP"},
      // charset= wins over content=; a charset= naming nothing is not replaced by it.
      {"<meta http-equiv=content-type content=\"charset=euc-jp\" charset=utf-8>", "UTF-8"},
      {"<meta charset=utf-8 http-equiv=content-type content=\"charset=euc-jp\">", "UTF-8"},
      {"<meta charset=foo http-equiv=content-type content=\"charset=euc-jp\">"
       "<meta charset=shift_jis>",
       "Shift_JIS"},
      // A repeated attribute is ignored.
      {"<meta charset=euc-jp charset=utf-8>", "EUC-JP"},
      {"<meta charset=foo CHARSET=utf-8><meta charset=shift_jis>", "Shift_JIS"},
      {"<meta http-equiv=refresh http-equiv=content-type content=\"charset=euc-jp\">"
       "<meta charset=utf-8>",
       "UTF-8"},
      {"<meta http-equiv=content-type content=\"text/html\" content=\"charset=euc-jp\">"
       "<meta charset=utf-8>",
       "UTF-8"},
      // Comments end at the first "-->", whose dashes may be those of "<!--".
      {"<!-- <meta charset=utf-8> --><meta charset=euc-jp>", "EUC-JP"},
      {"<!--><meta charset=euc-jp>", "EUC-JP"},
      {"<!---><meta charset=euc-jp>", "EUC-JP"},
      {"<!-- --!><meta charset=utf-8> --><meta charset=euc-jp>", "EUC-JP"},
      {"<!-- <meta charset=euc-jp>", ""},
      // Other tags' attributes, end tags' included, are read and passed over.
      {"<p title=\"<meta charset=utf-8>\"><meta charset=euc-jp>", "EUC-JP"},
      {"<p data-x=1 title='><meta charset=utf-8>'><meta charset=euc-jp>", "EUC-JP"},
      {"</p title=\"><meta charset=utf-8>\"><meta charset=euc-jp>", "EUC-JP"},
      {"<p <meta charset=utf-8>><meta charset=euc-jp>", "EUC-JP"},
      {"<metadata charset=utf-8><meta charset=euc-jp>", "EUC-JP"},
      // "<!", "</" not before a letter, and "<?" are passed over to the first ">".
      {"<!x title=\"><meta charset=euc-jp>\">", "EUC-JP"},
      {"</ x=\"><meta charset=euc-jp>\">", "EUC-JP"},
      {"<?php $x = \"><meta charset=euc-jp>\"; ?>", "EUC-JP"},
      // A label of the standard ends the scan, read by us or not; other text does not.
      {"<meta charset=foo><meta charset=euc-jp>", "EUC-JP"},
      {"<meta charset=iso-2022-jp><meta charset=euc-jp>", "ISO-2022-JP"},
      {"<meta charset=gbk><meta charset=euc-jp>", "GBK"},
      {"<meta charset=iso-2022-kr>", "replacement"},
      // A declaration counts only when its ">" is there.
      {"<meta", ""},
      {"<meta charset=euc-jp", ""},
      {"<meta charset=\"euc-jp\"", ""},
      {"", ""},
      {"<p>no declaration</p>", ""},
  };
  for (const auto& [html, found] : kCases) EXPECT_EQ(PrescanForEncoding(html), found) << html;
}

TEST(DecideInputEncoding, DeclarationOnlyInTheFirst1024Bytes) {
  const std::string meta = "<meta charset=euc-jp>";
  const std::size_t last = kDeclarationReach - meta.size();  // its ">" is byte 1023
  const std::pair<std::size_t, bool> kCases[] = {
      {0, true}, {last, true}, {last + 1, false}, {1020, false}, {1500, false}};
  for (const auto& [at, found] : kCases) {
    const std::string head = std::string(at, ' ') + meta + std::string(2000, ' ');
    EXPECT_EQ(Show(DecideInputEncoding(head, true)),
              Show(found ? Declared(Encoding::kEucJp) : kAnsiByDefault))
        << "at " << at;
    // The prescan itself reads all it is given.
    EXPECT_EQ(PrescanForEncoding(head), "EUC-JP") << "at " << at;
  }
}

TEST(DecideInputEncoding, DeclarationsWeCannotUseLeaveItToTheContent) {
  const DecideCase kCases[] = {
      {"Shift_JIS declared over UTF-8 bytes", "<meta charset=shift_jis><p>" + kUtf8Japanese,
       Declared(Encoding::kShiftJis)},
      {"UTF-16 declared over Shift_JIS bytes", "<meta charset=utf-16le><p>" + kShiftJisJapanese,
       Declared(Encoding::kUtf8)},
      {"ISO-2022-JP over eight-bit bytes, UTF-8 content",
       "<meta charset=iso-2022-jp><meta charset=shift_jis><p>" + kUtf8Japanese, kUtf8ByContent},
      {"GBK ends the scan, ASCII content", "<meta charset=gbk><meta charset=shift_jis><p>abc",
       kAnsiByDefault},
      {"replacement, Shift_JIS content", "<meta charset=iso-2022-kr><p>" + kShiftJisJapanese,
       kAnsiByDefault},
      {"unknown label, then Shift_JIS", "<meta charset=foo><meta charset=shift_jis>",
       Declared(Encoding::kShiftJis)},
      {"unknown label, UTF-8 content", "<meta charset=foo><p>" + kUtf8Japanese, kUtf8ByContent},
      {"meta in a comment, UTF-8 content", "<!-- <meta charset=shift_jis> --><p>" + kUtf8Japanese,
       kUtf8ByContent},
  };
  ExpectDecisions(kCases, true);
}

// Without a <meta>, an XML declaration at the very start names the encoding,
// as old XHTML pages have it; one written in UTF-16 says that the document
// is UTF-16. A NUL is an ordinary byte to the prescan.
TEST(DecideInputEncoding, XmlDeclarationWhenNoMetaDeclares) {
  const InputEncoding kXmlEucJp{Encoding::kEucJp, Why::kXmlDeclaration, 0};
  const DecideCase kCases[] = {
      {"EUC-JP", "<?xml version=\"1.0\" encoding=\"EUC-JP\"?><html><p>" + kEucJpJapanese,
       kXmlEucJp},
      {"single quotes, spaces, any case", "<?xml version='1.0' ENCODING = 'euc-jp' ?>", kXmlEucJp},
      {"a meta comes first", "<?xml version=\"1.0\" encoding=\"EUC-JP\"?><meta charset=sjis>",
       Declared(Encoding::kShiftJis)},
      {"a UTF-16 label means UTF-8",
       "<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + kShiftJisJapanese,
       {Encoding::kUtf8, Why::kXmlDeclaration, 0}},
      {"written in UTF-16LE",
       Utf16(u"<?xml version=\"1.0\"?><p>日本</p>", false),
       {Encoding::kUtf16Le, Why::kXmlDeclaration, 0}},
      {"written in UTF-16BE",
       Utf16(u"<?xml version=\"1.0\"?>", true),
       {Encoding::kUtf16Be, Why::kXmlDeclaration, 0}},
      {"not at the start", " <?xml version=\"1.0\" encoding=\"EUC-JP\"?>", kAnsiByDefault},
      {"no encoding", "<?xml version=\"1.0\"?>" + kUtf8Japanese, kUtf8ByContent},
      {"unquoted", "<?xml version=\"1.0\" encoding=EUC-JP?>", kAnsiByDefault},
      {"space inside the quotes", "<?xml version=\"1.0\" encoding=\" EUC-JP\"?>", kAnsiByDefault},
      {"after the declaration", "<?xml version=\"1.0\"?><p encoding=\"EUC-JP\">", kAnsiByDefault},
      {"no end", "<?xml version=\"1.0\" encoding=\"EUC-JP\"", kAnsiByDefault},
      {"a meta after a NUL", "caf\xE9\0<meta charset=utf-8>"s, Declared(Encoding::kUtf8)},
  };
  ExpectDecisions(kCases, true);
}

// --- Step 3: content ------------------------------------------------------------

TEST(DecideInputEncoding, ContentThatCanOnlyBeUtf8) {
  const DecideCase kCases[] = {
      {"UTF-8 Japanese", "<p>" + kUtf8Japanese + "</p>", kUtf8ByContent},
      {"UTF-8 emoji", "<p>\xF0\x9F\x98\x80</p>", kUtf8ByContent},
      {"voila, with C3 A0", "<p>voil\xC3\xA0</p>", kUtf8ByContent},
      {"Shift_JIS kanji", "<p>" + kShiftJisJapanese + "</p>", kAnsiByDefault},
      {"Shift_JIS hiragana", "<p>\x82\xA0\x82\xA2\x82\xA4</p>", kAnsiByDefault},
      {"EUC-JP", "<p>" + kEucJpJapanese + "</p>", kAnsiByDefault},
      {"ASCII", "<p>plain text</p>", kAnsiByDefault},
      {"empty", "", kAnsiByDefault},
      // Shift_JIS half-width katakana that happen to be well-formed UTF-8:
      // ﾃｽ, ﾃｽ ﾊｲ, and ﾃｽ ﾊｲ ﾐｽ ﾌｧ ﾌｨ.
      {"katakana te su", "<p>\xC3\xBD</p>", kAnsiByDefault},
      {"katakana te su ha i", "<p>\xC3\xBD \xCA\xB2</p>", kAnsiByDefault},
      {"katakana pairs", "\xC3\xBD \xCA\xB2 \xD0\xBD \xCC\xA7 \xCC\xA8", kAnsiByDefault},
      {"cafe, with C3 A9", "<p>caf\xC3\xA9</p>", kAnsiByDefault},
      {"katakana-like pair next to kanji", "\xC3\xBD" + kUtf8Japanese, kUtf8ByContent},
      {"UTF-8 with one Shift_JIS kanji", kUtf8Japanese + "\x93\xFA", kAnsiByDefault},
      {"cut at the end of a whole file", kUtf8Japanese + "\xE6\x97", kAnsiByDefault},
  };
  ExpectDecisions(kCases, true);
}

// ISO-2022-JP is seven-bit: its escapes into JIS X 0208 or katakana tell it,
// and a declaration of it on bytes past 0x7F is a wrong one.
TEST(DecideInputEncoding, Iso2022JpByItsEscapes) {
  const std::string jis = "\x1B$BF|K\\\x1B(B";  // 日本
  const InputEncoding kByContent{Encoding::kIso2022Jp, Why::kContent, 0};
  const DecideCase kCases[] = {
      {"declared", "<meta charset=iso-2022-jp><p>" + jis, Declared(Encoding::kIso2022Jp)},
      {"declared, by its other label", "<meta charset=csISO2022JP>",
       Declared(Encoding::kIso2022Jp)},
      {"declared in XML",
       "<?xml version=\"1.0\" encoding=\"ISO-2022-JP\"?><p>" + jis,
       {Encoding::kIso2022Jp, Why::kXmlDeclaration, 0}},
      {"declared on UTF-8", "<meta charset=iso-2022-jp><p>" + kUtf8Japanese, kUtf8ByContent},
      {"declared on Shift_JIS", "<meta charset=iso-2022-jp><p>" + kShiftJisJapanese,
       kAnsiByDefault},
      {"ESC $ B", "<p>" + jis, kByContent},
      {"ESC $ @", "<p>\x1B$@F|\x1B(B", kByContent},
      {"ESC ( I", "<p>\x1B(I1\x1B(B", kByContent},
      {"only ESC ( B and ESC ( J", "<p>\x1B(Ja\x1B(B", kAnsiByDefault},
      {"a terminal's escapes", "<pre>\x1B[1mbold\x1B(B\x1B[m", kAnsiByDefault},
      {"an escape and Shift_JIS", "<p>" + jis + kShiftJisJapanese, kAnsiByDefault},
      {"an escape past a NUL", "<p>a\0"s + jis, kAnsiByDefault},
      {"a UTF-8 BOM first", "\xEF\xBB\xBF<p>" + jis, Marked(Encoding::kUtf8, 3)},
  };
  ExpectDecisions(kCases, true);
}

TEST(DecideInputEncoding, ContentIsReadToThe64KiBEdge) {
  const std::string kanji = "\xE6\x97\xA5";  // 日
  const auto filled = [](const std::string& start, const std::string& end) {
    return start + std::string(kContentReach - start.size() - end.size(), 'a') + end;
  };
  const struct {
    const char* what;
    std::string head;
    bool whole;
    InputEncoding expected;
  } kCases[] = {
      {"3-byte character cut by the edge", filled(kanji, "\xE6\x97"), false, kUtf8ByContent},
      {"the same bytes as a whole file", filled(kanji, "\xE6\x97"), true, kAnsiByDefault},
      {"4-byte character cut by the edge", filled(kanji, "\xF0\x9F\x98"), false, kUtf8ByContent},
      {"no character starts ED A0", filled(kanji, "\xED\xA0"), false, kAnsiByDefault},
      {"only sign of UTF-8 at the very end", filled("", kanji), false, kUtf8ByContent},
      {"Shift_JIS at the very end", filled(kanji, "\x82\xA0"), false, kAnsiByDefault},
  };
  for (const auto& c : kCases) {
    ASSERT_EQ(c.head.size(), kContentReach) << c.what;
    EXPECT_EQ(Show(DecideInputEncoding(c.head, c.whole)), Show(c.expected)) << c.what;
  }
}

TEST(LooksLikeUtf8, WellFormedAndNotHalfWidthKatakana) {
  const struct {
    const char* what;
    std::string sample;
    bool whole, utf8;
  } kCases[] = {
      {"3-byte", "\xE3\x81\x82", true, true},
      {"4-byte", "\xF0\x9F\x98\x80", true, true},
      {"second byte 80", "\xC2\x80", true, true},
      {"second byte 9F", "\xC3\x9F", true, true},
      {"second byte A0", "\xC2\xA0", true, true},
      {"second byte A1", "\xC2\xA1", true, false},  // also ﾂ｡
      {"second byte BF", "\xDF\xBF", true, false},  // also ﾟｿ
      {"e acute", "\xC3\xA9", true, false},
      {"e acute then a grave", "\xC3\xA9\xC3\xA0", true, true},
      {"ASCII", "abc", true, false},
      {"empty", "", true, false},
      {"Shift_JIS kanji", kShiftJisJapanese, true, false},
      {"EUC-JP", kEucJpJapanese, true, false},
      // Malformed anywhere means not UTF-8, whatever else is there.
      {"lone continuation byte", kUtf8Japanese + "\x80", true, false},
      {"overlong 2-byte", "\xC0\xAF" + kUtf8Japanese, true, false},
      {"overlong 3-byte", "\xE0\x80\xAF" + kUtf8Japanese, true, false},
      {"surrogate", "\xED\xA0\x80" + kUtf8Japanese, true, false},
      {"above U+10FFFF", "\xF4\x90\x80\x80" + kUtf8Japanese, true, false},
      {"F5 lead", "\xF5\x80\x80\x80" + kUtf8Japanese, true, false},
      {"FF", kUtf8Japanese + "\xFF", true, false},
      {"cut sequence in the middle", "\xE6\x97 " + kUtf8Japanese, false, false},
      // A character cut by the end of a sample that is not the whole file.
      {"cut after 1 of 3", kUtf8Japanese + "\xE6", false, true},
      {"cut after 2 of 3", kUtf8Japanese + "\xE6\x97", false, true},
      {"cut after 3 of 4", kUtf8Japanese + "\xF0\x9F\x98", false, true},
      {"cut after 1 of 2", kUtf8Japanese + "\xC3", false, true},
      {"cut after 2 of 3, whole", kUtf8Japanese + "\xE6\x97", true, false},
      {"cut after 1 of 2, whole", kUtf8Japanese + "\xC3", true, false},
      {"ED A0 starts no character", kUtf8Japanese + "\xED\xA0", false, false},
      {"F4 90 starts no character", kUtf8Japanese + "\xF4\x90", false, false},
  };
  for (const auto& c : kCases) EXPECT_EQ(LooksLikeUtf8(c.sample, c.whole), c.utf8) << c.what;
}

}  // namespace
