// The conversion in pieces against the conversion of the whole text.
#include <gtest/gtest.h>

#include <new>
#include <random>
#include <system_error>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "conversion/piece_conversion.h"
#include "platform/codepage.h"
#include "tests/support/convert_string.h"
#include "tests/support/converter_options.h"
#include "tests/support/readable_text.h"
#include "tests/support/temp_dir.h"

namespace {

using conversion::ConvertPieces;
using testing_support::ConverterWith;
using testing_support::ConvertString;
using testing_support::ConvertStringAsText;
using testing_support::DecodeText;
using testing_support::PlainSpacesFor;
using testing_support::Settings;
using testing_support::Show;

// Converting the bytes in pieces, as Start and the batch converter do, gives
// byte for byte what converting the whole decoded text gives, encoded: also
// for bytes that decode strangely (lead bytes before mark-up, letters as
// trail bytes in image and link tags, characters the encoder writes
// differently, a NUL) and whatever the pieces the reader hands over.
// Random documents of up to `most` fragments, read in pieces of 1 to
// `longest` bytes, against the whole text.
void CheckRandomPieces(int rounds, int most, unsigned longest, unsigned seed) {
  // Mark-up, entities and line breaks; then Shift-JIS: 日本, characters
  // whose trail byte is "A", "I" or "a" (also inside image and link tags),
  // lone lead bytes, characters the encoder writes differently, an
  // unassigned pair, and single bytes above 0x7F.
  // clang-format off
  const std::vector<std::string> fragments = {
      "<", ">", "&", "amp;", "lt;", "gt;", "\r", "\n", "\r\n", " ", "'", "\"", "=", "#",
      "<a href='x.html'>", "<A HREF=\"#t\">", "<a name=n>", "</a>", "<img src=\"s\" alt=",
      "IMG ", "img ", "A ", "a ", "HREF=", "ALT=", "<br>", "<hr>", "</p>", "<p>",
      "\x93\xfa\x96\x7b", "\x83\x41", "\x83\x49", "\x82\x61 ", "\x83\x41 ",
      "<a href='\x83\x41 \x82\x61 x'>", "<img alt=\"\x83\x49MG \" src=\x83\x49MG >",
      "\x81", "\x9f", "\xe0", "\xfc", "\x87\x90", "\xed\x40", "\x85\x40",
      "\x80", "\xa0", "\xb1", "\xfd", "<script>", "</script>", "<!--", "-->", "<li>",
      "<div>", "<pre>", "</pre>", "&copy;", "&#x3042;", "&#x1F600;", "\t"};
  // clang-format on
  const std::vector<Settings> option_sets = {
      {{u"HR_NUM", u"3"}},
      {{u"HR_NUM", u"3"}, {u"A_LINK_TAG_TYPE", u"0"}},
      {{u"HR_NUM", u"3"}, {u"A_LINK_TAG_TYPE", u"2"}},
      {{u"HR_NUM", u"3"}, {u"ENTER", u"0"}},
      {{u"SCRIPT", u"1"}, {u"ENTITY", u"1"}, {u"SPACE", u"1"}, {u"BLOCK", u"1"}},
      {{u"ENTITY", u"1"}, {u"A_LINK_TAG_TYPE", u"0"}}};
  std::mt19937 random(seed);
  for (int round = 0; round < rounds; ++round) {
    std::string doc;
    for (int i = static_cast<int>(random() % static_cast<unsigned>(most)); i > 0; --i)
      doc += fragments[random() % fragments.size()];
    if (random() % 20 == 0) doc.insert(random() % (doc.size() + 1), 1, '\0');
    for (const Settings& changes : option_sets) {
      const clsQuillmere q = ConverterWith(changes);

      for (const bool as_text : {false, true}) {
        auto a_few = [&] { return static_cast<std::size_t>(1 + random() % longest); };
        const std::optional<std::string> out =
            as_text ? ConvertStringAsText(q, doc, a_few) : ConvertString(q, doc, a_few);
        ASSERT_TRUE(out.has_value());
        const std::string whole = platform::EncodeAnsi(q.Execute(DecodeText(doc)) + u"\r\n");
        ASSERT_EQ(*out, whole) << "input: " << Show(platform::DecodeAnsi(doc)) << " as text "
                               << as_text;
      }
    }
  }
}

TEST(ConvertPieces, GiveWhatTheWholeTextGives) {
  CheckRandomPieces(3000, 30, 7, 5);
}

// Pieces long enough for the scan's blocks of 64 bytes.
TEST(ConvertPieces, LongPiecesGiveWhatTheWholeTextGives) {
  CheckRandomPieces(300, 300, 300, 11);
}

// Every input encoding into every output encoding, in pieces of a few bytes
// that cut characters anywhere: byte for byte what decoding the whole input,
// converting and encoding give, with the same count of characters the output
// cannot hold. The documents mix mark-up with each encoding's characters and
// with what it reads as malformed.
TEST(ConvertPieces, EveryEncodingInPiecesGivesWhatTheWholeTextGives) {
  using platform::Encoding;
  // clang-format off
  const std::vector<std::string> markup = {
      "<", ">", "&", "amp;", "lt;", "\r\n", "\n", " ", "'", "=", "<a href='x.html'>", "</a>",
      "<img src=\"s\" alt=", "IMG ", "a ", "<br>", "<hr>", "</p>", "x", "&nbsp;", "&#x3000;",
      "&#x1F600;", "&eacute;", "<li>", "<script>", "</script>", "<!--", "-->"};
  struct Kind {
    Encoding encoding;
    std::vector<std::string> characters;
  };
  const Kind kinds[] = {
      {Encoding::kShiftJis, {"\x93\xfa\x96\x7b", "\x83\x41", "\xb1", "\x81", "\x85\x40", "\x80"}},
      {Encoding::kEucJp, {"\xc6\xfc\xcb\xdc", "\x8e\xb1", "\x8f\xb0\xa1", "\xa4", "\x8e", "\x8f",
                          "\xa9\xa1", "\xff"}},
      {Encoding::kUtf8, {"\xe6\x97\xa5", "\xf0\x9f\x98\x80", "\xc3\xa9", "\xed\x95\x9c", "\xe3\x81",
                         "\xc0", "\xed\xa0\x80", "\xf4\x90", "\xbf"}},
      {Encoding::kUtf16Le, {std::string("\xe5\x65", 2), std::string("\x3d\xd8\x00\xde", 4),
                            std::string("\x3d\xd8", 2), std::string("\x00\xde", 2), "\x41"}},
      {Encoding::kUtf16Be, {std::string("\x65\xe5", 2), std::string("\xd8\x3d\xde\x00", 4),
                            std::string("\xd8\x3d", 2), std::string("\xde\x00", 2), "\x41"}},
      {Encoding::kWindows1252, {"\xe9", "\x80", "\x81", "\xa5", "\x9f"}},
  };
  // clang-format on
  auto wide = [](const std::string& ascii, bool big_endian) {
    std::string out;
    for (const char c : ascii) out += big_endian ? std::string{'\0', c} : std::string{c, '\0'};
    return out;
  };
  const Encoding outputs[] = {Encoding::kAnsi, Encoding::kShiftJis, Encoding::kUtf8,
                              Encoding::kUtf16Le};
  const clsQuillmere classic = ConverterWith({{u"HR_NUM", u"3"}, {u"A_LINK_TAG_TYPE", u"2"}});
  const clsQuillmere readable = ConverterWith({{u"HR_NUM", u"3"},
                                               {u"A_LINK_TAG_TYPE", u"2"},
                                               {u"SCRIPT", u"1"},
                                               {u"ENTITY", u"1"},
                                               {u"SPACE", u"1"},
                                               {u"BLOCK", u"1"}});
  std::mt19937 random(14);
  for (const Kind& kind : kinds) {
    const bool utf16 = kind.encoding == Encoding::kUtf16Le || kind.encoding == Encoding::kUtf16Be;
    for (int round = 0; round < 400; ++round) {
      std::string doc;
      for (int i = static_cast<int>(random() % 40); i > 0; --i) {
        if (random() % 2)
          doc += kind.characters[random() % kind.characters.size()];
        else if (utf16)
          doc += wide(markup[random() % markup.size()], kind.encoding == Encoding::kUtf16Be);
        else
          doc += markup[random() % markup.size()];
      }
      if (random() % 10 == 0) doc.insert(random() % (doc.size() + 1), utf16 ? 2 : 1, '\0');
      // The readable text of every other document whose own characters
      // include no space but U+0020 (see PlainSpacesFor).
      const std::u16string decoded = DecodeText(doc, kind.encoding);
      const clsQuillmere& q =
          round % 2 && !testing_support::HasOtherSpaces(decoded) ? readable : classic;
      const std::u16string text = q.Execute(decoded) + u"\r\n";
      for (const Encoding output : outputs) {
        std::string whole;
        const std::size_t whole_lost = platform::EncodeAppend(
            output, &q == &readable ? PlainSpacesFor(text, output) : text, whole);
        for (const bool through_utf8 : {false, true}) {
          std::size_t lost = 0;
          auto a_few = [&] { return static_cast<std::size_t>(1 + random() % 7); };
          const std::optional<std::string> out =
              ConvertString(q, doc, a_few, {kind.encoding, output, through_utf8}, &lost);
          ASSERT_TRUE(out.has_value());
          ASSERT_EQ(*out, whole) << testing::PrintToString(doc) << " from "
                                 << static_cast<int>(kind.encoding) << " to "
                                 << static_cast<int>(output);
          ASSERT_EQ(lost, whole_lost) << testing::PrintToString(doc);
        }
      }
    }
  }
}

// What decoded references give that the output cannot hold: a space for a
// no-break or ideographic space, and otherwise what the encoder writes
// (here "??" for the two units of an emoji), counted among those lost. The labels the conversion
// adds are not counted.
TEST(ConvertPieces, ReferencesTheOutputCannotHoldAreSpacesOrCountedLost) {
  using platform::Encoding;
  struct Row {
    std::string input;
    conversion::PieceEncodings encodings;
    std::string expected;
    std::size_t lost;
  };
  const Row rows[] = {
      {"a&nbsp;b&#x1F600;<img src=x>", {}, "a b??[\x83\x43\x83\x81\x81\x5b\x83\x57::]\r\n", 1},
      {"a&nbsp;b&#x1F600;", {Encoding::kAnsi, Encoding::kAnsi, true}, "a b??\r\n", 1},
      {"a&nbsp;b", {Encoding::kUtf8, Encoding::kShiftJis}, "a b\r\n", 0},
      {"a&nbsp;b&#x3000;",
       {Encoding::kUtf8, Encoding::kUtf8},
       "a\xc2\xa0"
       "b\xe3\x80\x80\r\n",
       0},
      {"a&nbsp;b&#x1F600;", {Encoding::kUtf8, Encoding::kAnsi}, "a b??\r\n", 1},
  };
  const clsQuillmere q = ConverterWith({{u"ENTITY", u"1"}});
  for (const Row& row : rows) {
    std::size_t lost = 99;
    const std::optional<std::string> out = ConvertString(
        q, row.input, [] { return SIZE_MAX; }, row.encodings, &lost);
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(testing::PrintToString(*out), testing::PrintToString(row.expected)) << row.input;
    EXPECT_EQ(lost, row.lost) << row.input;
  }
}

// A style's value is only looked at: its references are decoded to tell
// whether it hides, but one the output cannot hold is not counted among the
// characters lost, nor read as the encoder's nearest character ("non&#xE9;"
// is no "none", as browsers read it); with the main content too.
TEST(ConvertPieces, ReferencesInAStyleAreNotCountedLost) {
  struct Row {
    std::string input;
    std::string expected;
    std::size_t lost;
  };
  const Row rows[] = {
      {"<p style=\"font-family:&#x1F600;\">a</p>", "a\r\n\r\n", 0},
      {"<p style=\"display:non&#xE9;\">a</p>b", "a\r\nb\r\n", 0},
      {"<p style=\"display:&#x6E;one\">a</p>b", "b\r\n", 0},
      {"<p style=\"display:none&#x1F600;\">a</p>&#x1F600;", "a\r\n??\r\n", 1},
  };
  const clsQuillmere q = ConverterWith({{u"SCRIPT", u"1"}, {u"ENTITY", u"1"}});
  const clsQuillmere main = ConverterWith({{u"SCRIPT", u"1"}, {u"ENTITY", u"1"}, {u"MAIN", u"1"}});
  for (const clsQuillmere* converter : {&q, &main}) {
    for (const Row& row : rows) {
      std::size_t lost = 99;
      const std::optional<std::string> out = ConvertString(
          *converter, row.input, [] { return SIZE_MAX; }, {}, &lost);
      ASSERT_TRUE(out.has_value());
      EXPECT_EQ(testing::PrintToString(*out), testing::PrintToString(row.expected)) << row.input;
      EXPECT_EQ(lost, row.lost) << row.input;
    }
  }
  // Nor is a page's description, which the main content's choice reads.
  std::size_t lost = 99;
  const std::optional<std::string> out = ConvertString(
      main, "<meta name=\"description\" content=\"&#x1F600; a\"><p>a</p>", [] { return SIZE_MAX; },
      {}, &lost);
  ASSERT_TRUE(out.has_value());
  EXPECT_EQ(testing::PrintToString(*out), testing::PrintToString(std::string("a\r\n\r\n")));
  EXPECT_EQ(lost, 0u);
}

// With MAIN, what the choice only reads (the document's title, the og:title,
// the JSON-LD's text, the headings, the separators of a site's name) counts
// among the characters lost only where it is written, once.
TEST(ConvertPieces, WhatTheMainContentOnlyReadsIsNotCountedLost) {
  const std::string article =
      "<p>The river rose through the night, and by morning the lower town was under water. "
      "Residents who had stayed moved to the upper floors, waiting for the boats.</p>"
      "<p>Rescue crews worked from first light, carrying families across the flooded square. "
      "Nobody was hurt, the mayor said, though the damage will take months to repair.</p>"
      "<p>Engineers blamed the old levee, which had been patched many times since it was "
      "built. A new wall has been planned for years, but the money was never found.</p>";
  const std::string header =
      "<header><a href=\"/\">Daily Courier</a><nav><ul><li><a href=\"/news\">News</a>"
      "<li><a href=\"/sport\">Sport</a><li><a href=\"/weather\">Weather</a></ul></nav></header>";
  const std::string footer =
      "<footer><ul><li><a href=\"/about\">About us</a><li><a href=\"/jobs\">Jobs</a></ul>"
      "<p>Copyright 2026 Daily Courier.</p></footer>";
  // (Twice the article's length and more, which it does not repeat: written
  // after it.)
  std::string json_body;
  for (int k = 0; k < 16; ++k)
    json_body += "Caf\\u00e9 owners along the river counted their losses as the water fell. ";
  auto page = [&](const std::string& head, const std::string& inside) {
    return head + header + "<main><article>" + inside + "</article></main>" + footer;
  };
  struct Row {
    const char* name;
    std::string input;
    std::string opens;  // the output's first line
    std::size_t lost;
  };
  const Row rows[] = {
      {"the site's name cut from the title",
       page("<title>Flood waters rise | Courier &#x1F600;</title>", article), "Flood waters rise",
       0},
      {"the title written", page("<title>Flood &#x1F600; rises | Courier</title>", article),
       "Flood ?? rises", 1},
      {"a heading for the title",
       page("<title>Flood &#x1F600; rises | Courier</title>",
            "<h1>Flood &#x1F600; rises</h1>" + article),
       "Flood ?? rises", 1},
      {"the og:title written",
       page("<meta property=og:title content=\"Flood &#x1F600; rises\"><title>Courier</title>",
            article),
       "Flood ?? rises", 1},
      {"the JSON-LD's text written",
       page("<script type=application/ld+json>{\"articleBody\":\"" + json_body +
                "\"}</script><title>Flood waters rise | Courier</title>",
            article),
       "Flood waters rise", 16},
      {"the JSON-LD's text unwritten",
       page("<script type=application/ld+json>{\"description\":\"Caf\\u00e9\"}</script>"
            "<title>Flood waters rise | Courier</title>",
            article),
       "Flood waters rise", 0},
      {"the whole page, its title unwritten", "<title>Flood &#x1F600;</title><p>a</p>", "a", 0},
  };
  const clsQuillmere main = ConverterWith({{u"SCRIPT", u"1"},
                                           {u"ENTITY", u"1"},
                                           {u"SPACE", u"1"},
                                           {u"BLOCK", u"1"},
                                           {u"AHREF", u"0"},
                                           {u"MAIN", u"1"}});
  for (const Row& row : rows) {
    std::size_t lost = 99;
    const std::optional<std::string> out = ConvertString(
        main, row.input, [] { return SIZE_MAX; }, {}, &lost);
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(out->substr(0, out->find('\r')), row.opens) << row.name << "\n" << *out;
    EXPECT_EQ(lost, row.lost) << row.name;
  }
}

// Tags longer than what is kept in memory: one that is dropped, a link and
// an image whose text becomes output, and a "<" that no ">" follows, whose
// rest of the text is text after all; under each link type, and for the
// readable text.
TEST(ConvertPieces, LongTagsGiveWhatTheWholeTextGives) {
  const std::string doc = "a<b " + std::string(3 << 20, 'x') + ">b<a href='" +
                          std::string(3 << 20, 'y') + "'>L</a><img alt='" +
                          std::string(2 << 20, 'z') + "' src=s>c<p " +
                          [] {
                            std::string rest;
                            while (rest.size() < (3 << 20)) rest += "&amp;lt;\r\n\x93\xfa<";
                            return rest;
                          }()
                              .substr(0, 3 << 20);
  for (const char16_t* type : {u"0", u"1", u"2", u"readable"}) {
    const clsQuillmere q =
        std::u16string_view(type) == u"readable"
            ? ConverterWith(
                  {{u"SCRIPT", u"1"}, {u"ENTITY", u"1"}, {u"SPACE", u"1"}, {u"BLOCK", u"1"}})
            : ConverterWith({{u"A_LINK_TAG_TYPE", type}});
    for (const std::string& input : {doc, doc + ">d"}) {
      const std::optional<std::string> out = ConvertString(q, input, [] { return SIZE_MAX; });
      ASSERT_TRUE(out.has_value());
      ASSERT_TRUE(*out == platform::EncodeAnsi(q.Execute(DecodeText(input)) + u"\r\n"))
          << "link type " << Show(type) << ", " << input.size() << " bytes";
    }
  }
}

#ifndef _WIN32
// With no thread to be had (the system out of them), the conversion goes on
// on this one, with the same output. In a child process held to no more
// processes than it has (root is held to none, so the child gives it up).
TEST(ConvertPieces, WithoutASecondThreadConvertsOnOne) {
  std::string doc;
  while (doc.size() < (3u << 20)) doc += "<p>\x93\xfa\x96\x7b &amp; <a href='x'>L</a><br>\r\n";
  const clsQuillmere q = ConverterWith();
  const std::string expected = platform::EncodeAnsi(q.Execute(DecodeText(doc)) + u"\r\n");
  enum Outcome { kSame = 0, kDifferent = 1, kThreadStarted = 2, kSetupFailed = 3 };
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(kSetupFailed);
    const rlimit none{0, 0};
    if (setrlimit(RLIMIT_NPROC, &none) != 0) _exit(kSetupFailed);
    try {
      std::thread([] {}).join();
      _exit(kThreadStarted);
    } catch (const std::system_error&) {
    }
    const std::optional<std::string> out = ConvertString(q, doc, [] { return SIZE_MAX; });
    _exit(out && *out == expected ? kSame : kDifferent);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == kThreadStarted || WEXITSTATUS(status) == kSetupFailed)
    GTEST_SKIP() << "no process limit to be had here";
  EXPECT_EQ(WEXITSTATUS(status), kSame);
}
#endif

