#include "layout/table_grid.h"

#include <algorithm>

#include "layout/character_widths.h"

namespace engine {
namespace {

// The line of `text` that begins at `at`, and where the next one begins
// (past its CR LF; the text's size after the last).
template <typename Char>
std::basic_string_view<Char> NextLine(std::basic_string_view<Char> text, std::size_t& at) {
  const std::size_t cr = text.find(Char('\r'), at);
  const std::size_t end = cr == text.npos ? text.size() : cr;
  const std::basic_string_view<Char> line = text.substr(at, end - at);
  at = cr == text.npos ? text.size() + 1 : cr + 2;
  return line;
}

}  // namespace

template <typename Char>
void TableGrid<Char>::StartCell(std::size_t span) {
  if (rows_.empty()) StartRow();
  cells_.push_back({text_.size(), text_.size(), span});
}

template <typename Char>
std::size_t TableGrid<Char>::Render(const scan::LeadBytes* leads, String& out) {
  std::size_t lines = 0;
  const View all = text_;
  const std::size_t row_count = rows_.size();
  auto row_end = [&](std::size_t r) { return r + 1 < row_count ? rows_[r + 1] : cells_.size(); };
  // Columns as wide as their widest line: cells of one column first, then
  // those that span, whose want the last column they span takes up.
  widths_.clear();
  for (const int pass : {1, 2}) {
    for (std::size_t r = 0; r < row_count; ++r) {
      std::size_t column = 0;
      for (std::size_t k = rows_[r]; k < row_end(r); ++k) {
        Cell& cell = cells_[k];
        if (pass == 1) {
          const View text = all.substr(cell.begin, cell.end - cell.begin);
          std::size_t at = 0;
          cell.want = ColumnsOf(NextLine(text, at), leads);
          cell.one_line = at > text.size();
          while (at <= text.size())
            cell.want = std::max(cell.want, ColumnsOf(NextLine(text, at), leads));
        }
        if (cell.span == 0) continue;
        const std::size_t end = column + cell.span;
        if (widths_.size() < end) widths_.resize(end, 0);
        if ((pass == 1) == (cell.span == 1)) {
          std::size_t have = 2 * (cell.span - 1);
          for (std::size_t c = column; c < end; ++c) have += widths_[c];
          if (cell.want > have) widths_[end - 1] += cell.want - have;
        }
        column = end;
      }
    }
  }
  for (std::size_t r = 0; r < row_count; ++r) {
    const std::size_t first = rows_[r], last = row_end(r);
    cursors_.resize(last - first);
    for (std::size_t k = first; k < last; ++k) cursors_[k - first] = 0;
    for (bool more = true; more;) {
      more = false;
      const std::size_t line_start = out.size();
      if (lines > 0) out.append({Char('\r'), Char('\n')});
      std::size_t column = 0, pad = 0;  // spaces owed before the next text
      for (std::size_t k = first; k < last; ++k) {
        const Cell& cell = cells_[k];
        const View text = all.substr(cell.begin, cell.end - cell.begin);
        std::size_t& at = cursors_[k - first];
        View part;
        if (cell.one_line) {  // most cells: no line to look for
          if (at == 0) part = text;
          at = text.size() + 1;
        } else if (at <= text.size()) {
          part = NextLine(text, at);
          more = more || at <= text.size();
        }
        if (cell.span == 0) {  // a caption: its lines as they are
          out.append(part);
          continue;
        }
        if (k > first) pad += 2;
        if (!part.empty()) {
          out.append(pad, Char(' '));
          out.append(part);
          pad = 0;
        }
        std::size_t width = 2 * (cell.span - 1);
        for (std::size_t c = column; c < column + cell.span; ++c) width += widths_[c];
        const std::size_t used = part.empty()    ? 0
                                 : cell.one_line ? cell.want
                                                 : ColumnsOf(part, leads);
        if (used < width) pad += width - used;
        column += cell.span;
      }
      // Spaces at the end are never written; a line of nothing goes.
      if (out.size() == line_start + (lines > 0 ? 2 : 0))
        out.resize(line_start);
      else
        ++lines;
    }
  }
  text_.clear();
  cells_.clear();
  rows_.clear();
  return lines;
}

template class TableGrid<char>;
template class TableGrid<char16_t>;

}  // namespace engine
