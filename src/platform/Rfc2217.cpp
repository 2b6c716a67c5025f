#include "platform/Rfc2217.h"

namespace hrx {

std::size_t Rfc2217::feed(const std::uint8_t* in, std::size_t n, std::uint8_t* out) {
  std::size_t w = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t b = in[i];
    switch (state_) {
      case State::Data:
        if (b == kIac) state_ = State::Iac;
        else out[w++] = b;
        break;
      case State::Iac:
        sawTelnet_ = true;
        if (b == kIac) {
          out[w++] = b;
          state_ = State::Data;
        } else if (b == kDo || b == kDont || b == kWill || b == kWont) {
          verb_ = b;
          state_ = State::Option;
        } else if (b == kSb) {
          subLen_ = 0;
          subOverlong_ = false;
          state_ = State::Sub;
        } else {
          state_ = State::Data;  // NOP, GA, AYT and the like carry nothing here
        }
        break;
      case State::Option:
        negotiate(verb_, b);
        state_ = State::Data;
        break;
      case State::Sub:
        if (b == kIac) state_ = State::SubIac;
        else if (subLen_ < kSubCapacity) sub_[subLen_++] = b;
        else subOverlong_ = true;
        break;
      case State::SubIac:
        if (b == kIac) {
          if (subLen_ < kSubCapacity) sub_[subLen_++] = b;
          else subOverlong_ = true;
          state_ = State::Sub;
        } else {
          // SE ends it; anything else is a broken one, ended all the same.
          subnegotiation();
          state_ = State::Data;
        }
        break;
    }
  }
  return w;
}

void Rfc2217::reply(std::uint8_t verb, std::uint8_t option) {
  if (replyLen_ + 3 > kReplyCapacity) return;
  replies_[replyLen_++] = kIac;
  replies_[replyLen_++] = verb;
  replies_[replyLen_++] = option;
}

void Rfc2217::negotiate(std::uint8_t verb, std::uint8_t option) {
  const std::uint8_t bit = static_cast<std::uint8_t>(1u << (option % 8));
  const bool wanted = option == kOptBinary || option == kOptSga || option == kOptComPort;
  if (verb == kDo || verb == kDont) {
    // The far side asks us to do an option (or not).
    if (option == kOptComPort) comPort_ = verb == kDo ? ComPortAnswer::Accepted : ComPortAnswer::Refused;
    std::uint8_t& seen = answeredDo_[option / 8];
    if (seen & bit) return;
    seen |= bit;
    // Options we offered ourselves are not answered again.
    if (option == kOptComPort || option == kOptBinary) return;
    reply(verb == kDo && wanted ? kWill : kWont, option);
  } else {
    std::uint8_t& seen = answeredWill_[option / 8];
    if (seen & bit) return;
    seen |= bit;
    if (option == kOptBinary) return;
    reply(verb == kWill && wanted ? kDo : kDont, option);
  }
}

void Rfc2217::subnegotiation() {
  if (subOverlong_ || subLen_ < 2 || sub_[0] != kOptComPort) {
    ++droppedSubs_;
    return;
  }
  const std::uint8_t command = sub_[1];
  const std::uint8_t* v = sub_ + 2;
  const std::size_t len = subLen_ - 2;
  if (command == kServerOffset + kSetBaud && len == 4) {
    baud_ = (std::uint32_t{v[0]} << 24) | (std::uint32_t{v[1]} << 16) | (std::uint32_t{v[2]} << 8) | v[3];
    return;
  }
  if (len != 1) {
    ++droppedSubs_;
    return;
  }
  switch (command) {
    case kServerOffset + kSetDataSize: dataSize_ = v[0]; break;
    case kServerOffset + kSetParity: parity_ = v[0]; break;
    case kServerOffset + kSetStopSize: stopSize_ = v[0]; break;
    case kServerOffset + kSetControl: control_ = v[0]; break;
    case kServerOffset + kNotifyLineState: lineState_ |= static_cast<std::uint8_t>(v[0] & 0x1E); break;
    case kServerOffset + kNotifyModemState: modemState_ = v[0]; break;
    case kServerOffset + kSetLineStateMask:
    case kServerOffset + kSetModemStateMask: break;
    default: ++droppedSubs_; break;
  }
}

std::size_t Rfc2217::takeReplies(std::uint8_t* out, std::size_t cap) {
  if (cap < replyLen_) return 0;
  for (std::size_t i = 0; i < replyLen_; ++i) out[i] = replies_[i];
  const std::size_t n = replyLen_;
  replyLen_ = 0;
  return n;
}

std::uint8_t Rfc2217::takeLineState() {
  const std::uint8_t s = lineState_;
  lineState_ = 0;
  return s;
}

std::size_t Rfc2217::buildOpening(std::uint8_t* out) {
  const std::uint8_t opening[] = {kIac, kWill, kOptComPort, kIac, kWill, kOptBinary, kIac, kDo, kOptBinary};
  for (std::size_t i = 0; i < sizeof opening; ++i) out[i] = opening[i];
  return sizeof opening;
}

std::size_t Rfc2217::buildCommand(std::uint8_t command, std::uint32_t value, std::uint8_t* out) {
  std::size_t n = 0;
  out[n++] = kIac;
  out[n++] = kSb;
  out[n++] = kOptComPort;
  out[n++] = command;
  auto put = [&](std::uint8_t b) {
    out[n++] = b;
    if (b == kIac) out[n++] = kIac;
  };
  if (command == kSetBaud) {
    put(static_cast<std::uint8_t>(value >> 24));
    put(static_cast<std::uint8_t>(value >> 16));
    put(static_cast<std::uint8_t>(value >> 8));
    put(static_cast<std::uint8_t>(value));
  } else {
    put(static_cast<std::uint8_t>(value));
  }
  out[n++] = kIac;
  out[n++] = kSe;
  return n;
}

std::size_t Rfc2217::escape(const std::uint8_t* in, std::size_t n, std::uint8_t* out) {
  std::size_t w = 0;
  for (std::size_t i = 0; i < n; ++i) {
    out[w++] = in[i];
    if (in[i] == kIac) out[w++] = kIac;
  }
  return w;
}

}  // namespace hrx
