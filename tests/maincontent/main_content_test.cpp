// MAIN: the page's main content only. Each kind of clutter around an article
// goes; semantic hints are weighed, not obeyed; threads, listings and
// products keep all their items; Japanese pages are weighed by characters;
// a page where nothing stands out is written whole, exactly as without MAIN;
// LINKS numbers only the links kept. Every case also in pieces cut anywhere,
// as UTF-16, UTF-8 and Shift_JIS bytes, and through a scratch file.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/clsQuillmere.h"
#include "engine/readable_scan.h"
#include "platform/codepage.h"
#include "tests/support/converter_options.h"
#include "tests/support/memory_overflow.h"
#include "tests/support/readable_text.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::ConverterWith;
using testing_support::MemoryOverflow;
using testing_support::Settings;
using testing_support::Show;

const Settings kReadable{{u"SCRIPT", u"1"}, {u"ENTITY", u"1"}, {u"SPACE", u"1"},
                         {u"BLOCK", u"1"},  {u"IMG", u"0"},    {u"AHREF", u"0"}};

Settings With(Settings options, const Settings& more) {
  options.insert(options.end(), more.begin(), more.end());
  return options;
}

clsQuillmere Main(const Settings& more = {}) {
  return ConverterWith(With(With(kReadable, {{u"MAIN", u"1"}}), more));
}

// Prose of an article: four paragraphs of sentences.
const std::u16string kStory =
    u"<p>The river rose through the night, and by morning the lower town was under water. "
    u"Residents who had stayed moved to the upper floors, waiting for the boats.</p>"
    u"<p>Rescue crews worked from first light, carrying families across the flooded square. "
    u"Nobody was hurt, the mayor said, though the damage will take months to repair.</p>"
    u"<p>Engineers blamed the old levee, which had been patched many times since it was "
    u"built. A new wall has been planned for years, but the money was never found.</p>"
    u"<p>By evening the water had begun to fall, leaving mud and broken furniture in the "
    u"streets. Volunteers arrived with shovels, and the cleaning began at once.</p>";

const std::u16string kSiteHeader =
    u"<header class=\"site-header\"><a href=\"/\">Daily Courier</a><nav><ul>"
    u"<li><a href=\"/news\">News</a><li><a href=\"/sport\">Sport</a>"
    u"<li><a href=\"/weather\">Weather</a><li><a href=\"/opinion\">Opinion</a></ul></nav>"
    u"</header>";

const std::u16string kSiteFooter =
    u"<footer><ul><li><a href=\"/about\">About us</a><li><a href=\"/jobs\">Jobs</a>"
    u"<li><a href=\"/privacy\">Privacy</a></ul><p>Copyright 2026 Daily Courier.</p></footer>";

// A news page: the site's header, the article (with `inside` after its
// text), `after` beside it, and the site's footer.
std::u16string NewsPage(const std::u16string& inside = u"", const std::u16string& after = u"") {
  return u"<!DOCTYPE html><html><head><title>Flood waters rise in the lower town | Daily "
         u"Courier</title></head><body>" +
         kSiteHeader +
         u"<main><article><h1>Flood waters rise in the lower town</h1>"
         u"<p class=\"byline\">By A. Writer</p>" +
         kStory + inside + u"</article>" + after + u"</main>" + kSiteFooter + u"</body></html>";
}

std::u16string Text(const clsQuillmere& q, const std::u16string& page) {
  return q.Execute(page);
}

bool Has(const std::u16string& text, const std::u16string& part) {
  return text.find(part) != std::u16string::npos;
}

std::size_t Count(const std::u16string& text, const std::u16string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::u16string::npos; at = text.find(part, at + 1))
    ++count;
  return count;
}

// What a session gives for `text` fed in pieces of `piece` characters.
template <typename Session, typename String>
String InPieces(Session& session, const String& text, std::size_t piece) {
  String out;
  for (std::size_t at = 0; at < text.size(); at += piece)
    session.Feed(typename Session::View(text).substr(at, piece), out);
  session.Finish(out);
  return out;
}

