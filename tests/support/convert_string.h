// ConvertPieces over bytes held in memory, as the tests and the fuzzer run it,
// and the whole-text conversion it is held to.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "conversion/piece_conversion.h"
#include "platform/codepage.h"

namespace testing_support {

// How an input may be read again: what the second reading gives (the input
// itself when empty), whether starting again fails, and how many times it
// was started again.
struct Rereading {
  std::string_view second;
  bool fails = false;
  int count = 0;
};

// The output of converting `input` handed over in reads of at most `most()`
// bytes each (asked anew for every read); nothing when the conversion failed.
// With `again`, the input may be read again.
inline std::optional<std::string> ConvertString(const clsQuillmere& converter,
                                                std::string_view input,
                                                const std::function<std::size_t()>& most,
                                                const conversion::PieceEncodings& encodings = {},
                                                std::size_t* lost = nullptr,
                                                Rereading* again = nullptr) {
  std::size_t at = 0;
  std::string out;
  const bool ok = conversion::ConvertPieces(
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
      encodings, lost, again == nullptr ? conversion::Rewind() : conversion::Rewind([&] {
        ++again->count;
        if (!again->second.empty()) input = again->second;
        at = 0;
        return !again->fails;
      }));
  if (!ok) return std::nullopt;
  return out;
}

// The same, converting by way of UTF-8 (decoded, converted, encoded).
inline std::optional<std::string> ConvertStringAsText(const clsQuillmere& converter,
                                                      std::string_view input,
                                                      const std::function<std::size_t()>& most) {
  return ConvertString(converter, input, most,
                       {platform::Encoding::kAnsi, platform::Encoding::kAnsi, true});
}

// The text of a whole input in `encoding`, ending at its first NUL character.
inline std::u16string DecodeText(std::string_view bytes,
                                 platform::Encoding encoding = platform::Encoding::kAnsi) {
  std::u16string text;
  platform::DecodePiece(encoding, bytes, true, text);
  return text.substr(0, text.find(u'\0'));
}

}  // namespace testing_support
