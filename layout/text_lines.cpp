#include "layout/text_lines.h"

#include <algorithm>
#include <string>
#include <utility>

#include "layout/character_widths.h"

namespace engine {
namespace {

using html::Kind;

constexpr std::size_t kMostContainers = 1000;
constexpr std::size_t kMostTables = 64;  // nested and gathered
constexpr std::size_t kMostRows = 1000;  // of a table gathered

template <typename Char>
void AppendAscii(std::basic_string<Char>& to, std::string_view ascii) {
  to.append(ascii.begin(), ascii.end());
}

}  // namespace

template <typename Char>
TextLines<Char>::TextLines(const OutputForm<Char>& form, const scan::LeadBytes* leads, bool enter,
                           bool grids, std::size_t width)
    : form_(form),
      leads_(leads),
      enter_(enter),
      grids_(grids),
      width_(width),
      wrap_(width, leads),
      emit_([this](View text) { Emit(text); }) {
  form_.Append(0x30FB, bullet_);  // "・"
}

template <typename Char>
void TextLines<Char>::Unwrapped() {
  if (width_ == 0) return;
  if (line_open_ && Wraps() && !at_line_start_ && breaks_ == 0 && margin_ == 0)
    wrap_.Unwrapped(emit_);
  else
    unwrap_next_ = true;
}

template <typename Char>
void TextLines<Char>::Literal(View text, bool collapsing) {
  auto special = [collapsing](Char c) {
    return c == '\r' || c == '\n' || (collapsing && (c == ' ' || c == '\t' || c == '\f'));
  };
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t j = i;
    while (j < text.size() && !special(text[j])) ++j;
    if (j > i) Visible(text.substr(i, j - i));
    if (j == text.size()) break;
    if ((text[j] == '\r' || text[j] == '\n') && !collapsing)
      SourceBreak(text[j]);
    else
      Space();
    i = j + 1;
  }
}

template <typename Char>
void TextLines<Char>::Separate(View mark) {
  pending_space_ = false;
  Visible(mark);
  line_has_text_ = false;
}

template <typename Char>
void TextLines<Char>::HardBreak() {
  SourceBreak('\r');
  SourceBreak('\n');
}

template <typename Char>
void TextLines<Char>::Margin(int lines) {
  pending_space_ = false;
  if (any_text_) margin_ = std::max(margin_, lines);
}

// The line breaks before the next text: the page's (three and more become
// one or two with ENTER, as the classic conversion collapses them), or what
// the blocks ask for, whichever is more.
template <typename Char>
void TextLines<Char>::FlushLines() {
  std::size_t breaks = breaks_;
  if (enter_ && breaks >= 3) breaks = breaks % 2 == 1 ? 1 : 2;
  breaks = std::max(breaks, static_cast<std::size_t>(margin_));
  if (breaks > 0 && line_open_ && Wraps()) FinishLine();
  for (std::size_t b = 0; b < breaks; ++b) Write(View(scan::kCrLf<Char>, 2));
  if (breaks > 0) {
    line_has_text_ = false;
    at_line_start_ = true;
  }
  breaks_ = 0;
  margin_ = 0;
  cr_pending_ = false;
}

