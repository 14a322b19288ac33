// What the main-content choice counts of text, character by character: the
// same whatever the encoding and wherever a run is cut; and how a text opens.
#include "maincontent/text_measures.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "maincontent/page_tree.h"
#include "platform/codepage.h"

namespace {

using engine::maincontent::Measure;
using engine::maincontent::MeasureState;
using engine::maincontent::Opening;
using engine::maincontent::TextMeasures;

struct Counts {
  std::uint64_t chars, wide, words, commas, stops;
  bool operator==(const Counts&) const = default;
};

Counts Of(const TextMeasures& m) {
  return {m.chars, m.wide, m.words, m.commas, m.stops};
}

std::array<bool, 256> Cp932Leads() {
  std::array<bool, 256> leads{};
  for (int b = 0; b < 256; ++b) leads[b] = platform::IsAnsiLeadByte(static_cast<unsigned char>(b));
  return leads;
}

TEST(TextMeasures, CountsCharactersWordsAndPunctuation) {
  struct Case {
    std::u16string text;
    Counts counts;
  };
  const Case cases[] = {
      {u"Hello, world.", {12, 0, 2, 1, 1}},
      {u"  two  words  ", {8, 0, 2, 0, 0}},
      {u"今日は、晴れです。", {9, 7, 0, 1, 1}},
      {u"ＡＢＣ！？１２", {7, 5, 0, 0, 2}},   // full-width letters are Japanese text
      {u"ﾃｽﾄ､ﾃｽﾄ｡", {8, 6, 0, 1, 1}},         // half-width katakana and its punctuation
      {u"a\u00a0b\u3000c", {3, 0, 3, 0, 0}},  // no-break and ideographic spaces are spaces
      {u"「引用」・ー々", {7, 4, 0, 0, 0}},   // ー and 々 are text; brackets and ・ are not
      {u"Café déjà vu!", {11, 0, 3, 0, 1}},
      {u"", {0, 0, 0, 0, 0}},
  };
  const auto leads = Cp932Leads();
  for (const Case& c : cases) {
    TextMeasures u16, u8, sjis;
    MeasureState w1, w2, w3;
    Measure(c.text, nullptr, w1, u16);
    EXPECT_EQ(Of(u16), c.counts) << testing::PrintToString(
        std::string(platform::EncodeUtf8(c.text)));
    Measure(platform::EncodeUtf8(c.text), nullptr, w2, u8);
    EXPECT_EQ(Of(u8), c.counts);
    const std::string ansi = platform::EncodeAnsi(c.text);
    if (platform::DecodeAnsi(ansi) != c.text) continue;  // no Shift_JIS form
    Measure(ansi, &leads, w3, sjis);
    EXPECT_EQ(Of(sjis), c.counts) << platform::EncodeUtf8(c.text);
  }
}

// Runs cut anywhere count as the whole: a word cut by a run's end is one.
TEST(TextMeasures, RunsCutAnywhereCountAsTheWhole) {
  const std::u16string text = u"Rain, rain, go away. 雨よ、雨よ、どこかへ行け。Come again!";
  TextMeasures whole;
  MeasureState state;
  Measure(text, nullptr, state, whole);
  for (std::size_t cut = 0; cut <= text.size(); ++cut) {
    TextMeasures pieces;
    MeasureState carried;
    Measure(std::u16string_view(text).substr(0, cut), nullptr, carried, pieces);
    Measure(std::u16string_view(text).substr(cut), nullptr, carried, pieces);
    EXPECT_EQ(Of(pieces), Of(whole)) << cut;
  }
  // In bytes, a character cut between runs too.
  const auto leads = Cp932Leads();
  for (const bool sjis : {false, true}) {
    const std::string bytes = sjis ? platform::EncodeAnsi(text) : platform::EncodeUtf8(text);
    for (std::size_t a = 0; a <= bytes.size(); ++a)
      for (std::size_t b = a; b <= bytes.size(); ++b) {
        TextMeasures pieces;
        MeasureState carried;
        const std::string_view v = bytes;
        for (const auto piece : {v.substr(0, a), v.substr(a, b - a), v.substr(b)})
          Measure(piece, sjis ? &leads : nullptr, carried, pieces);
        ASSERT_EQ(Of(pieces), Of(whole)) << a << " " << b << (sjis ? " Shift_JIS" : " UTF-8");
      }
  }
}

// The code page's bytes measure as their characters do, one by one: every
// single byte and every pair a lead byte makes, in random texts of them,
// with the opening taken and without.
TEST(TextMeasures, TheCodePagesBytesMeasureAsTheirCharacters) {
  const auto leads = Cp932Leads();
  std::vector<std::string> characters;
  for (int b = 1; b < 256; ++b) {
    if (!leads[b]) {
      characters.push_back(std::string(1, static_cast<char>(b)));
      continue;
    }
    for (int t = 1; t < 256; ++t)
      characters.push_back({static_cast<char>(b), static_cast<char>(t)});
  }
  const auto& units = platform::AnsiUnits();
  std::mt19937 rng(11);
  for (int round = 0; round < 300; ++round) {
    std::string text;
    TextMeasures expected;
    MeasureState each;
    Opening expected_opening;
    const std::size_t length = rng() % 200;
    for (std::size_t k = 0; k < length; ++k) {
      // Kana and kanji mostly, as Japanese text is.
      const std::string& c = rng() % 4 == 0 ? characters[rng() % characters.size()]
                                            : characters[characters.size() / 2 + rng() % 3000];
      text += c;
      const unsigned code =
          c.size() == 1 ? static_cast<unsigned char>(c[0])
                        : static_cast<unsigned char>(c[0]) << 8 | static_cast<unsigned char>(c[1]);
      engine::maincontent::MeasureCodePoint(units[code], each, expected, &expected_opening);
    }
    for (const bool with_opening : {false, true}) {
      TextMeasures got;
      MeasureState state;
      Opening opening;
      Measure(text, &leads, state, got, with_opening ? &opening : nullptr);
      ASSERT_EQ(Of(got), Of(expected)) << round;
      if (with_opening) {
        ASSERT_EQ(opening.value(), expected_opening.value()) << round;
      }
    }
  }
}

TEST(TextMeasures, TextsThatOpenAlikeHaveOneOpening) {
  auto opening = [](std::u16string_view text) {
    TextMeasures m;
    Opening o;
    MeasureState state;
    Measure(text, nullptr, state, m, &o);
    return o.value();
  };
  const std::u16string a = u"The river rose through the night, and by morning...";
  EXPECT_NE(opening(a), 0u);
  EXPECT_EQ(opening(a), opening(u"  THE RIVER rose — through the Night and more"));
  EXPECT_NE(opening(a), opening(u"The river fell through the night, and by morning"));
  EXPECT_EQ(opening(u"Too short to tell."), 0u);
  EXPECT_EQ(opening(u"夜のうちに川の水位が上がり、朝には下町が水につかった。"),
            opening(u"夜のうちに川の水位が上がり朝には下町が水につかった"));
  const auto leads = Cp932Leads();
  TextMeasures m;
  Opening o;
  MeasureState state;
  Measure(platform::EncodeAnsi(u"夜のうちに川の水位が上がり、朝には下町が水につかった。"), &leads,
          state, m, &o);
  EXPECT_EQ(o.value(), opening(u"夜のうちに川の水位が上がり、朝には下町が水につかった。"));
}

}  // namespace

