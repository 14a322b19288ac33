// The main-content choice measured on a thread of its own gives what it
// gives measured in place: the same text and the same count of characters
// the output cannot hold, whenever the thread starts and however small the
// batches it is handed; and a page left unfinished stops the thread.
#include "maincontent/recorder_thread.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>
#include <vector>

#include "engine/readable_scan.h"
#include "platform/codepage.h"
#include "tests/support/convert_string.h"
#include "tests/support/converter_options.h"
#include "tests/support/readable_text.h"
#include "tests/support/source_file.h"

namespace {

using engine::maincontent::RecorderThreading;

class RecorderThreadTest : public testing::Test {
 protected:
  void TearDown() override { engine::maincontent::SetRecorderThreading(before_); }

  // The text and the characters lost, converted from Shift_JIS in pieces.
  struct Result {
    std::string text;
    std::size_t lost = 0;
    bool operator==(const Result&) const = default;
    friend void PrintTo(const Result& r, std::ostream* os) {
      *os << r.lost << " lost, " << testing::PrintToString(r.text);
    }
  };
  static Result Convert(const clsQuillmere& q, const std::string& page,
                        const RecorderThreading& threading) {
    engine::maincontent::SetRecorderThreading(threading);
    Result r;
    std::mt19937 rng(static_cast<unsigned>(page.size()));
    r.text = testing_support::ConvertString(
                 q, page, [&] { return std::size_t(1) + rng() % 5000; }, {}, &r.lost)
                 .value_or("(failed)");
    return r;
  }

  void ExpectSameThreaded(const std::string& name, const std::string& page) {
    const RecorderThreading in_place{std::numeric_limits<std::size_t>::max(), 1 << 16};
    // The readable text; with links and ruby; tags read the classic way.
    const testing_support::Settings option_sets[] = {
        testing_support::MainContentSettings(),
        testing_support::MainContentSettings({{u"LINKS", u"1"}, {u"RUBY", u"1"}}),
        {{u"ENTITY", u"1"}, {u"BLOCK", u"1"}, {u"MAIN", u"1"}}};
    for (const auto& options : option_sets) {
      const clsQuillmere q = testing_support::ConverterWith(options);
      const Result expected = Convert(q, page, in_place);
      // From the first unit in batches of one, of a few, and part-way.
      for (const RecorderThreading threading :
           {RecorderThreading{0, 1}, RecorderThreading{0, 7}, RecorderThreading{50, 64}}) {
        EXPECT_EQ(Convert(q, page, threading), expected)
            << name << ", thread after " << threading.thread_after << ", batches of "
            << threading.batch_text;
      }
    }
  }

  const RecorderThreading before_ = engine::maincontent::RecorderThreadingNow();
};

// What the recorder is asked while the page is read, and answers only
// later on the thread: which title is the document's, which scripts are
// JSON-LD, and which references to characters the output cannot hold are
// counted (those of a title read, not those of one passed over).
TEST_F(RecorderThreadTest, PagesGiveTheSameAsMeasuredInPlace) {
  const std::string story =
      "<p>The river rose through the night, and by morning the lower town was under water. "
      "Residents who had stayed moved to the upper floors.</p>"
      "<p>\x90\xec\x82\xcc\x90\x85\x88\xca\x82\xaa\x8f\xe3\x82\xaa\x82\xe8\x81\x41"
      "\x92\xa9\x82\xc9\x82\xcd\x89\xba\x92\xac\x82\xaa\x90\x85\x82\xc9\x82\xc2\x82\xa9"
      "\x82\xc1\x82\xbd\x81\x42 &amp; &#x1F600; more text here.</p>";
  const std::string nav = "<nav><ul><li><a href=/>Home</a><li><a href=/news>News</a></ul></nav>";
  struct Case {
    const char* name;
    std::string page;
  };
  const Case cases[] = {
      {"title",
       "<title>Flood &#x1F600; | Courier</title>" + nav + "<article>" + story + "</article>"},
      {"a second title, passed over", "<title>First</title><title>Second &#x1F601;</title>" + nav +
                                          "<article>" + story + "</article>"},
      {"an empty title, then one read",
       "<title></title><title>Second &#x1F601;</title><main>" + story + "</main>"},
      {"a title deep in the page",
       "<body><div><div><title>Deep &#x1F602;</title></div></div><main>" + story + "</main>"},
      {"JSON-LD",
       "<script type=\"application/ld+json\">{\"@type\":\"Article\",\"articleBody\":"
       "\"Only here &#x1F600; \\u00e9 the body runs on long enough to count for "
       "something more than the page.\"}</script>"
       "<script type=APPLICATION/LD+JSON>{\"description\":\"Second\"}</script>" +
           nav + "<div>" + story + "</div>"},
      {"meta",
       "<meta property=og:title content=\"OG &#x1F600; title\"><meta name=description "
       "content=\"The river rose through the night\">" +
           nav + "<h1>Head &#x1F603;</h1><h2>Sub</h2>" + story},
      {"noscript",
       "<body><div id=app></div><noscript>" + story + story + story + "</noscript></body>"},
      {"many blocks",
       [&] {
         std::string page = nav;
         for (int k = 0; k < 300; ++k)
           page += "<div class=\"item c" + std::to_string(k % 7) + "\"><a href=#" +
                   std::to_string(k) + ">link " + std::to_string(k) + "</a> " + story + "</div>";
         return page;
       }()},
  };
  for (const Case& c : cases) ExpectSameThreaded(c.name, c.page);
}

TEST_F(RecorderThreadTest, TheCorporaGiveTheSameAsMeasuredInPlace) {
  const std::vector<std::string> files = testing_support::MainContentPages();
  for (const std::string& file : files)
    ExpectSameThreaded(file, testing_support::ReadSourceFile(file));
  EXPECT_GT(files.size(), 8u);
}

// A conversion given up part-way (cancelled, or its output failing) ends
// its session with the thread still reading: it stops, and nothing hangs.
TEST_F(RecorderThreadTest, APageLeftUnfinishedStopsTheThread) {
  engine::maincontent::SetRecorderThreading({0, 3});
  const clsQuillmere q = testing_support::ConverterWith(testing_support::MainContentSettings());
  const testing_support::Utf8Codec utf8;
  std::string page = "<title>t</title>";
  for (int k = 0; k < 2000; ++k) page += "<div class=x><p>Some words of text, and more.</p></div>";
  for (const std::size_t fed : {std::size_t(0), std::size_t(100), page.size() / 2}) {
    engine::ReadableScan<char> scan(testing_support::ScanOptionsOf(q), &utf8, nullptr, nullptr,
                                    "[i:", "[l:");
    std::string out;
    scan.Feed(std::string_view(page).substr(0, fed), out);
    EXPECT_TRUE(out.empty());
  }
}

}  // namespace
