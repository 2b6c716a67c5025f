#include "app/KeyCommands.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>

namespace hrx {

namespace {

struct SlotRow {
  Key key;
  KeyMod mod;
  std::int8_t slot;
};

constexpr SlotRow kSlots[] = {
    {Key::F2, KeyMod::None, 0},       {Key::F3, KeyMod::None, 1},       {Key::F4, KeyMod::None, 2},
    {Key::F5, KeyMod::None, 3},       {Key::F6, KeyMod::None, 4},       {Key::F7, KeyMod::None, 5},
    {Key::F8, KeyMod::None, 6},       {Key::F9, KeyMod::None, 7},       {Key::F11, KeyMod::None, 8},
    {Key::F12, KeyMod::None, 9},      {Key::PageUp, KeyMod::None, 42},  {Key::PageDown, KeyMod::None, 43},
    {Key::Home, KeyMod::None, 44},    {Key::End, KeyMod::None, 45},     {Key::F1, KeyMod::Shift, 10},
    {Key::F2, KeyMod::Shift, 11},     {Key::F3, KeyMod::Shift, 12},     {Key::F4, KeyMod::Shift, 13},
    {Key::F5, KeyMod::Shift, 14},     {Key::F6, KeyMod::Shift, 15},     {Key::F7, KeyMod::Shift, 16},
    {Key::F8, KeyMod::Shift, 17},     {Key::F9, KeyMod::Shift, 18},     {Key::F11, KeyMod::Shift, 19},
    {Key::F12, KeyMod::Shift, 20},    {Key::F1, KeyMod::Ctrl, 21},      {Key::F2, KeyMod::Ctrl, 22},
    {Key::F3, KeyMod::Ctrl, 23},      {Key::F4, KeyMod::Ctrl, 24},      {Key::F5, KeyMod::Ctrl, 25},
    {Key::F6, KeyMod::Ctrl, 26},      {Key::F7, KeyMod::Ctrl, 27},      {Key::F8, KeyMod::Ctrl, 28},
    {Key::F9, KeyMod::Ctrl, 29},      {Key::F11, KeyMod::Ctrl, 30},     {Key::F12, KeyMod::Ctrl, 31},
    {Key::F1, KeyMod::Alt, 32},       {Key::F2, KeyMod::Alt, 33},       {Key::F3, KeyMod::Alt, 34},
    {Key::F5, KeyMod::Alt, 35},       {Key::F7, KeyMod::Alt, 36},       {Key::F8, KeyMod::Alt, 37},
    {Key::F9, KeyMod::Alt, 38},       {Key::F10, KeyMod::Alt, 39},      {Key::F11, KeyMod::Alt, 40},
    {Key::F12, KeyMod::Alt, 41},
};
static_assert(std::size(kSlots) == kKeySlotCount);

}  // namespace

int keySlot(Key key, KeyMod mod) {
  for (const SlotRow& r : kSlots)
    if (r.key == key && r.mod == mod) return r.slot;
  return -1;
}

KeyLines parseKeyFile(std::string_view text) {
  text = text.substr(0, std::min(text.size(), kKeyFileMaxBytes));
  KeyLines lines;
  std::size_t pos = 0;
  for (int k = 0; k < kKeySlotCount && pos < text.size(); ++k) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    lines[static_cast<std::size_t>(k)] = std::string(text.substr(pos, std::min(end - pos, kKeyLineMax)));
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
  }
  return lines;
}

bool readKeyFile(const std::string& path, KeyLines& lines) {
  // Not blocking, and only a plain file: a pipe or a device in its place
  // would hold up the key press (and the window) until it gave data.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  std::string text(kKeyFileMaxBytes, '\0');
  std::size_t got = 0;
  while (ok && got < text.size()) {
    const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (!ok) return false;
  text.resize(got);
  lines = parseKeyFile(text);
  return true;
}

bool KeyLineSender::start(std::string_view line) {
  if (busy_) return false;
  line_.assign(line);
  pos_ = 0;
  busy_ = true;
  return true;
}

std::string_view KeyLineSender::next() {
  while (busy_) {
    const std::size_t semi = line_.find(';', pos_);
    if (semi == std::string::npos) break;
    const std::size_t from = pos_;
    pos_ = semi + 1;
    if (semi == from) continue;
    return std::string_view(line_).substr(from, semi + 1 - from);
  }
  busy_ = false;
  return {};
}

}  // namespace hrx
