// What bounds the readable text's tables and link references: a table past
// 1,000 rows or a MiB of text goes on as tab-separated rows; the list of
// links past a MiB is kept in the session's scratch file and read back at
// the end. And the widths a grid's columns are measured in.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/clsQuillmere.h"
#include "layout/character_widths.h"
#include "platform/codepage.h"
#include "tests/support/converter_options.h"
#include "tests/support/memory_overflow.h"
#include "tests/support/readable_text.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::ConverterWith;
using testing_support::Show;

// A character takes its bytes in Shift_JIS where code page 932 holds it,
// else 2 for the wide classes, 0 for combining marks, else 1.
TEST(CharacterWidths, AsAJapaneseMonospaceFontDrawsThem) {
  struct Row {
    char32_t c;
    std::size_t columns;
  };
  const Row rows[] = {
      {U'a', 1},      {U'\u3042', 2},     {U'\u6F22', 2},     {U'\uFF71', 1},  // a, あ, 漢, ｱ
      {U'\u03B1', 2}, {U'\u2026', 2},     {U'\u00A7', 2},                      // α … § (cp932)
      {U'\u00E9', 1}, {U'\u0301', 0},     {U'\u20DD', 0},                      // é, combining
      {U'\uAC00', 2}, {U'\U0001F600', 2}, {U'\U00020000', 2}, {U'\u4DBF', 2},  // 가 😀
  };
  for (const Row& r : rows)
    EXPECT_EQ(engine::ColumnsOf(r.c), r.columns) << std::hex << static_cast<unsigned>(r.c);
  EXPECT_EQ(engine::ColumnsOf(std::u16string_view(u"e\u0301\U0001F600\u3042"), nullptr), 5u);
  EXPECT_EQ(engine::ColumnsOf(platform::EncodeUtf8(u"e\u0301\U0001F600\u3042"), nullptr), 5u);
  std::array<bool, 256> leads{};
  for (int b = 0; b < 256; ++b) leads[b] = platform::IsCp932LeadByte(static_cast<unsigned char>(b));
  EXPECT_EQ(engine::ColumnsOf(platform::EncodeCp932(u"\u3042\uFF71a"), &leads), 4u);
}

// A byte session's conversion of `input` in pieces of `piece` bytes, with a
// scratch file in memory for long tags and one for the list of links.
using testing_support::MemoryOverflow;

std::string Convert(const clsQuillmere& q, const std::string& input, std::size_t piece,
                    MemoryOverflow* links, std::size_t* most_out = nullptr) {
  const testing_support::Utf8Codec utf8;
  MemoryOverflow tags;
  clsQuillmere::ByteSession session(q, utf8, &tags, links);
  std::string text, out;
  std::size_t most = 0;
  for (std::size_t at = 0; at < input.size(); at += piece) {
    session.Feed(std::string_view(input).substr(at, piece), out);
    most = std::max(most, out.size());
    text += out;
    out.clear();
  }
  session.Finish(out, [&](std::string& so_far) {
    most = std::max(most, so_far.size());
    text += so_far;
    so_far.clear();
  });
  text += out;
  if (most_out) *most_out = most;
  return text;
}

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t from = 0;;) {
    const std::size_t cr = text.find("\r\n", from);
    lines.push_back(text.substr(from, cr - from));
    if (cr == std::string::npos) return lines;
    from = cr + 2;
  }
}

// Past 1,000 rows the grid so far is written, and the rows go on as the
// browser's tab-separated ones.
TEST(TableBounds, PastAThousandRowsRowsGoOnTabSeparated) {
  const clsQuillmere q = ConverterWith({{u"BLOCK", u"1"}, {u"TABLE", u"1"}, {u"SCRIPT", u"1"}});
  std::string input = "<table>";
  for (int r = 0; r < 1500; ++r)
    input += "<tr><td>r" + std::to_string(r) + "<td>x" + std::string(r % 7, 'y');
  input += "</table>end";
  const std::vector<std::string> lines = LinesOf(Convert(q, input, 4096, nullptr));
  ASSERT_GE(lines.size(), 1502u);
  EXPECT_EQ(lines[0], "r0     x");
  EXPECT_EQ(lines[999], "r999   xyyyyy");
  // The row that went past: its first cell in the grid, the rest after a tab.
  EXPECT_EQ(lines[1000], "r1000\txyyyyyy");
  EXPECT_EQ(lines[1001], "r1001\tx");
  EXPECT_EQ(lines.back(), "end");
}

// A cell past a MiB: what is gathered is written, and the text goes on.
TEST(TableBounds, ACellPastAMebibyteIsWrittenAsItStands) {
  const clsQuillmere q = ConverterWith({{u"TABLE", u"1"}, {u"SCRIPT", u"1"}});
  const std::string word = "word ";
  std::string input = "<table><tr><td>a<td>";
  for (int k = 0; k < 600000; ++k) input += word;
  input += "<td>b</table>";
  std::size_t most = 0;
  const std::string text = Convert(q, input, 1 << 16, nullptr, &most);
  std::size_t words = 0;
  for (std::size_t at = text.find("word"); at != std::string::npos; at = text.find("word", at + 4))
    ++words;
  EXPECT_EQ(words, 600000u);
  EXPECT_LT(most, 3u << 20);  // no more than the cell's bound and a piece
  EXPECT_EQ(text.substr(0, 8), "a  word ");
  EXPECT_EQ(text.substr(text.size() - 7), "word \tb");
}

// The list of links past a MiB goes to the scratch file and is read back
// whole, in order, a block at a time.
TEST(LinkBounds, TheListPastAMebibyteIsKeptInTheScratchFile) {
  const clsQuillmere q = ConverterWith({{u"LINKS", u"1"}, {u"SCRIPT", u"1"}});
  std::string input;
  const int kLinks = 60000;
  for (int k = 0; k < kLinks; ++k)
    input += "<a href='http://example.com/page" + std::to_string(k % 50000) + ".html'>p</a> ";
  MemoryOverflow links;
  std::size_t most = 0;
  const std::string text = Convert(q, input, 1 << 16, &links, &most);
  EXPECT_TRUE(links.appended());
  const std::vector<std::string> lines = LinesOf(text);
  ASSERT_EQ(lines.size(), 1u + 2 + 50000);
  EXPECT_EQ(lines[0].substr(0, 12), "p[1] p[2] p[");
  EXPECT_NE(lines[0].find(" p[50000] p[1] p[2] "), std::string::npos);
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], "\xE3\x83\xAA\xE3\x83\xB3\xE3\x82\xAF");  // リンク
  EXPECT_EQ(lines[3], "[1] http://example.com/page0.html");
  EXPECT_EQ(lines.back(), "[50000] http://example.com/page49999.html");
  EXPECT_LT(most, 2u << 20);
  // The same in pieces of a few bytes.
  MemoryOverflow again;
  EXPECT_EQ(Convert(q, input.substr(0, 20000), 7, &again),
            Convert(q, input.substr(0, 20000), 1 << 20, nullptr));
}

}  // namespace
