// Every vector unit's kernels against the portable ones, on blocks made of
// the characters the scans act on, their neighbours, bytes above 0x7F and
// UTF-16 units whose low byte is one of them.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/vector_unit.h"
#include "text/scan.h"

namespace {

using engine::scan::kScanKernels;
using engine::scan::StopBits;
using platform::VectorUnit;

std::vector<VectorUnit> Units() {
  std::vector<VectorUnit> units;
  for (int u = 0; u <= static_cast<int>(platform::ProcessorVectorUnit()); ++u)
    units.push_back(static_cast<VectorUnit>(u));
  return units;
}

const char16_t kUnits[] = {u'<',    u'>',    u'&',    u'\r',  u'\n',  u' ',   u'\t',  u'\f',
                           u';',    u'a',    u'=',    u'"',   u'\'',  u'-',   u']',   u'\0',
                           u'\x7F', u'\x80', u'\xFF', 0x013C, 0x3C00, 0xFF1C, 0x0A0D, 0x2620,
                           0xFF3E,  0x3000,  0x8140,  0x00A0, 0x0126, 0xD800, 0xFFFF, 0x093B};

template <typename Char>
std::basic_string<Char> RandomText(std::mt19937& rng, std::size_t size) {
  std::basic_string<Char> text(size, Char('x'));
  // Runs of one kind and mixtures both: how dense the specials are varies.
  const unsigned density = rng() % 4;
  for (Char& c : text) {
    if (density == 0 || rng() % (density * 4) != 0) continue;
    const char16_t unit = kUnits[rng() % std::size(kUnits)];
    c = static_cast<Char>(sizeof(Char) == 1 ? (rng() % 5 == 0 ? 0x80 + rng() % 0x80 : unit & 0xFF)
                                            : unit);
  }
  return text;
}

bool operator==(const StopBits& a, const StopBits& b) {
  return a.stops == b.stops && a.ends == b.ends && a.spaces == b.spaces;
}

template <typename Char>
void CheckBlocks(VectorUnit unit) {
  std::mt19937 rng(64);
  const auto& kernels = *kScanKernels[static_cast<int>(unit)];
  for (int round = 0; round < 3000; ++round) {
    const auto text = RandomText<Char>(rng, 64);
    for (int spaces = 0; spaces < 2; ++spaces) {
      StopBits expected = spaces ? engine::scan::ScalarStops<true>(text.data(), 64)
                                 : engine::scan::ScalarStops<false>(text.data(), 64);
      StopBits got;
      if constexpr (sizeof(Char) == 1)
        got = kernels.stops_bytes[spaces](text.data());
      else
        got = kernels.stops_units[spaces](text.data());
      ASSERT_TRUE(got == expected) << "unit " << static_cast<int>(unit) << " round " << round;
    }
  }
}

template <typename Char>
void CheckSearches(VectorUnit unit) {
  std::mt19937 rng(16);
  const auto& kernels = *kScanKernels[static_cast<int>(unit)];
  const std::uint32_t kNeedleSets[] = {
      engine::scan::kNeedles<'<', '&', '\r', '\n'>, engine::scan::kNeedles<'>', '>', '>', '>'>,
      engine::scan::kNeedles<'-', '<', '>', '-'>, engine::scan::kNeedles<'\0', '\0', '\0', '\0'>,
      engine::scan::kNeedles<'"', '\'', '"', '\''>};
  for (int round = 0; round < 3000; ++round) {
    const auto text = RandomText<Char>(rng, rng() % 200);
    for (const std::uint32_t needles : kNeedleSets) {
      for (std::size_t from = 0; from <= text.size(); from += 1 + rng() % 40) {
        const std::size_t expected =
            engine::scan::ScalarFind(text.data() + from, text.size() - from, needles);
        const std::size_t got =
            sizeof(Char) == 1
                ? kernels.find_bytes(reinterpret_cast<const char*>(text.data()) + from,
                                     text.size() - from, needles)
                : kernels.find_units(reinterpret_cast<const char16_t*>(text.data()) + from,
                                     text.size() - from, needles);
        ASSERT_EQ(got, expected) << "unit " << static_cast<int>(unit) << " round " << round;
      }
    }
  }
}

TEST(ScanKernels, EveryUnitMarksBlocksAsThePortableCodeDoes) {
  for (const VectorUnit unit : Units()) {
    CheckBlocks<char>(unit);
    CheckBlocks<char16_t>(unit);
  }
}

TEST(ScanKernels, EveryUnitSearchesAsThePortableCodeDoes) {
  for (const VectorUnit unit : Units()) {
    CheckSearches<char>(unit);
    CheckSearches<char16_t>(unit);
  }
}

// Puts the unit in use back as it was, however the test ends.
class WithEveryUnit : public testing::Test {
 protected:
  void TearDown() override { platform::UseVectorUnit(before_); }
  const VectorUnit before_ = platform::ActiveVectorUnit();
};

// The searches the scans call, through the unit in use, at every start and
// every length near the blocks' edges.
TEST_F(WithEveryUnit, TheSearchesGiveTheSameUnderEveryUnit) {
  std::mt19937 rng(7);
  for (int round = 0; round < 300; ++round) {
    const std::string text = RandomText<char>(rng, 1 + rng() % 150);
    const std::u16string units = RandomText<char16_t>(rng, 1 + rng() % 150);
    std::vector<std::size_t> results;
    for (const VectorUnit unit : Units()) {
      platform::UseVectorUnit(unit);
      std::vector<std::size_t> these;
      for (std::size_t from = 0; from <= text.size(); ++from) {
        these.push_back(engine::scan::FindAny<'<', '&', '\r', ';'>(std::string_view(text), from));
        const StopBits bits = engine::scan::FindStops<true>(text.data(), from, text.size());
        these.insert(these.end(), {bits.stops, bits.ends, bits.spaces});
      }
      for (std::size_t from = 0; from <= units.size(); ++from) {
        these.push_back(
            engine::scan::FindAny<'>', '>', '-', '-'>(std::u16string_view(units), from));
        const StopBits bits = engine::scan::FindStops<false>(units.data(), from, units.size());
        these.insert(these.end(), {bits.stops, bits.ends});
      }
      if (unit == VectorUnit::kScalar)
        results = these;
      else
        ASSERT_EQ(these, results) << "unit " << static_cast<int>(unit) << " round " << round;
    }
  }
}

TEST_F(WithEveryUnit, AnEmptyTextHasNothingToFind) {
  for (const VectorUnit unit : Units()) {
    platform::UseVectorUnit(unit);
    EXPECT_EQ((engine::scan::FindAny<'<', '&', '<', '&'>(std::string_view(), 0)), 0u);
    EXPECT_EQ((engine::scan::FindAny<'>', '>', '>', '>'>(std::u16string_view(), 0)), 0u);
  }
}

TEST_F(WithEveryUnit, NoneIsTakenThatTheProcessorLacks) {
  EXPECT_EQ(platform::UseVectorUnit(VectorUnit::kAvx2), platform::ProcessorVectorUnit());
  EXPECT_EQ(platform::UseVectorUnit(VectorUnit::kScalar), VectorUnit::kScalar);
  EXPECT_EQ(platform::ActiveVectorUnit(), VectorUnit::kScalar);
#if defined(__x86_64__) || defined(_M_X64)
  EXPECT_GE(platform::ProcessorVectorUnit(), VectorUnit::kSse2);  // every x86-64 has it
#endif
}

}  // namespace