// Whole, in pieces cut at random, as UTF-8 and Shift_JIS bytes, and with
// the page kept in a scratch file (read back in small blocks): the same.
void ExpectSameEverywhere(const clsQuillmere& q, const std::u16string& page) {
  const std::u16string whole = q.Execute(page);
  std::mt19937 random(static_cast<unsigned>(page.size()));
  for (int round = 0; round < 12; ++round) {
    std::uniform_int_distribution<std::size_t> at(0, page.size());
    std::size_t a = at(random), b = at(random);
    if (a > b) std::swap(a, b);
    clsQuillmere::Session session(q);
    std::u16string out;
    const std::u16string_view view = page;
    session.Feed(view.substr(0, a), out);
    session.Feed(view.substr(a, b - a), out);
    session.Feed(view.substr(b), out);
    session.Finish(out);
    ASSERT_EQ(Show(out), Show(whole)) << "cut at " << a << ", " << b;
  }
  const testing_support::Utf8Codec utf8;
  const testing_support::AnsiCodec ansi;
  const std::string utf8_page = platform::EncodeUtf8(page);
  const std::string ansi_page = platform::EncodeAnsi(page);
  for (std::size_t piece : {std::size_t(1), std::size_t(7), std::size_t(4096)}) {
    MemoryOverflow spill(3);
    clsQuillmere::ByteSession session(q, utf8, nullptr, nullptr, &spill);
    ASSERT_EQ(platform::DecodeUtf8(InPieces(session, utf8_page, piece)), whole)
        << "UTF-8 in pieces of " << piece;
    if (platform::DecodeAnsi(ansi_page) != page) continue;
    clsQuillmere::ByteSession ansi_session(q, ansi);
    const std::string ansi_out = InPieces(ansi_session, ansi_page, piece);
    // (What the code page cannot hold is written as its encoder writes it.)
    ASSERT_EQ(Show(platform::DecodeAnsi(ansi_out)),
              Show(platform::DecodeAnsi(platform::EncodeAnsi(
                  testing_support::PlainSpacesFor(whole, platform::Encoding::kAnsi)))))
        << "Shift_JIS in pieces of " << piece;
  }
}

TEST(MainContent, TheArticleWithoutTheSitesHeaderAndFooter) {
  const clsQuillmere q = Main();
  const std::u16string page = NewsPage();
  const std::u16string text = Text(q, page);
  // (The byline, a short line before the article's first sentence, goes too.)
  EXPECT_TRUE(text.starts_with(
      u"Flood waters rise in the lower town\r\n\r\nThe river rose through the night"))
      << Show(text);
  EXPECT_TRUE(Has(text, u"the cleaning began at once.")) << Show(text);
  for (const char16_t* gone : {u"Daily Courier", u"Sport", u"About us", u"Copyright"})
    EXPECT_FALSE(Has(text, gone)) << Show(gone) << "\n" << Show(text);
  ExpectSameEverywhere(q, page);
}

