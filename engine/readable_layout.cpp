#include "engine/readable_layout.h"

#include <algorithm>
#include <utility>

namespace engine {
namespace {

using html::Kind;
using namespace html::names;
using namespace scan;

constexpr int kMostDepth = 1000;         // open elements kept, and pre, lists and svg counted
constexpr std::size_t kMostSearch = 64;  // open elements a search passes
constexpr std::size_t kMostTables = 64;  // nested tables whose cells are counted
constexpr char32_t kCutMark = 0x2026;    // "…" after a value cut short

template <typename Char>
unsigned Unit(Char c) {
  return static_cast<std::make_unsigned_t<Char>>(c);
}

template <typename Char>
bool IsHtmlSpace(Char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Neither space nor the start of mark-up or a reference.
template <typename Char>
bool IsPlain(Char c) {
  return !IsHtmlSpace(c) && c != '<' && c != '&';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsHtmlSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsHtmlSpace(s.back())) s.remove_suffix(1);
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
    const unsigned u = Unit(css[k]);
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

template <typename Char>
ReadableLayout<Char>::ReadableLayout(const ScanOptions& options, const OutputForm<Char>& form,
                                     const ReferenceReader<Char>& references,
                                     const scan::LeadBytes* leads, String image_label,
                                     String link_label)
    : options_(options),
      form_(form),
      references_(references),
      leads_(leads),
      image_label_(std::move(image_label)),
      link_label_(std::move(link_label)) {
  form_.Append(0x30FB, bullet_);  // "・"
  UpdateQuiet();
}

template <typename Char>
void ReadableLayout<Char>::End() {
  lines_ = 0;
  FlushLines();
  Hand();
}

// --- Under SCRIPT -----------------------------------------------------------

// Text while nothing is shown: inside what hides, nothing; before the body,
// spaces go, and anything else begins the body.
template <typename Char>
void ReadableLayout<Char>::QuietText(View run) {
  if (!hidden_open_.empty()) return;
  std::size_t k = 0;
  while (k < run.size() && IsHtmlSpace(run[k])) ++k;
  if (k == run.size()) return;
  BeginBody();
  Visible(run.substr(k));
}

template <typename Char>
void ReadableLayout<Char>::OtherReference(char32_t first, char32_t second) {
  if (quiet_) {
    if (!hidden_open_.empty()) return;
    if (second == 0 && first < 0x80 && IsHtmlSpace(static_cast<char>(first))) return;
    BeginBody();
  }
  Decoded(first);
  if (second) Decoded(second);
}

template <typename Char>
html::Content ReadableLayout<Char>::StartTag(const Token& tag, const html::Element& element) {
  if (!body_ && !element.Is(html::kHeadContent)) BeginBody();
  if (!hidden_open_.empty()) {
    // Inside what hides: the open elements are kept until the one that
    // hides ends, by its end tag, one its ancestors' end tags imply, or a
    // start tag that implies it.
    if (Foreign() && element.Is(html::kBreaksOut)) {
      std::ptrdiff_t at = static_cast<std::ptrdiff_t>(hidden_open_.size());
      while (at > 0 && hidden_open_[at - 1].foreign) --at;
      PopTo(at);
    }
    if (element.Is(html::kImplies)) CloseImplied(element);
    if (!hidden_open_.empty()) return OpenHidden(tag, element);
  }
  if (foreign_depth_ > 0 && element.Is(html::kBreaksOut)) foreign_depth_ = 0;
  if (element.Is(html::kHidden) || (tag.count > 0 && Hides(tag))) return OpenHidden(tag, element);

  const ScanOptions& o = options_;
  String& add = added_;
  add.clear();
  // Tests in turn rather than a switch: most tags are none of these, and a
  // jump table's target is hard to foretell from tag to tag.
  const Kind kind = element.kind;
  if (kind == Kind::kBreak) {
    if (o.br) Break();
  } else if (kind == Kind::kAnchor) {
    OpenLink(tag, add);
  } else if (kind == Kind::kImage) {
    if (o.img) Image(tag, add);
  } else if (kind == Kind::kRule && o.hr) {
    add.assign(static_cast<std::size_t>(o.dashes), '-');
    Visible(add);
    add.clear();
    Break();
  }
  if (!add.empty()) Literal(add);
  Count(kind, false);
  Block(kind, false);
  const bool foreign = foreign_depth_ > 0 || kind == Kind::kForeignRoot;
  if (kind == Kind::kForeignRoot && !tag.self_closing && foreign_depth_ < kMostDepth)
    ++foreign_depth_;
  return foreign ? html::Content::kData : element.content;
}

// An element that hides, or one inside it, opens (unless it is void).
template <typename Char>
html::Content ReadableLayout<Char>::OpenHidden(const Token& tag, const html::Element& element) {
  const bool foreign = element.kind == Kind::kForeignRoot || Foreign();
  const bool opens = foreign ? !tag.self_closing : !element.Is(html::kVoid);
  if (opens && hidden_open_.size() < static_cast<std::size_t>(kMostDepth)) {
    hidden_open_.push_back({tag.key, &element, foreign});
    if (hidden_open_.size() == 1) UpdateQuiet();
  }
  return foreign ? html::Content::kData : element.content;
}

template <typename Char>
void ReadableLayout<Char>::EndTag(const Token& tag, const html::Element& element) {
  const Kind kind = element.kind;
  const std::uint64_t key = tag.key;
  if (!body_ && (key == kBody || key == kHtml || kind == Kind::kBreak)) BeginBody();
  if (kind == Kind::kBreak) {  // "</br>" is read as "<br>"
    if (hidden_open_.empty() && options_.br) Break();
    return;
  }
  if (!hidden_open_.empty()) {
    const std::ptrdiff_t at = FindOpen(tag, element);
    if (at >= 0) {
      PopTo(at);
      return;
    }
    // Not open inside what hides: the end tag of a block that holds it
    // ends all inside it; an inline element's, and the end tags HTML takes
    // for an empty element or passes over when none is open, end nothing.
    if (!element.Is(html::kSpecial) || kind == Kind::kParagraph || kind == Kind::kItem ||
        kind == Kind::kDefinition || key == kBody || key == kHtml)
      return;
    PopTo(0);
  }
  String& add = added_;
  add.clear();
  if (kind == Kind::kAnchor) CloseLink(true, add);
  if (kind == Kind::kParagraph && options_.p) Break();
  if (!add.empty()) Literal(add);
  if (kind == Kind::kForeignRoot && foreign_depth_ > 0) --foreign_depth_;
  Count(kind, true);
  Block(kind, true);
}

// Where the element an end tag ends is among those open inside what hides,
// as HTML's tree builder finds it; -1 for none.
template <typename Char>
std::ptrdiff_t ReadableLayout<Char>::FindOpen(const Token& tag,
                                              const html::Element& element) const {
  const Kind kind = element.kind;
  const std::uint64_t key = tag.key;
  auto same = [key](const Open& open) { return open.key == key; };
  auto in_scope = [](const Open& open) { return open.element->Is(html::kScope); };
  if (kind == Kind::kHeading)  // any heading's end tag ends the open one
    return Search([](const Open& open) { return open.element->kind == Kind::kHeading; }, in_scope);
  if (kind == Kind::kParagraph)
    return Search(same, [](const Open& open) {
      return open.element->Is(html::kScope) || open.key == kButton;
    });
  if (kind == Kind::kItem)
    return Search(same, [](const Open& open) {
      return open.element->Is(html::kScope) || open.element->kind == Kind::kList;
    });
  if (kind == Kind::kCell || kind == Kind::kRow || kind == Kind::kSection || kind == Kind::kTable)
    return Search(same, [](const Open& open) {
      return open.element->kind == Kind::kTable || open.key == kTemplate;
    });
  if (element.Is(html::kSpecial)) return Search(same, in_scope);
  // An inline element's end tag passes no block.
  return Search(same, [](const Open& open) { return open.element->Is(html::kSpecial); });
}

template <typename Char>
void ReadableLayout<Char>::BeginBody() {
  body_ = true;
  UpdateQuiet();
}

// The end tags a start tag implies among the elements open inside what
// hides, as HTML's tree builder closes them: an open p before a block, a
// list item before the next, a cell before the next cell or row, a heading
// right inside another.
template <typename Char>
void ReadableLayout<Char>::CloseImplied(const html::Element& element) {
  if (element.Is(html::kClosesP)) {
    PopTo(Search(
        [](const Open& open) { return open.key == kP; },
        [](const Open& open) { return open.element->Is(html::kScope) || open.key == kButton; }));
  }
  const Kind kind = element.kind;
  auto closes = [](const Open& open) {
    return open.element->Is(html::kSpecial) && open.key != kAddress && open.key != kDiv &&
           open.key != kP;
  };
  auto in_table = [](const Open& open) {
    return open.element->kind == Kind::kTable || open.key == kTemplate;
  };
  auto last_is = [this](Kind k) {
    return !hidden_open_.empty() && hidden_open_.back().element->kind == k;
  };
  const std::ptrdiff_t last = static_cast<std::ptrdiff_t>(hidden_open_.size()) - 1;
  if (kind == Kind::kItem || kind == Kind::kDefinition) {
    PopTo(Search([kind](const Open& open) { return open.element->kind == kind; }, closes));
  } else if (kind == Kind::kHeading) {
    if (last_is(Kind::kHeading)) PopTo(last);
  } else if (kind == Kind::kCell) {
    PopTo(Search([](const Open& open) { return open.element->kind == Kind::kCell; },
                 [](const Open& open) {
                   const Kind k = open.element->kind;
                   return k == Kind::kRow || k == Kind::kSection || k == Kind::kTable ||
                          open.key == kTemplate;
                 }));
  } else if (kind == Kind::kRow) {
    PopTo(Search([](const Open& open) { return open.element->kind == Kind::kRow; },
                 [](const Open& open) {
                   const Kind k = open.element->kind;
                   return k == Kind::kSection || k == Kind::kTable || open.key == kTemplate;
                 }));
  } else if (kind == Kind::kSection) {
    std::ptrdiff_t at =
        Search([](const Open& open) { return open.element->kind == Kind::kSection; }, in_table);
    if (at < 0)
      at = Search([](const Open& open) { return open.element->kind == Kind::kRow; }, in_table);
    PopTo(at);
  } else if (kind == Kind::kOption || kind == Kind::kOptionGroup) {
    if (last_is(Kind::kOption)) PopTo(last);
    if (kind == Kind::kOptionGroup && last_is(Kind::kOptionGroup))
      PopTo(static_cast<std::ptrdiff_t>(hidden_open_.size()) - 1);
  }
}

// The nearest open element that `match` takes, passing at most kMostSearch
// and none that `stop` takes (which may be the match); -1 for none.
template <typename Char>
template <typename Match, typename Stop>
std::ptrdiff_t ReadableLayout<Char>::Search(Match match, Stop stop) const {
  const std::size_t n = hidden_open_.size();
  for (std::size_t k = 0; k < n && k < kMostSearch; ++k) {
    const Open& open = hidden_open_[n - 1 - k];
    if (match(open)) return static_cast<std::ptrdiff_t>(n - 1 - k);
    if (stop(open)) return -1;
  }
  return -1;
}

template <typename Char>
void ReadableLayout<Char>::PopTo(std::ptrdiff_t index) {
  if (index < 0) return;
  hidden_open_.resize(static_cast<std::size_t>(index));
  if (hidden_open_.empty()) UpdateQuiet();
}

// Whether the attributes hide the element: `hidden`, or an inline style.
template <typename Char>
bool ReadableLayout<Char>::Hides(const Token& tag) {
  if (tag.Find(kHidden)) return true;
  const auto* style = tag.Find(kStyle);
  if (style == nullptr) return false;
  picked_.clear();
  AppendValue(style->value, picked_);
  return StyleHides(View(picked_));
}

// A link is an <a> with an href, but for a named anchor under ANAME and a
// link within the page under AHREFSharp.
template <typename Char>
void ReadableLayout<Char>::OpenLink(const Token& tag, String& add) {
  const ScanOptions& o = options_;
  const auto* href = tag.Find(kHref);
  if (href == nullptr || !o.ahref) return;
  if (o.aname && tag.Find(kName)) return;
  scratch_.clear();
  AppendValue(href->value, scratch_);
  if (o.ahref_sharp && !scratch_.empty() && scratch_[0] == '#') return;
  url_ = scratch_;
  if (href->cut) form_.Append(kCutMark, url_);
  link_open_ = true;
  if (o.link_type == 0) {
    AppendValue(tag.raw, add);
    if (tag.raw_cut) form_.Append(kCutMark, add);
  }
  if (o.link_type == 1) add.append(link_label_).append(url_).push_back(']');
}

template <typename Char>
void ReadableLayout<Char>::Image(const Token& tag, String& add) {
  add.append(image_label_);
  for (const std::uint64_t key : {kAlt, kSrc}) {
    if (const auto* value = tag.Find(key)) {
      AppendValue(value->value, add);
      if (value->cut) form_.Append(kCutMark, add);
    }
    if (key == kAlt) add.push_back(':');
  }
  add.push_back(']');
}

// --- Without SCRIPT -----------------------------------------------------------

// A tag as written: first what the classic options make of it, then what
// BLOCK does.
template <typename Char>
void ReadableLayout<Char>::ClassicTag(const Token& t) {
  const View tag = t.raw;
  const ScanOptions& o = options_;
  String& add = added_;
  add.clear();
  // Each case looks at the name again: the case bit also maps 0x0F to "/".
  switch (tag.size() > 1 ? tag[1] | 0x20 : 0) {
    case 'h':
      if (StartsUpper(tag, "<HR") && o.hr) {
        add.assign(static_cast<std::size_t>(o.dashes), '-');
        Visible(add);
        add.clear();
        Break();
      }
      break;
    case 'b':
      if (StartsUpper(tag, "<BR") && o.br) Break();
      break;
    case '/':
      if (StartsUpper(tag, "</P")) {
        if (o.p) Break();
      } else if (StartsUpper(tag, "</A")) {
        CloseLink(true, add);
      }
      break;
    case 'i':
      if (StartsUpper(tag, "<IM") && o.img) {
        // Alternative text and source, decoded as the attribute values they
        // are (no reference spans the ":" between them).
        value_.clear();
        AppendImageText(tag, leads_, picked_, value_);
        add.append(image_label_);
        AppendValue(value_, add);
        add.push_back(']');
      }
      break;
    case 'a':
      if (StartsUpper(tag, "<A ")) OpenClassicLink(tag, add);
      break;
    default:
      break;
  }
  if (!add.empty()) Literal(add);
  const Kind kind = html::ElementOf(t.key).kind;
  Count(kind, t.end);
  Block(kind, t.end);
}

template <typename Char>
void ReadableLayout<Char>::OpenClassicLink(View tag, String& add) {
  const ScanOptions& o = options_;
  if (!OpensLink(tag, o.aname, o.ahref_sharp, o.ahref)) return;
  url_.clear();
  AppendValue(LinkUrlOf(tag, leads_, picked_), url_);
  link_open_ = true;
  if (o.link_type == 0) AppendValue(tag, add);
  if (o.link_type == 1) add.append(link_label_).append(url_).push_back(']');
}

// --- Both -----------------------------------------------------------------

template <typename Char>
void ReadableLayout<Char>::CloseLink(bool shown, String& add) {
  if (link_open_ && shown && options_.link_type == 0) AppendAscii(add, "</a>");
  if (link_open_ && shown && options_.link_type == 2)
    add.append(1, '(').append(url_).append(1, ')');
  url_.clear();
  link_open_ = false;
}

// The counts of pre elements, lists and tables' cells, as written.
template <typename Char>
QUILLMERE_INLINE void ReadableLayout<Char>::Count(Kind kind, bool closing) {
  if (kind == Kind::kPre || kind == Kind::kTextarea) {
    if (!closing && pre_depth_ < kMostDepth) ++pre_depth_;
    if (closing && pre_depth_ > 0) --pre_depth_;
  } else if (kind == Kind::kList) {
    if (!closing && list_depth_ < kMostDepth) ++list_depth_;
    if (closing && list_depth_ > 0) --list_depth_;
  } else if (kind == Kind::kTable) {
    if (!closing && cells_.size() < kMostTables) cells_.push_back(0);
    if (closing && !cells_.empty()) cells_.pop_back();
  }
}

// What BLOCK makes of an element's start or end tag.
template <typename Char>
QUILLMERE_INLINE void ReadableLayout<Char>::Block(Kind kind, bool closing) {
  if (!options_.block) return;
  if (const int lines = html::LinesAround(kind)) Lines(lines);
  if (kind == Kind::kItem) {
    if (closing) return;
    // "・", after two spaces for each list the item's list is in; the
    // item's text follows it as at the start of a line.
    const std::size_t indent =
        2 * static_cast<std::size_t>(std::min(std::max(list_depth_ - 1, 0), 16));
    Separate(String(indent, Char(' ')) + bullet_);
  } else if (kind == Kind::kCell) {
    if (closing) return;
    if (cells_.empty()) cells_.push_back(0);
    if (cells_.back()++ > 0) Separate(String(1, Char('\t')));
  } else if (kind == Kind::kRow) {
    if (!closing && !cells_.empty()) cells_.back() = 0;
  }
}

// What the blocks put between texts (a list item's mark, a cell's tab): no
// space before it, and none after it until more text comes.
template <typename Char>
void ReadableLayout<Char>::Separate(View mark) {
  pending_space_ = false;
  Visible(mark);
  line_has_text_ = false;
}

// Text the conversion puts in (labels, values, a tag shown as written):
// spaces and line breaks as in the page's own text, nothing else special.
template <typename Char>
void ReadableLayout<Char>::Literal(View text) {
  const bool collapsing = CollapsesSpaces();
  auto special = [collapsing](Char c) {
    return c == '\r' || c == '\n' || (collapsing && (c == ' ' || c == '\t' || c == '\f'));
  };
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t j = i;
    while (j < text.size() && !special(text[j])) ++j;
    if (j > i) Visible(text.substr(i, j - i));
    if (j == text.size()) break;
    if (text[j] == '\r' || text[j] == '\n') {
      if (collapsing)
        Space();
      else
        SourceBreak(text[j]);
    } else {
      Space();
    }
    i = j + 1;
  }
}

// A decoded reference is a character of the text: spaces and line breaks
// among them count as such.
template <typename Char>
void ReadableLayout<Char>::Decoded(char32_t code_point) {
  if (code_point < 0x80) {
    const Char c = static_cast<Char>(code_point);
    if (IsPlain(c) || c == '<' || c == '&') return Visible(View(&c, 1));
    return Literal(View(&c, 1));  // a space or a line break
  }
  if (code_point == 0xA0) return Visible(form_.NoBreakSpace());
  scratch_.clear();
  form_.Append(code_point, scratch_);
  Visible(scratch_);
}

template <typename Char>
void ReadableLayout<Char>::Break() {
  SourceBreak('\r');
  SourceBreak('\n');
}

// At least `count` line breaks before the next text (none before the first).
template <typename Char>
void ReadableLayout<Char>::Lines(int count) {
  pending_space_ = false;
  if (any_text_) lines_ = std::max(lines_, count);
}

template <typename Char>
void ReadableLayout<Char>::FlushLines() {
  std::size_t breaks = std::max(breaks_, static_cast<std::size_t>(lines_));
  // Replacing three breaks by one until none are left keeps a run's parity.
  if (options_.enter && breaks >= 3) breaks = breaks % 2 == 1 ? 1 : 2;
  for (std::size_t b = 0; b < breaks; ++b) Put(View(kCrLf<Char>, 2));
  if (breaks > 0) line_has_text_ = false;
  breaks_ = 0;
  lines_ = 0;
  cr_pending_ = false;
}

template <typename Char>
void ReadableLayout<Char>::AppendValue(View value, String& to) const {
  AppendAttributeValue(references_, form_, value, to);
}

template class ReadableLayout<char>;
template class ReadableLayout<char16_t>;

}  // namespace engine
