#include "html/visibility.h"

#include <string>

namespace engine::html {
namespace {

using namespace names;

// A React server's streamed segment: a div whose id is "S:" (or "P:", a
// postponed one) and a number in hexadecimal.
template <typename Char>
bool IsStreamedSegment(const HtmlTag<Char>& tag) {
  if (tag.key != names::kDiv) return false;
  const auto* id = tag.Find(NameKey("id"));
  if (id == nullptr || id->value.size() < 3 || id->value.size() > 10) return false;
  const std::basic_string_view<Char> v(id->value);
  if ((v[0] != 'S' && v[0] != 'P') || v[1] != ':') return false;
  for (const Char c : v.substr(2))
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

// Whether the declarations of a style attribute hide the element:
// `display: none`, or `visibility: hidden` (or collapse), in any case and
// spacing, the last declaration of each property counting unless an
// earlier one is `!important`.
template <typename Char>
bool StyleHides(std::basic_string_view<Char> css) {
  std::string text;  // in lower case, without comments; other than ASCII as 0x80
  text.reserve(css.size());
  for (std::size_t k = 0; k < css.size(); ++k) {
    if (css[k] == '/' && k + 1 < css.size() && css[k + 1] == '*') {
      std::size_t end = k + 2;
      while (end + 1 < css.size() && !(css[end] == '*' && css[end + 1] == '/')) ++end;
      k = end + 1;
      text.push_back(' ');
      continue;
    }
    const unsigned u = static_cast<std::make_unsigned_t<Char>>(css[k]);
    text.push_back(u >= 0x80 ? '\x80' : static_cast<char>(u >= 'A' && u <= 'Z' ? u | 0x20 : u));
  }
  bool none = false, hidden = false, none_important = false, hidden_important = false;
  std::string_view rest = text;
  while (!rest.empty()) {
    const std::size_t semicolon = rest.find(';');
    std::string_view declaration = rest.substr(0, semicolon);
    rest = semicolon == rest.npos ? std::string_view() : rest.substr(semicolon + 1);
    const std::size_t colon = declaration.find(':');
    if (colon == declaration.npos) continue;
    const std::string_view property = Trim(declaration.substr(0, colon));
    std::string_view value = Trim(declaration.substr(colon + 1));
    bool important = false;
    if (const std::size_t bang = value.rfind('!');
        bang != value.npos && Trim(value.substr(bang + 1)) == "important") {
      important = true;
      value = Trim(value.substr(0, bang));
    }
    if (property == "display" && (important || !none_important)) {
      none = value == "none";
      none_important = important;
    } else if (property == "visibility" && (important || !hidden_important)) {
      hidden = value == "hidden" || value == "collapse";
      hidden_important = important;
    }
  }
  return none || hidden;
}

}  // namespace

// Before the body, spaces go, and anything else begins it; inside what
// hides, nothing is shown.
template <typename Char>
auto Visibility<Char>::ShownText(View run) -> View {
  if (!hidden_open_.empty()) return View();
  std::size_t k = 0;
  while (k < run.size() && IsSpace(run[k])) ++k;
  if (k == run.size()) return View();
  BeginBody();
  return run.substr(k);
}

template <typename Char>
bool Visibility<Char>::ShowsReference(char32_t first, char32_t second) {
  if (!hidden_open_.empty()) return false;
  if (second == 0 && first < 0x80 && IsSpace(static_cast<char>(first))) return false;
  BeginBody();
  return true;
}

template <typename Char>
Content Visibility<Char>::Start(const Token& tag, const Element& element, bool& shown) {
  shown = false;
  if (!body_ && !element.Is(kHeadContent)) BeginBody();
  if (!hidden_open_.empty()) {
    // Inside what hides: the open elements are kept until the one that
    // hides ends, by its end tag, one its ancestors' end tags imply, or a
    // start tag that implies it.
    if (Foreign() && element.Is(kBreaksOut)) {
      std::ptrdiff_t at = static_cast<std::ptrdiff_t>(hidden_open_.size());
      while (at > 0 && hidden_open_[static_cast<std::size_t>(at - 1)].foreign) --at;
      hidden_open_.PopTo(at);
    }
    if (element.Is(kImplies)) hidden_open_.CloseImplied(element, [](const Open&) {});
    UpdateQuiet();
    if (!hidden_open_.empty()) return OpenHidden(tag, element);
  }
  if (foreign_depth_ > 0 && element.Is(kBreaksOut)) foreign_depth_ = 0;
  if (element.Is(html::kHidden) || (tag.count > 0 && Hides(tag))) return OpenHidden(tag, element);
  shown = true;
  const bool foreign = foreign_depth_ > 0 || element.kind == Kind::kForeignRoot;
  if (element.kind == Kind::kForeignRoot && !tag.self_closing && foreign_depth_ < kMostOpen)
    ++foreign_depth_;
  return foreign ? Content::kData : element.content;
}

// An element that hides, or one inside it, opens (unless it is void).
template <typename Char>
Content Visibility<Char>::OpenHidden(const Token& tag, const Element& element) {
  const bool foreign = element.kind == Kind::kForeignRoot || Foreign();
  const bool opens = foreign ? !tag.self_closing : !element.Is(kVoid);
  if (opens && hidden_open_.Push({tag.key, &element, foreign}) && hidden_open_.size() == 1)
    UpdateQuiet();
  return foreign ? Content::kData : element.content;
}

template <typename Char>
bool Visibility<Char>::End(const Token& tag, const Element& element) {
  const Kind kind = element.kind;
  const std::uint64_t key = tag.key;
  if (!body_ && (key == kBody || key == kHtml || kind == Kind::kBreak)) BeginBody();
  if (kind == Kind::kBreak) return hidden_open_.empty();  // "</br>" is read as "<br>"
  if (!hidden_open_.empty()) {
    const std::ptrdiff_t at = hidden_open_.FindOpen(key, element);
    if (at >= 0) {
      hidden_open_.PopTo(at);
      UpdateQuiet();
      return false;
    }
    // Not open inside what hides: the end tag of a block that holds it
    // ends all inside it; an inline element's, and the end tags HTML takes
    // for an empty element or passes over when none is open, end nothing.
    if (!element.Is(kSpecial) || kind == Kind::kParagraph || kind == Kind::kItem ||
        kind == Kind::kTerm || kind == Kind::kDescription || key == kBody || key == kHtml)
      return false;
    hidden_open_.PopTo(0);
    UpdateQuiet();
  }
  if (kind == Kind::kForeignRoot && foreign_depth_ > 0) --foreign_depth_;
  return true;
}

// Whether the attributes hide the element: `hidden`, or an inline style.
template <typename Char>
bool Visibility<Char>::Hides(const Token& tag) {
  if (tag.Find(names::kHidden)) return !(streamed_ && IsStreamedSegment(tag));
  const auto* style = tag.Find(kStyle);
  if (style == nullptr) return false;
  picked_.clear();
  AppendAttributeValue(references_, form_, View(style->value), picked_, /*written=*/false);
  return StyleHides(View(picked_));
}

template class Visibility<char>;
template class Visibility<char16_t>;

}  // namespace engine::html
