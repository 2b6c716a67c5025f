#include "Recording.h"

#include <unistd.h>

#include <algorithm>
#include <ctime>

#include "platform/WholeFile.h"

namespace hrx::sim {
namespace {

constexpr std::string_view kMagic = "# hrx900 recording 1";

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool unescape(std::string_view text, std::string* out) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\\') {
      if (c < 0x21 || c > 0x7e) return false;
      out->push_back(c);
      continue;
    }
    if (i + 1 < text.size() && text[i + 1] == '\\') {
      out->push_back('\\');
      ++i;
      continue;
    }
    if (i + 3 >= text.size() || text[i + 1] != 'x') return false;
    const int hi = hexDigit(text[i + 2]), lo = hexDigit(text[i + 3]);
    if (hi < 0 || lo < 0) return false;
    out->push_back(static_cast<char>(hi * 16 + lo));
    i += 3;
  }
  return true;
}

const char* kindWord(RecEvent::Kind k) {
  switch (k) {
    case RecEvent::Kind::Vanish: return "vanish";
    case RecEvent::Kind::Return: return "return";
    default: return "end";
  }
}

}  // namespace

std::string escapeBytes(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\\') {
      out += "\\\\";
    } else if (u >= 0x21 && u <= 0x7e) {
      out.push_back(c);
    } else {
      out += "\\x";
      out.push_back(kHex[u >> 4]);
      out.push_back(kHex[u & 15]);
    }
  }
  return out;
}

std::string formatEvent(const RecEvent& e) {
  std::string line = std::to_string(e.ms);
  switch (e.kind) {
    case RecEvent::Kind::ToRadio: line += " > " + escapeBytes(e.bytes); break;
    case RecEvent::Kind::FromRadio: line += " < " + escapeBytes(e.bytes); break;
    default: line += std::string(" ! ") + kindWord(e.kind); break;
  }
  return line + "\n";
}

std::string formatRecording(const Recording& r) {
  std::string out = std::string(kMagic) + "\n# what: " + r.what + "\n# when: " + r.when + "\n# why: " + r.why + "\n";
  for (const RecEvent& e : r.events) out += formatEvent(e);
  return out;
}

bool parseRecording(std::string_view text, Recording* out, std::string* error) {
  Recording r;
  int lineNo = 0;
  bool gone = false, ended = false;
  std::int64_t last = 0;
  auto fail = [&](const char* why) {
    if (error != nullptr) *error = "line " + std::to_string(lineNo) + ": " + why;
    return false;
  };
  while (!text.empty()) {
    ++lineNo;
    const std::size_t nl = text.find('\n');
    const std::string_view line = text.substr(0, nl);
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    if (lineNo == 1) {
      if (line != kMagic) return fail("not a recording (no \"# hrx900 recording 1\" line)");
      continue;
    }
    if (line.starts_with('#')) {
      if (!r.events.empty()) continue;   // a comment
      for (auto [key, field] : {std::pair{"# what: ", &r.what}, {"# when: ", &r.when}, {"# why: ", &r.why}}) {
        if (line.starts_with(key)) *field = std::string(line.substr(std::string_view(key).size()));
      }
      continue;
    }
    if (line.empty()) continue;
    if (r.what.empty() || r.when.empty() || r.why.empty()) return fail("what, when or why missing before the first event");
    if (ended) return fail("an event after the end");
    if (r.events.size() >= kRecMaxEvents) return fail("too many events");
    RecEvent e;
    std::size_t at = 0;
    for (; at < line.size() && line[at] >= '0' && line[at] <= '9'; ++at) {
      e.ms = e.ms * 10 + (line[at] - '0');
      if (e.ms > kRecMaxMs) return fail("time out of range");
    }
    if (at == 0 || at + 3 > line.size() || line[at] != ' ' || line[at + 2] != ' ') return fail("not \"<ms> <dir> <bytes>\"");
    if (e.ms < last) return fail("time runs backwards");
    last = e.ms;
    const char dir = line[at + 1];
    const std::string_view rest = line.substr(at + 3);
    if (dir == '>' || dir == '<') {
      e.kind = dir == '>' ? RecEvent::Kind::ToRadio : RecEvent::Kind::FromRadio;
      if (!unescape(rest, &e.bytes) || e.bytes.empty()) return fail("bad bytes");
      if (e.bytes.size() > kRecMaxBytes) return fail("chunk too long");
      if (gone) return fail("bytes while the device is gone");
    } else if (dir == '!' && rest == "vanish" && !gone) {
      e.kind = RecEvent::Kind::Vanish;
      gone = true;
    } else if (dir == '!' && rest == "return" && gone) {
      e.kind = RecEvent::Kind::Return;
      gone = false;
    } else if (dir == '!' && rest == "end") {
      e.kind = RecEvent::Kind::End;
      ended = true;
    } else {
      return fail("unknown event");
    }
    r.events.push_back(std::move(e));
  }
  if (!ended) return fail("no end line");
  *out = std::move(r);
  return true;
}

bool Recorder::open(const std::string& path, const std::string& what, const std::string& why) {
  std::lock_guard lock(mu_);
  if (open_.load()) return false;
  const auto slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  if (::access(folder.c_str(), W_OK | X_OK) != 0) return false;
  char when[32] = "";
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  if (gmtime_r(&now, &utc) != nullptr) std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%SZ", &utc);
  // A header line cannot hold a line break.
  auto oneLine = [](std::string t) {
    for (char& c : t) c = (c == '\n' || c == '\r') ? ' ' : c;
    return t;
  };
  path_ = path;
  text_ = formatRecording(Recording{oneLine(what), when, oneLine(why), {}});
  events_ = 0;
  start_ = std::chrono::steady_clock::now();
  open_.store(true, std::memory_order_release);
  return true;
}

// The end line always fits: the others stop one short of the event limit.
void Recorder::keep(const RecEvent& e) {
  const bool end = e.kind == RecEvent::Kind::End;
  if (!end && (events_ + 1 >= kRecMaxEvents || e.ms > kRecMaxMs || text_.size() > kRecKeepBytes)) return;
  text_ += formatEvent(e);
  ++events_;
}

void Recorder::add(RecEvent::Kind kind, std::string_view bytes) {
  std::lock_guard lock(mu_);
  if (!open_.load()) return;
  std::int64_t ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count();
  if (kind == RecEvent::Kind::End) ms = std::min(ms, kRecMaxMs);
  // A long write becomes several lines, so nothing is cut off.
  do {
    const std::string_view part = bytes.substr(0, kRecMaxBytes);
    bytes.remove_prefix(part.size());
    keep(RecEvent{kind, ms, std::string(part)});
  } while (!bytes.empty());
}

std::string Recorder::text() const {
  std::lock_guard lock(mu_);
  return text_;
}

bool Recorder::close() {
  add(RecEvent::Kind::End);
  std::lock_guard lock(mu_);
  if (!open_.exchange(false)) return false;
  const bool ok = static_cast<bool>(writeWholeFile(path_, text_));
  std::string().swap(text_);
  return ok;
}

}  // namespace hrx::sim
