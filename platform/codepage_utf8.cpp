// UTF-8 as the Encoding standard reads and writes it.
#include <bit>
#include <cstdint>
#include <cstring>

#include "platform/codecs.h"
#include "platform/codepage.h"
#include "platform/utf8_avx2.h"

namespace platform {
namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";

// What begins at p[i]: a character of `size` bytes, a malformed sequence of
// `size` bytes (the lead byte and the continuation bytes that fitted it,
// which decode as one U+FFFD), or, when the bytes end first, the start of a
// character still incomplete.
struct Step {
  enum Kind { kCharacter, kMalformed, kIncomplete } kind;
  std::size_t size;
};

inline Step StepAt(const unsigned char* p, std::size_t i, std::size_t n) {
  const unsigned c = p[i];
  if (c < 0x80) return {Step::kCharacter, 1};
  std::size_t needed;
  unsigned low = 0x80, high = 0xBF;  // the second byte's range
  if (c >= 0xC2 && c <= 0xDF) {
    needed = 1;
  } else if (c >= 0xE0 && c <= 0xEF) {
    needed = 2;
    if (c == 0xE0) low = 0xA0;   // no overlong forms
    if (c == 0xED) high = 0x9F;  // no surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    needed = 3;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;  // nothing past U+10FFFF
  } else {
    return {Step::kMalformed, 1};
  }
  for (std::size_t k = 1; k <= needed; ++k) {
    if (i + k >= n) return {Step::kIncomplete, n - i};
    const unsigned b = p[i + k];
    if (b < low || b > high) return {Step::kMalformed, k};
    low = 0x80, high = 0xBF;
  }
  return {Step::kCharacter, needed + 1};
}

// The code point of a well-formed character of `size` bytes.
inline char32_t CodePoint(const unsigned char* p, std::size_t size) {
  switch (size) {
    case 1:
      return p[0];
    case 2:
      return (p[0] & 0x1Fu) << 6 | (p[1] & 0x3Fu);
    case 3:
      return (p[0] & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
    default:
      return (p[0] & 0x07u) << 18 | (p[1] & 0x3Fu) << 12 | (p[2] & 0x3Fu) << 6 | (p[3] & 0x3Fu);
  }
}

// Whether a character of three bytes whose second byte needs no range of its
// own (lead byte E1 to EF but ED: most of Japanese) begins, whole, at p[i].
inline bool CommonThreeBytes(const unsigned char* p, std::size_t i, std::size_t n) {
  if (i + 2 >= n || p[i] < 0xE1 || p[i] > 0xEF || p[i] == 0xED) return false;
  std::uint16_t tail;
  std::memcpy(&tail, p + i + 1, 2);
  return (tail & 0xC0C0) == 0x8080;
}

}  // namespace

std::size_t ValidUtf8Length(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
#ifdef QUILLMERE_HAS_AVX2_KERNELS
  if (n >= 64 && ActiveVectorUnit() == VectorUnit::kAvx2) i = detail::Utf8CheckedAvx2(p, n);
#endif
  while (i < n) {
    i += AsciiRun(p, i, n);
    // Characters other than ASCII come in runs (a word of Japanese): take
    // the common three-byte ones without the general step.
    while (i < n) {
      if (p[i] < 0x80) break;
      if (CommonThreeBytes(p, i, n)) {
        i += 3;
        continue;
      }
      const Step step = StepAt(p, i, n);
      if (step.kind != Step::kCharacter) return i;
      i += step.size;
    }
  }
  return n;
}

char16_t* DecodeUtf8To(std::string_view bytes, bool last, char16_t* o, std::size_t& taken) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    if (p[i] < 0x80) {
      const std::size_t ascii = AsciiRun(p, i, n);
      o = WidenAscii(p + i, ascii, o);
      i += ascii;
    }
    // Characters of three bytes (most of Japanese) without the general step.
    while (CommonThreeBytes(p, i, n)) {
      *o++ = static_cast<char16_t>(CodePoint(p + i, 3));
      i += 3;
    }
    if (i == n) break;
    if (p[i] < 0x80) continue;
    const Step step = StepAt(p, i, n);
    if (step.kind == Step::kIncomplete && !last) break;
    char32_t cp = step.kind == Step::kCharacter ? CodePoint(p + i, step.size) : 0xFFFD;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      *o++ = static_cast<char16_t>(0xD800 + (cp >> 10));
      *o++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      *o++ = static_cast<char16_t>(cp);
    }
    i += step.size;
  }
  taken = i;
  return o;
}

std::u16string DecodeUtf8(std::string_view bytes) {
  std::u16string out(bytes.size() + 1, u'\0');
  std::size_t taken = 0;
  out.resize(static_cast<std::size_t>(DecodeUtf8To(bytes, true, out.data(), taken) - out.data()));
  return out;
}

std::size_t EncodeUtf8To(std::u16string_view text, char* out) {
  auto* o = reinterpret_cast<unsigned char*>(out);
  const char16_t* t = text.data();
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    if (t[i] < 0x80) {
      const std::size_t ascii = AsciiUnits(t, i, n);
      o = NarrowAscii(t + i, ascii, o);
      i += ascii;
      continue;
    }
    char32_t cp = t[i++];
    if (cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF)) {  // most of Japanese
      o[0] = static_cast<unsigned char>(0xE0 | cp >> 12);
      o[1] = static_cast<unsigned char>(0x80 | (cp >> 6 & 0x3F));
      o[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
      o += 3;
      continue;
    }
    if (cp >= 0xD800 && cp <= 0xDFFF) {
      if (cp <= 0xDBFF && i < n && t[i] >= 0xDC00 && t[i] <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (t[i++] - 0xDC00);
      } else {
        cp = 0xFFFD;
      }
    }
    if (cp < 0x800) {
      *o++ = static_cast<unsigned char>(0xC0 | cp >> 6);
      *o++ = static_cast<unsigned char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      *o++ = static_cast<unsigned char>(0xE0 | cp >> 12);
      *o++ = static_cast<unsigned char>(0x80 | (cp >> 6 & 0x3F));
      *o++ = static_cast<unsigned char>(0x80 | (cp & 0x3F));
    } else {
      *o++ = static_cast<unsigned char>(0xF0 | cp >> 18);
      *o++ = static_cast<unsigned char>(0x80 | (cp >> 12 & 0x3F));
      *o++ = static_cast<unsigned char>(0x80 | (cp >> 6 & 0x3F));
      *o++ = static_cast<unsigned char>(0x80 | (cp & 0x3F));
    }
  }
  return static_cast<std::size_t>(reinterpret_cast<char*>(o) - out);
}

std::string EncodeUtf8(std::u16string_view text) {
  std::string out(3 * text.size(), '\0');
  out.resize(EncodeUtf8To(text, out.data()));
  return out;
}

std::string_view NormalizeUtf8(std::string_view bytes, bool last, std::string& scratch,
                               std::size_t& taken) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = ValidUtf8Length(bytes);
  if (i == n || (!last && StepAt(p, i, n).kind == Step::kIncomplete)) {
    taken = i;
    return bytes.substr(0, i);
  }
  scratch.assign(bytes.data(), i);
  while (i < n) {
    const Step step = StepAt(p, i, n);
    if (step.kind == Step::kIncomplete && !last) break;
    if (step.kind == Step::kCharacter)
      scratch.append(bytes.data() + i, step.size);
    else
      scratch.append(kReplacement, 3);
    i += step.size;
    const std::size_t valid = ValidUtf8Length(bytes.substr(i));
    scratch.append(bytes.data() + i, valid);
    i += valid;
  }
  taken = i;
  return scratch;
}

}  // namespace platform