// The sums an element's text adds to those around it: every count added at
// once gives what adding each gives, saturated at 2^32 - 1, with the blocks
// and headings given on top.
TEST(Sums, AddingAllAtOnceGivesWhatAddingEachGives) {
  std::mt19937 rng(7);
  // Counts small, near the top, and at it.
  auto count = [&]() -> std::uint32_t {
    switch (rng() % 4) {
      case 0:
        return rng() % 1000;
      case 1:
        return UINT32_MAX - rng() % 1000;
      case 2:
        return UINT32_MAX;
      default:
        return static_cast<std::uint32_t>(rng());
    }
  };
  auto sums = [&] {
    engine::maincontent::Sums s;
    for (std::uint32_t* c : {&s.chars, &s.wide, &s.words, &s.commas, &s.stops, &s.link_weight,
                             &s.links, &s.images, &s.controls, &s.blocks, &s.headings})
      *c = count();
    return s;
  };
  auto fields = [](const engine::maincontent::Sums& s) {
    return std::vector<std::uint32_t>{s.chars,    s.wide,        s.words,    s.commas,
                                      s.stops,    s.link_weight, s.links,    s.images,
                                      s.controls, s.blocks,      s.headings, s.padding};
  };
  for (int k = 0; k < 5000; ++k) {
    engine::maincontent::Sums at_once = sums(), each = at_once;
    const engine::maincontent::Sums other = sums();
    const std::uint32_t blocks = rng() % 3 == 0 ? count() : rng() % 3;
    const std::uint32_t headings = rng() % 3 == 0 ? count() : rng() % 2;
    at_once.Add(other, blocks, headings);
    each.AddEach(other, blocks, headings);
    ASSERT_EQ(fields(at_once), fields(each)) << k;
  }
}
