#pragma once
// CsvTable: a comma-separated file read in two passes, the first counting
// rows, columns and the widest cell, the second filling a rows x columns grid
// of NUL-terminated cells. Double quotes group text with commas and line
// feeds in it; a double-byte (Shift JIS) character is never split; a last
// line without a line feed is not read. One file per instance.
#include <cstddef>
#include <string>
#include <vector>

namespace hrx {

class CsvTable {
 public:
  // A file whose grid would need more than this is refused, not allocated.
  static constexpr std::size_t kMaxGridBytes = 16u * 1024u * 1024u;
  // A file longer than this is refused before its lines are counted.
  static constexpr std::size_t kMaxFileBytes = 1024u * 1024u;

  // False when the file cannot be read, is longer than kMaxFileBytes, the
  // grid would be too large, or this instance has loaded a file before.
  bool load(const std::string& path);

  bool loaded() const { return loaded_; }
  int rows() const { return rows_; }
  int columns() const { return columns_; }
  // Bytes per cell, terminator included.
  int cellWidth() const { return width_; }
  // Cells the file gave row r (the grid pads shorter rows with empty cells).
  int cellsInRow(int row) const;
  // The cell's text; nullptr outside the grid.
  const char* cell(int row, int column) const;

 private:
  bool loaded_ = false;
  int rows_ = 0;
  int columns_ = 0;
  int width_ = 1;
  std::vector<int> rowCells_;
  std::vector<char> grid_;
};

}  // namespace hrx
