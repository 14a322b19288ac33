// What the main-content choice counts of text: characters (white space
// apart), how many of them are Chinese or Japanese (kana, kanji, Hangul,
// full-width forms: text written without spaces between words), words of
// the scripts that space them, and the punctuation of clauses and
// sentences, `、。，．！？` counting as the `, . ! ?` they are. A page gives
// the same counts whatever encoding it comes in.
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

  void Add(const TextMeasures& other) {
    chars += other.chars;
    wide += other.wide;
    words += other.words;
    commas += other.commas;
    stops += other.stops;
  }
  // How much text this is, Chinese and Japanese characters counting as
  // much as a few letters each: a clause of 20 kanji and kana says what one
  // of 60 letters does.
  std::uint64_t Weight() const { return chars + 2 * wide; }
};

enum class CharClass : std::uint8_t { kSpace, kLetter, kWide, kComma, kStop, kOther };

CharClass ClassOf(char32_t code_point);

// Counts runs of text into `into`; `in_word` carries a word cut by a run's
// end to the next run. `leads`: the code page's lead bytes (its double-byte
// characters are told through the code page); without, bytes are UTF-8.
void Measure(std::string_view run, const scan::LeadBytes* leads, bool& in_word, TextMeasures& into);
void Measure(std::u16string_view run, const scan::LeadBytes* leads, bool& in_word,
             TextMeasures& into);
void MeasureCodePoint(char32_t code_point, bool& in_word, TextMeasures& into);

}  // namespace engine::maincontent
