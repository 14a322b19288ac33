// The code page 932 tables, the UTF-8 codec, and (on Windows) our tables held
// to the platform's own conversion byte for byte.
#include <gtest/gtest.h>

#include <random>

#include "platform/codepage.h"
#include "platform/vector_unit.h"
#include "tests/support/temp_dir.h"

namespace {

using platform::DecodeCp932;
using platform::EncodeCp932;
using testing_support::Show;

bool IsLeadByte(int b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

std::string Bytes(std::initializer_list<int> list) {
  std::string s;
  for (int b : list) s.push_back(static_cast<char>(b));
  return s;
}

struct KnownCase {
  std::string bytes;
  std::u16string text;
};

TEST(Cp932, KnownCharactersBothWays) {
  const KnownCase cases[] = {
      {"abc\\~", u"abc\\~"},
      {Bytes({0x82, 0xA0}), u"あ"},
      {Bytes({0x83, 0x41}), u"ア"},
      {Bytes({0xB1}), u"ｱ"},
      {Bytes({0x88, 0x9F}), u"亜"},
      {Bytes({0x87, 0x40}), u"①"},
      {Bytes({0x81, 0x5B}), u"ー"},
      {Bytes({0x81, 0x7C}), u"－"},
      {Bytes({0x81, 0x60}), u"～"},
      {Bytes({0x81, 0xCA}), u"￢"},
      {Bytes({0xFB, 0xFC}), u"髙"},
      {Bytes({0x82, 0xA0, 0x0D, 0x0A, 0x41}), u"あ\r\nA"},
      {"", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Show(DecodeCp932(c.bytes)), Show(c.text));
    EXPECT_EQ(EncodeCp932(c.text), c.bytes) << Show(c.text);
  }
}

TEST(Cp932, MalformedBytesDecodeAsThePlatformDoes) {
  const KnownCase cases[] = {
      {Bytes({0x81}), u"\u30FB"},                             // lead byte at the end
      {Bytes({0x81, 0x00, 0x41}), {u'\u30FB', u'\0', u'A'}},  // NUL is never a trail byte
      {Bytes({0x85, 0x40}), u"\u30FB"},                       // unassigned pair: one character
      {Bytes({0x82, 0x0A, 0x41}), u"\u30FBA"},                // any byte but NUL is taken as trail
      {Bytes({0x80}), u"\u0080"},
      {Bytes({0xA0}), u"\uF8F0"},
      {Bytes({0xFD, 0xFE, 0xFF}), u"\uF8F1\uF8F2\uF8F3"},
  };
  for (const auto& c : cases) EXPECT_EQ(Show(DecodeCp932(c.bytes)), Show(c.text));
}

TEST(Cp932, EncodesLikeThePlatformWhereThereIsNoExactCharacter) {
  EXPECT_EQ(EncodeCp932(u"¥"), "\\");  // best fit
  EXPECT_EQ(EncodeCp932(u"¬"), Bytes({0x81, 0xCA}));
  EXPECT_EQ(EncodeCp932(u"한"), "?");
  EXPECT_EQ(EncodeCp932(u"😀"), "??");  // each half of the surrogate pair
  EXPECT_EQ(EncodeCp932(u"\u30FB"), Bytes({0x81, 0x45}));
}

TEST(Cp932, EveryCharacterRoundTrips) {
  int characters = 0;
  for (int lead = 0; lead < 256; ++lead) {
    for (int trail = IsLeadByte(lead) ? 1 : -1; trail < (IsLeadByte(lead) ? 256 : 0); ++trail) {
      std::string bytes = trail < 0 ? Bytes({lead}) : Bytes({lead, trail});
      std::u16string text = DecodeCp932(bytes);
      ASSERT_EQ(text.size(), 1u);
      if (text[0] == u'\u30FB' && bytes != Bytes({0x81, 0x45})) continue;  // unassigned
      ++characters;
      // Duplicates (NEC and IBM extensions) encode to one preferred form,
      // which decodes to the same character.
      EXPECT_EQ(Show(DecodeCp932(EncodeCp932(text))), Show(text)) << lead << "," << trail;
    }
  }
  EXPECT_GT(characters, 7900);
}

struct Utf8Case {
  std::string bytes;
  std::u16string text;
};

TEST(Utf8, DecodesAndEncodes) {
  const Utf8Case both_ways[] = {
      {"abc", u"abc"}, {"\xC3\xA9", u"é"}, {"\xE3\x81\x82", u"あ"}, {"\xF0\x9F\x98\x80", u"😀"},
      {"", u""},
  };
  for (const auto& c : both_ways) {
    EXPECT_EQ(Show(platform::DecodeUtf8(c.bytes)), Show(c.text));
    EXPECT_EQ(platform::EncodeUtf8(c.text), c.bytes);
  }
  // As the Encoding standard decodes: one U+FFFD for each byte that cannot
  // begin a character, and one for the start of a character that a byte
  // breaks off (the breaking byte begins anew).
  const Utf8Case malformed[] = {
      {"\xFF", u"\uFFFD"},
      {"a\xC3", u"a\uFFFD"},
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong: C0 never begins one
      {"\xE0\x80\x80", u"\uFFFD\uFFFD\uFFFD"},            // overlong: E0 needs A0..BF
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // surrogate: ED needs 80..9F
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
      {"\xE3\x81", u"\uFFFD"},
      {"\xE3\x81\x41", u"\uFFFDA"},
      {"\xF0\x9F\x98", u"\uFFFD"},
      {"\xF0\x9F\x98\xE3\x81\x82", u"\uFFFD\u3042"},
      {"\x80\xBF", u"\uFFFD\uFFFD"},
      {"\xC2\xC2\xA9", u"\uFFFD\u00A9"},
      {"\xF5\x80", u"\uFFFD\uFFFD"},
  };
  for (const auto& c : malformed) EXPECT_EQ(Show(platform::DecodeUtf8(c.bytes)), Show(c.text));
  EXPECT_EQ(platform::EncodeUtf8(u"\xD800x"), "\xEF\xBF\xBDx");
}

// Where UTF-8 stops being valid, found by each vector unit as by the
// scalar one: the malformed cases above and every kind of character, each
// placed at every offset of a text past two blocks of 32 bytes (where the
// vector checks hand over to the scalar one), and random mixes.
TEST(Utf8, EveryUnitFindsTheValidPrefixAlike) {
  const platform::VectorUnit before = platform::ActiveVectorUnit();
  const std::string pieces[] = {"a", "\xC2\xA9", "\xE3\x81\x82", "\xEF\xBF\xBD", "\xED\x9F\xBF",
                                "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF",
                                // malformed
                                "\xFF", "\xC3", "\xC0\xAF", "\xE0\x80\x80", "\xED\xA0\x80",
                                "\xF4\x90\x80\x80", "\xE3\x81", "\x80", "\xF5\x80",
                                "\xF0\x8F\xBF\xBF", "\xC1\xBF", "\xF8\x88\x80\x80\x80"};
  auto valid = [](const std::string& text, platform::VectorUnit unit) {
    platform::UseVectorUnit(unit);
    std::string scratch;
    std::size_t taken = 0;
    const std::string normal(platform::NormalizeUtf8(text, true, scratch, taken));
    return std::to_string(platform::ValidUtf8Length(text)) + " " +
           Show(platform::DecodeUtf8(normal));
  };
  std::vector<std::string> texts;
  for (const std::string& piece : pieces) {
    for (std::size_t at = 0; at < 100; ++at) {
      std::string text(100, 'x');
      for (std::size_t k = 0; k < 100; k += 3) text.replace(k, 3, "\xE3\x81\x82");  // あ
      text.replace(at, piece.size(), piece);
      texts.push_back(text);
      texts.push_back(text.substr(0, at + piece.size() - 1));  // cut in the character
    }
  }
  std::mt19937 random(17);
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    const std::size_t length = random() % 200;
    while (text.size() < length) {
      const std::size_t k = random() % 20;
      text += k < 12   ? pieces[k % 7]
              : k < 18 ? pieces[7 + random() % 12]
                       : std::string(1, static_cast<char>(random()));
    }
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    const std::string expected = valid(text, platform::VectorUnit::kScalar);
    for (int u = 1; u < platform::kVectorUnits; ++u)
      ASSERT_EQ(valid(text, static_cast<platform::VectorUnit>(u)), expected)
          << "unit " << u << ": " << testing::PrintToString(text);
  }
  platform::UseVectorUnit(before);
}

#ifdef _WIN32
// On Windows the ANSI conversion is the platform's; with the system code page
// at 932 it must agree with our tables on every input.
TEST(Cp932AgainstPlatform, DecodesEveryOneAndTwoByteSequenceAlike) {
  for (int first = 0; first < 256; ++first) {
    ASSERT_EQ(Show(DecodeCp932(Bytes({first}))), Show(platform::DecodeAnsi(Bytes({first}))));
    for (int second = 0; second < 256; ++second) {
      std::string bytes = Bytes({first, second});
      ASSERT_EQ(DecodeCp932(bytes), platform::DecodeAnsi(bytes)) << first << "," << second;
    }
  }
}

TEST(Cp932AgainstPlatform, EncodesEveryCodeUnitAlike) {
  for (int unit = 0; unit < 0x10000; ++unit) {
    std::u16string text(1, static_cast<char16_t>(unit));
    ASSERT_EQ(EncodeCp932(text), platform::EncodeAnsi(text)) << unit;
  }
  EXPECT_EQ(EncodeCp932(u"a😀b"), platform::EncodeAnsi(u"a😀b"));
}

TEST(Cp932AgainstPlatform, AgreesOnRandomByteStreams) {
  std::mt19937 random(932);
  std::string bytes(1 << 20, '\0');
  for (char& b : bytes) b = static_cast<char>(random());
  EXPECT_EQ(DecodeCp932(bytes), platform::DecodeAnsi(bytes));
  std::u16string text = DecodeCp932(bytes);
  EXPECT_EQ(EncodeCp932(text), platform::EncodeAnsi(text));
}
#endif

}  // namespace
