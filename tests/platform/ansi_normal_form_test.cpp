// The normal form of ANSI bytes: same text when decoded, no mark-up byte
// inside a character, and no copy when the bytes are normal already.
#include <gtest/gtest.h>

#include <random>

#include "platform/ansi_normal_form.h"
#include "platform/codepage.h"

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

TEST(NormalForm, TheSystemCodePageQualifies) {
  // Code page 932 here, on Windows as well (the tests run with it).
  EXPECT_NE(AnsiNormalForm::System(), nullptr);
}

}  // namespace
