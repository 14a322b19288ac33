// The main content (MAIN) with fuzzed options and a page of fuzzed tags,
// classes and text: fed in pieces it gives what the whole page gives, in
// UTF-16 and as UTF-8 bytes held in a scratch file, with its measuring on a
// thread of its own, and read twice (in other pieces the second time)
// instead of held; its line breaks are CR LF; and it is never empty where
// the readable text is not.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <type_traits>

#include "engine/clsQuillmere.h"
#include "maincontent/recorder_thread.h"
#include "platform/codepage.h"
#include "tests/fuzz/fuzzed_options.h"
#include "tests/support/memory_overflow.h"
#include "tests/support/readable_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 12) return 0;
  clsQuillmere q = FuzzedOptions(data, 8);
  FuzzReadableSwitches(q, data[10]);
  const std::size_t most = 1 + data[11] % 64;  // the most a piece holds
  // A page of words that make tags, classes and prose more often than not.
  static const char16_t* const kWords[] = {
      u"<p>",
      u"</p>",
      u"<div class=\"nav\">",
      u"<div class=\"content\">",
      u"</div>",
      u"<ul>",
      u"<li>",
      u"<a href=\"/x\">",
      u"</a>",
      u"<article>",
      u"</article>",
      u"<h1>",
      u"</h1>",
      u"<footer>",
      u"<table><tr><td>",
      u"</table>",
      u"<title>T | S</title>",
      u"<meta property=\"og:title\" content=\"T\">",
      (u"<script type=\"application/ld+json\">{\"description\": \"Long enough to be text, with "
       u"commas, and sentences. Yes.\"}</script>"),
      u"The river rose through the night, and the town was under water. ",
      u"川の水位が上がり、下町が水につかった。",
      u"word ",
      u"&amp;",
      u"\r\n",
      u" ",
      u"<pre>",
      u"</pre>",
      u"<select><option>A<option>B</select>",
      u"<br>",
      u"<img alt=x>"};
  std::u16string page;
  for (std::size_t i = 12; i < size; ++i) page += kWords[data[i] % std::size(kWords)];

  const clsQuillmere main = [&] {
    clsQuillmere m = q;
    m.SetValue(u"MAIN", u"1");
    return m;
  }();
  const std::u16string whole = main.Execute(page);
  clsQuillmere::Session session(main);
  std::u16string pieces;
  for (std::size_t at = 0; at < page.size(); at += most)
    session.Feed(std::u16string_view(page).substr(at, most), pieces);
  session.Finish(pieces);
  if (pieces != whole) std::abort();

  const testing_support::Utf8Codec utf8;
  testing_support::MemoryOverflow spill(1 + data[11] % 7);
  clsQuillmere::ByteSession bytes(main, utf8, nullptr, nullptr, &spill);
  const std::string utf8_page = platform::EncodeUtf8(page);
  std::string out;
  for (std::size_t at = 0; at < utf8_page.size(); at += most)
    bytes.Feed(std::string_view(utf8_page).substr(at, most), out);
  bytes.Finish(out);
  if (platform::DecodeUtf8(out) != whole) std::abort();

  // The same with the measuring on a thread of its own from the first
  // character, handed over in small batches.
  const auto threading = engine::maincontent::RecorderThreadingNow();
  engine::maincontent::SetRecorderThreading({0, 1 + data[11] % 5u});
  clsQuillmere::Session threaded(main);
  std::u16string threaded_out;
  for (std::size_t at = 0; at < page.size(); at += most)
    threaded.Feed(std::u16string_view(page).substr(at, most), threaded_out);
  threaded.Finish(threaded_out);
  clsQuillmere::ByteSession threaded_bytes(main, utf8);
  out.clear();
  for (std::size_t at = 0; at < utf8_page.size(); at += most)
    threaded_bytes.Feed(std::string_view(utf8_page).substr(at, most), out);
  threaded_bytes.Finish(out);
  engine::maincontent::SetRecorderThreading(threading);
  if (threaded_out != whole || platform::DecodeUtf8(out) != whole) std::abort();

  // Read twice: the choice made on the first reading, the second in pieces
  // of another size.
  const std::size_t again_most = 1 + data[9] % 64;
  auto twice = [&](auto& session, const auto& text) {
    using Text = std::remove_cvref_t<decltype(text)>;
    using View = std::basic_string_view<typename Text::value_type>;
    Text got;
    session.FeedsTwice();
    for (std::size_t at = 0; at < text.size(); at += most)
      session.Feed(View(text).substr(at, most), got);
    if (session.FeedAgain(got)) {
      for (std::size_t at = 0; at < text.size(); at += again_most)
        session.Feed(View(text).substr(at, again_most), got);
    }
    session.Finish(got);
    return got;
  };
  clsQuillmere::Session twice_units(main);
  clsQuillmere::ByteSession twice_bytes(main, utf8);
  if (twice(twice_units, page) != whole ||
      platform::DecodeUtf8(twice(twice_bytes, utf8_page)) != whole)
    std::abort();

  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (whole[i] == u'\n' && (i == 0 || whole[i - 1] != u'\r')) std::abort();  // LF without CR
    if (whole[i] == u'\r' && (i + 1 >= whole.size() || whole[i + 1] != u'\n')) std::abort();
  }
  bool readable_text = false;
  for (const char16_t c : q.Execute(page)) readable_text = readable_text || c > u' ';
  bool main_text = false;
  for (const char16_t c : whole) main_text = main_text || c > u' ';
  if (readable_text && !main_text) std::abort();
  return 0;
}
