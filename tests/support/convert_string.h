// ConvertPieces over bytes held in memory, as the tests and the fuzzer run it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "mainwindow/piece_conversion.h"

namespace testing_support {

// The output of converting `input` handed over in reads of at most `most()`
// bytes each (asked anew for every read); nothing when the conversion failed.
inline std::optional<std::string> ConvertString(const clsQuillmere& converter,
                                                std::string_view input,
                                                const std::function<std::size_t()>& most,
                                                bool as_text = false) {
  std::size_t at = 0;
  std::string out;
  const bool ok = ConvertPieces(
      converter,
      [&](char* buffer, std::size_t want) -> std::ptrdiff_t {
        const std::size_t n = std::min({want, input.size() - at, most()});
        std::copy_n(input.data() + at, n, buffer);
        at += n;
        return static_cast<std::ptrdiff_t>(n);
      },
      [&](std::string_view bytes) {
        out += bytes;
        return true;
      },
      as_text);
  if (!ok) return std::nullopt;
  return out;
}

}  // namespace testing_support
