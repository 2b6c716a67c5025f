#pragma once
// Message ids that cross subsystem boundaries. Ids private to one subsystem
// live with that subsystem.
#include <cstdint>

namespace hrx {

using MsgId = std::uint32_t;
using WParam = std::uintptr_t;
using LParam = std::intptr_t;

struct Msg {
  MsgId id = 0;
  WParam w = 0;
  LParam l = 0;
  bool operator==(const Msg&) const = default;
};

// Thread messages.
inline constexpr MsgId kMsgReplyReady = 0x8102;   // Sio_Recv_Thread -> Anl_Recv_Thread
inline constexpr MsgId kMsgSend = 0x8103;         // anyone -> Sio_Send_Thread
inline constexpr MsgId kMsgSendKey = 0x8112;      // composer -> Sio_Send_Thread: keying, w = digit, l = ticket
inline constexpr MsgId kMsgPoll = 0x8104;         // timer 3 -> Sio_Recv_Thread
inline constexpr MsgId kMsgEndThread = 0x8105;    // ends any worker thread
inline constexpr MsgId kMsgLoadCatalogue = 0x8106;

// Window messages to the main window.
inline constexpr MsgId kMsgNotice = 0x8109;       // w = force flag, l = notice index
inline constexpr MsgId kMsgExitRequest = 0x85D1;

}  // namespace hrx
