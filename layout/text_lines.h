// The readable text as it is written, in the output's form: lines and what
// stands between them (line breaks the page and the options make, which
// ENTER's rule collapses, and the margins of blocks, which collapse as CSS
// collapses them: at most one empty line, none at the start), indentation
// (list items to where their text begins, definitions and quotes by four
// spaces), list markers on the first line of their item, and, with TABLE,
// tables gathered cell by cell and written as grids: a cell is a flow of
// lines of its own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "html/elements.h"
#include "html/reference_reader.h"
#include "layout/line_wrap.h"
#include "layout/table_grid.h"
#include "text/scan.h"

namespace engine {

template <typename Char>
class TextLines {
 public:
  using String = std::basic_string<Char>;
  using View = std::basic_string_view<Char>;

  // `enter`: ENTER's rule; `grids`: TABLE; `width`: WIDTH (0: lines are
  // not wrapped).
  TextLines(const OutputForm<Char>& form, const scan::LeadBytes* leads, bool enter, bool grids,
            std::size_t width = 0);

  // Where the output goes until told otherwise; Hand() gives it what is
  // gathered so far.
  void SetOutput(String& out) { out_ = &out; }
  void Hand() {
    Handed(View(gathered_.data(), gathered_size_));
    out_->append(gathered_.data(), gathered_size_);
    gathered_size_ = 0;
  }

  // Text, after what the lines and blocks ask for before it.
  QUILLMERE_INLINE void Visible(View run) {
    if (run.empty()) return;
    BeforeText();
    Write(run);
  }
  QUILLMERE_INLINE void VisibleChar(Char c) {
    BeforeText();
    Write(c);
  }
  // Text the conversion puts in (labels, values, a tag shown as written):
  // its spaces and line breaks count as the page's own, collapsed or not.
  void Literal(View text, bool collapsing);
  // What the blocks put between texts (a cell's tab): no space before it,
  // and none after it until more text comes.
  void Separate(View mark);
  // A space to collapse: one before the next text on the same line.
  QUILLMERE_INLINE void Space() {
    if (line_has_text_ && breaks_ == 0 && margin_ == 0) pending_space_ = true;
  }
  // A line break of the page's (CR or LF: CR LF counts once).
  QUILLMERE_INLINE void SourceBreak(Char c) {
    pending_space_ = false;
    scan::CountBreak(c, breaks_, cr_pending_);
  }
  void HardBreak();
  // With WIDTH: the line under way (or the next) is not wrapped (a rule, a
  // link's line); nor are lines while preformatted text goes on.
  void Unwrapped();
  void SetPreformatted(bool on) { preformatted_ = on; }
  // A block begins or ends: 1 for a new line, 2 for an empty line before
  // the next text (never before the first).
  void Margin(int lines);

  // Containers. A list's items begin with their marker ("・", or a number
  // in the list's type), on the first line of their text; an item's later
  // lines begin where its text does. `type` is 1, a, A, i or I. A reversed
  // list without a start counts down from its number of items, which only
  // its end tells: its text waits until then, its markers and the
  // indentation they make marked in it, up to kMostGathered units (past
  // them what waits is written counting up from 1, and so is the rest).
  void OpenList(bool ordered, long long start, bool reversed, char type, bool has_start);
  void OpenItem(const long long* value, char type);
  // A definition (dd) or quote, indented by four spaces; a term (dt) and
  // a definition list, by none.
  void OpenIndent(html::Kind kind);
  // Ends the innermost container of `kind` (kItem, kList, kQuote,
  // kDescription, kTerm, kDefinitionList) and all inside it, within the
  // current flow; an item or a term or definition not beyond its list.
  void Close(html::Kind kind);
  bool InItem() const;

  // Tables, with TABLE: gathered and written as grids.
  bool grids() const { return grids_; }
  void OpenTable();
  void OpenRow();
  void OpenCell(std::size_t span);  // 0 for a caption
  void CloseCell();
  void CloseTable();

  // The end of the text: tables and containers still open end, and what
  // the blocks asked for goes; the page's last line breaks stay.
  void End();

  // Characters and open containers held now.
  std::size_t Held() const;

  // Up to kTail units written last, where the next text would follow them
  // directly; empty where a space, a line break or a line's start comes
  // between.
  String LastUnits() const;

 private:
  struct Container {
    html::Kind kind = html::Kind::kOther;
    std::size_t indent = 0;  // columns its later lines begin at, past those around it
    String marker;           // an item's, until it is written
    // Lists: the next item's number, and how numbers go on.
    long long next = 1;
    int step = 1;
    char type = 0;  // 0: "・"
    // A list counting down from its count of items: its place in
    // held_lists_; an item of one: its list's place and its own number
    // there. -1 for the others.
    int held = -1;
    std::size_t held_item = 0;
  };
  // A list whose numbers wait for its end, and where its text waits.
  struct HeldList {
    String* text;
    std::size_t from;
    bool took_page;  // its start sent the page's text to held_
    struct Item {
      long long value;
      bool has_value;
      char type;
    };
    std::vector<Item> items;
  };
  static constexpr std::size_t kMostHeldLists = 100;
  // The state of a flow of lines (the page, or a table's cell).
  struct Flow {
    String* target;
    std::size_t base;
    std::size_t breaks;
    bool cr_pending;
    int margin;
    bool pending_space, line_has_text, at_line_start, any_text;
  };
  struct Table {
    TableGrid<Char> grid;
    bool cell_open = false;
  };
  // What a cell may gather before the tables open are written as they stand.
  static constexpr std::size_t kMostGathered = std::size_t(1) << 20;

