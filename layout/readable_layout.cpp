#include "layout/readable_layout.h"

#include <algorithm>
#include <utility>

namespace engine {
namespace {

using html::Kind;
using namespace html::names;
using namespace scan;

constexpr int kMostDepth = 1000;         // pre elements counted
constexpr std::size_t kMostTables = 64;  // nested tables whose cells are counted
constexpr char32_t kCutMark = 0x2026;    // "…" after a value cut short

// Neither space nor the start of mark-up or a reference.
template <typename Char>
bool IsPlain(Char c) {
  return !html::IsSpace(c) && c != '<' && c != '&';
}

}  // namespace

template <typename Char>
ReadableLayout<Char>::ReadableLayout(const ScanOptions& options, const OutputForm<Char>& form,
                                     const ReferenceReader<Char>& references,
                                     const scan::LeadBytes* leads, String image_label,
                                     String link_label, Overflow* link_spill)
    : options_(options),
      form_(form),
      references_(references),
      leads_(leads),
      image_label_(std::move(image_label)),
      link_label_(std::move(link_label)),
      lines_(form, leads, options.enter, options.table, static_cast<std::size_t>(options.width)),
      links_(link_spill),
      ruby_(options.ruby, form, leads) {}

template <typename Char>
void ReadableLayout<Char>::End(const std::function<void()>& block) {
  WriteRuby();
  if (!links_.empty()) {
    links_.Forget();
    // An empty line, "リンク", and a line for each link: "[N] URL".
    lines_.Margin(2);
    String heading;
    form_.Append(0x30EA, heading);
    form_.Append(0x30F3, heading);
    form_.Append(0x30AF, heading);
    lines_.Visible(heading);
    links_.Write(
        [this](View line) {
          lines_.HardBreak();
          lines_.Unwrapped();  // a URL is not broken
          lines_.Visible(line);
        },
        [this, &block] {
          lines_.Hand();
          if (block) block();
        });
  }
  lines_.End();
}

// --- Under SCRIPT -----------------------------------------------------------

template <typename Char>
void ReadableLayout<Char>::StartTag(const Token& tag, const html::Element& element) {
  const ScanOptions& o = options_;
  const Kind kind = element.kind;
  Count(kind, false);
  Block(element, false, &tag);
  if (o.ruby != RubyMode::kInline && kind == Kind::kOther) RubyTag(tag.key, false);
  String& add = added_;
  add.clear();
  // Tests in turn rather than a switch: most tags are none of these, and a
  // jump table's target is hard to foretell from tag to tag.
  if (kind == Kind::kBreak) {
    if (o.br) Break();
  } else if (kind == Kind::kAnchor) {
    OpenLink(tag, add);
  } else if (kind == Kind::kImage) {
    if (o.img) Image(tag, add);
  } else if (kind == Kind::kRule) {
    if (o.hr) {
      add.assign(static_cast<std::size_t>(o.dashes), '-');
      lines_.Unwrapped();  // a rule stands as long as it is
      lines_.Visible(add);
      add.clear();
      Break();
    }
    Block(element, true, &tag);  // a rule ends where it begins
  }
  if (!add.empty()) Literal(add);
}

template <typename Char>
void ReadableLayout<Char>::EndTag(const Token& tag, const html::Element& element) {
  const Kind kind = element.kind;
  if (kind == Kind::kBreak) {  // "</br>" is read as "<br>"
    if (options_.br) Break();
    return;
  }
  String& add = added_;
  add.clear();
  if (kind == Kind::kAnchor) CloseLink(true, add);
  if (kind == Kind::kParagraph && options_.p) Break();
  if (!add.empty()) Literal(add);
  Count(kind, true);
  Block(element, true, &tag);
  if (options_.ruby != RubyMode::kInline && kind == Kind::kOther) RubyTag(tag.key, true);
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
  if (href->cut) form_.Append(kCutMark, scratch_);
  if (LinkTo(add)) return;
  if (o.link_type == 0) {
    AppendValue(tag.raw, add);
    if (tag.raw_cut) form_.Append(kCutMark, add);
  }
  if (o.link_type == 1) add.append(link_label_).append(url_).push_back(']');
}

// The link to scratch_ opens. With LINKS, true: it has a number (none for
// an empty target), and the link still open ends first.
template <typename Char>
bool ReadableLayout<Char>::LinkTo(String& add) {
  if (options_.links) {
    if (link_open_) CloseLink(true, add);
    if (scratch_.empty()) return true;
    link_number_ = links_.Number(scratch_);
    link_open_ = true;
    return true;
  }
  url_ = scratch_;
  link_open_ = true;
  return false;
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

// A tag as written: what BLOCK makes of a start tag, what the classic
// options make of it, and what BLOCK makes of an end tag.
template <typename Char>
void ReadableLayout<Char>::ClassicTag(const Token& t) {
  const View tag = t.raw;
  const ScanOptions& o = options_;
  const html::Element& element = html::ElementOf(t.key);
  Count(element.kind, t.end);
  if (!t.end) Block(element, false, nullptr);
  if (o.ruby != RubyMode::kInline && element.kind == Kind::kOther) RubyTag(t.key, t.end);
  String& add = added_;
  add.clear();
  // Each case looks at the name again: the case bit also maps 0x0F to "/".
  switch (tag.size() > 1 ? tag[1] | 0x20 : 0) {
    case 'h':
      if (StartsUpper(tag, "<HR") && o.hr) {
        add.assign(static_cast<std::size_t>(o.dashes), '-');
        lines_.Unwrapped();  // a rule stands as long as it is
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
  if (t.end || element.Is(html::kVoid)) Block(element, true, nullptr);
}

template <typename Char>
void ReadableLayout<Char>::OpenClassicLink(View tag, String& add) {
  const ScanOptions& o = options_;
  if (!OpensLink(tag, o.aname, o.ahref_sharp, o.ahref)) return;
  scratch_.clear();
  AppendValue(LinkUrlOf(tag, leads_, picked_), scratch_);
  if (LinkTo(add)) return;
  if (o.link_type == 0) AppendValue(tag, add);
  if (o.link_type == 1) add.append(link_label_).append(url_).push_back(']');
}

// --- Both -----------------------------------------------------------------

template <typename Char>
void ReadableLayout<Char>::CloseLink(bool shown, String& add) {
  if (link_open_ && shown) {
    if (options_.links) {
      const std::string digits = "[" + std::to_string(link_number_) + "]";
      add.append(digits.begin(), digits.end());
    } else if (options_.link_type == 0) {
      AppendAscii(add, "</a>");
    } else if (options_.link_type == 2) {
      add.append(1, '(').append(url_).append(1, ')');
    }
  }
  url_.clear();
  link_open_ = false;
}

// The counts of pre elements and of tables' cells, as written.
template <typename Char>
QUILLMERE_INLINE void ReadableLayout<Char>::Count(Kind kind, bool closing) {
  if (kind == Kind::kPre || kind == Kind::kTextarea) {
    if (!closing && pre_depth_ < kMostDepth) ++pre_depth_;
    if (closing && pre_depth_ > 0) --pre_depth_;
    lines_.SetPreformatted(pre_depth_ > 0);
  } else if (kind == Kind::kTable) {
    if (!closing && cells_.size() < kMostTables) cells_.push_back(0);
    if (closing && !cells_.empty()) cells_.pop_back();
  }
}

// An integer attribute as HTML reads one: spaces, a sign, digits.
template <typename Char>
bool IntegerOf(const HtmlTag<Char>* tag, std::uint64_t key, long long& value) {
  const auto* attribute = tag ? tag->Find(key) : nullptr;
  if (attribute == nullptr) return false;
  std::basic_string_view<Char> v = attribute->value;
  while (!v.empty() && html::IsSpace(v.front())) v.remove_prefix(1);
  const bool negative = !v.empty() && v.front() == '-';
  if (!v.empty() && (v.front() == '-' || v.front() == '+')) v.remove_prefix(1);
  if (v.empty() || v.front() < '0' || v.front() > '9') return false;
  long long n = 0;
  for (; !v.empty() && v.front() >= '0' && v.front() <= '9'; v.remove_prefix(1))
    n = std::min<long long>(n * 10 + (v.front() - '0'), 1LL << 40);
  value = negative ? -n : n;
  return true;
}

// A list's or an item's type: 1, a, A, i or I (0 for none of them).
template <typename Char>
char TypeOf(const HtmlTag<Char>* tag) {
  const auto* attribute = tag ? tag->Find(kType) : nullptr;
  if (attribute == nullptr || attribute->value.size() != 1) return 0;
  const Char c = attribute->value[0];
  return c == '1' || c == 'a' || c == 'A' || c == 'i' || c == 'I' ? static_cast<char>(c) : 0;
}

// What BLOCK (and TABLE) make of an element's start or end tag: the lines
// and margins around blocks, the containers that indent and number, and the
// cells of a table.
template <typename Char>
void ReadableLayout<Char>::Block(const html::Element& element, bool closing, const Token* tag) {
  const Kind kind = element.kind;
  if (ruby_.holding() && (element.Is(html::kLine) || kind == Kind::kTable || kind == Kind::kRow ||
                          kind == Kind::kCell || kind == Kind::kCaption))
    WriteRuby();
  const bool block = options_.block;
  if (lines_.grids() && (kind == Kind::kTable || kind == Kind::kRow || kind == Kind::kCell ||
                         kind == Kind::kCaption)) {
    if (kind == Kind::kTable) {
      if (closing) lines_.CloseTable();
      if (block) lines_.Margin(2);
      if (!closing) lines_.OpenTable();
    } else if (kind == Kind::kRow) {
      if (!closing) lines_.OpenRow();
    } else if (closing) {
      lines_.CloseCell();
    } else if (kind == Kind::kCaption) {
      lines_.OpenRow();
      lines_.OpenCell(0);
    } else {
      long long span = 1;
      IntegerOf(tag, kColspan, span);
      lines_.OpenCell(static_cast<std::size_t>(std::clamp<long long>(span, 1, 1000)));
    }
    return;
  }
  if (!block) return;
  if (kind == Kind::kCell) {  // without TABLE, a row's cells are a tab apart
    static constexpr Char kTab[] = {'\t'};
    if (closing) return;
    if (cells_.empty()) cells_.push_back(0);
    if (cells_.back()++ > 0) lines_.Separate(View(kTab, 1));
    return;
  }
  if (!element.Is(html::kLine)) return;
  if (kind == Kind::kList || kind == Kind::kOrderedList) {
    // A list's margins, but for a list inside an item.
    if (closing) lines_.Close(Kind::kList);
    lines_.Margin(lines_.InItem() ? 1 : 2);
    if (closing) return;
    long long start = 1;
    const bool has_start = IntegerOf(tag, kStart, start);
    lines_.OpenList(kind == Kind::kOrderedList, start, tag && tag->Find(kReversed), TypeOf(tag),
                    has_start);
    return;
  }
  if (closing) {
    if (kind == Kind::kItem || kind == Kind::kQuote || kind == Kind::kTerm ||
        kind == Kind::kDescription || kind == Kind::kDefinitionList)
      lines_.Close(kind);
  }
  lines_.Margin(element.Is(html::kMargins) ? 2 : 1);
  if (closing) return;
  if (kind == Kind::kItem) {
    long long value = 0;
    const bool has_value = IntegerOf(tag, kValue, value);
    lines_.OpenItem(has_value ? &value : nullptr, TypeOf(tag));
  } else if (kind == Kind::kQuote || kind == Kind::kTerm || kind == Kind::kDescription ||
             kind == Kind::kDefinitionList) {
    lines_.OpenIndent(kind);
  } else if (kind == Kind::kRow) {
    if (!cells_.empty()) cells_.back() = 0;
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

// The tags of HTML's ruby model; those within a ruby written already go by.
template <typename Char>
void ReadableLayout<Char>::RubyTag(std::uint64_t key, bool end) {
  if (key == kRuby) {
    if (!end) return ruby_.Open();
    if (ruby_.outermost()) WriteRuby();
    return ruby_.Close();
  }
  if (!ruby_.holding()) return;
  if (key == kRb) {
    ruby_.OpenBase();
  } else if (key == kRt) {
    end ? ruby_.CloseAnnotation() : ruby_.OpenAnnotation();
  } else if (key == kRtc) {
    end ? ruby_.CloseContainer() : ruby_.OpenContainer();
  } else if (key == kRp) {
    end ? ruby_.CloseFallback() : ruby_.OpenFallback();
  }
}

template <typename Char>
void ReadableLayout<Char>::AppendValue(View value, String& to) const {
  AppendAttributeValue(references_, form_, value, to);
}

template class ReadableLayout<char>;
template class ReadableLayout<char16_t>;

}  // namespace engine
