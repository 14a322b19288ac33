#include "maincontent/page_recorder.h"

#include <algorithm>
#include <limits>

#include "maincontent/hints.h"

namespace engine::maincontent {
namespace {

using html::Kind;

constexpr std::size_t kMostRecords = std::size_t(1) << 16;
constexpr std::size_t kMostHeadings = 64;
constexpr std::size_t kHeadingText = 256;                      // characters kept of a heading
constexpr std::size_t kTitleText = 1024;                       // of the document's title
constexpr std::size_t kStructuredText = std::size_t(1) << 20;  // of the JSON-LD

constexpr std::uint64_t kTitle = html::NameKey("title");
constexpr std::uint64_t kScript = html::NameKey("script");
constexpr std::uint64_t kMeta = html::NameKey("meta");
constexpr std::uint64_t kType = html::NameKey("type");
constexpr std::uint64_t kProperty = html::NameKey("property");
constexpr std::uint64_t kName = html::NameKey("name");
constexpr std::uint64_t kContent = html::NameKey("content");
constexpr std::uint64_t kValue = html::NameKey("value");
constexpr std::uint64_t kH1 = html::NameKey("h1");
constexpr std::uint64_t kH2 = html::NameKey("h2");
constexpr std::uint64_t kInput = html::NameKey("input");
constexpr std::uint64_t kSelect = html::NameKey("select");
constexpr std::uint64_t kTextarea = html::NameKey("textarea");
constexpr std::uint64_t kButton = html::NameKey("button");

std::uint32_t Saturated(std::uint64_t v) {
  return static_cast<std::uint32_t>(
      std::min<std::uint64_t>(v, std::numeric_limits<std::uint32_t>::max()));
}

// Whether the element is one of the blocks the choice weighs.
bool IsBlock(const html::Element& element) {
  switch (element.kind) {
    case Kind::kCell:
    case Kind::kRow:
    case Kind::kTable:
    case Kind::kSection:
    case Kind::kList:
    case Kind::kOrderedList:
    case Kind::kItem:
    case Kind::kHeading:
    case Kind::kParagraph:
    case Kind::kPre:
    case Kind::kQuote:
    case Kind::kDefinitionList:
    case Kind::kTerm:
    case Kind::kDescription:
    case Kind::kCaption:
      return true;
    default:
      return element.Is(html::kLine);
  }
}

template <typename Char>
std::size_t FindAscii(std::basic_string_view<Char> text, std::string_view ascii, std::size_t from) {
  for (std::size_t at = text.find(static_cast<Char>(ascii[0]), from); at != text.npos;
       at = text.find(static_cast<Char>(ascii[0]), at + 1)) {
    if (text.size() - at < ascii.size()) return text.npos;
    std::size_t k = 1;
    while (k < ascii.size() && text[at + k] == static_cast<Char>(ascii[k])) ++k;
    if (k == ascii.size()) return at;
  }
  return text.npos;
}

template <typename Char>
bool EqualsAscii(std::basic_string_view<Char> value, std::string_view ascii) {
  if (value.size() != ascii.size()) return false;
  for (std::size_t k = 0; k < ascii.size(); ++k) {
    const auto u = static_cast<std::make_unsigned_t<Char>>(value[k]);
    if ((u >= 'A' && u <= 'Z' ? u | 0x20 : u) != static_cast<unsigned char>(ascii[k])) return false;
  }
  return true;
}

}  // namespace

void Sums::AddEach(const Sums& o, std::uint32_t more_blocks, std::uint32_t more_headings) {
  auto add = [](std::uint32_t& a, std::uint32_t b) { a = Saturated(std::uint64_t(a) + b); };
  add(chars, o.chars);
  add(wide, o.wide);
  add(words, o.words);
  add(commas, o.commas);
  add(stops, o.stops);
  add(link_weight, o.link_weight);
  add(links, o.links);
  add(images, o.images);
  add(controls, o.controls);
  add(blocks, o.blocks);
  add(headings, o.headings);
  add(blocks, more_blocks);
  add(headings, more_headings);
}

void Sums::AddText(const TextMeasures& m, bool in_link) {
  chars = Saturated(chars + m.chars);
  wide = Saturated(wide + m.wide);
  words = Saturated(words + m.words);
  commas = Saturated(commas + m.commas);
  stops = Saturated(stops + m.stops);
  if (in_link) link_weight = Saturated(link_weight + m.chars + 2 * m.wide);
}

template <typename Char>
PageRecorder<Char>::PageRecorder(const scan::LeadBytes* leads,
                                 const ReferenceReader<Char>& references,
                                 const OutputForm<Char>& form)
    : leads_(leads), references_(references), form_(form) {}

template <typename Char>
void PageRecorder<Char>::Text(View run) {
  TextMeasures m;
  Measure(run, leads_, measure_, m, &Block().opening);
  Current().AddText(m, links_open_ > 0);
  if (!headings_open_.empty()) HeadingText(run);
}

template <typename Char>
void PageRecorder<Char>::Reference(char32_t first, char32_t second) {
  TextMeasures m;
  MeasureCodePoint(first, measure_, m, &Block().opening);
  if (second) MeasureCodePoint(second, measure_, m, &Block().opening);
  Current().AddText(m, links_open_ > 0);
  if (!headings_open_.empty()) {  // (a heading's text is counted as the layout writes it)
    scratch_.clear();
    form_.AppendHeld(first, scratch_, nullptr);
    if (second) form_.AppendHeld(second, scratch_, nullptr);
    HeadingText(scratch_);
  }
}

template <typename Char>
void PageRecorder<Char>::HeadingText(View run) {
  String& text = facts_.headings[headings_open_.back().index].text;
  if (text.size() < kHeadingText) text.append(run.substr(0, kHeadingText - text.size()));
}

template <typename Char>
void PageRecorder<Char>::Start(const Token& tag, const html::Element& element) {
  if (tag.end) return End(tag, element);
  measure_.in_word = false;
  std::uint32_t signature = 0;
  const std::uint32_t hints = hint_reader_.HintsOf(tag, element, signature);
  if (element.kind == Kind::kImage) ++Current().images;
  if (tag.key == kInput || tag.key == kSelect || tag.key == kTextarea || tag.key == kButton)
    ++Current().controls;
  if (tag.key == kMeta) {
    const auto* property = tag.Find(kProperty);
    if (property == nullptr) property = tag.Find(kName);
    const auto* content = tag.Find(kContent);
    if (content == nullptr) content = tag.Find(kValue);  // as some saved pages write it
    if (property && content) {
      const View name(property->value);
      if (facts_.og_title.empty() && EqualsAscii(name, "og:title"))
        AppendAttributeValue(references_, form_, View(content->value), facts_.og_title, true,
                             &facts_.og_title_held);
      if (EqualsAscii(name, "og:type") && EqualsAscii(View(content->value), "article"))
        facts_.article = true;
      if (EqualsAscii(name, "description") || EqualsAscii(name, "og:description") ||
          EqualsAscii(name, "twitter:description")) {
        scratch_.clear();
        AppendAttributeValue(references_, form_, View(content->value), scratch_,
                             /*written=*/false);
        Describe(scratch_);
      }
    }
  }
  Open* const opened =
      OpenElement(open_, tag.key, tag.self_closing, element, [this](Open& ended) { Ended(ended); });
  if (opened == nullptr) return;
  Open& entry = *opened;
  entry.id = ++next_id_;
  entry.hints = hints;
  entry.signature = signature;
  entry.recorded = IsBlock(element) || (hints & (kClutter | kContentHints | kHintForm)) != 0;
  entry.link = (hints & kHintLink) != 0;
  if (entry.recorded) {
    recorded_ids_.push_back(entry.id);
    recorded_at_.push_back(open_.size() - 1);
    ++depth_;
  }
  if (entry.link) {
    ++links_open_;
    ++Current().links;
  }
  if ((tag.key == kH1 || tag.key == kH2) && facts_.headings.size() < kMostHeadings) {
    facts_.headings.push_back({entry.id, String()});
    headings_open_.push_back({facts_.headings.size() - 1, open_.size()});
  }
}

template <typename Char>
void PageRecorder<Char>::End(const Token& tag, const html::Element& element) {
  if (!tag.end) return Start(tag, element);
  measure_.in_word = false;
  CloseElement(open_, tag.key, element, [this](Open& ended) { Ended(ended); });
}

// An element ends (it is still the last open): what it measures goes to
// the element around it, as its own text when it is inline.
template <typename Char>
void PageRecorder<Char>::Ended(Open& ended) {
  Open& around = open_.size() >= 2 ? open_[open_.size() - 2] : page_;
  if (ended.link) --links_open_;
  while (!headings_open_.empty() && headings_open_.back().depth >= open_.size())
    headings_open_.pop_back();
  if (!ended.recorded) {
    around.own.Add(ended.own);
    around.all.Add(ended.all);
    return;
  }
  recorded_ids_.pop_back();
  recorded_at_.pop_back();
  --depth_;
  // Written where it is kept (a record built apart and copied in costs more),
  // from a blank one (see html::OpenElements::Push).
  static constexpr NodeRecord kBlank{};
  NodeRecord& record = records_.emplace_back(kBlank);
  record.id = ended.id;
  record.end = next_id_;
  record.parent = recorded_ids_.empty() ? 0 : recorded_ids_.back();
  record.hints = ended.hints;
  record.signature = ended.signature;
  record.opening = ended.opening.value();
  record.depth = depth_;
  record.kind = ended.element->kind;
  record.own = ended.own;
  record.all = ended.all;
  record.all.Add(ended.own, ended.own.chars > 0 ? 1 : 0, record.kind == Kind::kHeading ? 1 : 0);
  around.all.Add(record.all);
  Keep();
}

// Past the bound, the finest records go: what ended inside this one joins
// it, and it joins the neighbour that ended before it in the same element
// when that is alike (the same name and class), or whatever it is, far
// past the bound.
template <typename Char>
void PageRecorder<Char>::Keep() {
  if (records_.size() <= kMostRecords) return;
  std::size_t first_inside = records_.size() - 1;
  const std::uint32_t id = records_.back().id;
  while (first_inside > 0 && records_[first_inside - 1].id > id) --first_inside;
  records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(first_inside), records_.end() - 1);
  NodeRecord& record = records_.back();
  record.own = record.all;  // its blocks' text, its own now
  if (records_.size() < 2) return;
  NodeRecord& before = records_[records_.size() - 2];
  if (before.parent != record.parent) return;
  if (before.signature != record.signature && records_.size() <= 2 * kMostRecords) return;
  before.end = record.end;
  // At least one block each.
  before.own.Add(record.own, (before.own.blocks == 0 ? 1 : 0) + (record.own.blocks == 0 ? 1 : 0));
  before.all.Add(record.all);
  before.hints &= record.hints;
  records_.pop_back();
}