// Each kind of clutter, beside the article or inside it: gone, the story
// whole.
TEST(MainContent, EachKindOfClutterGoes) {
  struct Case {
    const char* name;
    std::u16string inside, after, marker;
  };
  const Case cases[] = {
      {"breadcrumbs",
       u"<div class=\"breadcrumb\"><a href=\"/\">Home</a> &gt; "
       u"<a href=\"/news\">News</a> &gt; <span>Floods in the town</span></div>",
       u"", u"Floods in the town"},
      {"Japanese breadcrumbs (topicpath)",
       u"<ol id=\"topicpath\"><li><a href=\"/\">TOP</a><li>Local stories and more</ol>", u"",
       u"Local stories and more"},
      {"sidebar", u"",
       u"<aside class=\"sidebar\"><h2>Most read</h2><ul><li><a href=\"/1\">A cat wins "
       u"the vote</a><li><a href=\"/2\">Prices rise again</a><li><a href=\"/3\">The "
       u"weekend weather</a></ul></aside>",
       u"A cat wins the vote"},
      {"cookie notice", u"",
       u"<div id=\"cookie-consent\"><p>We use cookies to improve your experience on our site, "
       u"to measure audiences and to show you advertising. By continuing you agree to this, "
       u"as our policy explains in full.</p><button>Accept</button></div>",
       u"We use cookies"},
      {"share buttons",
       u"<div class=\"share-buttons\"><a href=\"https://x.example/s\">Share "
       u"on X</a> <a href=\"https://f.example/s\">Share on F</a></div>",
       u"", u"Share on"},
      {"advertising",
       u"<div class=\"ad-slot\"><p>Sponsored: buy the best boots in town, "
       u"now half price, only this week, while stocks last.</p></div>",
       u"", u"Sponsored"},
      {"related list", u"",
       u"<section class=\"related-articles\"><h2>More on this story</h2><ul>"
       u"<li><a href=\"/a\">Storm warning issued for the coast tonight</a>"
       u"<li><a href=\"/b\">Levee repairs were delayed, records show</a>"
       u"<li><a href=\"/c\">How to prepare your home for a flood</a></ul></section>",
       u"More on this story"},
      {"newsletter form", u"",
       u"<form class=\"newsletter\"><p>Get the morning briefing, every day, in your inbox, "
       u"free of charge, with the stories that matter.</p><input type=email>"
       u"<button>Sign up</button></form>",
       u"morning briefing"},
      {"comment section", u"",
       u"<section id=\"comments\"><h2>Comments</h2><div class=\"comment\"><p>I lived there "
       u"for years, and the levee was always a worry. Glad everyone is safe, and thanks to "
       u"the crews.</p></div><div class=\"comment\"><p>The council knew about this for a "
       u"decade, and did nothing at all, as usual, until it was too late.</p></div></section>",
       u"I lived there"},
      {"menu of links inside the article",
       u"<ul><li><a href=\"/x\">Weather</a>"
       u"<li><a href=\"/y\">Traffic</a><li><a href=\"/z\">"
       u"Schools</a><li><a href=\"/w\">Roads</a></ul>",
       u"", u"Traffic"},
  };
  const clsQuillmere q = Main();
  for (const Case& c : cases) {
    const std::u16string page = NewsPage(c.inside, c.after);
    const std::u16string text = Text(q, page);
    EXPECT_FALSE(Has(text, c.marker)) << c.name << "\n" << Show(text);
    EXPECT_TRUE(Has(text, u"The river rose through the night")) << c.name;
    EXPECT_TRUE(Has(text, u"the cleaning began at once.")) << c.name;
    EXPECT_TRUE(Has(text, u"Flood waters rise in the lower town")) << c.name;
  }
  ExpectSameEverywhere(q, NewsPage(cases[0].inside, cases[2].after));
}

