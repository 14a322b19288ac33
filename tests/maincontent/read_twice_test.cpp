// A page whose main content is chosen can be read twice, the choice made on
// the first reading, instead of being kept meanwhile: that gives the same
// text and the same count of characters the output cannot hold, for every
// page, in pieces of any size, as code page bytes and by way of UTF-8. The
// input is read again only when the choice needs it, and a second reading
// that cannot start, or that gives other text, fails the conversion.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/support/convert_string.h"
#include "tests/support/converter_options.h"
#include "tests/support/source_file.h"

namespace {

const testing_support::Settings kMain = testing_support::MainContentSettings();

struct Result {
  std::string text;
  std::size_t lost = 0;
  bool operator==(const Result&) const = default;
  friend void PrintTo(const Result& r, std::ostream* os) {
    *os << r.lost << " lost, " << testing::PrintToString(r.text);
  }
};

Result Convert(const clsQuillmere& q, const std::string& page, bool twice, std::size_t most,
               bool through_utf8) {
  Result r;
  std::mt19937 rng(static_cast<unsigned>(page.size()));
  testing_support::Rereading again;
  r.text = testing_support::ConvertString(
               q, page, [&] { return std::size_t(1) + rng() % most; },
               {platform::Encoding::kAnsi, platform::Encoding::kAnsi, through_utf8}, &r.lost,
               twice ? &again : nullptr)
               .value_or("(failed)");
  return r;
}

// In reads of up to `most` bytes, and of up to 7 (a short page).
void ExpectSameReadTwice(const std::string& name, const std::string& page,
                         std::size_t most = 5000) {
  const testing_support::Settings option_sets[] = {
      kMain,
      // Links, ruby, tables and wrapping: what the layout reads of the tags
      // held for the elements around what is kept.
      testing_support::MainContentSettings(
          {{u"LINKS", u"1"}, {u"TABLE", u"1"}, {u"RUBY", u"1"}, {u"WIDTH", u"40"}}),
      // Links written where they stand (the layout keeps the tag as written),
      // and tags read the classic way.
      {{u"SCRIPT", u"1"}, {u"BLOCK", u"1"}, {u"MAIN", u"1"}, {u"A_LINK_TAG_TYPE", u"0"}},
      {{u"ENTITY", u"1"}, {u"BLOCK", u"1"}, {u"MAIN", u"1"}}};
  for (const auto& options : option_sets) {
    const clsQuillmere q = testing_support::ConverterWith(options);
    for (const bool through_utf8 : {false, true}) {
      for (const std::size_t reads : {std::size_t(7), most}) {
        if (reads == 7 && page.size() > 64 * 1024) continue;  // (too slow a page)
        EXPECT_EQ(Convert(q, page, true, reads, through_utf8),
                  Convert(q, page, false, reads, through_utf8))
            << name << (through_utf8 ? ", by way of UTF-8" : "") << ", reads of up to " << reads;
      }
    }
  }
}

// Pages that reach each part of the second reading: what it is asked on
// the way (spaces in pre, hidden elements the first reading captured) must
// be answered as on the first.
TEST(ReadTwice, PagesGiveWhatThePageKeptGives) {
  std::string story;
  for (int k = 0; k < 40; ++k) story += "本文の文章がここに続きます。";
  std::string long_page = "<title>長い記事 - サイト</title><body><nav>";
  for (int k = 0; k < 50; ++k) long_page += "<a href=\"/n" + std::to_string(k) + "\">項目</a> ";
  long_page += "</nav><article><h1>長い記事</h1>";
  // Past the first 256 KiB (read ahead on a thread) and the recorder's
  // thread's start.
  while (long_page.size() < 600 * 1024)
    long_page += "<p class=\"body\">" + story + "<a href=\"/x\">続き</a></p>";
  long_page += "</article><footer>著作権</footer></body>";
  const struct {
    const char* name;
    std::string page;
    std::size_t most = 5000;
  } cases[] = {
      {"an article among links",
       "<title>記事の題 | サイト</title><div class=\"menu\"><a href=\"/\">ホーム</a> <a "
       "href=\"/a\">一覧</a></div><article><h2>見出し</h2><p>" +
           story + "</p><p>" + story + "</p></article><div class=\"footer\">&copy; サイト</div>"},
      {"pre and spaces",
       "<div id=\"content\"><pre>  一行目\n    二行目  </pre><p>  空白の  多い   " + story +
           "</p><textarea>  a\n b </textarea></div><div class=\"sidebar\"><p>広告</p></div>"},
      {"title and JSON-LD",
       "<head><title>題</title><script type=\"application/ld+json\">{\"@type\":\"Article\","
       "\"headline\":\"題\",\"articleBody\":\"" +
           story + story +
           "\"}</script></head><body><p>短い</p><p>本文</p><title>二つ目</title></body>"},
      {"kept inside a list, a table and a quote",
       "<ul class=\"list\" data-x=\"1\"><li value=\"3\"><blockquote><table><tr><td "
       "colspan=\"2\"><a href=\"/k\" name=\"n\"><p>" +
           story +
           "</p></a></td></tr></table></blockquote></li></ul><p class=\"comment\">コメント</p>"},
      {"hidden elements and references",
       "<div style=\"display:none\"><p>隠れた" + story +
           "</p></div><main><p hidden>隠れた</p><p>&amp;&lt;&#x1F600;&eacute;" + story +
           "</p><ruby>漢<rt>かん</rt></ruby></main>"},
      {"noscript fallback", "<body><div id=\"app\"></div><noscript><article><h1>記事</h1><p>" +
                                story + "</p><p>" + story + "</p></article></noscript></body>"},
      {"tags cut and unfinished",
       "<p>" + story + "<a href=\"/a\" title=\"x>y\">リンク</a><img alt="},
      {"a long page", long_page, std::size_t(1) << 20},
  };
  for (const auto& c : cases) ExpectSameReadTwice(c.name, c.page, c.most);
}

TEST(ReadTwice, TheCorporaGiveWhatThePageKeptGives) {
  const std::vector<std::string> files = testing_support::MainContentPages();
  for (const std::string& file : files)
    ExpectSameReadTwice(file, testing_support::ReadSourceFile(file));
  EXPECT_GT(files.size(), 8u);
}

TEST(ReadTwice, ReadsAgainOnlyForTheChoiceAndFailsWhenTheSecondReadingDiffers) {
  std::string page = "<title>題</title><div class=\"menu\"><a href=\"/\">ホーム</a></div><article>";
  while (page.size() < 600 * 1024) page += "<p>本文の文章がここに続きます。</p>";
  page += "</article>";
  std::string changed_character = page;
  changed_character[page.size() / 2 + 5] ^= 1;
  std::string longer = page + " ";
  std::string cut = page.substr(0, page.size() - 1);

  const clsQuillmere main_content = testing_support::ConverterWith(kMain);
  const clsQuillmere readable = testing_support::ConverterWith({{u"SCRIPT", u"1"}});
  const std::string fallback =
      "<div id=\"app\"></div><noscript><p>" + std::string(3000, 'x') + "</p></noscript>";
  const struct {
    const char* name;
    const clsQuillmere& converter;
    const std::string& first;
    const std::string& second;
    bool rewind_fails;
    bool ok;
    int rewinds;
  } rows[] = {
      {"the same page", main_content, page, page, false, true, 1},
      {"a byte changed", main_content, page, changed_character, false, false, 1},
      {"longer", main_content, page, longer, false, false, 1},
      {"shorter", main_content, page, cut, false, false, 1},
      {"the rewind failing", main_content, page, page, true, false, 1},
      {"no main content chosen", readable, page, changed_character, false, true, 0},
      {"the noscript text written instead", main_content, fallback, page, false, true, 0},
  };
  for (const auto& row : rows) {
    testing_support::Rereading again{row.second, row.rewind_fails};
    const bool ok =
        testing_support::ConvertString(
            row.converter, row.first, [] { return std::size_t(4096); }, {}, nullptr, &again)
            .has_value();
    EXPECT_EQ(ok, row.ok) << row.name;
    EXPECT_EQ(again.count, row.rewinds) << row.name;
  }
}

}  // namespace
