// Lines wrapped at a width, as properties over random paragraphs of Japanese
// and English: no line is wider than the width unless it is one run with no
// place to break; joined back, the lines are the unwrapped text; no line
// begins or ends with a character Japanese typesetting forbids there; and
// the text is the same fed in pieces. The Japanese classes, as tables.
#include "layout/line_wrap.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/clsQuillmere.h"
#include "layout/character_widths.h"
#include "platform/codepage.h"
#include "tests/support/converter_options.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::ConverterWith;
using testing_support::Show;

std::u32string Utf32(std::u16string_view text) {
  std::u32string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size())
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    out.push_back(c);
  }
  return out;
}

std::size_t Columns(std::u32string_view line) {
  std::size_t columns = 0;
  for (const char32_t c : line) columns += engine::ColumnsOf(c);
  return columns;
}

std::vector<std::u32string> Lines(std::u16string_view text) {
  std::vector<std::u32string> lines;
  const std::u32string all = Utf32(text);
  std::size_t from = 0;
  for (std::size_t cr; (cr = all.find(U"\r\n", from)) != std::u32string::npos; from = cr + 2)
    lines.push_back(all.substr(from, cr - from));
  lines.push_back(all.substr(from));
  return lines;
}

// UTF-16 without its spaces, to compare texts whose breaks took spaces.
std::u16string WithoutSpaces(const std::u32string& text) {
  std::u16string out;
  for (const char32_t c : text) {
    if (c == U' ') continue;
    if (c >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

TEST(LineWrap, PropertiesOfRandomParagraphs) {
  const std::u16string kPieces[] = {u"吾輩",
                                    u"は",
                                    u"猫",
                                    u"である",
                                    u"。",
                                    u"、",
                                    u"「",
                                    u"」",
                                    u"（",
                                    u"）",
                                    u"っ",
                                    u"ゃ",
                                    u"ー",
                                    u"々",
                                    u"・",
                                    u"？",
                                    u"！",
                                    u"‼",
                                    u"ゝ",
                                    u"ヽ",
                                    u"カタカナ",
                                    u"ｶﾀｶﾅ",
                                    u"ｰ",
                                    u"ｧ",
                                    u"English",
                                    u" ",
                                    u" ",
                                    u"word",
                                    u"a",
                                    u"https://example.com/long/path/to/a/page",
                                    u"supercalifragilistic",
                                    u"2026年",
                                    u"12.5%",
                                    u"\u201C",
                                    u"\u201D",
                                    u"—",
                                    u"…"};
  std::mt19937 random(31);
  for (int round = 0; round < 400; ++round) {
    const int width = 20 + static_cast<int>(random() % 30);
    std::u16string text;
    const int count = 1 + static_cast<int>(random() % 60);
    for (int k = 0; k < count; ++k) text += kPieces[random() % std::size(kPieces)];
    const clsQuillmere plain = ConverterWith({{u"SCRIPT", u"1"}, {u"SPACE", u"1"}});
    const std::string digits = std::to_string(width);
    const std::u16string width_text(digits.begin(), digits.end());
    const clsQuillmere wrapped =
        ConverterWith({{u"SCRIPT", u"1"}, {u"SPACE", u"1"}, {u"WIDTH", width_text}});
    const std::u16string unwrapped = plain.Execute(text);
    const std::u16string result = wrapped.Execute(text);
    if (result.empty()) continue;  // spaces alone
    const std::vector<std::u32string> lines = Lines(result);
    std::u32string joined;
    for (const std::u32string& line : lines) joined += line;
    ASSERT_EQ(Show(WithoutSpaces(joined)), Show(WithoutSpaces(Utf32(unwrapped))))
        << Show(text) << " at " << width;
    for (std::size_t k = 0; k < lines.size(); ++k) {
      const std::u32string& line = lines[k];
      ASSERT_FALSE(line.empty()) << Show(text);
      if (Columns(line) > static_cast<std::size_t>(width)) {
        // Wider only where the line holds no place to break.
        const std::vector<engine::Break> breaks = engine::WrapOpportunities(line);
        for (std::size_t i = 1; i < breaks.size(); ++i)
          ASSERT_EQ(breaks[i], engine::Break::kNone)
              << Show(result) << " line " << k << " at " << width;
      }
      if (k > 0) {
        ASSERT_FALSE(engine::MayNotBeginLine(line.front())) << Show(result) << " at " << width;
      }
      if (k + 1 < lines.size()) {
        ASSERT_FALSE(engine::MayNotEndLine(line.back())) << Show(result) << " at " << width;
      }
    }
    // In pieces.
    clsQuillmere::Session session(wrapped);
    std::u16string pieces;
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t n = std::min<std::size_t>(1 + random() % 7, text.size() - at);
      session.Feed(std::u16string_view(text).substr(at, n), pieces);
      at += n;
    }
    session.Finish(pieces);
    ASSERT_EQ(Show(pieces), Show(result)) << Show(text) << " at " << width;
  }
}

// A greedy wrap of one whole line over WrapOpportunities, each place
// weighed: what the wrapper, which weighs only the places near a line's
// end, must give. `columns` counts a character's columns.
template <typename Columns>
std::u32string ReferenceWrap(std::u32string_view text, std::size_t width, Columns columns_of) {
  const std::vector<engine::Break> breaks = engine::WrapOpportunities(text);
  std::u32string out;
  std::size_t line_from = 0, start = 0, last = 0, column = 0;
  bool over = false;
  auto columns = [&](std::size_t k) {
    return text[k] == U'\t' ? 8 - column % 8 : columns_of(text[k]);
  };
  auto cut = [&](std::size_t at, std::size_t upto) {
    std::size_t end = at;
    while (end > line_from && (text[end - 1] == U' ' || text[end - 1] == U'\t')) --end;
    out.append(text.substr(line_from, end - line_from)).append(U"\r\n");
    line_from = start = at;
    last = 0;
    over = false;
    column = 0;
    for (std::size_t k = at; k < upto; ++k) column += columns(k);
  };
  auto text_before = [&](std::size_t i) {  // a break after spaces alone makes no line
    for (std::size_t k = start; k < i; ++k)
      if (text[k] != U' ' && text[k] != U'\t') return true;
    return false;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i > start && breaks[i] != engine::Break::kNone && text_before(i)) {
      if (over) cut(i, i);
      last = i;
    }
    const std::size_t w = columns(i);
    if (column + w > width && text[i] != U' ' && text[i] != U'\t' && i > start) {
      if (last > start)
        cut(last, i);
      else
        over = true;
    }
    column += w;
  }
  return out.append(text.substr(line_from));
}

std::u16string Utf16(std::u32string_view text) {
  std::u16string out;
  for (const char32_t c : text) out += platform::Utf16Of(c);
  return out;
}

// Pieces of text, written between bars.
std::vector<std::u32string_view> Pieces(std::u32string_view all) {
  std::vector<std::u32string_view> pieces;
  for (std::size_t from = 0, bar; from <= all.size(); from = bar + 1) {
    bar = std::min(all.find(U'|', from), all.size());
    pieces.push_back(all.substr(from, bar - from));
  }
  return pieces;
}

// One line wrapped as a whole: UTF-16, UTF-8, or Shift_JIS (found from its
// bytes).
enum class Form { kUtf16, kUtf8, kShiftJis };

std::u32string Wrapped(Form form, std::size_t width, std::u32string_view text) {
  auto wrap_line = [&](auto units, const engine::scan::LeadBytes* leads) {
    using String = decltype(units);
    engine::LineWrap<typename String::value_type> wrap(width, leads);
    String out;
    auto emit = [&](std::basic_string_view<typename String::value_type> t) { out.append(t); };
    wrap.Begin(0, {}, 0);
    wrap.EndIndentation();
    wrap.Add({}, emit);  // an empty run first, before anything is held
    wrap.Add(units, emit);
    wrap.Finish(emit);
    return out;
  };
  static const engine::scan::LeadBytes kCp932Leads = [] {
    engine::scan::LeadBytes leads{};
    for (int b = 0; b < 256; ++b)
      leads[static_cast<std::size_t>(b)] = platform::IsCp932LeadByte(static_cast<unsigned char>(b));
    return leads;
  }();
  switch (form) {
    case Form::kUtf16:
      return Utf32(wrap_line(Utf16(text), nullptr));
    case Form::kUtf8:
      return Utf32(platform::DecodeUtf8(wrap_line(platform::EncodeUtf8(Utf16(text)), nullptr)));
    case Form::kShiftJis:
      break;
  }
  return Utf32(platform::DecodeCp932(wrap_line(platform::EncodeCp932(Utf16(text)), &kCp932Leads)));
}

std::size_t UnitsIn(Form form, std::u32string_view text) {
  return form == Form::kUtf16  ? Utf16(text).size()
         : form == Form::kUtf8 ? platform::EncodeUtf8(Utf16(text)).size()
                               : platform::EncodeCp932(Utf16(text)).size();
}

// Random lines of every class the rules treat apart (spaces, numbers and
// their signs, combining marks, ZWJ, regional indicators, Hangul, emoji
// with modifiers, a URL, a run of full stops longer than the wrapper looks
// back, bytes that may lead in Shift_JIS), in UTF-16, UTF-8 and Shift_JIS:
// wrapped as the reference wraps them.
TEST(LineWrap, WeighingOnlyNearTheLinesEndsGivesWhatWeighingAllGives) {
  const std::vector<std::u32string_view> shift_jis = Pieces(
      U"吾輩|は|。|、|「|」|（|）|ー|っ|a|bc|Word| |\t|1|23|.|,|-|/|$|%|(|)|\"|!|?|……|ｶﾅ|ｧ|"
      U"\u3000|ソ|表|亜|亜亜亜亜亜亜亜|ぁ|＝|ゼ|http://x.jp/a|"
      U"、、、、、、、、、、、、、、、、、、、、、、、、、、、、、、、、、、、|"
      U"supercalifragilisticexpialidocious0123456789");
  std::vector<std::u32string_view> any = shift_jis;
  for (const std::u32string_view piece :
       Pieces(U"  |'|\u0301|\u200D|\u200B|\U0001F1EF\U0001F1F5|\U0001F1EF|\u05D0|\u2014|"
              U"\u00A0|\u2060|\U0001F466|\U0001F3FB|\u1100|\u1161|\u11A8|\uAC00|\uAC01|"
              U"\u2024|http://x.jp/a-b/c|........................................"))
    any.push_back(piece);
  // Few classes, often together: the contexts the rules remember.
  const std::vector<std::u32string_view> dense = Pieces(
      U" |  |(|)|\"|1|2|.|,|$|%|a|/|\u0301|\U0001F1EF|\U0001F1EF\U0001F1EF\U0001F1EF|"
      U"\u2014|\u05D0|-|あ|、");
  std::mt19937 random(32);
  for (int round = 0; round < 6000; ++round) {
    const std::size_t width = 20 + random() % 25;
    const Form form = static_cast<Form>(round % 3);
    const std::vector<std::u32string_view>& pieces = form == Form::kShiftJis ? shift_jis
                                                     : round % 2 == 1        ? dense
                                                                             : any;
    std::u32string text;
    std::size_t units = 0;
    for (;;) {
      const std::u32string_view piece = pieces[random() % pieces.size()];
      const std::size_t more = UnitsIn(form, piece);
      // Held whole until the line's end: no wrapping part-way.
      if (units + more > 8 * width || random() % 80 == 0) break;
      text += piece;
      units += more;
    }
    const std::u32string expected =
        form == Form::kShiftJis
            ? ReferenceWrap(text, width,
                            [](char32_t c) {
                              return UnitsIn(Form::kShiftJis, {&c, 1});
                            })
            : ReferenceWrap(text, width, [](char32_t c) { return engine::ColumnsOf(c); });
    ASSERT_EQ(Show(Utf16(Wrapped(form, width, text))), Show(Utf16(expected)))
        << "form " << static_cast<int>(form) << " at " << width << ": " << Show(Utf16(text));
  }
}

// A line that begins with spaces (SPACE off keeps them) never breaks after
// them alone: that would make an empty line.
TEST(LineWrap, SpacesAloneNeverMakeALine) {
  struct Case {
    std::u32string_view text, wrapped;
  };
  const Case kCases[] = {
      {U"  abcdefghijklmnopqrstuvwxyz", U"  abcdefghijklmnopqrstuvwxyz"},
      {U"\tabcdefghijklmnopqrstuvwxyz", U"\tabcdefghijklmnopqrstuvwxyz"},
      {U"  abcdefghijklmnopqrstuvwxyz end", U"  abcdefghijklmnopqrstuvwxyz\r\nend"},
      {U"   あいうえおかきくけこさし", U"   あいうえおかきく\r\nけこさし"},
  };
  for (const Case& c : kCases)
    for (const Form form : {Form::kUtf16, Form::kUtf8, Form::kShiftJis})
      EXPECT_EQ(Show(Utf16(Wrapped(form, 20, c.text))), Show(Utf16(c.wrapped)))
          << static_cast<int>(form);
}

TEST(LineWrap, JapaneseRulesForLinesStartsAndEnds) {
  const std::u32string_view no_start =
      U"、。，．」』）】〕〉》・：；？！‼⁇ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮヵヶーｰ々ゝゞヽヾ"
      U"\u201D"
      U"\u2019ｧｯ｡｣";
  for (const char32_t c : no_start) {
    EXPECT_TRUE(engine::MayNotBeginLine(c)) << static_cast<std::uint32_t>(c);
  }
  for (const char32_t c : std::u32string_view(U"「『（【〔〈《\u201C\u2018｢")) {
    EXPECT_TRUE(engine::MayNotEndLine(c)) << static_cast<std::uint32_t>(c);
  }
  for (const char32_t c : std::u32string_view(U"あ漢アｱa1「（")) {
    EXPECT_FALSE(engine::MayNotBeginLine(c)) << static_cast<std::uint32_t>(c);
  }
  for (const char32_t c : std::u32string_view(U"あ漢アｱa1」。")) {
    EXPECT_FALSE(engine::MayNotEndLine(c)) << static_cast<std::uint32_t>(c);
  }
}

}  // namespace
