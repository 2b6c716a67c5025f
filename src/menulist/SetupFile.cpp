#include "menulist/SetupFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "menulist/MenuCatalogue.h"
#include "state/RadioState.h"

namespace hrx {

namespace {

constexpr int kTextType = 41;
constexpr int kNameColumn = 18;
constexpr int kRawColumn = 8;
// Beacon times above 240 s come as codes 241..255 from the list's chooser
// and as seconds in 30 s steps from the radio's reply.
constexpr int kBeaconFine = 240;
constexpr int kBeaconMax = 690;
constexpr int kBeaconCodeMax = 255;

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

template <std::size_t N>
std::string field(const char (&f)[N]) {
  return std::string(f, strnlen(f, N));
}

// The radio pads MY CALL with blanks to its width; the blanks are not part
// of the call.
std::string callOf(const char* text, std::size_t n) {
  std::string s(text, strnlen(text, n));
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

std::string trimmedCall(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// What MY CALL may hold in a file: the menu list's text, or none (the radio
// gives blanks before a call is set).
bool callAllowed(std::string_view s) { return s.empty() || menuTextAllowed(s); }

constexpr const char* kUnknownRaw = "?";
constexpr const char* kNotReadText = "not read";
constexpr const char* kUnknownText = "unknown";

std::string quoted(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

// A quoted text at the start of `s`; the rest is left in `s`.
bool takeQuoted(std::string_view& s, std::string* out) {
  s = trim(s);
  if (s.empty() || s.front() != '"') return false;
  std::string text;
  for (std::size_t i = 1; i < s.size(); ++i) {
    char c = s[i];
    if (c == '"') {
      s.remove_prefix(i + 1);
      *out = std::move(text);
      return true;
    }
    if (c == '\\') {
      if (++i >= s.size() || (s[i] != '"' && s[i] != '\\')) return false;
      c = s[i];
    }
    text.push_back(c);
  }
  return false;
}

bool wholeNumber(std::string_view s, long* v) {
  bool negative = false;
  if (!s.empty() && s.front() == '-') {
    negative = true;
    s.remove_prefix(1);
  }
  if (s.empty() || s.size() > 7) return false;
  long n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  *v = negative ? -n : n;
  return true;
}

// The menu list offers only min, min + step, ...: a value between two
// steps is none the radio takes.
bool onStep(const MenuListItem& rec, long v) {
  const long step = IntOf(rec.step);
  return step <= 1 || (v - IntOf(rec.min)) % step == 0;
}

bool inRange(const MenuListItem& rec, long v) {
  const double lo = std::min(rec.min, rec.max);
  const double hi = std::max(rec.min, rec.max);
  switch (menuValueClass(rec.type)) {
    case MenuValueClass::Number:
    case MenuValueClass::Negated:
      return v >= lo && v <= hi && onStep(rec, v);
    case MenuValueClass::Tenths:
    case MenuValueClass::Kilohertz:
      return v >= lo && v <= hi;
    case MenuValueClass::MicGain:
      return v == 1000 || (v >= lo && v <= hi);
    case MenuValueClass::BeaconTime:
      return (v >= 0 && v <= kBeaconCodeMax) || (v > kBeaconFine && v <= kBeaconMax && (v - kBeaconFine) % 30 == 0);
    case MenuValueClass::Choice:
      return v >= 0 && v < std::clamp<int>(rec.choice_num, 0, kMenuChoiceMax);
    case MenuValueClass::Text:
      break;
  }
  return false;
}

std::string itemText(const MenuListItem& catalogue, const SetupItem& item) {
  MenuListItem rec = catalogue;
  rec.changed = 0;
  if (rec.type == kTextType) {
    std::memset(rec.text, 0, sizeof rec.text);
    std::memcpy(rec.text, item.text.data(), std::min(item.text.size(), sizeof rec.text - 1));
  } else {
    rec.value = item.raw;
  }
  return setupValueText(rec);
}

bool fail(SetupError* error, int line, std::string message) {
  if (error != nullptr) *error = SetupError{line, std::move(message)};
  return false;
}

std::string label(const MenuListItem& rec) {
  char no[8];
  std::snprintf(no, sizeof no, "%03d", static_cast<int>(rec.no));
  return std::string(no) + " " + std::string(trim(field(rec.name)));
}

struct Parser {
  SetupFile file;
  bool seenFormat = false;
  bool seen[kMenuItemCount + 1] = {};
  bool seenKey[5] = {};

  // "hrx900-setup 1", "hrx900-setup 1.1": the major number must be this
  // program's or older; a later minor only adds what may be ignored.
  bool format(int line, std::string_view value, SetupError* error) {
    static constexpr std::string_view kName = "hrx900-setup ";
    auto notAFile = [&] {
      return fail(error, line, std::string("not a radio set-up file (it starts with \"format: ") + kSetupFormatLine + "\")");
    };
    if (value.substr(0, kName.size()) != kName) return notAFile();
    const std::string_view version = value.substr(kName.size());
    const std::size_t dot = version.find('.');
    long major = 0;
    long minor = 0;
    if (!wholeNumber(version.substr(0, dot), &major) || major < 1) return notAFile();
    if (dot != std::string_view::npos && (!wholeNumber(version.substr(dot + 1), &minor) || minor < 0)) return notAFile();
    if (major > kSetupFormatMajor)
      return fail(error, line, "written by a newer version of this program (format " + std::string(version) + ")");
    if (minor > 0)
      file.note = "written by a newer version of this program (format " + std::string(version) +
                  "); what this version does not know of it is ignored";
    seenFormat = true;
    return true;
  }

  bool header(int line, std::string_view s, SetupError* error) {
    const std::size_t colon = s.find(':');
    const std::string_view key = colon == std::string_view::npos ? s : trim(s.substr(0, colon));
    const std::string_view value = colon == std::string_view::npos ? std::string_view() : trim(s.substr(colon + 1));
    if (!seenFormat) {
      if (colon == std::string_view::npos || key != "format")
        return fail(error, line, std::string("not a radio set-up file (it starts with \"format: ") + kSetupFormatLine + "\")");
      return format(line, value, error);
    }
    if (colon == std::string_view::npos || key.empty()) return fail(error, line, "neither a menu item nor a header field");
    static constexpr const char* kKeys[] = {"format", "program", "radio", "date", "comment"};
    int k = -1;
    for (int i = 0; i < 5; ++i)
      if (key == kKeys[i]) k = i;
    std::string v(value);
    // A field a later version added: kept, and nothing of it is used.
    if (k < 0) {
      file.otherHeader.emplace_back(std::string(key), std::move(v));
      return true;
    }
    if (k == 0 || seenKey[k]) return fail(error, line, "\"" + std::string(key) + "\" given twice");
    seenKey[k] = true;
    if (k == 1) file.header.program = v;
    if (k == 3) file.header.date = v;
    if (k == 4) file.header.comment = v;
    if (k == 2) {
      if (v.size() != 4 || !std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return fail(error, line, "the radio's ID must be four digits, such as 0460");
      file.header.radio = v;
      file.radioLine = line;
    }
    return true;
  }

  bool item(int line, std::string_view s, SetupError* error) {
    if (!seenFormat) return header(line, s, error);
    const std::size_t bar1 = s.find('|');
    const std::size_t bar2 = bar1 == std::string_view::npos ? bar1 : s.find('|', bar1 + 1);
    if (bar2 == std::string_view::npos)
      return fail(error, line, "a menu item line is: number | name | raw value | value text");
    long no = 0;
    const std::string_view number = trim(s.substr(0, bar1));
    if (!wholeNumber(number, &no) || no < 1 || no > kMenuItemCount)
      return fail(error, line, "unknown menu item number " + std::string(number));
    if (seen[no]) return fail(error, line, "menu item " + std::string(number) + " is given twice");
    const MenuListItem rec = makeMenuRecord(kMenuRows[no - 1]);
    const std::string_view name = trim(s.substr(bar1 + 1, bar2 - bar1 - 1));
    if (name != trim(field(rec.name)))
      return fail(error, line, "menu item " + label(rec) + " is not named \"" + std::string(name) + "\"");
    std::string_view rest = s.substr(bar2 + 1);
    SetupItem it;
    it.no = static_cast<int>(no);
    it.line = line;
    const std::size_t bar3 = rest.find('|');
    if (bar3 != std::string_view::npos && trim(rest.substr(0, bar3)) == kUnknownRaw) {
      // Whatever the value text says (not read, the radio's own number),
      // there is nothing of this item to restore.
      it.known = false;
    } else if (rec.type == kTextType) {
      std::string again;
      bool ok = takeQuoted(rest, &it.text);
      rest = trim(rest);
      ok = ok && !rest.empty() && rest.front() == '|';
      if (ok) {
        rest.remove_prefix(1);
        ok = takeQuoted(rest, &again) && trim(rest).empty();
      }
      if (!ok)
        return fail(error, line, label(rec) + " takes its text in quotes twice: \"CALL\" | \"CALL\"");
      if (!callAllowed(it.text))
        return fail(error, line, label(rec) + " must be at most 12 characters of printable ASCII without ';'");
      if (again != it.text)
        return fail(error, line, "the value text " + quoted(again) + " does not match the raw value " + quoted(it.text));
    } else {
      if (bar3 == std::string_view::npos)
        return fail(error, line, "a menu item line is: number | name | raw value | value text");
      const std::string_view raw = trim(rest.substr(0, bar3));
      long v = 0;
      if (!wholeNumber(raw, &v)) return fail(error, line, "the raw value \"" + std::string(raw) + "\" is not a whole number");
      if (!inRange(rec, v))
        return fail(error, line, "the value " + std::string(raw) + " is outside the range of " + label(rec) + ": " + field(rec.range));
      it.raw = static_cast<std::int32_t>(v);
      const std::string_view text = trim(rest.substr(bar3 + 1));
      const std::string expected = itemText(rec, it);
      if (text != expected)
        return fail(error, line, "the value text \"" + std::string(text) + "\" does not match the raw value " +
                                     std::string(raw) + " (\"" + expected + "\")");
    }
    seen[no] = true;
    file.items.push_back(std::move(it));
    return true;
  }
};

}  // namespace

std::string SetupError::text() const {
  if (line <= 0) return message;
  return "line " + std::to_string(line) + ": " + message;
}

std::string radioIdOf(const RadioState& state) { return "046" + std::to_string(state.get_ID_Variant()); }

std::string setupValueText(const MenuListItem& item) {
  if (item.type == kTextType) return callOf(item.changed ? item.new_text : item.text, sizeof item.text);
  MenuListItem rec = item;
  rec.changed = 0;
  std::string text = menuValueText(rec);
  if (!text.empty() && text.front() == ' ') text.erase(0, 1);
  if (rec.has_unit != 0) text += field(rec.unit);
  return text;
}

namespace {

// Whether a value of the catalogue stands for what the radio gave; one that
// does not (a choice another firmware added) is written unknown, so that
// the file still reads.
bool writable(const MenuListItem& rec) {
  if (rec.type == kTextType) return callAllowed(callOf(rec.text, sizeof rec.text));
  const double v = rec.value;
  if (!(v >= -9999999.0 && v <= 9999999.0)) return false;
  return inRange(rec, IntOf(v));
}

}  // namespace

std::string formatSetupFile(const SetupHeader& header, std::span<const MenuListItem> items,
                            std::span<const std::uint8_t> answered) {
  // One printable line each: a comment typed with a line break or a
  // non-ASCII letter still reads back.
  auto line = [](std::string s, std::size_t max) {
    for (char& c : s)
      if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) c = '?';
    if (s.size() > max) s.resize(max);
    return std::string(trim(s));
  };
  auto headerLine = [&](const char* key, const std::string& value, std::size_t max) {
    const std::string v = line(value, max);
    return std::string(key) + ":" + (v.empty() ? "" : " " + v) + "\n";
  };
  std::string out = "# hrx900 radio set-up: number | name | raw value | value text, one menu item a line.\n";
  out += headerLine("format", kSetupFormatLine, 64);
  out += headerLine("program", header.program, 64);
  out += headerLine("radio", header.radio, 4);
  out += headerLine("date", header.date, 64);
  out += headerLine("comment", header.comment, kSetupCommentMax);
  for (std::size_t i = 0; i < items.size(); ++i) {
    const MenuListItem& rec = items[i];
    char lead[64];
    std::string name(trim(field(rec.name)));
    std::snprintf(lead, sizeof lead, "%03d | %-*s | ", static_cast<int>(rec.no), kNameColumn, name.c_str());
    out += lead;
    const bool read = i >= answered.size() || answered[i] != 0;
    if (!read || !writable(rec)) {
      char raw[32];
      std::snprintf(raw, sizeof raw, "%-*s", kRawColumn, kUnknownRaw);
      std::string why = kNotReadText;
      if (read && rec.type == kTextType) why = kUnknownText;
      else if (read) why = std::string(kUnknownText) + " (" + std::to_string(IntOf(rec.value)) + ")";
      out += std::string(raw) + " | " + why + "\n";
      continue;
    }
    if (rec.type == kTextType) {
      const std::string call = quoted(callOf(rec.text, sizeof rec.text));
      out += call + " | " + call + "\n";
      continue;
    }
    // The text of the whole number kept, as the reader checks it: a value
    // between two whole numbers would show another.
    MenuListItem whole = rec;
    whole.value = IntOf(rec.value);
    char raw[32];
    std::snprintf(raw, sizeof raw, "%-*d", kRawColumn, IntOf(rec.value));
    out += std::string(raw) + " | " + setupValueText(whole) + "\n";
  }
  return out;
}

WholeFileResult writeSetupFile(const std::string& path, const SetupHeader& header, const RadioState& state) {
  const int n = std::clamp(state.get_MenuItem_Count(), 0, kMenuItemCount);
  std::vector<MenuListItem> items;
  std::vector<std::uint8_t> answered;
  items.reserve(static_cast<std::size_t>(n));
  for (int i = 1; i <= n; ++i) {
    MenuListItem rec;
    if (!state.get_MenuItem(i, &rec)) continue;
    items.push_back(rec);
    answered.push_back(state.get_MenuReplyCount(i) > 0 ? 1 : 0);
  }
  return writeWholeFile(path, formatSetupFile(header, items, answered));
}

bool parseSetupText(std::string_view text, SetupFile* out, SetupError* error) {
  if (text.size() > kSetupFileMaxBytes) return fail(error, 0, "the file is too large for a radio set-up file");
  auto p = std::make_unique<Parser>();
  int line = 0;
  while (!text.empty()) {
    ++line;
    const std::size_t end = text.find('\n');
    std::string_view s = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!s.empty() && s.back() == '\r') s.remove_suffix(1);
    if (s.size() > kSetupLineMax) return fail(error, line, "the line is too long");
    for (char c : s)
      if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || static_cast<unsigned char>(c) > 0x7E)
        return fail(error, line, "a character that is not printable ASCII");
    s = trim(s);
    if (s.empty() || s.front() == '#') continue;
    const bool ok = s.front() >= '0' && s.front() <= '9' ? p->item(line, s, error) : p->header(line, s, error);
    if (!ok) return false;
  }
  if (!p->seenFormat) return fail(error, 0, "the file is empty");
  if (p->file.radioLine == 0) return fail(error, 0, "the file names no radio (a \"radio:\" line)");
  if (p->file.items.empty()) return fail(error, 0, "the file holds no menu items");
  if (out != nullptr) *out = std::move(p->file);
  return true;
}

bool readSetupFile(const std::string& path, SetupFile* out, SetupError* error) {
  // Not blocking, and only a plain file: a pipe in its place would hold the
  // window until something wrote to it.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return fail(error, 0, "cannot open " + path + ": " + std::strerror(errno));
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return fail(error, 0, path + " is not a plain file");
  }
  std::string text(kSetupFileMaxBytes + 1, '\0');
  std::size_t got = 0;
  bool bad = false;
  while (got < text.size()) {
    const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
    if (n < 0 && errno == EINTR) continue;
    bad = n < 0;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (bad) return fail(error, 0, "cannot read " + path);
  text.resize(got);
  return parseSetupText(text, out, error);
}

bool checkSetupRadio(const SetupFile& file, std::string_view radioId, SetupError* error) {
  if (file.header.radio == radioId) return true;
  return fail(error, file.radioLine,
              "the file is from radio " + file.header.radio + ", this radio is " + std::string(radioId));
}

bool setupItemMatches(const MenuListItem& record, const SetupItem& item) {
  if (!item.known) return false;
  if (record.type == kTextType) return callOf(record.text, sizeof record.text) == trimmedCall(item.text);
  return IntOf(record.value) == item.raw;
}

std::vector<SetupDifference> compareSetup(const SetupFile& file, const RadioState& state) {
  std::vector<SetupDifference> out;
  for (const SetupItem& it : file.items) {
    MenuListItem rec;
    if (!state.get_MenuItem(it.no, &rec) || setupItemMatches(rec, it)) continue;
    rec.changed = 0;
    out.push_back({it, std::string(trim(field(rec.name))), setupValueText(rec), it.known ? itemText(rec, it) : kUnknownText});
  }
  return out;
}

bool stageSetupItem(RadioState& state, const SetupItem& item) {
  if (!item.known) return false;
  return state.edit_MenuItem(item.no, [&](MenuListItem& rec) {
    if (rec.type == kTextType) {
      std::memset(rec.new_text, 0, sizeof rec.new_text);
      std::memcpy(rec.new_text, item.text.data(), std::min(item.text.size(), kMenuCallMax));
      rec.new_value = rec.value;
    } else {
      rec.new_value = item.raw;
    }
    rec.changed = 1;
    return true;
  });
}

}  // namespace hrx
