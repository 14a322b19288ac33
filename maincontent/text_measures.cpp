#include "maincontent/text_measures.h"

#include <array>
#include <memory>
#include <string>

#include "platform/codepage.h"

namespace engine::maincontent {
namespace {

constexpr bool Within(char32_t c, char32_t first, char32_t last) {
  return c >= first && c <= last;
}

CharClass ClassOfAscii(char32_t c) {
  if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f') return CharClass::kSpace;
  if (Within(c, 'a', 'z') || Within(c, 'A', 'Z') || Within(c, '0', '9')) return CharClass::kLetter;
  if (c == ',') return CharClass::kComma;
  if (c == '.' || c == '!' || c == '?') return CharClass::kStop;
  return CharClass::kOther;
}

// The classes of the code page's characters, found once by decoding each:
// a double-byte character at (lead << 8 | trail), a single byte at itself.
const std::array<CharClass, 0x10000>& CodePageClasses() {
  static const std::unique_ptr<std::array<CharClass, 0x10000>> classes = [] {
    auto table = std::make_unique<std::array<CharClass, 0x10000>>();
    table->fill(CharClass::kOther);
    auto class_of = [](std::string_view bytes) {
      const std::u16string text = platform::DecodeAnsi(bytes);
      if (text.size() != 1) return CharClass::kOther;
      return ClassOf(text[0]);
    };
    for (unsigned lead = 0; lead < 0x100; ++lead) {
      const char first = static_cast<char>(lead);
      if (lead < 0x80) {
        (*table)[lead] = ClassOfAscii(lead);
      } else if (!platform::IsAnsiLeadByte(static_cast<unsigned char>(lead))) {
        (*table)[lead] = class_of(std::string_view(&first, 1));
      } else {
        for (unsigned trail = 0x40; trail < 0x100; ++trail) {
          const char pair[] = {first, static_cast<char>(trail)};
          (*table)[lead << 8 | trail] = class_of(std::string_view(pair, 2));
        }
      }
    }
    return table;
  }();
  return *classes;
}

inline void Count(CharClass c, bool& in_word, TextMeasures& into) {
  switch (c) {
    case CharClass::kSpace:
      in_word = false;
      return;
    case CharClass::kLetter:
      into.words += !in_word;
      in_word = true;
      ++into.chars;
      return;
    case CharClass::kWide:
      ++into.wide;
      break;
    case CharClass::kComma:
      ++into.commas;
      break;
    case CharClass::kStop:
      ++into.stops;
      break;
    case CharClass::kOther:
      break;
  }
  in_word = false;
  ++into.chars;
}

}  // namespace

CharClass ClassOf(char32_t c) {
  if (c < 0x80) return ClassOfAscii(c);
  if (c == 0xA0 || c == 0x3000 || Within(c, 0x2000, 0x200B)) return CharClass::kSpace;
  if (c == 0x3001 || c == 0xFF0C || c == 0xFF64) return CharClass::kComma;  // 、 ， ､
  if (c == 0x3002 || c == 0xFF0E || c == 0xFF01 || c == 0xFF1F || c == 0xFF61)
    return CharClass::kStop;  // 。 ． ！ ？ ｡
  if (Within(c, 0x3040, 0x30FF) || Within(c, 0x3400, 0x4DBF) || Within(c, 0x4E00, 0x9FFF) ||
      Within(c, 0xF900, 0xFAFF) || Within(c, 0xAC00, 0xD7AF) || Within(c, 0x1100, 0x11FF) ||
      Within(c, 0x3130, 0x318F) || Within(c, 0x31F0, 0x31FF) || Within(c, 0x20000, 0x3FFFF) ||
      Within(c, 0xFF10, 0xFF19) || Within(c, 0xFF21, 0xFF3A) || Within(c, 0xFF41, 0xFF5A) ||
      Within(c, 0xFF66, 0xFF9F) || c == 0x3005 || c == 0x3006 || c == 0x3007)
    return CharClass::kWide;
  // Letters of the scripts that space their words: Latin, Greek, Cyrillic
  // and the others up to the general punctuation.
  if (Within(c, 0xC0, 0x24F) || Within(c, 0x370, 0x1FFF)) {
    if (c == 0xD7 || c == 0xF7) return CharClass::kOther;
    return CharClass::kLetter;
  }
  return CharClass::kOther;
}

void MeasureCodePoint(char32_t code_point, bool& in_word, TextMeasures& into) {
  Count(ClassOf(code_point), in_word, into);
}

void Measure(std::string_view run, const scan::LeadBytes* leads, bool& in_word,
             TextMeasures& into) {
  const auto* p = reinterpret_cast<const unsigned char*>(run.data());
  const std::size_t n = run.size();
  if (leads != nullptr) {
    const auto& classes = CodePageClasses();
    for (std::size_t i = 0; i < n;) {
      const unsigned b = p[i];
      if ((*leads)[b] && i + 1 < n) {
        Count(classes[b << 8 | p[i + 1]], in_word, into);
        i += 2;
      } else {
        Count(classes[b], in_word, into);
        ++i;
      }
    }
    return;
  }
  for (std::size_t i = 0; i < n;) {
    const unsigned b = p[i];
    if (b < 0x80) {
      Count(ClassOfAscii(b), in_word, into);
      ++i;
      continue;
    }
    // UTF-8, in normal form.
    const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    char32_t c = length == 4 ? b & 0x07 : length == 3 ? b & 0x0F : b & 0x1F;
    for (std::size_t k = 1; k < length && i + k < n; ++k) c = c << 6 | (p[i + k] & 0x3F);
    Count(ClassOf(c), in_word, into);
    i += length;
  }
}

void Measure(std::u16string_view run, const scan::LeadBytes*, bool& in_word, TextMeasures& into) {
  for (std::size_t i = 0; i < run.size(); ++i) {
    char32_t c = run[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < run.size() && run[i + 1] >= 0xDC00 &&
        run[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (run[i + 1] - 0xDC00);
      ++i;
    }
    Count(ClassOf(c), in_word, into);
  }
}

}  // namespace engine::maincontent
