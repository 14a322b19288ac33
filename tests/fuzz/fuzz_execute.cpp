// Execute with fuzzed options and text. Beyond not crashing: every line break
// of the result is CR LF, and with ENTER on no three line breaks follow each
// other.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/clsQuillmere.h"
#include "tests/fuzz/fuzzed_options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 10) return 0;
  const clsQuillmere q = FuzzedOptions(data, 40);
  std::u16string input;
  for (std::size_t i = 10; i + 1 < size; i += 2) {
    char16_t c = static_cast<char16_t>(data[i] | data[i + 1] << 8);
    // Mostly the characters the converter cares about.
    static const char16_t kAlphabet[] = u"<>&;\r\n aAbBhHiIlLmMnNpPrRsStT=\"'#/-";
    if (c < 0x8000) c = kAlphabet[c % (sizeof(kAlphabet) / sizeof(char16_t) - 1)];
    input.push_back(c);
  }
  const std::u16string out = q.Execute(input);
  const bool enter = q.GetValue(u"ENTER") != u"0";
  std::size_t run = 0;
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (out[i] == u'\r') {
      if (i + 1 >= out.size() || out[i + 1] != u'\n') std::abort();  // CR alone
      ++run;
      ++i;
      if (enter && run >= 3) std::abort();
    } else if (out[i] == u'\n') {
      std::abort();  // LF without CR
    } else {
      run = 0;
    }
  }
  return 0;
}