// Names are evidence: an `article` that is a teaser card is no content, a
// wrapper whose class says "nav" around the whole story is, and a `main`
// holding the story with clutter is narrowed to the story.
TEST(MainContent, SemanticHintsAreEvidenceNotLaw) {
  const clsQuillmere q = Main();
  const std::u16string teaser =
      u"<html><body>" + kSiteHeader +
      u"<div id=\"story\"><h1>Flood waters rise in the lower town</h1>" + kStory +
      u"</div><div class=\"cards\"><article class=\"card\"><a href=\"/x\">Read next: a "
      u"festival returns</a></article></div>" +
      kSiteFooter + u"</body></html>";
  std::u16string text = Text(q, teaser);
  EXPECT_TRUE(Has(text, u"The river rose")) << Show(text);
  EXPECT_FALSE(Has(text, u"festival returns")) << Show(text);

  const std::u16string misnamed = u"<html><body>" + kSiteHeader +
                                  u"<div class=\"has-nav post-and-ads-container\"><h1>Flood "
                                  u"waters rise in the lower town</h1>" +
                                  kStory + u"</div>" + kSiteFooter + u"</body></html>";
  text = Text(q, misnamed);
  EXPECT_TRUE(Has(text, u"The river rose")) << Show(text);
  EXPECT_TRUE(Has(text, u"cleaning began")) << Show(text);
  EXPECT_FALSE(Has(text, u"About us")) << Show(text);

  // Each section alone holds less than half the article, all of them the
  // whole of it: the name is the site's, not clutter's.
  std::u16string sections;
  for (const char16_t* part : {u"intro", u"first", u"second"})
    sections += u"<section class=\"section-ranking-" + std::u16string(part) + u"\">" + kStory +
                u"</section>";
  const std::u16string ranking = u"<html><body>" + kSiteHeader +
                                 u"<main><h1>The best tents of the year</h1>" + sections +
                                 u"</main>" + kSiteFooter + u"</body></html>";
  text = Text(q, ranking);
  EXPECT_TRUE(Has(text, u"The best tents of the year")) << Show(text);
  EXPECT_EQ(Count(text, u"The river rose"), 3u) << Show(text);
  EXPECT_FALSE(Has(text, u"About us")) << Show(text);

  // An editor's class on each paragraph that reads as a menu's.
  std::u16string named_paragraphs = kStory;
  for (std::size_t at = 0; (at = named_paragraphs.find(u"<p>", at)) != std::u16string::npos;)
    named_paragraphs.replace(at, 3, u"<p class=\"contextmenu Body\">");
  const std::u16string editor = u"<html><body>" + kSiteHeader +
                                u"<div class=\"story\"><h1>Flood waters rise</h1>" +
                                named_paragraphs + u"</div><div class=\"related\"><ul>" +
                                u"<li><a href=\"/a\">A festival returns to the old square</a>"
                                u"<li><a href=\"/b\">Council votes on the new bridge plan</a>"
                                u"<li><a href=\"/c\">Schools close early for the summer</a>"
                                u"</ul></div>" +
                                kSiteFooter + u"</body></html>";
  text = Text(q, editor);
  EXPECT_TRUE(Has(text, u"The river rose")) << Show(text);
  EXPECT_TRUE(Has(text, u"cleaning began")) << Show(text);
  EXPECT_FALSE(Has(text, u"festival returns")) << Show(text);

  const std::u16string dialog =
      NewsPage(u"", u"<div class=\"modal\" role=\"dialog\"><h2>Privacy policy</h2>" + kStory +
                        kStory + u"</div>");
  text = Text(q, dialog);
  EXPECT_FALSE(Has(text, u"Privacy policy")) << Show(text);
  ExpectSameEverywhere(q, teaser);
}

// A thread's posts, a listing's entries, a product's description and
// specifications: every item, not the first.
TEST(MainContent, ManyItemsAreAllKept) {
  const clsQuillmere q = Main();
  std::u16string thread =
      u"<html><head><title>Which tent for the hills? - Walkers' Forum"
      u"</title></head><body>" +
      kSiteHeader + u"<h1>Which tent for the hills?</h1><div id=\"thread\">";
  const char16_t* const posts[] = {
      u"I am planning a week in the hills this summer and need a light tent, one that "
      u"stands up to wind. What do you all use, and would you buy it again?",
      u"I have carried the same two-person tent for six years, and it has never let me down, "
      u"even in a storm. It is not the lightest, but it is strong.",
      u"Go for a tunnel tent if the wind worries you, and pitch it with the back to the "
      u"weather. Weight matters less than sleep, in my experience.",
      u"Thanks, everyone, this is very helpful. I will look at tunnel tents, and report back "
      u"after the trip, with photos of the views."};
  for (const char16_t* post : posts)
    thread += u"<div class=\"message\"><div class=\"user\">walker</div><p>" + std::u16string(post) +
              u"</p></div>";
  thread += u"</div>" + kSiteFooter + u"</body></html>";
  std::u16string text = Text(q, thread);
  for (const char16_t* post : posts)
    EXPECT_TRUE(Has(text, std::u16string(post).substr(0, 40))) << Show(post) << Show(text);
  EXPECT_FALSE(Has(text, u"About us")) << Show(text);

  std::u16string listing = u"<html><head><title>Tents | Outdoor Shop</title></head><body>" +
                           kSiteHeader + u"<h1>Tents</h1><ul class=\"products\">";
  for (int i = 1; i <= 8; ++i) {
    const std::u16string n(1, static_cast<char16_t>(u'0' + i));
    listing += u"<li class=\"product\"><a href=\"/t" + n + u"\">Ridge tent model " + n +
               u", two persons</a><span class=\"price\">$" + n +
               u"99.00</span>"
               u"<span>In stock</span></li>";
  }
  listing += u"</ul>" + kSiteFooter + u"</body></html>";
  text = Text(q, listing);
  for (int i = 1; i <= 8; ++i)
    EXPECT_TRUE(
        Has(text, u"Ridge tent model " + std::u16string(1, static_cast<char16_t>(u'0' + i))))
        << i << Show(text);
  EXPECT_FALSE(Has(text, u"Opinion")) << Show(text);
  ExpectSameEverywhere(q, thread);
  ExpectSameEverywhere(q, listing);
}

