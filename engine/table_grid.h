// A table gathered cell by cell and laid out as a grid of text: each column
// as wide as its widest cell (in the columns a Japanese monospace font
// draws), columns two spaces apart, a cell's lines kept in its column, a
// cell spanning columns as wide as they are together; a caption stands
// above the grid. Used only inside engine/.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/scan_helpers.h"

namespace engine {

template <typename Char>
class TableGrid {
 public:
  using String = std::basic_string<Char>;
  using View = std::basic_string_view<Char>;

  // A cell's text: lines ending in CR LF, but for the last.
  struct Cell {
    String text;
    std::size_t span = 1;  // columns it takes; 0 for a caption, above the grid
  };

  void StartRow() { rows_.emplace_back(); }
  // A new cell in the current row (one is begun if there is none).
  Cell& StartCell(std::size_t span);
  std::size_t rows() const { return rows_.size(); }
  std::size_t CellsInLastRow() const { return rows_.empty() ? 0 : rows_.back().size(); }
  bool empty() const { return rows_.empty(); }
  // The characters its cells hold.
  std::size_t size() const;

  // Hands each line of the grid to `line` (no line break in it, no space at
  // its end; rows of nothing but spaces left out), then forgets the rows.
  void Render(const scan::LeadBytes* leads, const std::function<void(View)>& line);

 private:
  std::vector<std::vector<Cell>> rows_;
};

}  // namespace engine