// Failures on either side end the conversion, early (the first pieces are
// read on the calling thread) or late (when a second thread reads ahead): a
// failed read or write gives false, also with input that would never end,
// and an exception from either side reaches the caller.
TEST(ConvertPieces, StopsOnFailuresAndPassesExceptionsOn) {
  clsQuillmere q;
  for (const int at : {1, 2, 8}) {
    int reads = 0, writes = 0;
    auto read = [&](char* buffer, std::size_t size) -> std::ptrdiff_t {
      std::fill_n(buffer, size, 'x');
      return ++reads == at ? -1 : static_cast<std::ptrdiff_t>(size);
    };
    auto write = [&](std::string_view) { return ++writes != at; };
    auto endless = [](char* buffer, std::size_t size) -> std::ptrdiff_t {
      std::fill_n(buffer, size, 'x');
      return static_cast<std::ptrdiff_t>(size);
    };
    auto keep = [](std::string_view) { return true; };
    EXPECT_FALSE(ConvertPieces(q, read, keep)) << "read " << at;
    EXPECT_FALSE(ConvertPieces(q, endless, write)) << "write " << at;
    reads = writes = 0;
    auto read_throws = [&](char* buffer, std::size_t size) -> std::ptrdiff_t {
      if (++reads == at) throw std::bad_alloc();
      return endless(buffer, size);
    };
    auto write_throws = [&](std::string_view) -> bool {
      if (++writes == at) throw std::bad_alloc();
      return true;
    };
    EXPECT_THROW(ConvertPieces(q, read_throws, keep), std::bad_alloc) << "read " << at;
    EXPECT_THROW(ConvertPieces(q, endless, write_throws), std::bad_alloc) << "write " << at;
  }
}

}  // namespace
