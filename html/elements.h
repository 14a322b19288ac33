// What HTML says of its elements, by name: which are void,
// which close an open paragraph or bound a search of the open elements,
// what content follows their start tag, which a browser never shows, and
// how the layout puts them into lines.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace engine::html {

// HTML's white space: space, tab, line feed, form feed and carriage return.
template <typename Char>
constexpr bool IsSpace(Char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

// A name as a number, made one character (in lower case) at a time: a name
// of up to eight characters of ASCII is the number itself, a byte each from
// the lowest; a longer one, or one with other characters, is FNV-1a over
// its characters with the top bit set, which ASCII never sets.
class NameKeyMaker {
 public:
  constexpr void Take(std::uint32_t lower_unit) {
    if (!hashed_ && length_ < 8 && lower_unit < 0x80) {
      packed_ |= std::uint64_t(lower_unit) << (8 * length_);
    } else {
      if (!hashed_) {
        for (unsigned b = 0; b < length_; ++b) hash_ = Step(hash_, (packed_ >> (8 * b)) & 0xFF);
        hashed_ = true;
      }
      hash_ = Step(hash_, lower_unit);
    }
    ++length_;
  }
  constexpr std::uint64_t key() const { return hashed_ ? hash_ | std::uint64_t(1) << 63 : packed_; }

 private:
  static constexpr std::uint64_t Step(std::uint64_t hash, std::uint64_t unit) {
    return (hash ^ unit) * 0x100000001B3u;
  }

  std::uint64_t packed_ = 0;
  std::uint64_t hash_ = 0xCBF29CE484222325u;
  std::uint32_t length_ = 0;
  bool hashed_ = false;
};

constexpr std::uint64_t NameKey(std::string_view lower_name) {
  NameKeyMaker maker;
  for (const char c : lower_name) maker.Take(static_cast<unsigned char>(c));
  return maker.key();
}

// The names the layout asks for by key (a variable, so that it is made when
// compiling).
namespace names {
inline constexpr std::uint64_t kA = NameKey("a");
inline constexpr std::uint64_t kAddress = NameKey("address");
inline constexpr std::uint64_t kAlt = NameKey("alt");
inline constexpr std::uint64_t kBody = NameKey("body");
inline constexpr std::uint64_t kColspan = NameKey("colspan");
inline constexpr std::uint64_t kButton = NameKey("button");
inline constexpr std::uint64_t kDiv = NameKey("div");
inline constexpr std::uint64_t kHidden = NameKey("hidden");
inline constexpr std::uint64_t kHref = NameKey("href");
inline constexpr std::uint64_t kHtml = NameKey("html");
inline constexpr std::uint64_t kImage = NameKey("image");
inline constexpr std::uint64_t kImg = NameKey("img");
inline constexpr std::uint64_t kLi = NameKey("li");
inline constexpr std::uint64_t kName = NameKey("name");
inline constexpr std::uint64_t kOl = NameKey("ol");
inline constexpr std::uint64_t kP = NameKey("p");
inline constexpr std::uint64_t kReversed = NameKey("reversed");
inline constexpr std::uint64_t kRb = NameKey("rb");
inline constexpr std::uint64_t kRp = NameKey("rp");
inline constexpr std::uint64_t kRt = NameKey("rt");
inline constexpr std::uint64_t kRtc = NameKey("rtc");
inline constexpr std::uint64_t kRuby = NameKey("ruby");
inline constexpr std::uint64_t kSrc = NameKey("src");
inline constexpr std::uint64_t kStart = NameKey("start");
inline constexpr std::uint64_t kStyle = NameKey("style");
inline constexpr std::uint64_t kTd = NameKey("td");
inline constexpr std::uint64_t kTemplate = NameKey("template");
inline constexpr std::uint64_t kTh = NameKey("th");
inline constexpr std::uint64_t kType = NameKey("type");
inline constexpr std::uint64_t kValue = NameKey("value");
}  // namespace names

// `bits` well-mixed bits of a key.
constexpr std::size_t KeyBits(std::uint64_t key, int bits) {
  return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15u) >> (64 - bits));
}

// What follows a start tag, as the tree builder tells the tokenizer.
enum class Content : std::uint8_t { kData, kRcdata, kRawText, kScriptData, kPlainText };

// What kind of block or inline an element is: how a layout of lines treats
// it, and the few elements that stand for text of their own (a rule, a
// break, an image, a link).
enum class Kind : std::uint8_t {
  kOther,
  kPre,       // its text stays as written, and it is a block
  kTextarea,  // its text stays as written
  kBlock,
  kHeading,
  kList,  // ul, and menu and dir
  kOrderedList,
  kItem,
  kCell,
  kRow,
  kTable,
  kSection,  // tbody, thead, tfoot
  kTitle,    // a block, when it is shown at all
  kRule,     // hr
  kBreak,    // br
  kParagraph,
  kImage,
  kAnchor,
  kQuote,  // blockquote
  kDefinitionList,
  kTerm,         // dt
  kDescription,  // dd
  kCaption,
  kOption,
  kOptionGroup,
  kForeignRoot,  // svg, math
};

// Properties, as bits.
enum : std::uint16_t {
  kVoid = 1 << 0,         // never has content or an end tag
  kClosesP = 1 << 1,      // its start tag closes an open p
  kSpecial = 1 << 2,      // stops the search for the element an inline end tag closes
  kScope = 1 << 3,        // bounds the search for an element "in scope"
  kHidden = 1 << 4,       // a browser never shows it or anything in it
  kHeadContent = 1 << 5,  // belongs to the document's head: its start tag does not begin the body
  kBreaksOut = 1 << 6,    // its start tag ends foreign content (svg, math)
  kImplies = 1 << 7,      // its start tag may end other elements (set by the table)
  kLine = 1 << 8,         // a block: it begins and ends lines
  kMargins = 1 << 9,      // a block with margins: an empty line before and after
};

struct Element {
  Kind kind = Kind::kOther;
  std::uint16_t properties = 0;
  Content content = Content::kData;

  constexpr bool Is(std::uint16_t property) const { return (properties & property) != 0; }
};

struct ElementSlot {
  std::uint64_t key = 0;  // 0: none
  Element element;
};
constexpr int kElementSlotBits = 9;
constexpr std::size_t kElementSlotCount = std::size_t(1) << kElementSlotBits;
extern const std::array<ElementSlot, kElementSlotCount> kElementSlots;

// The element of a name's key; an element with no kind or property for a
// name HTML gives no rule.
const Element& ElementAfterFirstSlot(std::uint64_t key, std::size_t first);
inline const Element& ElementOf(std::uint64_t key) {
  const std::size_t at = KeyBits(key, kElementSlotBits);
  const ElementSlot& slot = kElementSlots[at];
  if (slot.key == key || slot.key == 0) return slot.element;
  return ElementAfterFirstSlot(key, at);
}

}  // namespace engine::html
