#pragma once
// Messages of the reply analyser, for the main window and the composer.
//
// Events (analyser -> main window, posted): WM_ANL_EVT_<code>, one per
// accepted reply; they carry no data, the handler reads RadioState. wParam is
// 0 except for WM_ANL_EVT_EX (the menu number for items 11 and 32); lParam is
// the row index for the rows listed in kEventCarriesRow, else 0.
#include "state/ReplyCodeTable.h"
#include "platform/Messages.h"

namespace hrx {

#define HRX_REPLY(code, event, length) inline constexpr MsgId WM_ANL_EVT_##code = event;
#include "state/ReplyCodes.def"
inline constexpr MsgId WM_ANL_EVT_EX = 0x830B;   // EX has no table row

// Rows whose event carries the row index as lParam; the main window uses it
// to tell related redraws apart.
inline constexpr ReplyRow kEventCarriesRow[] = {
    ReplyRow::BP, ReplyRow::CO, ReplyRow::KS, ReplyRow::MG, ReplyRow::PL, ReplyRow::IF,
    ReplyRow::IS, ReplyRow::SH, ReplyRow::OI, ReplyRow::PC, ReplyRow::MD,
};
// lParam of the event of row `row`.
constexpr LParam eventLParam(int row) {
  for (ReplyRow r : kEventCarriesRow) {
    if (static_cast<int>(r) == row) return row;
  }
  return 0;
}

// EX items whose number travels in the EX event's wParam.
inline constexpr int kExMeterTypeSelect = 11;
inline constexpr int kExAnt3Setting = 32;

// Thread messages Anl_Recv_Thread accepts (besides kMsgReplyReady 0x8102 and
// kMsgEndThread 0x8105).
inline constexpr MsgId kMsgPowerSyncTimeout = 0x810C;   // main window, on timer 17

// Main-window timer the analyser re-arms after every reply.
inline constexpr std::uint32_t ID_SIO_POWER_SYNC_TIMER = 17;
inline constexpr std::uint32_t kPowerSyncPeriodMs = 3000;

// Sent synchronously to the main window when auto-information has just come on.
inline constexpr MsgId kMsgAiTurnedOn = 0x810A;
// Notice index asked for when the ID reply names another model
// ("Failed to connect the COM port.").
inline constexpr int kNoticeComFailed = 3;

// Thread messages to the composer (wParam 0 unless said, lParam 0).
inline constexpr MsgId kMsgAnlSendSyncStart = 0x834B;   // Anl_Send_SyncStart: ID accepted
inline constexpr MsgId kMsgAnlSendSweepStop = 0x834C;   // Anl_Send_SweepStop: radio lost or off
inline constexpr MsgId kMsgAnlSendExStart = 0x834F;     // Anl_Send_ExStart: RS reply with value 2
inline constexpr MsgId kMsgAnlSendIdQuery = 0x8352;     // Anl_Send_ID_Query: auto-information on
inline constexpr MsgId kMsgOpComSw = 0x8501;            // operation OPID_COM_SW, the connection switch
// wParam of kMsgOpComSw when the switch is pressed to bring the link on: a
// radio that came on before the composer took it is not switched off again.
// A bit of its own: an operation's bit 0 is its side.
inline constexpr WParam kComSwitchOn = 0x00000100;

}  // namespace hrx
