#include "serial/CsvTable.h"

#include <cstdio>
#include <memory>

namespace hrx {

namespace {

bool isLeadByte(int c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool isTrailByte(int c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// One byte as a text-mode stream delivers it: CR LF reads as LF.
int nextByte(std::FILE* f) {
  const int c = std::getc(f);
  if (c != '\r') return c;
  const int n = std::getc(f);
  if (n == '\n') return '\n';
  if (n != EOF) std::ungetc(n, f);
  return c;
}

// Walks the file once with the cell rules, calling sink.text(byte),
// sink.endCell() and sink.endRow(). Bytes of a last line without a line feed
// reach the sink too; the sink drops them at the end.
template <typename Sink>
void scan(std::FILE* f, Sink& sink) {
  bool quoted = false;
  std::size_t rawInCell = 0;  // bytes of the current cell seen, quotes included
  for (int c = nextByte(f); c != EOF; c = nextByte(f)) {
    if (isLeadByte(c)) {
      const int t = nextByte(f);
      sink.text(static_cast<char>(c));
      ++rawInCell;
      if (t == EOF) break;
      if (isTrailByte(t)) {
        sink.text(static_cast<char>(t));
        ++rawInCell;
        continue;
      }
      c = t;  // not a second half: an ordinary byte of its own
    }
    if (c == '"') {
      quoted = !quoted;
      // An opening quote is markup only at the start of the cell; a quote
      // that opens a quoted part later on (as the second of "") is text.
      if (quoted && rawInCell != 0) sink.text('"');
      ++rawInCell;
      continue;
    }
    if (!quoted && c == ',') {
      sink.endCell();
      rawInCell = 0;
      continue;
    }
    if (!quoted && c == '\n') {
      sink.endCell();
      sink.endRow();
      rawInCell = 0;
      continue;
    }
    sink.text(static_cast<char>(c));
    ++rawInCell;
  }
}

struct Counter {
  std::size_t rows = 0, columns = 0, widest = 0;
  std::size_t lineCells = 0, lineWidest = 0, cellLen = 0;
  std::vector<int> rowCells;
  void text(char) { ++cellLen; }
  void endCell() {
    ++lineCells;
    if (cellLen > lineWidest) lineWidest = cellLen;
    cellLen = 0;
  }
  void endRow() {
    ++rows;
    if (lineCells > columns) columns = lineCells;
    if (lineWidest > widest) widest = lineWidest;
    rowCells.push_back(static_cast<int>(lineCells));
    lineCells = lineWidest = 0;
  }
};

struct Filler {
  char* grid;
  std::size_t rows, columns, width;
  std::size_t row = 0, column = 0, len = 0;
  void text(char c) {
    if (row < rows && column < columns && len + 1 < width) grid[(row * columns + column) * width + len++] = c;
  }
  void endCell() {
    ++column;
    len = 0;
  }
  void endRow() {
    ++row;
    column = 0;
    len = 0;
  }
};

}  // namespace

bool CsvTable::load(const std::string& path) {
  if (loaded_) return false;
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "r"));
  if (!f) return false;

  Counter counter;
  scan(f.get(), counter);
  const std::size_t width = counter.widest + 1;
  const std::size_t cells = counter.rows * counter.columns;
  if (counter.columns != 0 && cells / counter.columns != counter.rows) return false;
  if (cells > kMaxGridBytes / width) return false;

  std::vector<char> grid(cells * width, '\0');
  std::rewind(f.get());
  Filler filler{grid.data(), counter.rows, counter.columns, width};
  scan(f.get(), filler);

  rows_ = static_cast<int>(counter.rows);
  columns_ = static_cast<int>(counter.columns);
  width_ = static_cast<int>(width);
  rowCells_ = std::move(counter.rowCells);
  grid_ = std::move(grid);
  loaded_ = true;
  return true;
}

int CsvTable::cellsInRow(int row) const {
  return row >= 0 && row < rows_ ? rowCells_[static_cast<std::size_t>(row)] : 0;
}

const char* CsvTable::cell(int row, int column) const {
  if (row < 0 || row >= rows_ || column < 0 || column >= columns_) return nullptr;
  const auto index = static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) + static_cast<std::size_t>(column);
  return grid_.data() + index * static_cast<std::size_t>(width_);
}

}  // namespace hrx