// A product page whose description only its JSON-LD holds (a script puts it
// on the page): the description, after the product's name.
TEST(MainContent, ADescriptionOnlyTheStructuredDataHolds) {
  const clsQuillmere q = Main();
  const std::u16string page =
      u"<html><head><title>Ridge Tent 2 | Outdoor Shop</title>"
      u"<script type=\"application/ld+json\">{\"@context\": \"https://schema.org\", "
      u"\"@type\": \"Product\", \"name\": \"Ridge Tent 2\", \"description\": \"A two-person "
      u"tunnel tent for the hills.\\nIt pitches in four minutes, stands up to strong winds and "
      u"weighs \\u00e0 peine 1.9 kg. Two doors, two porches, and room for the packs.\"}</script>"
      u"</head><body>" +
      kSiteHeader +
      u"<div class=\"product\"><h1>Ridge Tent 2</h1><p class=\"price\">$299.00</p>"
      u"<table><tr><th>Weight<td>1.9 kg<tr><th>Sleeps<td>2<tr><th>Poles<td>Aluminium</table>"
      u"<div id=\"description\"></div></div>" +
      kSiteFooter + u"</body></html>";
  const std::u16string text = Text(q, page);
  EXPECT_TRUE(
      text.starts_with(u"Ridge Tent 2\r\n\r\nA two-person tunnel tent for the hills. It "
                       u"pitches in four minutes"))
      << Show(text);
  EXPECT_TRUE(Has(text, u"weighs \u00e0 peine 1.9 kg.")) << Show(text);
  EXPECT_TRUE(Has(text, u"$299.00")) << Show(text);
  EXPECT_TRUE(Has(text, u"Aluminium")) << Show(text);
  EXPECT_FALSE(Has(text, u"About us")) << Show(text);
  ExpectSameEverywhere(q, page);
}

// Japanese has no spaces between words: its text is weighed by characters,
// and 、 and 。 are the punctuation they are. A short article in Japanese
// stands out against long menus.
TEST(MainContent, JapanesePagesAreWeighedByCharacters) {
  const clsQuillmere q = Main();
  std::u16string menu = u"<nav class=\"gnav\"><ul>";
  for (const char16_t* item : {u"ニュース", u"スポーツ", u"エンタメ", u"天気", u"経済", u"国際"})
    menu += u"<li><a href=\"/\">" + std::u16string(item) + u"</a>";
  menu += u"</ul></nav>";
  const std::u16string page =
      u"<html><head><title>川の水位が上昇、下町で浸水 - 毎日新報</title></head><body>" + menu +
      u"<div id=\"pankuzu\"><a href=\"/\">トップ</a> &gt; <a href=\"/local\">地域</a></div>"
      u"<div class=\"kiji\"><h1>川の水位が上昇、下町で浸水</h1>"
      u"<p>"
      u"夜のうちに川の水位が上がり、朝には下町が水につかった。住民は二階へ避難し、救助のボートを待"
      u"った。</p>"
      u"<p>"
      u"消防は夜明けから救助にあたり、けが人はいなかったと市長は話した。復旧には数か月かかる見込み"
      u"だ。</p>"
      u"</div><div class=\"ranking\"><h2>アクセスランキング</h2><ol><li><a href=\"/1\">"
      u"人気の記事その一</a><li><a href=\"/2\">人気の記事その二</a></ol></div>"
      u"<footer>Copyright 毎日新報</footer></body></html>";
  const std::u16string text = Text(q, page);
  EXPECT_TRUE(text.starts_with(u"川の水位が上昇、下町で浸水\r\n\r\n夜のうちに")) << Show(text);
  EXPECT_TRUE(Has(text, u"見込みだ。")) << Show(text);
  for (const char16_t* gone : {u"スポーツ", u"トップ", u"ランキング", u"Copyright"})
    EXPECT_FALSE(Has(text, gone)) << Show(gone) << Show(text);
  ExpectSameEverywhere(q, page);
}

