// Upper case as the platform maps it; on Windows the platform's own, held to
// the table the native build takes from it.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <string>

#include "platform/upper_case.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::Show;

TEST(UpperCase, EveryScriptWithCases) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"abc xyz 123", u"ABC XYZ 123"},
      {u"ｐｕｂ", u"ＰＵＢ"},
      {u"сервер", u"СЕРВЕР"},
      {u"αβγ", u"ΑΒΓ"},
      {u"éçñ", u"ÉÇÑ"},
      {u"ß", u"ß"},  // no upper-case unit of its own
      {u"日本語かな", u"日本語かな"},
      {u"", u""},
  };
  for (const auto& [text, upper] : cases) EXPECT_EQ(Show(platform::UpperCase(text)), Show(upper));
}

#ifdef _WIN32
namespace table {
#include "platform/upper_case_table.inc"
}

// The table the native build uses, unit by unit against the platform.
TEST(UpperCaseAgainstPlatform, TheTableIsThePlatformsOwn) {
  std::u16string expected(0x10000, u'\0');
  for (unsigned u = 0; u < 0x10000; ++u) expected[u] = static_cast<char16_t>(u);
  for (const auto& entry : table::kUpperCase) expected[entry.unit] = entry.upper;
  for (unsigned u = 1; u < 0x10000; ++u) {
    if (u >= 0xD800 && u <= 0xDFFF) continue;
    const std::u16string one(1, static_cast<char16_t>(u));
    ASSERT_EQ(platform::UpperCase(one)[0], expected[u]) << u;
  }
}
#endif

}  // namespace