  QUILLMERE_INLINE void BeforeText() {
    if (target_ != nullptr && target_->size() > kMostGathered) Spill();
    if (breaks_ != 0 || margin_ != 0) FlushLines();
    if (at_line_start_) Indent();
    if (line_open_ && (preformatted_ || streaming_ > 0) && Wraps()) wrap_.Unwrapped(emit_);
    if (pending_space_) {
      Write(Char(' '));
      pending_space_ = false;
    }
    line_has_text_ = true;
    any_text_ = true;
  }
  void FlushLines();
  void Indent();
  void WriteMarkerLine();
  void PopContainer();
  // A held list's marks in its text, which its end replaces.
  String HeldMark(char what, int list, std::size_t item) const;
  void NumberHeldList(bool counting_down);
  void ReleaseHeldLists();

  // With WIDTH the page's line under way goes through the wrap.
  bool Wraps() const { return line_open_ && (target_ == nullptr || target_ == &held_); }
  QUILLMERE_INLINE void Write(Char c) {
    if (width_ != 0 && Wraps()) return wrap_.Add(View(&c, 1), emit_);
    Emit(c);
  }
  QUILLMERE_INLINE void Write(View run) {
    if (width_ != 0 && Wraps()) return wrap_.Add(run, emit_);
    Emit(run);
  }
  QUILLMERE_INLINE void Emit(Char c) {
    if (target_) return target_->push_back(c);
    if (gathered_size_ == gathered_.size()) Hand();
    gathered_[gathered_size_++] = c;
  }
  // Output is gathered here and handed on a block at a time: most of what
  // is written is a few characters, which a call to append each time would
  // cost more than copying them.
  QUILLMERE_INLINE void Emit(View run) {
    if (target_) {
      target_->append(run);
      return;
    }
    const std::size_t n = run.size();
    if (n > gathered_.size() - gathered_size_) {
      Hand();
      if (n > gathered_.size()) {
        Handed(run);
        out_->append(run);
        return;
      }
    }
    Char* to = gathered_.data() + gathered_size_;
    if (n <= 16) {
      for (std::size_t k = 0; k < n; ++k) to[k] = run[k];
    } else {
      std::memcpy(to, run.data(), n * sizeof(Char));
    }
    gathered_size_ += n;
  }

  void OpenFlow(String* target);
  void CloseFlow();
  void Spill();
  void WriteGrid(TableGrid<Char>& grid);
  String rendered_;  // a grid's lines
  String MarkerOf(long long number, char type) const;

  const OutputForm<Char>& form_;
  const scan::LeadBytes* leads_;
  const bool enter_;
  const bool grids_;
  const std::size_t width_;
  LineWrap<Char> wrap_;
  std::function<void(View)> emit_;
  bool line_open_ = false;  // a line goes through wrap_
  bool preformatted_ = false;
  bool unwrap_next_ = false;  // the next line is not wrapped
  void FinishLine() {
    if (!line_open_) return;
    line_open_ = false;
    wrap_.Finish(emit_);
  }
  String bullet_;  // "・"

  // The last units handed on, which the output may no longer hold.
  static constexpr std::size_t kTail = 16;
  void Handed(View units) {
    if (units.size() >= kTail) {
      tail_.assign(units.substr(units.size() - kTail));
      return;
    }
    tail_.append(units);
    if (tail_.size() > kTail) tail_.erase(0, tail_.size() - kTail);
  }

  String* out_ = nullptr;
  std::array<Char, 4096> gathered_;
  std::size_t gathered_size_ = 0;
  String tail_;

  // The current flow.
  String* target_ = nullptr;  // a cell's text; null for the page
  std::size_t base_ = 0;      // containers_ from here are the flow's
  std::size_t breaks_ = 0;    // line breaks since the last text
  bool cr_pending_ = false;   // the last break was a CR, which an LF would join
  int margin_ = 0;            // what the blocks ask for before the next text
  bool pending_space_ = false;
  bool line_has_text_ = false;  // a space may follow
  bool at_line_start_ = true;   // the next text is indented first
  bool any_text_ = false;

  std::vector<Container> containers_;
  std::vector<HeldList> held_lists_;
  String held_;              // the page's text since the first list held began
  std::vector<Flow> flows_;  // those a cell's flow interrupts
  // The tables open, innermost last: the first open_ of pool_, which keeps
  // them (and their buffers) from table to table where they stay put.
  std::vector<std::unique_ptr<Table>> pool_;
  std::size_t open_ = 0;
  Table& Innermost() { return *pool_[open_ - 1]; }
  std::size_t streaming_ = 0;       // open tables, past the bound, whose rows go as written
  std::size_t streamed_cells_ = 0;  // in the row under way of those
};

}  // namespace engine
