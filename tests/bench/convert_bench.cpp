// Throughput of the conversion and of the codecs on a Japanese document held
// in memory (no file I/O), and the cost of deciding a file's encoding:
//   convert_bench [DOCUMENT] [--benchmark_...]
// DOCUMENT is a file from tools/bench/make_document.py; without one a built-in
// document is used.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "conversion/input_encoding.h"
#include "engine/clsQuillmere.h"
#include "maincontent/text_measures.h"
#include "platform/ansi_normal_form.h"
#include "platform/codepage.h"

namespace {

std::string document_file;  // from the command line

// About `bytes` of Shift-JIS mark-up: paragraphs of kana, kanji and ASCII,
// line breaks, links, images, rules, tables, comments and entities.
std::string Document(std::size_t bytes) {
  if (!document_file.empty()) {
    std::ifstream in(document_file, std::ios::binary);
    std::string doc((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return doc.substr(0, bytes);
  }
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

class Cp932Codec final : public clsQuillmere::ByteCodec {
 public:
  bool IsLeadByte(unsigned char byte) const override { return platform::IsCp932LeadByte(byte); }
  std::string Encode(std::u16string_view text) const override {
    return platform::EncodeCp932(text);
  }
};

void BM_Normalize(benchmark::State& state) {
  const std::string bytes = Document(static_cast<std::size_t>(state.range(0)));
  const platform::AnsiNormalForm form(platform::DecodeCp932, platform::EncodeCp932,
                                      platform::IsCp932LeadByte);
  std::string scratch;
  for (auto _ : state) benchmark::DoNotOptimize(form.Normalize(bytes, scratch));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_Normalize)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

// The main content's text measures over the document's text runs (the bytes
// between tags, a block's opening taken anew every fourth run).
void BM_MeasureText(benchmark::State& state) {
  const std::string bytes = Document(static_cast<std::size_t>(state.range(0)));
  std::vector<std::string_view> runs;
  std::size_t text = 0;
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t lt = std::min(bytes.find('<', at), bytes.size());
    if (lt > at) runs.push_back(std::string_view(bytes).substr(at, lt - at)), text += lt - at;
    at = std::min(bytes.find('>', lt), bytes.size()) + 1;
  }
  engine::scan::LeadBytes leads{};
  for (int b = 0; b < 256; ++b) leads[b] = platform::IsCp932LeadByte(static_cast<unsigned char>(b));
  for (auto _ : state) {
    engine::maincontent::TextMeasures m;
    engine::maincontent::MeasureState carried;
    engine::maincontent::Opening opening;
    for (std::size_t r = 0; r < runs.size(); ++r) {
      if (r % 4 == 0) opening = {};
      engine::maincontent::Measure(runs[r], &leads, carried, m, &opening);
    }
    benchmark::DoNotOptimize(m);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text));
}
BENCHMARK(BM_MeasureText)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

// The byte-level conversion in 1 MiB pieces, as files are converted. The
// second argument turns readable-text options on: 1 SCRIPT, 2 ENTITY,
// 4 SPACE, 8 BLOCK, 16 TABLE, 32 LINKS (47 is --readable, 0 the classic
// conversion).
void BM_ByteSession(benchmark::State& state) {
  const std::string bytes = Document(static_cast<std::size_t>(state.range(0)));
  clsQuillmere q = Defaults();
  int bit = 1;
  for (auto key : {u"SCRIPT", u"ENTITY", u"SPACE", u"BLOCK", u"TABLE", u"LINKS"}) {
    if ((state.range(1) & bit) != 0) q.SetValue(key, u"1");
    bit <<= 1;
  }
  const Cp932Codec codec;
  std::string out;
  for (auto _ : state) {
    clsQuillmere::ByteSession session(q, codec);
    for (std::size_t at = 0; at < bytes.size(); at += 1 << 20) {
      out.clear();
      session.Feed(std::string_view(bytes).substr(at, 1 << 20), out);
    }
    out.clear();
    session.Finish(out);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ByteSession)
    ->Args({10 << 20, 0})
    ->Args({10 << 20, 1})
    ->Args({10 << 20, 2})
    ->Args({10 << 20, 4})
    ->Args({10 << 20, 8})
    ->Args({10 << 20, 14})
    ->Args({10 << 20, 11})
    ->Args({10 << 20, 13})
    ->Args({10 << 20, 7})
    ->Args({10 << 20, 15})
    ->Args({10 << 20, 47})
    ->Args({10 << 20, 63})
    ->Unit(benchmark::kMillisecond);

// The same document in UTF-8, as the byte-level conversion takes it: the
// check that it is well-formed, then the conversion.
void BM_NormalizeUtf8(benchmark::State& state) {
  const std::string bytes = platform::EncodeUtf8(
      platform::DecodeCp932(Document(static_cast<std::size_t>(state.range(0)))));
  std::string scratch;
  std::size_t taken = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(platform::NormalizeUtf8(bytes, true, scratch, taken));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_NormalizeUtf8)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

// Deciding the encoding of a small file and of a large one's first 64 KiB,
// with no mark or declaration to stop at (the longest way).
void BM_DecideInputEncoding(benchmark::State& state) {
  const std::string head = Document(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(conversion::DecideInputEncoding(head, true));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * head.size()));
}
BENCHMARK(BM_DecideInputEncoding)->Arg(1 << 10)->Arg(64 << 10)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && argv[1][0] != '-') {
    document_file = argv[1];
    argv[1] = argv[0];
    --argc, ++argv;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}
