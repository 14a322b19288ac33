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

CharClass ClassOfOther(char32_t c) {
  if (c == 0xA0 || c == 0x3000 || Within(c, 0x2000, 0x200B)) return CharClass::kSpace;
  if (c == 0x3001 || c == 0xFF0C || c == 0xFF64) return CharClass::kComma;  // 、 ， ､
  if (c == 0x3002 || c == 0xFF0E || c == 0xFF01 || c == 0xFF1F || c == 0xFF61)
    return CharClass::kStop;                                 // 。 ． ！ ？ ｡
  if (c == 0x30FB || c == 0xFF65) return CharClass::kOther;  // ・ ･
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

// The classes of the Basic Multilingual Plane, found once.
const std::array<CharClass, 0x10000>& Classes() {
  static const std::unique_ptr<std::array<CharClass, 0x10000>> classes = [] {
    auto table = std::make_unique<std::array<CharClass, 0x10000>>();
    for (char32_t c = 0; c < 0x10000; ++c)
      (*table)[c] = c < 0x80 ? ClassOfAscii(c) : ClassOfOther(c);
    return table;
  }();
  return *classes;
}

inline void Count(char32_t code_point, CharClass c, bool& in_word, TextMeasures& into,
                  Opening* opening) {
  if (opening) opening->Take(code_point, c);
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

inline void CountCodePoint(const std::array<CharClass, 0x10000>& classes, char32_t c, bool& in_word,
                           TextMeasures& into, Opening* opening) {
  Count(c, c < 0x10000 ? classes[c] : ClassOfOther(c), in_word, into, opening);
}

// The classes of the code page's characters by their bytes (a double-byte
// character at lead << 8 | trail, a single byte at itself), found once:
// one lookup where the character and then its class would take two.
const std::array<CharClass, 0x10000>& AnsiClasses() {
  static const std::unique_ptr<std::array<CharClass, 0x10000>> classes = [] {
    const auto& units = platform::AnsiUnits();
    const auto& of = Classes();
    auto table = std::make_unique<std::array<CharClass, 0x10000>>();
    for (std::size_t code = 0; code < 0x10000; ++code) (*table)[code] = of[units[code]];
    return table;
  }();
  return *classes;
}

}  // namespace

CharClass ClassOf(char32_t c) {
  return c < 0x10000 ? Classes()[c] : ClassOfOther(c);
}

void MeasureCodePoint(char32_t code_point, MeasureState& state, TextMeasures& into,
                      Opening* opening) {
  CountCodePoint(Classes(), code_point, state.in_word, into, opening);
}

namespace {

// A character's units, from those a run's end cut and the start of `run`:
// how many of `run` it took (0: still cut short, all of `run` kept).
template <typename Char>
std::size_t Rejoin(std::basic_string_view<Char> run, std::size_t length, MeasureState& state,
                   Char* joined) {
  std::size_t k = 0;
  for (; k < state.cut_size; ++k) joined[k] = static_cast<Char>(state.cut[k]);
  std::size_t taken = 0;
  while (k < length && taken < run.size()) joined[k++] = run[taken++];
  if (k < length) {
    for (std::size_t j = state.cut_size; j < k; ++j)
      state.cut[j] = static_cast<unsigned char>(joined[j]);
    state.cut_size = static_cast<std::uint8_t>(k);
    return 0;
  }
  state.cut_size = 0;
  return taken;
}

std::size_t Utf8Length(unsigned char b) {
  return b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
}

}  // namespace

void Measure(std::string_view run, const scan::LeadBytes* leads, MeasureState& state,
             TextMeasures& into, Opening* opening) {
  const auto& classes = Classes();
  std::size_t from = 0;
  if (state.cut_size > 0) {
    // The rest of a character the last run's end cut.
    const std::size_t length =
        leads ? std::size_t(2) : Utf8Length(static_cast<unsigned char>(state.cut[0]));
    char joined[4];
    from = Rejoin(run, length, state, joined);
    if (from == 0) return;
    Measure(std::string_view(joined, length), leads, state, into, opening);
  }
  const auto* p = reinterpret_cast<const unsigned char*>(run.data());
  const std::size_t n = run.size();
  if (leads != nullptr) {
    // By the classes of the code page's bytes, with the counts in locals
    // (the compiler cannot tell that storing them changes no byte of the
    // text, and would store each at each character); the character itself
    // only for the letters the opening takes.
    const auto& code_classes = AnsiClasses();
    const auto& units = platform::AnsiUnits();
    const scan::LeadBytes& lead = *leads;
    TextMeasures m = into;
    bool in_word = state.in_word;
    for (std::size_t i = from; i < n;) {
      const unsigned b = p[i];
      unsigned code = b;
      if (!lead[b]) {
        ++i;
      } else if (i + 1 < n) {
        code = b << 8 | p[i + 1];
        i += 2;
      } else {
        state.cut[0] = b;
        state.cut_size = 1;
        break;
      }
      const CharClass c = code_classes[code];
      if (opening != nullptr && (c == CharClass::kLetter || c == CharClass::kWide)) {
        opening->Take(units[code], c);
        if (opening->full()) opening = nullptr;
      }
      // (Kanji and kana first: most of such text, and a jump through a
      // table for each character is foreseen less often than a compare.)
      if (c == CharClass::kWide) {
        ++m.wide;
        ++m.chars;
        in_word = false;
      } else {
        Count(0, c, in_word, m, nullptr);
      }
    }
    into = m;
    state.in_word = in_word;
    return;
  }
  if (opening && opening->full()) opening = nullptr;
  // (The counts in locals, as above.)
  TextMeasures m = into;
  bool in_word = state.in_word;
  for (std::size_t i = from; i < n;) {
    const unsigned b = p[i];
    if (b < 0x80) {
      if (opening == nullptr) {  // a run of ASCII, with no branch for each class
        for (; i < n && p[i] < 0x80; ++i) {
          const CharClass c = classes[p[i]];
          const bool letter = c == CharClass::kLetter;
          m.chars += c != CharClass::kSpace;
          m.words += letter & !in_word;
          in_word = letter;
          m.commas += c == CharClass::kComma;
          m.stops += c == CharClass::kStop;
        }
        continue;
      }
      CountCodePoint(classes, b, in_word, m, opening);
      if (opening->full()) opening = nullptr;
      ++i;
      continue;
    }
    // UTF-8, in normal form.
    const std::size_t length = Utf8Length(static_cast<unsigned char>(b));
    if (i + length > n) {
      for (std::size_t k = 0; i + k < n; ++k) state.cut[k] = p[i + k];
      state.cut_size = static_cast<std::uint8_t>(n - i);
      break;
    }
    char32_t c = length == 4 ? b & 0x07 : length == 3 ? b & 0x0F : b & 0x1F;
    for (std::size_t k = 1; k < length; ++k) c = c << 6 | (p[i + k] & 0x3F);
    CountCodePoint(classes, c, in_word, m, opening);
    if (opening != nullptr && opening->full()) opening = nullptr;
    i += length;
  }
  into = m;
  state.in_word = in_word;
}

void Measure(std::u16string_view run, const scan::LeadBytes*, MeasureState& state,
             TextMeasures& into, Opening* opening) {
  const auto& classes = Classes();
  std::size_t i = 0;
  if (state.cut_size > 0 && !run.empty()) {
    const char32_t high = state.cut[0];
    state.cut_size = 0;
    if (run[0] >= 0xDC00 && run[0] <= 0xDFFF) {
      CountCodePoint(classes, 0x10000 + ((high - 0xD800) << 10) + (run[0] - 0xDC00), state.in_word,
                     into, opening);
      i = 1;
    } else {
      CountCodePoint(classes, high, state.in_word, into, opening);
    }
  }
  for (; i < run.size(); ++i) {
    char32_t c = run[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 == run.size()) {
        state.cut[0] = c;
        state.cut_size = 1;
        return;
      }
      if (run[i + 1] >= 0xDC00 && run[i + 1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (run[i + 1] - 0xDC00);
        ++i;
      }
    }
    CountCodePoint(classes, c, state.in_word, into, opening);
  }
}

}  // namespace engine::maincontent
