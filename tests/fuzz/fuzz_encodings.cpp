// The conversion of any bytes read in any encoding and written in any
// output encoding, in pieces of any size and at once, against decoding the
// whole input, Execute and encoding: byte for byte, and the count of
// characters the output cannot hold. The same input then goes through the
// whole run, whose decision picks the encoding, against the same.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <string>

#include "conversion/conversion_run.h"
#include "engine/clsQuillmere.h"
#include "platform/codepage.h"
#include "tests/fuzz/fuzzed_options.h"
#include "tests/support/convert_string.h"

namespace {

using platform::Encoding;

constexpr Encoding kInputs[] = {Encoding::kAnsi,        Encoding::kShiftJis, Encoding::kEucJp,
                                Encoding::kUtf8,        Encoding::kUtf16Le,  Encoding::kUtf16Be,
                                Encoding::kWindows1252, Encoding::kIso2022Jp};
constexpr Encoding kOutputs[] = {Encoding::kAnsi, Encoding::kShiftJis, Encoding::kUtf8,
                                 Encoding::kUtf16Le};

// What converting the whole text gives, encoded.
std::string Expected(const clsQuillmere& q, std::string_view input, Encoding in, Encoding out,
                     std::size_t& lost) {
  std::string bytes;
  lost = platform::EncodeAppend(out, q.Execute(testing_support::DecodeText(input, in)) + u"\r\n",
                                bytes);
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 13) return 0;
  const clsQuillmere q = FuzzedOptions(data, 8);
  const Encoding in = kInputs[data[10] % std::size(kInputs)];
  const Encoding out = kOutputs[data[11] % std::size(kOutputs)];
  const bool through_utf8 = data[11] & 0x80;
  const std::size_t most = 1 + data[12] % 16;  // the most a read gives
  const std::string input(reinterpret_cast<const char*>(data) + 13, size - 13);

  std::size_t expected_lost = 0;
  const std::string expected = Expected(q, input, in, out, expected_lost);
  for (const std::size_t reads : {most, std::size_t{1} << 30}) {
    std::size_t lost = 0;
    const std::optional<std::string> got = testing_support::ConvertString(
        q, input, [reads] { return reads; }, {in, out, through_utf8}, &lost);
    if (!got || *got != expected || lost != expected_lost) std::abort();
  }

  // The whole run: the encoding its start decides, written as kSame says.
  std::size_t at = 0;
  std::string written;
  const conversion::RunResult result = conversion::ConvertStream(
      q,
      [&](char* buffer, std::size_t want) -> std::ptrdiff_t {
        const std::size_t n = std::min({want, input.size() - at, most});
        std::copy_n(input.data() + at, n, buffer);
        at += n;
        return static_cast<std::ptrdiff_t>(n);
      },
      [&](std::string_view bytes) { return written += bytes, true; });
  if (result.status != conversion::RunResult::Status::kConverted) std::abort();
  std::size_t lost = 0;
  const std::string mark = result.output_mark ? "\xEF\xBB\xBF" : "";
  if (written != mark + Expected(q, std::string_view(input).substr(result.input.mark),
                                 result.input.encoding, result.output, lost) ||
      result.lost != lost)
    std::abort();
  return 0;
}