// With no heading for it, the document's title comes first without the
// site's name, or the og:title.
TEST(MainContent, TheTitleWithoutTheSitesName) {
  const clsQuillmere q = Main();
  const std::u16string body = u"<body>" + kSiteHeader + u"<div class=\"text\">" + kStory +
                              u"</div>" + kSiteFooter + u"</body></html>";
  struct Case {
    std::u16string head, title;
  };
  const Case cases[] = {
      {u"<title>Flood waters rise | Daily Courier</title>", u"Flood waters rise"},
      {u"<title>Daily Courier - Flood waters rise in the lower town</title>",
       u"Flood waters rise in the lower town"},
      {u"<title>洪水の記事｜毎日新報</title>", u"洪水の記事"},
      {u"<title>Daily Courier</title><meta property=\"og:title\" content=\"Flood &amp; "
       u"water\">",
       u"Flood & water"},
  };
  for (const Case& c : cases) {
    const std::u16string text = Text(q, u"<html><head>" + c.head + u"</head>" + body);
    EXPECT_TRUE(text.starts_with(c.title + u"\r\n\r\nThe river rose")) << Show(text);
  }
}

// Where nothing stands out, the whole readable text, byte for byte: a page
// of short lines, a page of links, a page with no text at all.
TEST(MainContent, WholePageWhenNothingStandsOut) {
  const clsQuillmere main = Main();
  const clsQuillmere readable = ConverterWith(kReadable);
  const std::u16string pages[] = {
      u"<p>Opening hours</p><p>Mon-Fri 9-5</p><p>Sat 10-2</p>",
      kSiteHeader + kSiteFooter,
      u"<html><head><title>Nothing</title></head><body><img src=x></body></html>",
      u"Just one line of text, with no mark-up at all.",
      u"",
  };
  for (const std::u16string& page : pages)
    EXPECT_EQ(Show(Text(main, page)), Show(Text(readable, page))) << Show(page);
  // And with every other option as the readable text has it.
  for (const Settings& more : {Settings{{u"TABLE", u"1"}}, Settings{{u"LINKS", u"1"}},
                               Settings{{u"SCRIPT", u"0"}}, Settings{{u"ENTER", u"0"}}}) {
    const std::u16string page = kSiteHeader + u"<table><tr><td>a<td>b</table>" + kSiteFooter;
    EXPECT_EQ(Show(Text(Main(more), page)), Show(Text(ConverterWith(With(kReadable, more)), page)));
  }
}

