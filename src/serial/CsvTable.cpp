#include "serial/CsvTable.h"

#include <sys/stat.h>

#include <cstdio>
#include <memory>

namespace hrx {

namespace {

bool isLeadByte(int c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool isTrailByte(int c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// One byte as a text-mode stream delivers it: CR LF reads as LF. `taken`
// counts the file's bytes.
int nextByte(std::FILE* f, std::size_t& taken) {
  const int c = std::getc(f);
  if (c == EOF) return c;
  ++taken;
  if (c != '\r') return c;
  const int n = std::getc(f);
  if (n == '\n') {
    ++taken;
    return '\n';
  }
  if (n != EOF) std::ungetc(n, f);
  return c;
}

// Walks the file once with the cell rules, calling sink.text(byte),
// sink.endCell() and sink.endRow(). Bytes of a last line without a line feed
// reach the sink too; the sink drops them at the end. False when the file
// runs past kMaxFileBytes (a device or a file still growing included).
template <typename Sink>
bool scan(std::FILE* f, Sink& sink) {
  bool quoted = false;
  std::size_t rawInCell = 0;  // bytes of the current cell seen, quotes included
  std::size_t taken = 0;
  for (int c = nextByte(f, taken); c != EOF; c = nextByte(f, taken)) {
    if (taken > CsvTable::kMaxFileBytes) return false;
    if (isLeadByte(c)) {
      const int t = nextByte(f, taken);
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
  return true;
}

// Counts without allocating: the grid's size is checked before anything
// is held for it.
struct Counter {
  std::size_t rows = 0, columns = 0, widest = 0;
  std::size_t lineCells = 0, lineWidest = 0, cellLen = 0;
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
    lineCells = lineWidest = 0;
  }
};

struct Filler {
  char* grid;
  int* rowCells;
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
    if (row < rows) rowCells[row] = static_cast<int>(column);
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

  struct stat st {};
  if (::fstat(::fileno(f.get()), &st) != 0 || (S_ISREG(st.st_mode) && st.st_size > static_cast<off_t>(kMaxFileBytes)))
    return false;
  Counter counter;
  if (!scan(f.get(), counter)) return false;
  const std::size_t width = counter.widest + 1;
  const std::size_t cells = counter.rows * counter.columns;
  if (counter.columns != 0 && cells / counter.columns != counter.rows) return false;
  if (cells > kMaxGridBytes / width) return false;

  std::vector<char> grid(cells * width, '\0');
  std::vector<int> rowCells(counter.rows, 0);
  std::rewind(f.get());
  Filler filler{grid.data(), rowCells.data(), counter.rows, counter.columns, width};
  // The file changed under us (grew past the limit): refused as well.
  if (!scan(f.get(), filler)) return false;

  rows_ = static_cast<int>(counter.rows);
  columns_ = static_cast<int>(counter.columns);
  width_ = static_cast<int>(width);
  rowCells_ = std::move(rowCells);
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
