// The page as it is held for the main-content choice: every record read back
// as it was written, in memory or from a scratch file read in blocks of any
// size, or kept in memory when the scratch file refuses it.
#include "maincontent/page_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "html/elements.h"
#include "tests/support/memory_overflow.h"

namespace {

using Log = engine::maincontent::PageLog<char>;
using testing_support::MemoryOverflow;

// A record as a line of text, to compare.
std::string Line(const Log::Record& r) {
  std::string s;
  switch (r.kind) {
    case Log::Kind::kText:
      return "text " + std::string(r.text);
    case Log::Kind::kBlanks:
      s = "blanks";
      for (const char c : r.text)
        s += (c & Log::kBreakMark) ? " break" + std::to_string(c & ~Log::kBreakMark)
                                   : " space" + std::to_string(c);
      return s;
    case Log::Kind::kReference:
      return "reference " + std::to_string(r.first) + " " + std::to_string(r.second);
    default:
      s = (r.kind == Log::Kind::kStart ? "start "
           : r.kind == Log::Kind::kEnd ? "end "
                                       : "classic ") +
          std::to_string(r.tag->key) + (r.tag->end ? " /" : "") +
          (r.tag->self_closing ? " self" : "") + " raw=" + std::string(r.tag->raw) +
          (r.tag->raw_cut ? "..." : "");
      for (const auto& a : r.tag->attributes())
        s += " " + std::to_string(a.key) + "=" + a.value + (a.cut ? "..." : "");
      return s;
  }
}

// Writes a page of `count` rounds of every kind of record; returns the
// lines they should read back as.
std::vector<std::string> Write(Log& log, int count) {
  std::vector<std::string> lines;
  engine::HtmlTag<char> tag;
  tag.key = engine::html::NameKey("a");
  tag.slots.resize(3);
  tag.slots[0].key = engine::html::NameKey("href");
  tag.slots[0].value = "https://example.com/?a=1&amp;b=2";
  tag.slots[1].key = engine::html::NameKey("class");
  tag.slots[1].value = "dropped";
  tag.slots[2].key = engine::html::NameKey("title");
  tag.slots[2].value = std::string(300, 'v');
  tag.slots[2].cut = true;
  tag.count = 3;
  tag.raw = "<a href=...>";
  const auto keeps = [](std::uint64_t key) { return key != engine::html::NameKey("class"); };
  for (int i = 0; i < count; ++i) {
    // Names of elements and attributes numbered as they come, past the most
    // that are (300 and 40 of them, the first 255 numbered).
    tag.key = engine::html::NameKey("e" + std::to_string(i % 300));
    tag.slots[0].key = engine::html::NameKey("h" + std::to_string(i % 40));
    const std::string text = "run " + std::to_string(i) + std::string(i % 50, 'x');
    log.Text(text);
    lines.push_back("text " + text);
    log.Space(' ');
    log.Break('\r');
    log.Break('\n');
    log.Space('\t');  // (after the run's first blank: nothing to the layout)
    lines.push_back("blanks space32 break13 break10");
    log.Reference(0x3042, i % 2 ? 0x309A : 0);
    lines.push_back("reference 12354 " + std::to_string(i % 2 ? 0x309A : 0));
    tag.end = false;
    tag.self_closing = i % 3 == 0;
    tag.raw_cut = i % 5 == 0;
    log.Tag(Log::Kind::kStart, tag, i % 2 == 0, keeps);
    lines.push_back("start " + std::to_string(tag.key) + (tag.self_closing ? " self" : "") +
                    " raw=" + (i % 2 == 0 ? std::string(tag.raw) : "") +
                    (tag.raw_cut ? "..." : "") + " " + std::to_string(tag.slots[0].key) + "=" +
                    tag.slots[0].value + " " + std::to_string(tag.slots[2].key) + "=" +
                    tag.slots[2].value + "...");
    tag.end = true;
    log.Tag(Log::Kind::kEnd, tag, false, [](std::uint64_t) { return false; });
    lines.push_back("end " + std::to_string(tag.key) + " /" + (tag.self_closing ? " self" : "") +
                    " raw=" + (tag.raw_cut ? "..." : ""));
    // A tag read the classic way, its raw text and no attribute.
    tag.end = false;
    log.Tag(Log::Kind::kClassic, tag, true, [](std::uint64_t) { return false; });
    lines.push_back("classic " + std::to_string(tag.key) + (tag.self_closing ? " self" : "") +
                    " raw=" + std::string(tag.raw) + (tag.raw_cut ? "..." : ""));
  }
  return lines;
}

TEST(PageLog, ReadsBackWhatWasWritten) {
  struct Case {
    int rounds;
    std::size_t block;  // of the scratch file's reads; 0: no scratch file
    bool refuses;
  };
  const Case cases[] = {{3, 0, false},     {20000, 0, false},    {20000, 1, false},
                        {20000, 7, false}, {20000, 4096, false}, {20000, 65536, false},
                        {20000, 7, true}};
  for (const Case& c : cases) {
    MemoryOverflow spill(c.block ? c.block : 4096, c.refuses);
    Log log(c.block ? &spill : nullptr);
    const std::vector<std::string> lines = Write(log, c.rounds);
    EXPECT_EQ(spill.appended(), c.block != 0 && !c.refuses && log.Held() < lines.size() * 40)
        << c.rounds << " " << c.block;
    std::vector<std::string> read;
    int blocks = 0;
    log.Replay([&](const Log::Record& r) { read.push_back(Line(r)); }, [&] { ++blocks; });
    ASSERT_EQ(read.size(), lines.size()) << c.rounds << " " << c.block;
    for (std::size_t k = 0; k < lines.size(); ++k)
      ASSERT_EQ(read[k], lines[k]) << k << " of " << c.rounds << " in blocks of " << c.block;
    EXPECT_EQ(blocks > 0, spill.appended());
    EXPECT_EQ(log.Held(), 0u);
  }
}

// A run of line breaks past the count a record holds goes on in the next;
// of a run's spaces only one that begins it is kept.
TEST(PageLog, LongRunsOfBlanks) {
  struct Case {
    int spaces_first, breaks, spaces_after;
    std::size_t spaces, records;
  };
  const Case cases[] = {{70000, 1, 0, 1, 1}, {0, 70000, 3, 0, 2}, {2, 70000, 2, 1, 2}};
  for (const Case& c : cases) {
    Log log(nullptr);
    for (int i = 0; i < c.spaces_first; ++i) log.Space(' ');
    for (int i = 0; i < c.breaks; ++i) log.Break('\n');
    for (int i = 0; i < c.spaces_after; ++i) log.Space('\t');
    std::size_t spaces = 0, breaks = 0, records = 0;
    log.Replay(
        [&](const Log::Record& r) {
          ++records;
          for (const char ch : r.text) (ch & Log::kBreakMark ? breaks : spaces)++;
        },
        {});
    EXPECT_EQ(spaces, c.spaces) << c.spaces_first << " " << c.breaks;
    EXPECT_EQ(breaks, std::size_t(c.breaks)) << c.spaces_first << " " << c.breaks;
    EXPECT_EQ(records, c.records) << c.spaces_first << " " << c.breaks;
  }
}

}  // namespace