// A page that shows nothing until its scripts run but gives browsers
// without scripts its thread in a noscript element: that is its content.
// Where the page shows its text, its noscript elements (a tracking image,
// a style sheet, a note to turn scripts on) are left as a browser leaves
// them.
TEST(MainContent, TextOnlyForBrowsersWithoutScripts) {
  const clsQuillmere q = Main();
  const std::u16string thread =
      u"<div class=\"topic\"><h1>Which telescope to start with?</h1>"
      u"<div class=\"post\"><p>I would like to see the planets. Is a small refractor "
      u"enough, or should I save for a larger reflector first?</p></div>"
      u"<div class=\"post\"><p>Start with good binoculars and a star chart. You will learn "
      u"the sky, and you will know what you want when you buy a telescope.</p></div>"
      u"<div class=\"post\"><p>A small refractor shows Saturn's rings and Jupiter's moons "
      u"well. It is light, so you will actually take it outside.</p></div></div>";
  const std::u16string script_page =
      u"<html><head><title>Which telescope to start with? - Stargazers</title>"
      u"<noscript><style>.js-only{display:none}</style></noscript></head><body>"
      u"<div id=\"app\"></div><noscript data-path=\"/t/1\">" +
      thread + u"</noscript><script>start()</script></body></html>";
  const std::u16string text = Text(q, script_page);
  EXPECT_TRUE(Has(text, u"Which telescope to start with?\r\n")) << Show(text);
  EXPECT_TRUE(Has(text, u"save for a larger reflector first?")) << Show(text);
  EXPECT_TRUE(Has(text, u"actually take it outside.")) << Show(text);
  EXPECT_FALSE(Has(text, u"display:none")) << Show(text);
  ExpectSameEverywhere(q, script_page);

  const clsQuillmere readable = ConverterWith(kReadable);
  const std::u16string shown_pages[] = {
      NewsPage(u"", u"<noscript><img src=\"/pixel.gif\"></noscript>"),
      NewsPage(u"<noscript><p>Turn scripts on to see the comments.</p></noscript>"),
      // More text for browsers without scripts, but not many times more.
      NewsPage(u"", u"<noscript>" + kStory + u"</noscript>"),
  };
  for (const std::u16string& page : shown_pages) {
    const std::u16string main_text = Text(q, page);
    EXPECT_TRUE(Has(main_text, u"the cleaning began at once.")) << Show(main_text);
    EXPECT_FALSE(Has(main_text, u"Turn scripts on")) << Show(main_text);
    EXPECT_EQ(Has(Text(readable, page), u"Copyright"), true);
    EXPECT_FALSE(Has(main_text, u"Copyright")) << Show(main_text);
  }
}

// A page a React server streams: the article comes last, hidden, and its
// script shows it in place of a placeholder. MAIN reads it there; the
// readable text without MAIN stays as it was.
TEST(MainContent, StreamedSegmentsAreShown) {
  const clsQuillmere q = Main();
  const std::u16string streamed =
      u"<html><head><title>Flood waters rise in the lower town | Daily Courier</title></head>"
      u"<body>" +
      kSiteHeader +
      u"<main><!--$?--><template id=\"B:0\"></template><p>Loading...</p><!--/$--></main>" +
      kSiteFooter + u"<div hidden id=\"S:0\"><article><h1>Flood waters rise in the lower " +
      u"town</h1>" + kStory + u"</article></div><script>$RC(\"B:0\",\"S:0\")</script>" +
      u"<div hidden id=\"menu\"><p>" + kStory.substr(3, 80) + u"</p></div></body></html>";
  const std::u16string text = Text(q, streamed);
  EXPECT_TRUE(Has(text, u"Flood waters rise in the lower town\r\n")) << Show(text);
  EXPECT_TRUE(Has(text, u"the cleaning began at once.")) << Show(text);
  EXPECT_FALSE(Has(text, u"About us")) << Show(text);
  EXPECT_EQ(Count(text, u"The river rose"), 1u) << Show(text);
  ExpectSameEverywhere(q, streamed);
  const std::u16string readable = Text(ConverterWith(kReadable), streamed);
  EXPECT_FALSE(Has(readable, u"The river rose")) << Show(readable);
  // Other hidden elements stay hidden; an id must be all of the pattern.
  for (const char16_t* id : {u"S:", u"S:1x", u"s:1", u"S:12345678901", u"X:1"}) {
    const std::u16string page = NewsPage() + u"<div hidden id=\"" + id +
                                u"\"><p>A hidden note that nobody should read here.</p></div>";
    EXPECT_FALSE(Has(Text(q, page), u"hidden note")) << Show(id);
  }
}

