// The html5lib encoding suite (tests/conversion/html5lib, MIT): the start of
// a document's bytes and the encoding a browser reads it in, which the
// input's encoding is decided by as well: a byte-order mark, else the HTML
// standard's prescan ("windows-1252" where neither decides: the suite's
// default, where ours is the ANSI code page or the content).
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "conversion/input_encoding.h"
#include "tests/support/source_file.h"

namespace {

std::string Lower(std::string_view name) {
  std::string out(name);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c | 0x20);
  return out;
}

TEST(Html5libEncoding, ThePrescanFindsTheSuitesEncoding) {
  std::size_t cases = 0;
  for (const char* file : {"tests1.dat", "tests2.dat", "test-yahoo-jp.dat"}) {
    const std::string suite =
        testing_support::ReadSourceFile(std::string(QUILLMERE_HTML5LIB_ENCODING) + "/" + file);
    // "#data\n" DATA "\n#encoding\n" NAME "\n", one after another.
    for (std::size_t at = suite.find("#data\n"); at != std::string::npos;
         at = suite.find("#data\n", at + 1)) {
      const std::size_t data = at + 6;
      const std::size_t marker = suite.find("\n#encoding\n", data);
      ASSERT_NE(marker, std::string::npos) << file;
      const std::size_t name = marker + 11;
      const std::string_view bytes = std::string_view(suite).substr(data, marker - data);
      const std::string expected = Lower(suite.substr(name, suite.find('\n', name) - name));
      const conversion::InputEncoding decided = conversion::DecideInputEncoding(bytes, true);
      std::string found = Lower(conversion::PrescanForEncoding(bytes));
      if (decided.why == conversion::InputEncoding::Why::kByteOrderMark)
        found = decided.encoding == platform::Encoding::kUtf8 ? "utf-8" : "utf-16";
      EXPECT_EQ(found.empty() ? "windows-1252" : found, expected)
          << file << ": " << testing::PrintToString(std::string(bytes.substr(0, 200)));
      ++cases;
    }
  }
  EXPECT_EQ(cases, 82u);
}

}  // namespace
