// HTML's character references: the named ones of the HTML standard, found
// as its tokenizer finds them (the longest name that matches, one character
// at a time), and the rules for numeric ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace engine {

struct NamedReference {
  std::string_view name;   // without "&", with its ";" where it has one
  char32_t first, second;  // second 0 for a single code point
};

// Every named reference of the standard, sorted by name.
std::span<const NamedReference> NamedReferences();

// The reference of exactly this name (with its ";" where it has one); null
// for none.
const NamedReference* FindNamedReference(std::string_view name);

// The longest named reference at the start of a text read one character at
// a time.
class NamedReferenceMatch {
 public:
  // Takes the next character after those taken; false (and it is not taken)
  // when no name goes on with it.
  bool Next(char c);
  // The longest name that the characters taken spell whole; null for none.
  const NamedReference* best() const { return best_; }
  std::size_t taken() const { return taken_; }

 private:
  std::size_t low_ = 0, high_ = 0;  // the names that begin with what was taken
  std::size_t taken_ = 0;
  const NamedReference* best_ = nullptr;
  bool started_ = false;
};

// The code point a numeric reference stands for, as HTML takes it: 0,
// surrogates and values past U+10FFFF give U+FFFD; 0x80 to 0x9F have their
// windows-1252 meaning. `value` is saturated at 0x110000 by its reader.
char32_t NumericReference(std::uint32_t value);

}  // namespace engine