template <typename Char>
bool PageRecorder<Char>::MayCapture(const Token& tag) {
  if (tag.key == kTitle) return true;
  const auto* type = tag.key == kScript ? tag.Find(kType) : nullptr;
  return type && EqualsAscii(View(type->value), "application/ld+json");
}

template <typename Char>
bool PageRecorder<Char>::Captures(const Token& tag, const html::Element&) {
  capture_ = Capture::kNone;
  if (!MayCapture(tag)) return false;
  if (tag.key == kTitle) {
    if (facts_.title.empty() && open_.size() < 3) capture_ = Capture::kTitle;
  } else {
    capture_ = Capture::kStructured;
    if (!facts_.structured.empty() && facts_.structured.size() < kStructuredText)
      facts_.structured.push_back('\n');
  }
  return capture_ != Capture::kNone;
}

template <typename Char>
void PageRecorder<Char>::Captured(View run) {
  String& to = capture_ == Capture::kTitle ? facts_.title : facts_.structured;
  const std::size_t most = capture_ == Capture::kTitle ? kTitleText : kStructuredText;
  if (capture_ != Capture::kNone && to.size() < most) to.append(run.substr(0, most - to.size()));
}

template <typename Char>
void PageRecorder<Char>::CapturedReference(char32_t first, char32_t second) {
  if (capture_ == Capture::kNone) return;
  scratch_.clear();
  held_.clear();
  form_.AppendHeld(first, scratch_, &held_);
  if (second) form_.AppendHeld(second, scratch_, &held_);
  const std::size_t at = facts_.title.size();
  Captured(scratch_);
  if (capture_ != Capture::kTitle) return;  // (JSON-LD is raw text: no references)
  for (const auto& h : held_)
    if (at + h.at < facts_.title.size()) facts_.title_held.push_back({at + h.at, h.code_point});
}

