#pragma once
// The reply decoders: one per reply code, turning a reply's parameters into
// RadioState fields and PanelMirror refreshes. Most codes share a layout and
// are rows of data run by one generic decoder; the rest have a function of
// their own. Decoders run only on the analyser thread.
//
// A reply is the text without its ';', read from a zero-filled buffer of
// kReplyBufferBytes, so a decoder may look at any position below 512: a short
// reply shows zeros there, which fail every digit test.
#include <cstddef>

#include "state/ReplyCodeTable.h"
#include "platform/MainWindowPort.h"
#include "platform/PostTarget.h"
#include "state/PanelMirror.h"
#include "state/RadioState.h"

namespace hrx {

inline constexpr std::size_t kReplyBufferBytes = 512;

struct AnalyserContext {
  RadioState& state;
  PanelMirror& mirror;
  MainWindowPort& window;
  PostTarget& composer;
};

// Runs the decoder of table row `row` on `reply` (a kReplyBufferBytes
// buffer). True when the reply is accepted and the row's event is due. Rows
// without a decoder (CW, DA, MR) give false.
bool decodeReply(AnalyserContext& ctx, int row, const char* reply);

// Whether row `row` has a decoder at all (false for CW, DA and MR).
bool rowIsDecoded(int row);

// The EX path: stores the menu item's new value and posts its events. True
// when the value changed.
bool decodeMenuReply(AnalyserContext& ctx, const char* reply);

// The decimal value of an EX value text: optional blanks and sign, digits,
// an optional decimal point and more digits; reading stops at anything else.
double menuTextValue(const char* text, std::size_t width);

// Decodes `text` (any length, copied into a zeroed buffer) as a reply of row
// `row` and, when accepted, posts that row's event. Used for the replies the
// analyser makes up itself ("AI0", "RM0000", "SM1000").
bool decodeSynthetic(AnalyserContext& ctx, ReplyRow row, const char* text);

// Posts the event of row `row` to the main window (lParam per the row).
void postRowEvent(AnalyserContext& ctx, int row);

}  // namespace hrx