// A line begins: the containers' indentation, and the markers of items
// whose first line it is.
template <typename Char>
void TextLines<Char>::Indent() {
  at_line_start_ = false;
  const bool wraps = width_ != 0 && (target_ == nullptr || target_ == &held_);
  if (wraps) {
    // The line's indentation, and what its later lines begin with: the
    // same, with a marker's columns in spaces. A marker whose number waits
    // counts as wide as a number of six digits.
    constexpr std::size_t kHeldMarkerColumns = 8;
    std::size_t columns = 0, continuation_columns = 0;
    String continuation;
    for (std::size_t k = base_; k < containers_.size(); ++k) {
      const Container& c = containers_[k];
      const bool held = c.kind == Kind::kItem && c.held >= 0;
      const std::size_t own = held                ? kHeldMarkerColumns
                              : !c.marker.empty() ? ColumnsOf(View(c.marker), leads_)
                                                  : c.indent;
      columns += own;
      continuation_columns += own;
      if (held)
        continuation += HeldMark('i', c.held, c.held_item);
      else
        continuation.append(own, Char(' '));
    }
    FinishLine();
    wrap_.Begin(columns, std::move(continuation), continuation_columns);
    line_open_ = true;
    if (unwrap_next_ || preformatted_ || streaming_ > 0) wrap_.Unwrapped(emit_);
    unwrap_next_ = false;
  }
  for (std::size_t k = base_; k < containers_.size(); ++k) {
    Container& c = containers_[k];
    if (!c.marker.empty()) {
      Write(c.marker);
      c.marker.clear();
      continue;
    }
    if (c.kind == Kind::kItem && c.held >= 0) {
      Write(HeldMark('i', c.held, c.held_item));
      continue;
    }
    for (std::size_t s = 0; s < c.indent; ++s) Write(Char(' '));
  }
  if (wraps) wrap_.EndIndentation();
}

// An item ends before any text: its marker stands alone.
template <typename Char>
void TextLines<Char>::WriteMarkerLine() {
  pending_space_ = false;
  BeforeText();
}

// A container ends: an item's marker that no text followed stands alone,
// and a list that counts down is numbered.
template <typename Char>
void TextLines<Char>::PopContainer() {
  if (!containers_.back().marker.empty()) WriteMarkerLine();
  const Container& c = containers_.back();
  if (c.kind == Kind::kList && c.held >= 0) NumberHeldList(true);
  containers_.pop_back();
}

// NUL, which no text holds, then 'm' (a marker) or 'i' (the indentation it
// makes), the list's place and the item's number, in units of 1 to 127.
template <typename Char>
typename TextLines<Char>::String TextLines<Char>::HeldMark(char what, int list,
                                                           std::size_t item) const {
  return String{Char(0),
                Char(what),
                static_cast<Char>(list + 1),
                static_cast<Char>(item / (127 * 127) % 127 + 1),
                static_cast<Char>(item / 127 % 127 + 1),
                static_cast<Char>(item % 127 + 1)};
}

// The last list held is numbered, down from its count of items (or, given
// up on, up from 1, as the items' values say), its marks in its text
// replaced; the page's text it held goes on to the output.
template <typename Char>
void TextLines<Char>::NumberHeldList(bool counting_down) {
  if (line_open_ && Wraps()) FinishLine();  // its last line, with WIDTH
  HeldList list = std::move(held_lists_.back());
  held_lists_.pop_back();
  const auto level = static_cast<Char>(held_lists_.size() + 1);
  std::vector<String> markers;
  long long next = counting_down ? static_cast<long long>(list.items.size()) : 1;
  for (const auto& item : list.items) {
    if (item.has_value) next = item.value;
    markers.push_back(MarkerOf(next, item.type));
    next += counting_down ? -1 : 1;
  }
  String& text = *list.text;
  String numbered;
  std::size_t from = list.from;
  for (std::size_t nul = text.find(Char(0), from); nul != String::npos;
       nul = text.find(Char(0), from)) {
    numbered.append(text, from, nul - from);
    from = nul + 6;
    if (text[nul + 2] != level) {
      numbered.append(text, nul, 6);
      continue;
    }
    const auto digit = [&](std::size_t at) { return static_cast<std::size_t>(text[at]) - 1; };
    const String& marker = markers[(digit(nul + 3) * 127 + digit(nul + 4)) * 127 + digit(nul + 5)];
    if (text[nul + 1] == Char('m'))
      numbered.append(marker);
    else
      numbered.append(ColumnsOf(View(marker), leads_), Char(' '));
  }
  numbered.append(text, from);
  text.resize(list.from);
  text.append(numbered);
  // A list given up on goes on counting up, its open item indented as its
  // marker is wide.
  for (Container& c : containers_) {
    if (c.held != static_cast<int>(held_lists_.size())) continue;
    if (c.kind == Kind::kList) {
      c.next = next;
      c.step = 1;
    } else {
      const String& marker = markers[c.held_item];
      c.indent = ColumnsOf(View(marker), leads_);
      if (!c.marker.empty()) c.marker = marker;  // not written yet
    }
    c.held = -1;
  }
  if (list.took_page) {
    target_ = nullptr;
    Emit(View(held_));
    held_.clear();
  }
}