// How a description opens, remembered (once) to know its block by.
template <typename Char>
std::uint32_t PageRecorder<Char>::Describe(View text, double* weight) {
  TextMeasures m;
  MeasureState state;
  Opening opening;
  Measure(text, leads_, state, m, &opening);
  if (weight) *weight = static_cast<double>(m.chars + 2 * m.wide);
  const std::uint32_t value = opening.value();
  if (value != 0 && std::find(facts_.descriptions.begin(), facts_.descriptions.end(), value) ==
                        facts_.descriptions.end())
    facts_.descriptions.push_back(value);
  return value;
}

// The "description" and "articleBody" strings of the JSON-LD, as JSON
// writes strings ("\"", "\u00e9"...), described.
template <typename Char>
void PageRecorder<Char>::ReadStructured() {
  const View json(facts_.structured);
  for (const std::string_view type : {"Article\"", "BlogPosting\""})
    if (FindAscii(json, type, 0) != json.npos) facts_.article = true;
  for (const std::string_view key :
       {std::string_view("\"description\""), std::string_view("\"articleBody\"")}) {
    for (std::size_t at = 0; (at = FindAscii(json, key, at)) != json.npos;) {
      at += key.size();
      while (at < json.size() && (json[at] == ' ' || json[at] == ':' || json[at] == '\n' ||
                                  json[at] == '\r' || json[at] == '\t'))
        ++at;
      if (at >= json.size() || json[at] != '"') continue;
      String value;
      held_.clear();
      for (++at; at < json.size() && json[at] != '"'; ++at) {
        if (json[at] != '\\' || at + 1 >= json.size()) {
          value.push_back(json[at]);
          continue;
        }
        const Char e = json[++at];
        if (e == 'u' && at + 4 < json.size()) {
          char32_t code = 0;
          for (int k = 1; k <= 4; ++k) {
            const auto d = static_cast<std::make_unsigned_t<Char>>(json[at + k]);
            code = code << 4 | static_cast<char32_t>(d <= '9' ? d - '0' : (d | 0x20) - 'a' + 10);
          }
          form_.AppendHeld(code & 0xFFFF, value, &held_);
          at += 4;
        } else {
          value.push_back(e == 'n' || e == 't' || e == 'r' ? Char(' ') : e);
        }
      }
      double weight = 0;
      const std::uint32_t opening = Describe(value, &weight);
      if (value.size() > facts_.structured_text.size()) {
        facts_.structured_weight = weight;
        facts_.structured_text.clear();
        facts_.structured_text_held = held_;  // (written whole, or not at all)
        bool space = false;
        for (const Char c : value) {
          if (html::IsSpace(c)) {
            space = !facts_.structured_text.empty();
            continue;
          }
          if (space) facts_.structured_text.push_back(' ');
          space = false;
          facts_.structured_text.push_back(c);
        }
        facts_.structured_opening = opening;
      }
    }
  }
}

