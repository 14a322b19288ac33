// The conversion under every vector unit the processor has gives, byte for
// byte, what the portable scalar code gives: over the fuzzers' corpora, the
// tokenizer's test files, saved pages and documents shaped like the
// benchmarks' (Japanese paragraphs dense with tags, tables), in the classic
// conversion and the readable text with its options, from bytes read in
// pieces of every size and from UTF-16 text.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/vector_unit.h"
#include "tests/support/convert_string.h"
#include "tests/support/converter_options.h"
#include "tests/support/source_file.h"

namespace {

using platform::VectorUnit;
using testing_support::ConverterWith;

std::vector<std::string> CorpusFiles() {
  return testing_support::SourceFilesIn(
      QUILLMERE_SOURCE_ROOT,
      {"tests/fuzz/corpus/readable", "tests/fuzz/corpus/tokenizer", "tests/fuzz/corpus/bytes",
       "tests/fuzz/corpus/main", "tests/fuzz/corpus/extract", "tests/fuzz/corpus/execute",
       "tests/fuzz/corpus/codec", "tests/html/html5lib", "tests/conversion/saved_pages"});
}

// Shift_JIS text of the kinds the benchmarks' documents hold.
const char* const kWords[] = {"\x93\xfa\x96\x7b\x8c\xea",          // 日本語
                              "\x82\xd0\x82\xe7\x82\xaa\x82\xc8",  // ひらがな
                              "\x83\x4a\x83\x5e\x83\x4a\x83\x69",  // カタカナ
                              "\x81\x41",                          // 、
                              "\xb1\xb2\xb3",                      // half-width katakana
                              "ascii words here",
                              "&amp;",
                              "&lt;b&gt;",
                              "&nbsp;",
                              "&#x3042;",
                              "&copy",
                              " ",
                              "  ",
                              "\t",
                              "\r\n",
                              "\r\n\r\n"};
const char* const kMarkup[] = {
    "<p>",
    "<br>",
    "<hr>",
    "</p>",
    "<h2>",
    "</h2>",
    "<a href='page.html'>",
    "<a href=\"#sec\">",
    "</a>",
    "<img src=x.png alt='\x89\xe6'>",
    "<!-- comment -->",
    "<b>",
    "</b>",
    "<ul><li>",
    "</li></ul>",
    "<pre>  a\r\n  b</pre>",
    "<script>if (a<b) x='</p>';</script>",
    "<style>p{}</style>",
    "<ruby>\x8a\xbf<rt>\x82\xa9\x82\xf1</rt></ruby>",
    "<table><tr><td>1</td><td colspan=2>\x93\xfa\x96\x7b<br>x</td></tr></table>",
    "<div class=\"nav menu\">",
    "</div>",
    "<title>t</title>",
    "<![CDATA[x]]>",
    "<textarea>a<b</textarea>",
    "<p title=\"a > b & c\">",
    "</"};

std::string Document(unsigned seed, std::size_t size, bool tables) {
  std::mt19937 rng(seed);
  std::string doc = "<html><body>\r\n";
  while (doc.size() < size) {
    if (tables) {
      doc += "<table>";
      for (int r = rng() % 5; r >= 0; --r) {
        doc += "<tr>";
        for (int c = 0; c < 4; ++c)
          doc += std::string(rng() % 6 == 0 ? "<td colspan=2>" : "<td>") +
                 kWords[rng() % std::size(kWords)] + (rng() % 5 == 0 ? "<br>" : "") +
                 kWords[rng() % 5] + "</td>";
        doc += "</tr>\r\n";
      }
      doc += "</table>\r\n";
      continue;
    }
    const unsigned pick = rng() % 10;
    if (pick < 5)
      doc += kWords[rng() % std::size(kWords)];
    else if (pick < 9)
      doc += kMarkup[rng() % std::size(kMarkup)];
    else  // a run longer than a block with nothing to act on
      doc += std::string(60 + rng() % 100, "ax\x82\xa0"[rng() % 4]);
  }
  return doc;
}

struct OptionSet {
  const char* name;
  testing_support::Settings settings;
};

// The four readable switches on, then `more`.
testing_support::Settings Readable(testing_support::Settings more) {
  testing_support::Settings all{
      {u"SCRIPT", u"1"}, {u"ENTITY", u"1"}, {u"SPACE", u"1"}, {u"BLOCK", u"1"}};
  all.insert(all.end(), more.begin(), more.end());
  return all;
}

const OptionSet kOptionSets[] = {
    {"classic", {}},
    {"readable", Readable({})},
    {"no collapsing", {{u"SCRIPT", u"1"}, {u"BLOCK", u"1"}, {u"LINKS", u"1"}}},
    {"grids, ruby, wrapped", Readable({{u"TABLE", u"1"}, {u"RUBY", u"2"}, {u"WIDTH", u"40"}})},
    {"main content", Readable({{u"MAIN", u"1"}, {u"RUBY", u"1"}, {u"WIDTH", u"70"}})},
};

// Everything one input gives under the unit in use: its bytes in pieces of
// the sizes `seed` draws, as code page bytes and as text, and its UTF-16.
std::vector<std::string> Outputs(const clsQuillmere& q, const std::string& input, unsigned seed) {
  // Large files in larger pieces: each is handed over between threads.
  const std::size_t reach = input.size() > 65536 ? 20000 : 300;
  std::mt19937 rng(seed);
  auto sizes = [&] { return 1 + rng() % reach; };
  return {testing_support::ConvertString(q, input, sizes).value_or("(failed)"),
          testing_support::ConvertStringAsText(q, input, sizes).value_or("(failed)"),
          platform::EncodeUtf8(q.Execute(testing_support::DecodeText(input)))};
}

class VectorPaths : public testing::Test {
 protected:
  void TearDown() override { platform::UseVectorUnit(before_); }

  void Check(const std::vector<std::pair<std::string, std::string>>& inputs) {
    for (const OptionSet& set : kOptionSets) {
      const clsQuillmere q = ConverterWith(set.settings);
      for (const auto& [name, input] : inputs) {
        platform::UseVectorUnit(VectorUnit::kScalar);
        const auto expected = Outputs(q, input, static_cast<unsigned>(input.size()));
        for (int u = 1; u <= static_cast<int>(platform::ProcessorVectorUnit()); ++u) {
          platform::UseVectorUnit(static_cast<VectorUnit>(u));
          EXPECT_EQ(Outputs(q, input, static_cast<unsigned>(input.size())), expected)
              << name << ", " << set.name << ", unit " << u;
        }
      }
    }
  }

  const VectorUnit before_ = platform::ActiveVectorUnit();
};

TEST_F(VectorPaths, TheCorporaConvertTheSame) {
  std::vector<std::pair<std::string, std::string>> inputs;
  for (const std::string& file : CorpusFiles())
    inputs.emplace_back(file, testing_support::ReadSourceFile(file));
  ASSERT_GT(inputs.size(), 30u);
  Check(inputs);
}

TEST_F(VectorPaths, DocumentsLikeTheBenchmarksConvertTheSame) {
  std::vector<std::pair<std::string, std::string>> inputs;
  for (unsigned seed = 1; seed <= 6; ++seed)
    inputs.emplace_back("document " + std::to_string(seed), Document(seed, 20000, seed % 3 == 0));
  Check(inputs);
}

}  // namespace
