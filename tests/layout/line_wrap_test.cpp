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

// Random lines of every class the rules treat apart (spaces, numbers and
// their signs, combining marks, ZWJ, regional indicators, Hangul, emoji
// with modifiers, a URL, a run of full stops longer than the wrapper looks
// back), in UTF-16, UTF-8 and Shift_JIS: wrapped as the reference wraps them.
TEST(LineWrap, WeighingOnlyNearTheLinesEndsGivesWhatWeighingAllGives) {
  const std::u32string_view kAny[] = {
      U"吾輩",
      U"は",
      U"。",
      U"、",
      U"「",
      U"」",
      U"（",
      U"）",
      U"ー",
      U"っ",
      U"a",
      U"bc",
      U"Word",
      U" ",
      U"  ",
      U"\t",
      U"1",
      U"23",
      U".",
      U",",
      U"-",
      U"/",
      U"$",
      U"%",
      U"(",
      U")",
      U"\"",
      U"'",
      U"!",
      U"?",
      U"……",
      U"ｶﾅ",
      U"\u3000",
      U"\u0301",
      U"\u200D",
      U"\u200B",
      U"\U0001F1EF\U0001F1F5",
      U"\U0001F1EF",
      U"\u05D0",
      U"\u2014",
      U"\u00A0",
      U"\u2060",
      U"\U0001F466",
      U"\U0001F3FB",
      U"\u1100",
      U"\u1161",
      U"\u11A8",
      U"\uAC00",
      U"\uAC01",
      U"\u2024",
      U"http://x.jp/a-b/c",
      U"........................................",
      U"、、、、、、、、、、、、、、、、、、、、、、、、、、、、、、、、、、、",
      U"supercalifragilisticexpialidocious0123456789"};
  const std::u32string_view kShiftJis[] = {
      U"吾輩",
      U"は",
      U"。",
      U"、",
      U"「",
      U"」",
      U"（",
      U"）",
      U"ー",
      U"っ",
      U"a",
      U"bc",
      U"Word",
      U" ",
      U"\t",
      U"1",
      U"23",
      U".",
      U",",
      U"-",
      U"/",
      U"$",
      U"%",
      U"(",
      U")",
      U"\"",
      U"!",
      U"?",
      U"……",
      U"ｶﾅ",
      U"ｧ",
      U"\u3000",
      U"ソ",
      U"表",
      U"http://x.jp/a",
      U"、、、、、、、、、、、、、、、、、、、、、、、、、、、、、、、、、、、",
      U"亜",
      U"亜亜亜亜亜亜亜",
      U"ぁ",
      U"＝",
      U"ゼ",
      U"supercalifragilisticexpialidocious0123456789"};
  // Few classes, often together: the contexts the rules remember.
  const std::u32string_view kDense[] = {
      U" ",      U"  ",     U"(",          U")",
      U"\"",     U"1",      U"2",          U".",
      U",",      U"$",      U"%",          U"a",
      U"/",      U"\u0301", U"\U0001F1EF", U"\U0001F1EF\U0001F1EF\U0001F1EF",
      U"\u2014", U"\u05D0", U"-",          U"あ",
      U"、"};
  engine::scan::LeadBytes leads{};
  for (int b = 0; b < 256; ++b)
    leads[static_cast<std::size_t>(b)] = platform::IsCp932LeadByte(static_cast<unsigned char>(b));
  std::mt19937 random(32);
  for (int round = 0; round < 6000; ++round) {
    const std::size_t width = 20 + random() % 25;
    const int form = round % 3;  // UTF-16, UTF-8, Shift_JIS
    const bool dense = round % 2 == 1 && form != 2;
    std::u32string text;
    std::size_t units = 0;
    for (;;) {
      const std::u32string_view piece = form == 2 ? kShiftJis[random() % std::size(kShiftJis)]
                                        : dense   ? kDense[random() % std::size(kDense)]
                                                  : kAny[random() % std::size(kAny)];
      const std::size_t more = form == 0   ? Utf16(piece).size()
                               : form == 1 ? platform::EncodeUtf8(Utf16(piece)).size()
                                           : platform::EncodeCp932(Utf16(piece)).size();
      // Held whole until the line's end: no wrapping part-way.
      if (units + more > 8 * width || random() % 80 == 0) break;
      text += piece;
      units += more;
    }
    std::u32string expected, got;
    if (form == 2) {
      expected = ReferenceWrap(text, width, [](char32_t c) {
        return platform::EncodeCp932(platform::Utf16Of(c)).size();
      });
      engine::LineWrap<char> wrap(width, &leads);
      std::string out;
      auto emit = [&](std::string_view t) { out.append(t); };
      wrap.Begin(0, {}, 0);
      wrap.EndIndentation();
      wrap.Add(platform::EncodeCp932(Utf16(text)), emit);
      wrap.Finish(emit);
      got = Utf32(platform::DecodeCp932(out));
    } else {
      expected = ReferenceWrap(text, width, [](char32_t c) { return engine::ColumnsOf(c); });
      if (form == 0) {
        engine::LineWrap<char16_t> wrap(width, nullptr);
        std::u16string out;
        auto emit = [&](std::u16string_view t) { out.append(t); };
        wrap.Begin(0, {}, 0);
        wrap.EndIndentation();
        wrap.Add(Utf16(text), emit);
        wrap.Finish(emit);
        got = Utf32(out);
      } else {
        engine::LineWrap<char> wrap(width, nullptr);
        std::string out;
        auto emit = [&](std::string_view t) { out.append(t); };
        wrap.Begin(0, {}, 0);
        wrap.EndIndentation();
        wrap.Add(platform::EncodeUtf8(Utf16(text)), emit);
        wrap.Finish(emit);
        got = Utf32(platform::DecodeUtf8(out));
      }
    }
    ASSERT_EQ(Show(Utf16(got)), Show(Utf16(expected)))
        << "form " << form << " at " << width << ": " << Show(Utf16(text));
  }
}

