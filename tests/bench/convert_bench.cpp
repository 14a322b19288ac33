// Throughput of the conversion and of the code page 932 codec on a realistic
// Japanese document held in memory (no file I/O).
#include <benchmark/benchmark.h>

#include <string>

#include "engine/clsQuillmere.h"
#include "platform/codepage.h"

namespace {

// About `bytes` of Shift-JIS mark-up: paragraphs of kana, kanji and ASCII,
// line breaks, links, images, rules, tables, comments and entities.
std::string Document(std::size_t bytes) {
  const std::string kana = platform::EncodeCp932(u"ひらがなとカタカナのテストです。");
  const std::string kanji = platform::EncodeCp932(u"日本語漢字変換文書本文内容更新情報一覧");
  std::string block = "<html><body>\r\n";
  for (int i = 0; i < 200; ++i) {
    block += "<p>" + kana + " ascii text " + kanji + " &amp; &lt;tag&gt;<br>\r\n";
    if (i % 7 == 0)
      block += "<a href=\"page" + std::to_string(i) + ".html\">link " + kana + "</a>\r\n";
    if (i % 11 == 0) block += "<img src=\"i.gif\" alt=\"pic\">\r\n<hr>\r\n\r\n\r\n";
    if (i % 13 == 0) block += "<table><tr><td>cell</td></tr></table><!-- note -->\r\n";
  }
  std::string doc;
  while (doc.size() < bytes) doc += block;
  return doc;
}

clsQuillmere Defaults() {
  clsQuillmere q;
  for (auto key : {u"HR", u"BR", u"P", u"IMG", u"ANAME", u"AHREF", u"AHREFSharp", u"ENTER",
                   u"A_LINK_TAG_TYPE"})
    q.SetValue(key, u"1");
  q.SetValue(u"HR_NUM", u"5");
  return q;
}

void BM_Execute(benchmark::State& state) {
  const std::u16string text =
      platform::DecodeCp932(Document(static_cast<std::size_t>(state.range(0))));
  const clsQuillmere q = Defaults();
  for (auto _ : state) benchmark::DoNotOptimize(q.Execute(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size() * 2));
}
BENCHMARK(BM_Execute)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

void BM_DecodeCp932(benchmark::State& state) {
  const std::string bytes = Document(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(platform::DecodeCp932(bytes));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_DecodeCp932)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

void BM_EncodeCp932(benchmark::State& state) {
  const std::u16string text =
      platform::DecodeCp932(Document(static_cast<std::size_t>(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(platform::EncodeCp932(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size() * 2));
}
BENCHMARK(BM_EncodeCp932)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
