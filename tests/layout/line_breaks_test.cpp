// Unicode's line breaking algorithm against Unicode's own test file,
// LineBreakTest.txt of the version the classes are generated from (Debian's
// unicode-data package), and the classes of the characters Japanese text
// breaks around.
#include "layout/line_breaks.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "tests/support/source_file.h"

namespace {

using engine::Break;
using engine::BreakClass;

TEST(LineBreaks, EveryCaseOfUnicodesTestFile) {
  std::istringstream file(testing_support::ReadSourceFile(QUILLMERE_LINE_BREAK_TEST));
  int cases = 0, failed = 0;
  std::string first_failure;
  for (std::string line; std::getline(file, line);) {
    const std::string data = line.substr(0, line.find('#'));
    std::istringstream fields(data);
    std::u32string text;
    std::string expected;  // for each character: whether a line may break before it
    for (std::string field; fields >> field;) {
      if (field == "\xC3\xB7")  // ÷
        expected += '1';
      else if (field == "\xC3\x97")  // ×
        expected += '0';
      else
        text += static_cast<char32_t>(std::stoul(field, nullptr, 16));
    }
    if (text.empty()) continue;
    ++cases;
    const std::vector<Break> breaks = engine::LineBreaks(text);
    std::string got;
    for (const Break b : breaks) got += b == Break::kNone ? '0' : '1';
    expected.pop_back();  // after the last character a line always breaks
    if (got != expected) {
      ++failed;
      if (first_failure.empty()) first_failure = line + "\n  got " + got;
    }
  }
  EXPECT_GT(cases, 7000);
  EXPECT_EQ(failed, 0) << first_failure;
}

// The classes the Japanese rules start from.
TEST(LineBreaks, ClassesOfJapaneseText) {
  const std::pair<char32_t, BreakClass> kCases[] = {
      {U'あ', BreakClass::ID}, {U'漢', BreakClass::ID},     {U'ぁ', BreakClass::NS},  // CJ as NS
      {U'ー', BreakClass::NS}, {U'々', BreakClass::NS},     {U'、', BreakClass::CL},
      {U'。', BreakClass::CL}, {U'「', BreakClass::OP},     {U'」', BreakClass::CL},
      {U'（', BreakClass::OP}, {U'・', BreakClass::NS},     {U'！', BreakClass::EX},
      {U'ｱ', BreakClass::ID},  {U'a', BreakClass::AL},      {U'1', BreakClass::NU},
      {U' ', BreakClass::SP},  {U'\u0E01', BreakClass::AL}, {U'\u0E31', BreakClass::CM},
  };
  for (const auto& [c, klass] : kCases)
    EXPECT_EQ(static_cast<int>(engine::BreakPropertyOf(c).klass), static_cast<int>(klass))
        << static_cast<std::uint32_t>(c);
  EXPECT_TRUE(engine::BreakPropertyOf(U'（').wide);
  EXPECT_FALSE(engine::BreakPropertyOf(U'(').wide);
}

}  // namespace