// A line that begins with spaces (SPACE off keeps them) never breaks after
// them alone: that would make an empty line.
TEST(LineWrap, SpacesAloneNeverMakeALine) {
  struct Case {
    std::u16string_view text, wrapped;
  };
  const Case kCases[] = {
      {u"  abcdefghijklmnopqrstuvwxyz", u"  abcdefghijklmnopqrstuvwxyz"},
      {u"\tabcdefghijklmnopqrstuvwxyz", u"\tabcdefghijklmnopqrstuvwxyz"},
      {u"  abcdefghijklmnopqrstuvwxyz end", u"  abcdefghijklmnopqrstuvwxyz\r\nend"},
      {u"   あいうえおかきくけこさし", u"   あいうえおかきく\r\nけこさし"},
  };
  for (const Case& c : kCases) {
    for (int form = 0; form < 2; ++form) {  // UTF-16, and Shift_JIS (found from its bytes)
      std::u16string out;
      if (form == 0) {
        engine::LineWrap<char16_t> wrap(20, nullptr);
        auto emit = [&](std::u16string_view t) { out.append(t); };
        wrap.Begin(0, {}, 0);
        wrap.EndIndentation();
        wrap.Add(c.text, emit);
        wrap.Finish(emit);
      } else {
        engine::scan::LeadBytes leads{};
        for (int b = 0; b < 256; ++b)
          leads[static_cast<std::size_t>(b)] =
              platform::IsCp932LeadByte(static_cast<unsigned char>(b));
        engine::LineWrap<char> wrap(20, &leads);
        std::string bytes;
        auto emit = [&](std::string_view t) { bytes.append(t); };
        wrap.Begin(0, {}, 0);
        wrap.EndIndentation();
        wrap.Add(platform::EncodeCp932(c.text), emit);
        wrap.Finish(emit);
        out = platform::DecodeCp932(bytes);
      }
      EXPECT_EQ(Show(out), Show(c.wrapped)) << form;
    }
  }
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
