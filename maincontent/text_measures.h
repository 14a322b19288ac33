// What the main-content choice counts of text: characters (white space
// apart), how many of them are Chinese or Japanese (kana, kanji, Hangul,
// full-width forms: text written without spaces between words), words of
// the scripts that space them, and the punctuation of clauses and
// sentences, `、。，．！？` counting as the `, . ! ?` they are; and how a text
// opens, to know a block by the description a page gives of itself. A page
// gives the same counts whatever encoding it comes in.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/scan.h"

namespace engine::maincontent {

struct TextMeasures {
  std::uint64_t chars = 0;   // characters but white space
  std::uint64_t wide = 0;    // of them, Chinese and Japanese
  std::uint64_t words = 0;   // runs of letters and digits of the other scripts
  std::uint64_t commas = 0;  // , 、 ，
  std::uint64_t stops = 0;   // . ! ? 。 ！ ？ ．
};

enum class CharClass : std::uint8_t { kSpace, kLetter, kWide, kComma, kStop, kOther };

CharClass ClassOf(char32_t code_point);

// The first letters and digits of a text (those of kOpeningLength, in
// lower case), as one number: two texts that open alike have the same.
class Opening {
 public:
  static constexpr int kOpeningLength = 24;
  void Take(char32_t code_point, CharClass c) {
    if (count_ >= kOpeningLength || (c != CharClass::kLetter && c != CharClass::kWide)) return;
    if (code_point >= 'A' && code_point <= 'Z') code_point |= 0x20;
    hash_ = (hash_ ^ code_point) * 0x100000001B3u;
    ++count_;
  }
  bool full() const { return count_ >= kOpeningLength; }
  // 0 until the text has given all its letters.
  std::uint32_t value() const {
    return count_ < kOpeningLength ? 0 : static_cast<std::uint32_t>(hash_ ^ hash_ >> 32) | 1;
  }

 private:
  std::uint64_t hash_ = 0xCBF29CE484222325u;
  int count_ = 0;
};

// What carries from one run of text to the next: a word, or a character,
// the run's end cut.
struct MeasureState {
  bool in_word = false;
  char32_t cut[4] = {};  // the units of a character cut short
  std::uint8_t cut_size = 0;
};

// Counts runs of text into `into` (and how they open into `opening`, when
// given). `leads`: the code page's lead bytes (its characters are told
// through the code page); without, bytes are UTF-8.
void Measure(std::string_view run, const scan::LeadBytes* leads, MeasureState& state,
             TextMeasures& into, Opening* opening = nullptr);
void Measure(std::u16string_view run, const scan::LeadBytes* leads, MeasureState& state,
             TextMeasures& into, Opening* opening = nullptr);
void MeasureCodePoint(char32_t code_point, MeasureState& state, TextMeasures& into,
                      Opening* opening = nullptr);

}  // namespace engine::maincontent