// The page's text held is past its bound: every list held is numbered as
// one that counts up, and what follows goes out as it comes.
template <typename Char>
void TextLines<Char>::ReleaseHeldLists() {
  while (!held_lists_.empty()) NumberHeldList(false);
}

template <typename Char>
typename TextLines<Char>::String TextLines<Char>::MarkerOf(long long number, char type) const {
  std::string digits;
  if ((type == 'a' || type == 'A') && number > 0) {
    for (long long n = number; n > 0; n = (n - 1) / 26)
      digits.insert(digits.begin(), static_cast<char>((type == 'a' ? 'a' : 'A') + (n - 1) % 26));
  } else if ((type == 'i' || type == 'I') && number > 0 && number < 4000) {
    static constexpr std::pair<int, std::string_view> kRoman[] = {
        {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
        {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
    long long n = number;
    for (const auto& [value, letters] : kRoman)
      for (; n >= value; n -= value) digits.append(letters);
    if (type == 'I')
      for (char& c : digits) c = static_cast<char>(c - 'a' + 'A');
  } else {
    digits = std::to_string(number);
  }
  String marker;
  AppendAscii(marker, digits);
  AppendAscii(marker, ". ");
  return marker;
}

template <typename Char>
void TextLines<Char>::OpenList(bool ordered, long long start, bool reversed, char type,
                               bool has_start) {
  if (containers_.size() >= kMostContainers) return;
  Container list;
  list.kind = Kind::kList;
  // A list right inside a list (with no item between) begins two columns in.
  if (containers_.size() > base_ && containers_.back().kind == Kind::kList) list.indent = 2;
  list.type = ordered ? (type != 0 ? type : '1') : 0;
  // Counting down needs the count of items, when no start is given, which
  // only the list's end tells: such a list counts up from 1.
  list.step = ordered && reversed && has_start ? -1 : 1;
  list.next = has_start ? start : 1;
  if (ordered && reversed && !has_start && held_lists_.size() < kMostHeldLists) {
    HeldList held;
    held.took_page = target_ == nullptr;
    if (held.took_page) {
      Hand();
      held_.clear();
      target_ = &held_;
    }
    held.text = target_;
    held.from = target_->size();
    list.held = static_cast<int>(held_lists_.size());
    held_lists_.push_back(std::move(held));
  }
  containers_.push_back(std::move(list));
}

template <typename Char>
void TextLines<Char>::OpenItem(const long long* value, char type) {
  Close(Kind::kItem);
  if (containers_.size() >= kMostContainers) return;
  Container* list = nullptr;
  for (std::size_t k = containers_.size(); k > base_; --k)
    if (containers_[k - 1].kind == Kind::kList) {
      list = &containers_[k - 1];
      break;
    }
  Container item;
  item.kind = Kind::kItem;
  if (list != nullptr && list->held >= 0) {
    HeldList& held = held_lists_[static_cast<std::size_t>(list->held)];
    item.held = list->held;
    item.held_item = held.items.size();
    held.items.push_back({value ? *value : 0, value != nullptr, type != 0 ? type : list->type});
    item.marker = HeldMark('m', item.held, item.held_item);
    containers_.push_back(std::move(item));
    return;
  }
  if (list != nullptr && list->type != 0) {
    if (value != nullptr) list->next = *value;
    item.marker = MarkerOf(list->next, type != 0 ? type : list->type);
    list->next += list->step;
  } else {
    item.marker = bullet_;
  }
  item.indent = ColumnsOf(View(item.marker), leads_);
  containers_.push_back(std::move(item));
}

template <typename Char>
void TextLines<Char>::OpenIndent(Kind kind) {
  if (kind == Kind::kTerm || kind == Kind::kDescription) {
    Close(Kind::kTerm);
    Close(Kind::kDescription);
  }
  if (containers_.size() >= kMostContainers) return;
  Container c;
  c.kind = kind;
  c.indent = kind == Kind::kQuote || kind == Kind::kDescription ? 4 : 0;
  containers_.push_back(std::move(c));
}

template <typename Char>
void TextLines<Char>::Close(Kind kind) {
  for (std::size_t k = containers_.size(); k > base_; --k) {
    const Kind here = containers_[k - 1].kind;
    if (here == kind) {
      while (containers_.size() >= k) PopContainer();
      return;
    }
    // An item ends within its list, a term or definition within its list.
    if ((kind == Kind::kItem && here == Kind::kList) ||
        ((kind == Kind::kTerm || kind == Kind::kDescription) && here == Kind::kDefinitionList))
      return;
  }
}

template <typename Char>
bool TextLines<Char>::InItem() const {
  for (std::size_t k = base_; k < containers_.size(); ++k)
    if (containers_[k].kind == Kind::kItem) return true;
  return false;
}

// --- Tables -------------------------------------------------------------

// The flows interrupted are kept field by field: a record copied whole
// right after its bytes were stored one by one waits for them.
template <typename Char>
void TextLines<Char>::OpenFlow(String* target) {
  Flow& f = flows_.emplace_back();
  f.target = target_;
  f.base = base_;
  f.breaks = breaks_;
  f.cr_pending = cr_pending_;
  f.margin = margin_;
  f.pending_space = pending_space_;
  f.line_has_text = line_has_text_;
  f.at_line_start = at_line_start_;
  f.any_text = any_text_;
  target_ = target;
  base_ = containers_.size();
  breaks_ = 0;
  cr_pending_ = false;
  margin_ = 0;
  pending_space_ = false;
  line_has_text_ = false;
  at_line_start_ = true;
  any_text_ = false;
}

// A cell's flow ends: its last line breaks go with what its blocks asked
// for; the flow it interrupted goes on.
template <typename Char>
void TextLines<Char>::CloseFlow() {
  while (containers_.size() > base_) PopContainer();
  const Flow& f = flows_.back();
  target_ = f.target;
  base_ = f.base;
  breaks_ = f.breaks;
  cr_pending_ = f.cr_pending;
  margin_ = f.margin;
  pending_space_ = f.pending_space;
  line_has_text_ = f.line_has_text;
  at_line_start_ = f.at_line_start;
  any_text_ = f.any_text;
  flows_.pop_back();
}

template <typename Char>
void TextLines<Char>::OpenTable() {
  Margin(1);
  if (streaming_ > 0 || open_ >= kMostTables) {
    ++streaming_;
    return;
  }
  if (open_ > 0 && !Innermost().cell_open) OpenCell(1);
  if (pool_.size() == open_) pool_.push_back(std::make_unique<Table>());
  ++open_;
  Innermost().cell_open = false;
}

template <typename Char>
void TextLines<Char>::OpenRow() {
  CloseCell();  // which may find the table past its bound
  if (streaming_ > 0) {
    Margin(1);
    streamed_cells_ = 0;
    return;
  }
  if (open_ == 0) return;
  Innermost().grid.StartRow();
}

template <typename Char>
void TextLines<Char>::OpenCell(std::size_t span) {
  CloseCell();
  if (streaming_ > 0) {
    static constexpr Char kTab[] = {'\t'};
    if (streamed_cells_++ > 0) Separate(View(kTab, 1));
    return;
  }
  if (open_ == 0) return;
  Table& table = Innermost();
  table.grid.StartCell(span);
  OpenFlow(&table.grid.text());
  table.cell_open = true;
}

template <typename Char>
void TextLines<Char>::CloseCell() {
  if (streaming_ > 0 || open_ == 0 || !Innermost().cell_open) return;
  CloseFlow();
  Table& table = Innermost();
  table.grid.EndCell();
  table.cell_open = false;
  if (table.grid.rows() > kMostRows) Spill();
}

template <typename Char>
void TextLines<Char>::CloseTable() {
  CloseCell();
  if (streaming_ > 0) {
    --streaming_;
    Margin(1);
    return;
  }
  if (open_ == 0) return;
  TableGrid<Char>& grid = Innermost().grid;
  --open_;
  WriteGrid(grid);
  Margin(1);
}

template <typename Char>
void TextLines<Char>::WriteGrid(TableGrid<Char>& grid) {
  rendered_.clear();
  if (grid.Render(leads_, rendered_) == 0) return;
  BeforeText();
  if (line_open_ && Wraps()) wrap_.Unwrapped(emit_);
  bool indented = false;  // whether the lines begin inside a container
  for (std::size_t k = base_; k < containers_.size(); ++k) {
    const Container& c = containers_[k];
    indented =
        indented || c.indent > 0 || !c.marker.empty() || (c.kind == Kind::kItem && c.held >= 0);
  }
  if (!indented) return Write(View(rendered_));
  const View all = rendered_;
  for (std::size_t from = 0;;) {
    const std::size_t cr = all.find(Char('\r'), from);
    Write(all.substr(from, cr == all.npos ? cr : cr - from));
    if (cr == all.npos) return;
    HardBreak();
    BeforeText();
    if (line_open_ && Wraps()) wrap_.Unwrapped(emit_);
    from = cr + 2;
  }
}

// Past what a table may gather, every table open is written as it stands
// (the innermost first, into its cell), and their rows go on as they come,
// a line each, cells a tab apart.
template <typename Char>
void TextLines<Char>::Spill() {
  if (target_ == &held_ && held_.size() > kMostGathered) return ReleaseHeldLists();
  streamed_cells_ = open_ == 0 ? 0 : Innermost().grid.CellsInLastRow();
  while (open_ > 0) {
    Table& table = Innermost();
    if (table.cell_open) {
      CloseFlow();
      table.grid.EndCell();
      table.cell_open = false;
    }
    --open_;
    WriteGrid(table.grid);
    ++streaming_;
  }
}

template <typename Char>
void TextLines<Char>::End() {
  while (open_ > 0) CloseTable();
  streaming_ = 0;
  while (containers_.size() > base_) PopContainer();
  margin_ = 0;
  FlushLines();
  FinishLine();
  Hand();
}

template <typename Char>
std::size_t TextLines<Char>::Held() const {
  std::size_t held = containers_.size() + flows_.size() + gathered_size_ + held_.size() +
                     held_lists_.size() + wrap_.Held();
  for (std::size_t t = 0; t < open_; ++t) held += pool_[t]->grid.size();
  return held;
}

template <typename Char>
typename TextLines<Char>::String TextLines<Char>::LastUnits() const {
  if (breaks_ != 0 || margin_ != 0 || pending_space_ || at_line_start_) return {};
  String units;
  if (target_ != nullptr) {
    units = target_->substr(target_->size() - std::min(target_->size(), kTail));
  } else {
    units = tail_;
    units.append(gathered_.data(), gathered_size_);
  }
  if (line_open_ && Wraps()) units.append(wrap_.Tail());  // the line under way
  return units.substr(units.size() - std::min(units.size(), kTail));
}

template class TextLines<char>;
template class TextLines<char16_t>;

}  // namespace engine
