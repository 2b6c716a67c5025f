#pragma once
// Radio set-up files: the 196 set-up menu items as the radio reported them,
// one line an item, for saving, comparing and restoring. The reader checks
// every line against the built-in catalogue and refuses the whole file at
// the first fault, naming its line, so nothing is sent for a bad file. Pure
// functions on copies; safe from any thread.
//
//   format: hrx900-setup 1
//   program: hrx900 0.1.0
//   radio: 0460
//   date: 2026-12-08 21:30:00 UTC
//   comment: contest set-up
//   001 | FAST DELAY         | 300      | 300msec
//   005 | MY CALL            | "JA1XYZ" | "JA1XYZ"
//
// An item line is number | name | raw value | value text. The raw value is
// the number the catalogue holds for the item (MY CALL: its text, quoted,
// with \" and \\ escaped); the value text is the menu list's text of it, and
// must agree with the raw value. A value the radio gave that no entry of the
// item stands for, or an item that never answered, is written unknown
// ("? | not read"): such a file still reads, and nothing is restored of that
// item. Lines starting with '#' and blank lines are skipped. A file may hold
// any subset of the items, each at most once. Header fields a later version
// adds are kept and ignored; a later minor format is read with a note.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/WholeFile.h"
#include "state/MenuListItem.h"

namespace hrx {

class RadioState;

// A set-up file is about 12 KiB; anything far larger is not one.
inline constexpr std::size_t kSetupFileMaxBytes = 64 * 1024;
inline constexpr std::size_t kSetupLineMax = 512;
inline constexpr std::size_t kSetupCommentMax = 200;
inline constexpr const char* kSetupFormatLine = "hrx900-setup 1";
inline constexpr int kSetupFormatMajor = 1;

struct SetupHeader {
  std::string program;   // "hrx900 0.1.0"
  std::string radio;     // the radio's ID, "0460"
  std::string date;
  std::string comment;   // one line, printable
};

struct SetupItem {
  int no = 0;
  int line = 0;            // where it stood in the file
  std::int32_t raw = 0;    // the catalogue's number (not for MY CALL)
  std::string text;        // MY CALL's text
  bool known = true;       // false: "?" in the file, nothing to restore
};

struct SetupFile {
  SetupHeader header;
  int radioLine = 0;
  std::vector<SetupItem> items;   // in file order
  // Header fields this version does not know, as the file gave them.
  std::vector<std::pair<std::string, std::string>> otherHeader;
  // Said to the operator, the file read all the same (a newer minor format).
  std::string note;
};

struct SetupError {
  int line = 0;            // 0: the file as a whole
  std::string message;
  // "line 12: ..." or the message alone.
  std::string text() const;
};

// The radio's ID as its ID reply gives it ("0460"); empty before one came.
std::string radioIdOf(const RadioState& state);

// The menu list's text of the item's value without its leading blank, with
// the unit: "300msec", "9600bps", "MARVO".
std::string setupValueText(const MenuListItem& item);

// The file's text for `items` (records as the store holds them). `answered`,
// when given, tells per item whether the radio reported it; one that did
// not is written "? | not read".
std::string formatSetupFile(const SetupHeader& header, std::span<const MenuListItem> items,
                            std::span<const std::uint8_t> answered = {});
// Every item of the store's catalogue, written whole or not at all; an item
// the radio has not reported is written as not read.
WholeFileResult writeSetupFile(const std::string& path, const SetupHeader& header, const RadioState& state);

// Reads and checks a file's text against the built-in catalogue. On failure
// `out` is left as it was and `error` says why.
bool parseSetupText(std::string_view text, SetupFile* out, SetupError* error);
// The same for a file on disk, at most kSetupFileMaxBytes read.
bool readSetupFile(const std::string& path, SetupFile* out, SetupError* error);
// A file from another radio model is refused.
bool checkSetupRadio(const SetupFile& file, std::string_view radioId, SetupError* error);

// An item whose value in the file differs from the radio's, or that the
// file holds as unknown (item.known false; fileText "unknown").
struct SetupDifference {
  SetupItem item;
  std::string name;        // as the catalogue shows it
  std::string radioText;
  std::string fileText;
};
std::vector<SetupDifference> compareSetup(const SetupFile& file, const RadioState& state);

// Whether the store's record holds the file's value (MY CALL as the radio
// pads it: trailing blanks do not count); never for an unknown item.
bool setupItemMatches(const MenuListItem& record, const SetupItem& item);
// Marks the store's record for the menu write with the file's value (the
// value itself stays as the radio reported it until the radio answers).
bool stageSetupItem(RadioState& state, const SetupItem& item);

}  // namespace hrx
