// The conversion of a file's bytes in pieces (normal form, byte session,
// reading thread) against decoding the whole input, Execute and encoding:
// the two must agree byte for byte, for any bytes, options and piece sizes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/clsQuillmere.h"
#include "mainwindow/piece_conversion.h"
#include "mainwindow/text_file.h"
#include "platform/codepage.h"
#include "tests/fuzz/fuzzed_options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 11) return 0;
  const clsQuillmere q = FuzzedOptions(data, 8);
  const std::size_t most = 1 + data[10] % 16;  // the most a read gives
  const std::string input(reinterpret_cast<const char*>(data) + 11, size - 11);

  std::size_t at = 0;
  std::string out;
  const bool ok = ConvertPieces(
      q,
      [&](char* buffer, std::size_t want) -> std::ptrdiff_t {
        const std::size_t n = std::min({want, input.size() - at, most});
        std::copy_n(input.data() + at, n, buffer);
        at += n;
        return static_cast<std::ptrdiff_t>(n);
      },
      [&](std::string_view bytes) {
        out += bytes;
        return true;
      });
  if (!ok) std::abort();
  if (out != platform::EncodeAnsi(q.Execute(DecodeTextBytes(input)) + u"\r\n")) std::abort();
  return 0;
}
