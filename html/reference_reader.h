// Character references as HTML reads them (every named and numeric one, or
// only the classic three), and decoded characters written in the output's
// form: UTF-16, or the bytes of the session's codec.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/byte_codec.h"

namespace engine {

// How the reference at a text's "&" reads: `length` characters (0: more
// text is needed to tell), standing for up to two code points (none: the
// "&" is just a character).
struct Reference {
  std::size_t length = 1;
  char32_t first = 0, second = 0;
};

template <typename Char>
class ReferenceReader {
 public:
  using String = std::basic_string<Char>;
  using View = std::basic_string_view<Char>;

  // `every`: all the references of HTML; else "&amp;", "&lt;" and "&gt;"
  // (and "&amp;lt;", "&amp;gt;"), as the classic conversion decodes them.
  explicit ReferenceReader(bool every) : every_(every) {}

  // The reference at text[at], an "&"; `complete` when no text follows
  // `text`; `attribute` for a reference in an attribute's value, where a
  // name without ";" before "=" or a letter or digit is left as written.
  Reference Read(View text, std::size_t at, bool complete, bool attribute) const;

  // The same for the references most text holds ("&amp;", "&lt;", "&gt;",
  // "&quot;", "&nbsp;" with their ";", every reference being read), found
  // where they stand; length 0 for any other.
  Reference Common(View text, std::size_t at) const {
    if (!every_ || text.size() - at < 6) return {0, 0, 0};
    const Char* p = text.data() + at + 1;
    if (p[1] == 't' && p[2] == ';') {
      if (p[0] == 'l') return {4, '<', 0};
      if (p[0] == 'g') return {4, '>', 0};
    } else if (p[0] == 'a' && p[1] == 'm' && p[2] == 'p' && p[3] == ';') {
      return {5, '&', 0};
    } else if (p[4] == ';') {
      if (p[0] == 'n' && p[1] == 'b' && p[2] == 's' && p[3] == 'p') return {6, 0xA0, 0};
      if (p[0] == 'q' && p[1] == 'u' && p[2] == 'o' && p[3] == 't') return {6, '"', 0};
    }
    return {0, 0, 0};
  }

  // A reference held over to the next piece: as written, but for the
  // digits of a numeric one, which are kept to as many as tell its value.
  static String HoldForm(View reference);

 private:
  // A named reference looked up lately: its name of up to seven characters
  // and ";", a byte each from the lowest, and what it stands for.
  struct RecentName {
    std::uint64_t key = 0;
    char32_t first = 0, second = 0;
  };

  Reference ReadClassic(View text, std::size_t at, bool complete) const;
  Reference ReadNumeric(View text, std::size_t at, bool complete) const;

  bool every_;
  mutable std::array<RecentName, 32> recent_{};
};

// Decoded characters in the output's form.
template <typename Char>
class OutputForm {
 public:
  using String = std::basic_string<Char>;

  // `codec` encodes (null for UTF-16).
  explicit OutputForm(const ByteCodec* codec);

  // A space that the output cannot hold (a no-break space in Shift_JIS)
  // is written as a plain space.
  void Append(char32_t code_point, String& to) const { Put(code_point, to, true); }
  // The same for a character that is only looked at, never written (a
  // style's value): one the output cannot hold is a "?" for each of its
  // UTF-16 units, not the encoder's nearest character, and is not counted
  // among the characters lost.
  void AppendUnwritten(char32_t code_point, String& to) const;
  // As Append, for text held that may or may not be written: a character
  // the output cannot hold is not counted among the characters lost but
  // listed in `held` (where it stands in `to`), to be counted (CountLost)
  // if and when that part is written.
  struct Held {
    std::size_t at;
    char32_t code_point;
  };
  void AppendHeld(char32_t code_point, String& to, std::vector<Held>* held) const;
  // Counts a character listed by AppendHeld, now written.
  void CountLost(char32_t code_point) const;
  const String& NoBreakSpace() const { return nbsp_; }

 private:
  // Neither AppendUnwritten nor AppendHeld has the codec count, or change
  // anything: they may run beside the conversion, on the main content's
  // recorder's thread (see ByteCodec).
  void Put(char32_t code_point, String& to, bool counted) const;
  // Whether Put writes the codec's nearest character for it, which Append
  // counts among the characters lost.
  bool Lost(char32_t code_point) const;

  const ByteCodec* codec_;
  String nbsp_;  // U+00A0 in the output's form
};

// An attribute's value as HTML decodes it (every reference, or the classic
// three, as the reader reads them), appended to `to` in the output's form;
// unless `written`, as OutputForm::AppendUnwritten gives its references;
// with `held`, as OutputForm::AppendHeld does.
template <typename Char>
void AppendAttributeValue(const ReferenceReader<Char>& references, const OutputForm<Char>& form,
                          std::basic_string_view<Char> value, std::basic_string<Char>& to,
                          bool written = true,
                          std::vector<typename OutputForm<Char>::Held>* held = nullptr);

}  // namespace engine
