// A table gathered cell by cell and laid out as a grid of text: each column
// as wide as its widest cell (in the columns a Japanese monospace font
// draws), columns two spaces apart, a cell's lines kept in its column, a
// cell spanning columns as wide as they are together; a caption stands
// above the grid. The cells' text is kept in one buffer, each cell's lines
// ending in CR LF but for the last.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text/scan.h"

namespace engine {

template <typename Char>
class TableGrid {
 public:
  using String = std::basic_string<Char>;
  using View = std::basic_string_view<Char>;

  void StartRow() { rows_.push_back(cells_.size()); }
  // A new cell in the current row (one is begun if there is none), taking
  // `span` columns (0 for a caption, above the grid); its text is what is
  // appended to text() until EndCell.
  void StartCell(std::size_t span);
  void EndCell() { cells_.back().end = text_.size(); }
  String& text() { return text_; }

  std::size_t rows() const { return rows_.size(); }
  std::size_t CellsInLastRow() const { return rows_.empty() ? 0 : cells_.size() - rows_.back(); }
  // The characters its cells hold.
  std::size_t size() const { return text_.size(); }

  // The lines of the grid, CR LF between them (no space at their ends; rows
  // of nothing but spaces left out), appended to `out`; then forgets the
  // rows (keeping its buffers for the next table). How many lines.
  std::size_t Render(const scan::LeadBytes* leads, String& out);

 private:
  struct Cell {
    std::size_t begin, end;  // in text_
    std::size_t span;
    std::size_t want = 0;  // its widest line's columns, once measured
    bool one_line = true;
  };

  String text_;
  std::vector<Cell> cells_;
  std::vector<std::size_t> rows_;  // where each row's cells begin in cells_
  std::vector<std::size_t> widths_;
  std::vector<std::size_t> cursors_;
};

}  // namespace engine
