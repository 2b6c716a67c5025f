#pragma once
// The client side of a telnet connection with the COM-port option (RFC 2217),
// without I/O: the bytes received are fed in and come out as the serial
// line's data, with the far side's answers and line state recorded and the
// negotiation replies queued for sending. Commands for the far side are built
// into caller buffers. Every buffer is bounded; nothing is allocated.
#include <cstddef>
#include <cstdint>

namespace hrx {

class Rfc2217 {
 public:
  // Telnet bytes and options used here.
  static constexpr std::uint8_t kIac = 255, kDont = 254, kDo = 253, kWont = 252, kWill = 251, kSb = 250,
                                kSe = 240;
  static constexpr std::uint8_t kOptBinary = 0, kOptSga = 3, kOptComPort = 44;
  // COM-port option commands (client to server); the server answers each
  // with the command + 100.
  static constexpr std::uint8_t kSetBaud = 1, kSetDataSize = 2, kSetParity = 3, kSetStopSize = 4,
                                kSetControl = 5, kNotifyLineState = 6, kNotifyModemState = 7,
                                kSetLineStateMask = 10, kSetModemStateMask = 11;
  static constexpr std::uint8_t kServerOffset = 100;
  // SET-CONTROL values.
  static constexpr std::uint8_t kControlNoFlow = 1, kControlRtsOn = 11, kControlRtsOff = 12;
  // Negotiation replies waiting to be sent are kept up to this many bytes.
  static constexpr std::size_t kReplyCapacity = 64;
  // A subnegotiation longer than this is dropped whole.
  static constexpr std::size_t kSubCapacity = 16;
  // Longest command built by the builders below.
  static constexpr std::size_t kMaxCommand = 16;

  enum class ComPortAnswer { Pending, Accepted, Refused };

  // The serial data among `n` received bytes, written to `out` (room for n
  // bytes is always enough); returns how many. State carries over calls.
  std::size_t feed(const std::uint8_t* in, std::size_t n, std::uint8_t* out);

  // Replies owed to the far side; take() moves them out and clears them.
  std::size_t pendingReplies() const { return replyLen_; }
  std::size_t takeReplies(std::uint8_t* out, std::size_t cap);

  ComPortAnswer comPort() const { return comPort_; }
  // Whether any telnet command has been seen at all.
  bool sawTelnet() const { return sawTelnet_; }
  // What the far side last reported; 0 until it has.
  std::uint32_t baudReported() const { return baud_; }
  std::uint8_t dataSizeReported() const { return dataSize_; }
  std::uint8_t parityReported() const { return parity_; }
  std::uint8_t stopSizeReported() const { return stopSize_; }
  std::uint8_t controlReported() const { return control_; }
  // Line-state bits (RFC 2217: 0x02 overrun, 0x04 parity, 0x08 framing,
  // 0x10 break) collected since the last call.
  std::uint8_t takeLineState();
  std::uint8_t modemState() const { return modemState_; }
  // Subnegotiations refused for their length or an unknown command.
  unsigned droppedSubs() const { return droppedSubs_; }

  // The opening: WILL COM-PORT-OPTION, and binary both ways.
  static std::size_t buildOpening(std::uint8_t* out);
  // One COM-port command with a value (4 bytes for SET-BAUDRATE, else 1),
  // with any 0xFF in the value doubled.
  static std::size_t buildCommand(std::uint8_t command, std::uint32_t value, std::uint8_t* out);
  // Data for the line with every 0xFF doubled; `out` needs 2n bytes.
  static std::size_t escape(const std::uint8_t* in, std::size_t n, std::uint8_t* out);

 private:
  enum class State : std::uint8_t { Data, Iac, Option, Sub, SubIac };
  void reply(std::uint8_t verb, std::uint8_t option);
  void negotiate(std::uint8_t verb, std::uint8_t option);
  void subnegotiation();

  State state_ = State::Data;
  std::uint8_t verb_ = 0;
  std::uint8_t sub_[kSubCapacity] = {};
  std::size_t subLen_ = 0;
  bool subOverlong_ = false;
  std::uint8_t replies_[kReplyCapacity] = {};
  std::size_t replyLen_ = 0;
  // One bit per option: already answered, so that a far side repeating
  // itself gets no reply loop.
  std::uint8_t answeredDo_[32] = {};
  std::uint8_t answeredWill_[32] = {};
  ComPortAnswer comPort_ = ComPortAnswer::Pending;
  bool sawTelnet_ = false;
  std::uint32_t baud_ = 0;
  std::uint8_t dataSize_ = 0, parity_ = 0, stopSize_ = 0, control_ = 0;
  std::uint8_t lineState_ = 0, modemState_ = 0;
  unsigned droppedSubs_ = 0;
};

}  // namespace hrx
