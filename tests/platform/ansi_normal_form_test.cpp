// The normal form of ANSI bytes: same text when decoded, no mark-up byte
// inside a character, and no copy when the bytes are normal already.
#include <gtest/gtest.h>

#include <random>

#include "platform/ansi_normal_form.h"
#include "platform/codepage.h"
#include "platform/vector_unit.h"

namespace {

using platform::AnsiNormalForm;

std::string Hex(std::string_view bytes) {
  std::string out;
  for (unsigned char b : bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
    out += ' ';
  }
  return out;
}

const AnsiNormalForm& Cp932() {
  static const AnsiNormalForm form(platform::DecodeCp932, platform::EncodeCp932,
                                   platform::IsCp932LeadByte);
  return form;
}

struct NormalCase {
  std::string bytes;
  std::string normal;
};

class NormalFormTest : public testing::TestWithParam<NormalCase> {};

TEST_P(NormalFormTest, RewritesOnlyWhatEncodingWouldChange) {
  std::string scratch;
  EXPECT_EQ(Hex(Cp932().Normalize(GetParam().bytes, scratch)), Hex(GetParam().normal));
}

INSTANTIATE_TEST_SUITE_P(
    Cp932, NormalFormTest,
    testing::Values(NormalCase{"", ""}, NormalCase{"<p>abc&amp;\r\n", "<p>abc&amp;\r\n"},
                    NormalCase{"\x82\xA0\x8A\xBF\xB1", "\x82\xA0\x8A\xBF\xB1"},  // あ漢ｱ
                    // A lead byte takes any byte but NUL: "<" and ">" vanish in an
                    // unassigned pair, which is written as the platform writes U+30FB.
                    NormalCase{"\x81<b>",
                               "\x81\x45"
                               "b>"},
                    NormalCase{"a\x81", "a\x81\x45"},              // lead byte at the end
                    NormalCase{"\x87\x90", "\x81\xE0"},            // NEC ≒ written as JIS ≒
                    NormalCase{"\xED\x40", "\xFA\x5C"},            // NEC-selected IBM 纊
                    NormalCase{"\xFA\x54", "\x81\xCA"},            // IBM ¬
                    NormalCase{"x\x85\x40y", "x\x81\x45y"},        // unassigned pair
                    NormalCase{"\x80\xA0\xFD", "\x80\xA0\xFD"}));  // single bytes that map

TEST(NormalForm, NormalBytesAreReturnedThemselves) {
  const std::string bytes = "<html>\x93\xfa\x96\x7b\x8c\xea text &lt; \xb1\xb2\r\n";
  std::string scratch;
  EXPECT_EQ(Cp932().Normalize(bytes, scratch).data(), bytes.data());
}

// On random bytes: decoding gives the same text, normalizing again changes
// nothing, and every byte below 0x40 is a character of its own.
TEST(NormalForm, KeepsTheTextAndHidesNoMarkUp) {
  std::mt19937 random(11);
  for (int round = 0; round < 3000; ++round) {
    std::string bytes;
    for (int i = static_cast<int>(random() % 40); i > 0; --i) {
      const unsigned r = random() % 4;
      bytes.push_back(static_cast<char>(r == 0   ? random() % 0x40
                                        : r == 1 ? 0x81 + random() % 0x1F
                                                 : 1 + random() % 255));
    }
    std::string scratch, again;
    const std::string normal(Cp932().Normalize(bytes, scratch));
    ASSERT_EQ(platform::DecodeCp932(normal), platform::DecodeCp932(bytes)) << Hex(bytes);
    ASSERT_EQ(Cp932().Normalize(normal, again), normal) << Hex(bytes);
    for (std::size_t i = 0; i < normal.size(); ++i) {
      const auto b = static_cast<unsigned char>(normal[i]);
      if (platform::IsCp932LeadByte(b)) {
        ASSERT_GE(static_cast<unsigned char>(normal[i + 1]), 0x40) << Hex(bytes);
        ++i;
      }
    }
  }
}

// Where characters continue, found a byte at a time from a known start.
std::uint64_t ContinuingOneByOne(std::uint64_t leads, bool continued) {
  std::uint64_t second = 0;
  for (int k = 0; k < 64; ++k) {
    if (continued) second |= std::uint64_t{1} << k;
    continued = !continued && (leads >> k & 1) != 0;
  }
  return second;
}

TEST(NormalForm, FindsTheSecondBytesOfCharacters) {
  struct Case {
    std::uint64_t leads;
    bool continued;
    std::uint64_t second;
  };
  const Case cases[] = {
      {0, false, 0},
      {0, true, 1},
      {0b1, false, 0b10},
      {0b111, false, 0b1010},  // lead, trail, lead (its trail next)
      {0b110, false, 0b100},   // a run that begins on an odd bit
      {0b111, true, 0b101},    // the first continues: the run begins at 1
      {~std::uint64_t{0}, false, 0xAAAAAAAAAAAAAAAA},
      {~std::uint64_t{0}, true, 0x5555555555555555},
      {std::uint64_t{1} << 63, false, 0},  // its second byte is the next block's
  };
  for (const Case& c : cases)
    EXPECT_EQ(platform::ContinuingBytes(c.leads, c.continued), c.second)
        << std::hex << c.leads << " " << c.continued;
  std::mt19937_64 random(5);
  for (int round = 0; round < 20000; ++round) {
    // Runs of every length: bits dense, sparse and in between.
    const int density = round % 4;
    std::uint64_t leads = random();
    for (int d = 0; d < density; ++d) leads |= random();
    if (round % 8 == 1) leads &= random();
    const bool continued = (round / 4) % 2 != 0;
    ASSERT_EQ(platform::ContinuingBytes(leads, continued), ContinuingOneByOne(leads, continued))
        << std::hex << leads << " " << continued;
  }
}

// The normal form by its definition: character after character, each
// written as encoding its decoded form writes it.
std::string NormalOneByOne(std::string_view bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size();) {
    const bool pair = platform::IsCp932LeadByte(static_cast<unsigned char>(bytes[i])) &&
                      i + 1 < bytes.size() && bytes[i + 1] != 0;
    const std::size_t size = pair ? 2 : 1;
    out += platform::EncodeCp932(platform::DecodeCp932(bytes.substr(i, size)));
    i += size;
  }
  return out;
}

