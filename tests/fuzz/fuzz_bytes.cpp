// The conversion of a file's bytes in pieces (normal form, byte session,
// cuts between pieces) against decoding the whole input, Execute and encoding:
// the two must agree byte for byte, for any bytes, options and piece sizes.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "engine/clsQuillmere.h"
#include "platform/codepage.h"
#include "tests/fuzz/fuzzed_options.h"
#include "tests/support/convert_string.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 11) return 0;
  const clsQuillmere q = FuzzedOptions(data, 8);
  const std::size_t most = 1 + data[10] % 16;  // the most a read gives
  const std::string input(reinterpret_cast<const char*>(data) + 11, size - 11);

  const std::optional<std::string> out =
      testing_support::ConvertString(q, input, [most] { return most; });
  if (!out) std::abort();
  if (*out != platform::EncodeAnsi(q.Execute(testing_support::DecodeText(input)) + u"\r\n"))
    std::abort();
  return 0;
}
