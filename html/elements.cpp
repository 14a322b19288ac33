#include "html/elements.h"

#include <array>

namespace engine::html {
namespace {

struct Named {
  std::string_view name;
  Element element;
};

constexpr std::uint16_t kBlockStart = kClosesP | kSpecial;
constexpr std::uint16_t kLines = kLine;              // a block
constexpr std::uint16_t kSpaced = kLine | kMargins;  // a block with margins

// The HTML standard's lists ("special", the scopes, the elements whose start
// tag closes a p, what ends foreign content, the head's elements), the
// content its tree builder gives each raw-text element with scripting on,
// and what the browser's default style sheet never displays.
constexpr Named kElements[] = {
    {"a", {Kind::kAnchor, 0, Content::kData}},
    {"address", {Kind::kBlock, kBlockStart | kSpaced, Content::kData}},
    {"applet", {Kind::kOther, kSpecial | kScope, Content::kData}},
    {"area", {Kind::kOther, kVoid | kSpecial, Content::kData}},
    {"article", {Kind::kBlock, kBlockStart | kLines, Content::kData}},
    {"aside", {Kind::kBlock, kBlockStart | kLines, Content::kData}},
    {"b", {Kind::kOther, kBreaksOut, Content::kData}},
    {"base", {Kind::kOther, kVoid | kSpecial | kHeadContent, Content::kData}},
    {"basefont", {Kind::kOther, kVoid | kSpecial | kHeadContent, Content::kData}},
    {"bgsound", {Kind::kOther, kVoid | kSpecial | kHeadContent, Content::kData}},
    {"big", {Kind::kOther, kBreaksOut, Content::kData}},
    {"blockquote", {Kind::kQuote, kBlockStart | kBreaksOut | kSpaced, Content::kData}},
    {"body", {Kind::kOther, kSpecial | kBreaksOut, Content::kData}},
    {"br", {Kind::kBreak, kVoid | kSpecial | kBreaksOut, Content::kData}},
    {"button", {Kind::kOther, kSpecial, Content::kData}},
    {"caption", {Kind::kCaption, kSpecial | kScope | kLines, Content::kData}},
    {"center", {Kind::kBlock, kBlockStart | kBreaksOut | kLines, Content::kData}},
    {"code", {Kind::kOther, kBreaksOut, Content::kData}},
    {"col", {Kind::kOther, kVoid | kSpecial, Content::kData}},
    {"colgroup", {Kind::kOther, kSpecial, Content::kData}},
    {"datalist", {Kind::kOther, kHidden, Content::kData}},
    {"dd", {Kind::kDescription, kBlockStart | kBreaksOut | kLines, Content::kData}},
    {"details", {Kind::kBlock, kBlockStart | kLines, Content::kData}},
    {"dialog", {Kind::kBlock, kBlockStart | kLines, Content::kData}},
    {"dir", {Kind::kList, kBlockStart | kSpaced, Content::kData}},
    {"div", {Kind::kBlock, kBlockStart | kBreaksOut | kLines, Content::kData}},
    {"dl", {Kind::kDefinitionList, kBlockStart | kBreaksOut | kSpaced, Content::kData}},
    {"dt", {Kind::kTerm, kBlockStart | kBreaksOut | kLines, Content::kData}},
    {"em", {Kind::kOther, kBreaksOut, Content::kData}},
    {"embed", {Kind::kOther, kVoid | kSpecial | kBreaksOut, Content::kData}},
    {"fieldset", {Kind::kBlock, kBlockStart | kLines, Content::kData}},
    {"figcaption", {Kind::kBlock, kBlockStart | kLines, Content::kData}},
    {"figure", {Kind::kBlock, kBlockStart | kSpaced, Content::kData}},
    {"footer", {Kind::kBlock, kBlockStart | kLines, Content::kData}},
    {"form", {Kind::kBlock, kBlockStart | kLines, Content::kData}},
    {"frame", {Kind::kOther, kVoid | kSpecial, Content::kData}},
    {"frameset", {Kind::kOther, kSpecial, Content::kData}},
    {"h1", {Kind::kHeading, kBlockStart | kBreaksOut | kSpaced, Content::kData}},
    {"h2", {Kind::kHeading, kBlockStart | kBreaksOut | kSpaced, Content::kData}},
    {"h3", {Kind::kHeading, kBlockStart | kBreaksOut | kSpaced, Content::kData}},
    {"h4", {Kind::kHeading, kBlockStart | kBreaksOut | kSpaced, Content::kData}},
    {"h5", {Kind::kHeading, kBlockStart | kBreaksOut | kSpaced, Content::kData}},
    {"h6", {Kind::kHeading, kBlockStart | kBreaksOut | kSpaced, Content::kData}},
    {"head", {Kind::kOther, kSpecial | kHeadContent | kBreaksOut, Content::kData}},
    {"header", {Kind::kBlock, kBlockStart | kLines, Content::kData}},
    {"hgroup", {Kind::kBlock, kBlockStart | kLines, Content::kData}},
    {"hr", {Kind::kRule, kVoid | kBlockStart | kBreaksOut | kSpaced, Content::kData}},
    {"html", {Kind::kOther, kSpecial | kScope | kHeadContent, Content::kData}},
    {"i", {Kind::kOther, kBreaksOut, Content::kData}},
    {"iframe", {Kind::kOther, kSpecial | kHidden, Content::kRawText}},
    {"image", {Kind::kImage, kVoid, Content::kData}},
    {"img", {Kind::kImage, kVoid | kSpecial | kBreaksOut, Content::kData}},
    {"input", {Kind::kOther, kVoid | kSpecial, Content::kData}},
    {"keygen", {Kind::kOther, kVoid | kSpecial, Content::kData}},
    {"li", {Kind::kItem, kBlockStart | kBreaksOut | kLines, Content::kData}},
    {"link", {Kind::kOther, kVoid | kSpecial | kHeadContent, Content::kData}},
    {"listing", {Kind::kPre, kBlockStart | kBreaksOut | kSpaced, Content::kData}},
    {"main", {Kind::kBlock, kBlockStart | kLines, Content::kData}},
    {"marquee", {Kind::kOther, kSpecial | kScope, Content::kData}},
    {"math", {Kind::kForeignRoot, 0, Content::kData}},
    {"menu", {Kind::kList, kBlockStart | kBreaksOut | kSpaced, Content::kData}},
    {"meta", {Kind::kOther, kVoid | kSpecial | kHeadContent | kBreaksOut, Content::kData}},
    {"nav", {Kind::kBlock, kBlockStart | kLines, Content::kData}},
    {"nobr", {Kind::kOther, kBreaksOut, Content::kData}},
    {"noembed", {Kind::kOther, kSpecial | kHidden, Content::kRawText}},
    {"noframes", {Kind::kOther, kSpecial | kHidden | kHeadContent, Content::kRawText}},
    {"noscript", {Kind::kOther, kSpecial | kHidden | kHeadContent, Content::kRawText}},
    {"object", {Kind::kOther, kSpecial | kScope, Content::kData}},
    {"ol", {Kind::kOrderedList, kBlockStart | kBreaksOut | kSpaced, Content::kData}},
    {"optgroup", {Kind::kOptionGroup, 0, Content::kData}},
    {"option", {Kind::kOption, 0, Content::kData}},
    {"p", {Kind::kParagraph, kBlockStart | kBreaksOut | kSpaced, Content::kData}},
    {"param", {Kind::kOther, kVoid | kSpecial, Content::kData}},
    {"plaintext", {Kind::kPre, kBlockStart | kSpaced, Content::kPlainText}},
    {"pre", {Kind::kPre, kBlockStart | kBreaksOut | kSpaced, Content::kData}},
    {"rp", {Kind::kOther, kHidden, Content::kData}},
    {"ruby", {Kind::kOther, kBreaksOut, Content::kData}},
    {"s", {Kind::kOther, kBreaksOut, Content::kData}},
    {"script", {Kind::kOther, kSpecial | kHidden | kHeadContent, Content::kScriptData}},
    {"search", {Kind::kBlock, kBlockStart | kLines, Content::kData}},
    {"section", {Kind::kBlock, kBlockStart | kLines, Content::kData}},
    {"select", {Kind::kOther, kSpecial, Content::kData}},
    {"small", {Kind::kOther, kBreaksOut, Content::kData}},
    {"source", {Kind::kOther, kVoid | kSpecial, Content::kData}},
    {"span", {Kind::kOther, kBreaksOut, Content::kData}},
    {"strike", {Kind::kOther, kBreaksOut, Content::kData}},
    {"strong", {Kind::kOther, kBreaksOut, Content::kData}},
    {"style", {Kind::kOther, kSpecial | kHidden | kHeadContent, Content::kRawText}},
    {"sub", {Kind::kOther, kBreaksOut, Content::kData}},
    {"summary", {Kind::kBlock, kBlockStart | kLines, Content::kData}},
    {"sup", {Kind::kOther, kBreaksOut, Content::kData}},
    {"svg", {Kind::kForeignRoot, 0, Content::kData}},
    {"table", {Kind::kTable, kBlockStart | kScope | kBreaksOut | kSpaced, Content::kData}},
    {"tbody", {Kind::kSection, kSpecial, Content::kData}},
    {"td", {Kind::kCell, kSpecial | kScope, Content::kData}},
    {"template", {Kind::kOther, kSpecial | kScope | kHidden | kHeadContent, Content::kData}},
    {"textarea", {Kind::kTextarea, kSpecial, Content::kRcdata}},
    {"tfoot", {Kind::kSection, kSpecial, Content::kData}},
    {"th", {Kind::kCell, kSpecial | kScope, Content::kData}},
    {"thead", {Kind::kSection, kSpecial, Content::kData}},
    {"title", {Kind::kTitle, kSpecial | kHidden | kHeadContent | kLines, Content::kRcdata}},
    {"tr", {Kind::kRow, kSpecial | kLines, Content::kData}},
    {"track", {Kind::kOther, kVoid | kSpecial, Content::kData}},
    {"tt", {Kind::kOther, kBreaksOut, Content::kData}},
    {"u", {Kind::kOther, kBreaksOut, Content::kData}},
    {"ul", {Kind::kList, kBlockStart | kBreaksOut | kSpaced, Content::kData}},
    {"var", {Kind::kOther, kBreaksOut, Content::kData}},
    {"wbr", {Kind::kOther, kVoid | kSpecial, Content::kData}},
    {"xmp", {Kind::kPre, kBlockStart | kSpaced, Content::kRawText}},
};

// Whether an element's start tag may end others: it closes a p, or is an
// item, cell, row, section, heading or option.
constexpr Element WithImplies(Element e) {
  switch (e.kind) {
    case Kind::kItem:
    case Kind::kTerm:
    case Kind::kDescription:
    case Kind::kHeading:
    case Kind::kCell:
    case Kind::kRow:
    case Kind::kSection:
    case Kind::kOption:
    case Kind::kOptionGroup:
      e.properties |= kImplies;
      break;
    default:
      if (e.Is(kClosesP)) e.properties |= kImplies;
      break;
  }
  return e;
}

}  // namespace

// Open addressing on mixed bits of the key; the table is a fifth full.
constexpr std::array<ElementSlot, kElementSlotCount> kElementSlots = [] {
  std::array<ElementSlot, kElementSlotCount> slots{};
  for (const Named& named : kElements) {
    const std::uint64_t key = NameKey(named.name);
    std::size_t at = KeyBits(key, kElementSlotBits);
    while (slots[at].key != 0) at = (at + 1) % slots.size();
    slots[at] = {key, WithImplies(named.element)};
  }
  return slots;
}();

const Element& ElementAfterFirstSlot(std::uint64_t key, std::size_t first) {
  for (std::size_t at = (first + 1) % kElementSlotCount;; at = (at + 1) % kElementSlotCount) {
    const ElementSlot& slot = kElementSlots[at];
    if (slot.key == key || slot.key == 0) return slot.element;
  }
}

}  // namespace engine::html