// Long texts, mostly of bytes that may lead (where characters begin is
// then known only from far back), with the pairs that change and ASCII
// runs, every length across blocks of 64: each vector unit as the
// definition.
TEST(NormalForm, EveryUnitFindsWhatChangesAsTheDefinition) {
  const platform::VectorUnit before = platform::ActiveVectorUnit();
  std::mt19937 random(23);
  for (int round = 0; round < 3000; ++round) {
    std::string bytes;
    const int length = static_cast<int>(random() % 300);
    while (static_cast<int>(bytes.size()) < length) {
      switch (random() % 8) {
        case 0:
          bytes += "ascii text <p>";
          break;
        case 1:  // NEC ≒, NEC-selected IBM 纊, IBM ¬, unassigned
          bytes +=
              std::string_view("\x87\x90\xED\x40\xFA\x54\x85\x40").substr(2 * (random() % 4), 2);
          break;
        case 2:
          bytes.push_back(static_cast<char>(random() % 256));
          break;
        case 3:
          if (round % 5 == 0) bytes.push_back('\0');
          break;
        default:  // a byte that may lead, in kanji rows and the others
          bytes.push_back(
              static_cast<char>(random() % 2 ? 0x81 + random() % 0x1F : 0xE0 + random() % 0x1D));
      }
    }
    const std::string expected = NormalOneByOne(bytes);
    for (int u = 0; u < platform::kVectorUnits; ++u) {
      platform::UseVectorUnit(static_cast<platform::VectorUnit>(u));
      std::string scratch;
      ASSERT_EQ(Hex(Cp932().Normalize(bytes, scratch)), Hex(expected))
          << "unit " << u << ": " << Hex(bytes);
    }
  }
  platform::UseVectorUnit(before);
}

TEST(NormalForm, TheSystemCodePageQualifies) {
  // Code page 932 here, on Windows as well (the tests run with it).
  EXPECT_NE(AnsiNormalForm::System(), nullptr);
}

}  // namespace
