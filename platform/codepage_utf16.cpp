// UTF-16 in either byte order, as the Encoding standard reads it: a lone
// surrogate, or a byte left over at the end, decodes as U+FFFD.
#include "platform/codecs.h"

namespace platform {

std::u16string Utf16Of(char32_t c) {
  if (c < 0x10000) return std::u16string(1, static_cast<char16_t>(c));
  return {static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)),
          static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF))};
}

char16_t* DecodeUtf16To(std::string_view bytes, bool big_endian, bool last, char16_t* o,
                        std::size_t& taken) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  auto unit = [&](std::size_t i) -> char16_t {
    return static_cast<char16_t>(big_endian ? p[i] << 8 | p[i + 1] : p[i + 1] << 8 | p[i]);
  };
  std::size_t i = 0;
  for (; i + 1 < n; i += 2) {
    const char16_t u = unit(i);
    if (u < 0xD800 || u > 0xDFFF) {
      *o++ = u;
    } else if (u >= 0xDC00) {
      *o++ = u'\uFFFD';  // a low surrogate with no high one before it
    } else if (i + 3 < n) {
      const char16_t low = unit(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        *o++ = u;
        *o++ = low;
        i += 2;
      } else {
        *o++ = u'\uFFFD';  // the unit after it is read on its own
      }
    } else if (last) {
      *o++ = u'\uFFFD';
      i = n;
      break;
    } else {
      break;  // its low surrogate may come with the next piece
    }
  }
  if (last && i < n) {
    *o++ = u'\uFFFD';  // an odd byte at the end
    i = n;
  }
  taken = i;
  return o;
}

char* EncodeUtf16To(std::u16string_view text, bool big_endian, char* o) {
  for (const char16_t u : text) {
    const char high = static_cast<char>(u >> 8), low = static_cast<char>(u & 0xFF);
    *o++ = big_endian ? high : low;
    *o++ = big_endian ? low : high;
  }
  return o;
}

}  // namespace platform