template <typename Char>
void PageRecorder<Char>::Finish() {
  open_.PopTo(0, [this](Open& ended) { Ended(ended); });
  ReadStructured();
  page_.all.Add(page_.own);
  if (page_.own.chars > 0) ++page_.all.blocks;
}

template <typename Char>
void PageRecorder<Char>::AdoptFacts(const PageFacts<Char>& from) {
  if (facts_.title.empty()) {
    facts_.title = from.title;
    facts_.title_held = from.title_held;
  }
  if (facts_.og_title.empty()) {
    facts_.og_title = from.og_title;
    facts_.og_title_held = from.og_title_held;
  }
  facts_.descriptions.insert(facts_.descriptions.end(), from.descriptions.begin(),
                             from.descriptions.end());
  if (facts_.structured_text.empty()) {
    facts_.structured_text = from.structured_text;
    facts_.structured_text_held = from.structured_text_held;
    facts_.structured_opening = from.structured_opening;
    facts_.structured_weight = from.structured_weight;
  }
  facts_.article = facts_.article || from.article;
}

template <typename Char>
bool PageRecorder<Char>::Keeps(const Token& tag, std::uint64_t key) {
  if (KeepsHintAttribute(key)) return true;
  if (tag.key == kMeta) return key == kProperty || key == kName || key == kContent || key == kValue;
  if (tag.key == kScript) return key == kType;
  return key == html::names::kHref;
}

template <typename Char>
std::size_t PageRecorder<Char>::Held() const {
  std::size_t held = open_.size() + records_.size() * sizeof(NodeRecord) / sizeof(Char) +
                     facts_.title.size() + facts_.og_title.size() + facts_.structured.size();
  for (const auto& h : facts_.headings) held += h.text.size();
  return held;
}

template class PageRecorder<char>;
template class PageRecorder<char16_t>;

}  // namespace engine::maincontent