// LINKS numbers the links kept, from 1, and lists only them.
TEST(MainContent, LinksNumbersOnlyTheLinksKept) {
  const clsQuillmere q = Main({{u"AHREF", u"1"}, {u"LINKS", u"1"}});
  const std::u16string page = NewsPage(
      u"<p>The <a href=\"https://levee.example/report\">engineers' report</a> is "
      u"online, and the <a href=\"/maps\">flood maps</a> too, for anyone who wants to "
      u"see the details of the damage.</p>");
  const std::u16string text = Text(q, page);
  EXPECT_TRUE(Has(text, u"engineers' report[1] is online")) << Show(text);
  EXPECT_TRUE(Has(text, u"flood maps[2] too")) << Show(text);
  EXPECT_TRUE(
      text.ends_with(u"\u30ea\u30f3\u30af\r\n[1] https://levee.example/report\r\n[2] "
                     u"/maps"))
      << Show(text);
  EXPECT_FALSE(Has(text, u"/sport")) << Show(text);
  ExpectSameEverywhere(q, page);
}

// Lists, tables and quotes keep their layout: the list around kept items
// numbers them, the grid of a kept table is drawn.
TEST(MainContent, KeptContentIsLaidOutAsOnThePage) {
  const clsQuillmere q = Main({{u"TABLE", u"1"}});
  const std::u16string page = NewsPage(
      u"<ol start=\"3\"><li>Move to the upper floor.<li>Switch off the power.</ol>"
      u"<table><tr><th>Street<th>Depth</tr><tr><td>Mill Lane<td>1.2 m</tr></table>"
      u"<blockquote>We were lucky, this time.</blockquote>");
  const std::u16string text = Text(q, page);
  EXPECT_TRUE(Has(text, u"3. Move to the upper floor.\r\n4. Switch off the power.")) << Show(text);
  EXPECT_TRUE(Has(text, u"Street     Depth\r\nMill Lane  1.2 m")) << Show(text);
  EXPECT_TRUE(Has(text, u"    We were lucky, this time.")) << Show(text);
  ExpectSameEverywhere(q, page);
}

// The page waits in the scratch file past a few MiB, and what the session
// holds in memory stays bounded however long the page; a scratch file that
// refuses leaves it in memory, with the same text.
TEST(MainContent, WhatIsHeldIsBounded) {
  const clsQuillmere q = Main();
  std::string page = "<html><body><nav><a href=/>Home</a></nav><div id=story>";
  const std::string paragraph =
      "<p>The river rose through the night, and by morning the lower town was under water, "
      "as it had been before, in the great flood of the old days.</p>\n";
  while (page.size() < (std::size_t(12) << 20)) page += paragraph;
  page += "</div><footer>Copyright</footer></body></html>";
  const testing_support::Utf8Codec utf8;
  std::string expected;
  for (bool refuses : {false, true}) {
    MemoryOverflow spill(1 << 16, refuses);
    clsQuillmere::ByteSession session(q, utf8, nullptr, nullptr, &spill);
    std::string out;
    session.Feed(page, out);
    EXPECT_TRUE(out.empty());  // nothing is written before the page ends
    session.Finish(out);
    EXPECT_EQ(spill.appended(), !refuses);
    EXPECT_TRUE(out.starts_with("The river rose")) << out.substr(0, 200);
    EXPECT_EQ(out.find("Copyright"), std::string::npos);
    if (expected.empty()) expected = out;
    EXPECT_EQ(out.size(), expected.size());
    EXPECT_TRUE(out == expected);
  }
  // However long the page, what stays in memory is the log's first MiBs and
  // a bounded number of blocks' records.
  while (page.size() < (std::size_t(40) << 20)) page.insert(page.size() - 30, paragraph);
  MemoryOverflow spill;
  engine::ReadableScan<char> scan(testing_support::ScanOptionsOf(q), &utf8, nullptr, nullptr,
                                  "[i:", "[l:", nullptr, &spill);
  std::string out;
  std::size_t most = 0;
  for (std::size_t at = 0; at < page.size(); at += 1 << 16) {
    scan.Feed(std::string_view(page).substr(at, 1 << 16), out);
    most = std::max(most, scan.Held());
  }
  EXPECT_LT(most, std::size_t(16) << 20);
}

}  // namespace
