#include "engine/table_grid.h"

#include <algorithm>

#include "engine/character_widths.h"

namespace engine {
namespace {

// The lines of a cell's text, without their CR LF.
template <typename Char>
std::vector<std::basic_string_view<Char>> LinesOf(std::basic_string_view<Char> text) {
  std::vector<std::basic_string_view<Char>> lines;
  for (std::size_t from = 0;;) {
    const std::size_t cr = text.find(Char('\r'), from);
    if (cr == text.npos) {
      lines.push_back(text.substr(from));
      return lines;
    }
    lines.push_back(text.substr(from, cr - from));
    from = cr + (cr + 1 < text.size() && text[cr + 1] == '\n' ? 2 : 1);
  }
}

}  // namespace

template <typename Char>
typename TableGrid<Char>::Cell& TableGrid<Char>::StartCell(std::size_t span) {
  if (rows_.empty()) rows_.emplace_back();
  Cell& cell = rows_.back().emplace_back();
  cell.span = span;
  return cell;
}

template <typename Char>
std::size_t TableGrid<Char>::size() const {
  std::size_t size = 0;
  for (const auto& row : rows_)
    for (const Cell& cell : row) size += cell.text.size();
  return size;
}

template <typename Char>
void TableGrid<Char>::Render(const scan::LeadBytes* leads, const std::function<void(View)>& line) {
  // Columns as wide as their widest line: cells of one column first, then
  // those that span, whose want the last column they span takes up.
  std::vector<std::size_t> widths;
  auto widest = [leads](const Cell& cell) {
    std::size_t most = 0;
    for (const View l : LinesOf<Char>(cell.text)) most = std::max(most, ColumnsOf(l, leads));
    return most;
  };
  for (const int pass : {1, 2}) {
    for (const auto& row : rows_) {
      std::size_t column = 0;
      for (const Cell& cell : row) {
        if (cell.span == 0) continue;
        const std::size_t end = column + cell.span;
        if (widths.size() < end) widths.resize(end, 0);
        if ((pass == 1) == (cell.span == 1)) {
          std::size_t have = 2 * (cell.span - 1);
          for (std::size_t c = column; c < end; ++c) have += widths[c];
          const std::size_t want = widest(cell);
          if (want > have) widths[end - 1] += want - have;
        }
        column = end;
      }
    }
  }
  String text;
  for (const auto& row : rows_) {
    std::vector<std::vector<View>> lines;
    std::size_t height = 0;
    for (const Cell& cell : row) {
      lines.push_back(LinesOf<Char>(cell.text));
      height = std::max(height, lines.back().size());
    }
    for (std::size_t l = 0; l < height; ++l) {
      text.clear();
      std::size_t column = 0;
      for (std::size_t k = 0; k < row.size(); ++k) {
        const Cell& cell = row[k];
        const View part = l < lines[k].size() ? lines[k][l] : View();
        if (cell.span == 0) {  // a caption: its lines as they are
          text.append(part);
          continue;
        }
        if (k > 0) text.append(2, Char(' '));
        text.append(part);
        std::size_t width = 2 * (cell.span - 1);
        for (std::size_t c = column; c < column + cell.span; ++c) width += widths[c];
        const std::size_t used = ColumnsOf(part, leads);
        if (k + 1 < row.size() && used < width) text.append(width - used, Char(' '));
        column += cell.span;
      }
      while (!text.empty() && text.back() == ' ') text.pop_back();
      if (!text.empty()) line(text);
    }
  }
  rows_.clear();
}

template class TableGrid<char>;
template class TableGrid<char16_t>;

}  // namespace engine
