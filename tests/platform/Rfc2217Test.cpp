// The telnet COM-port decoder and builders against byte sequences of RFC 2217
// and of ser2net's telnet mode; the network port names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/NetSerial.h"
#include "platform/Rfc2217.h"

namespace hrx {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes feedAll(Rfc2217& p, const Bytes& in, std::size_t piece = 1000) {
  Bytes out;
  for (std::size_t i = 0; i < in.size(); i += piece) {
    const std::size_t n = std::min(piece, in.size() - i);
    std::uint8_t buf[1000];
    const std::size_t got = p.feed(in.data() + i, n, buf);
    out.insert(out.end(), buf, buf + got);
  }
  return out;
}

Bytes replies(Rfc2217& p) {
  std::uint8_t buf[Rfc2217::kReplyCapacity];
  const std::size_t n = p.takeReplies(buf, sizeof buf);
  return Bytes(buf, buf + n);
}

TEST(Rfc2217, Ser2netOpeningIsAnsweredOnceAndComPortAccepted) {
  // What ser2net's telnet(rfc2217) accepter sends first: WILL SGA, DO SGA,
  // WILL ECHO, DONT ECHO, DO BINARY, WILL BINARY, DO COM-PORT-OPTION.
  const Bytes opening = {255, 251, 3, 255, 253, 3, 255, 251, 1, 255, 254, 1, 255, 253, 0, 255, 251, 0, 255, 253, 44};
  for (const std::size_t piece : {std::size_t{1000}, std::size_t{1}, std::size_t{2}}) {
    Rfc2217 p;
    EXPECT_TRUE(feedAll(p, opening, piece).empty());
    EXPECT_EQ(p.comPort(), Rfc2217::ComPortAnswer::Accepted);
    // DO SGA, WILL SGA, DONT ECHO, WONT ECHO; binary and the COM-port
    // option were offered by us and are not answered again.
    EXPECT_EQ(replies(p), (Bytes{255, 253, 3, 255, 251, 3, 255, 254, 1, 255, 252, 1})) << piece;
    // The same again gets no second answer: no negotiation loop.
    feedAll(p, opening);
    EXPECT_TRUE(replies(p).empty());
  }
  Rfc2217 refused;
  feedAll(refused, {255, 254, 44});
  EXPECT_EQ(refused.comPort(), Rfc2217::ComPortAnswer::Refused);
}

TEST(Rfc2217, DataComesThroughWithDoubledIacUndoneAcrossCalls) {
  struct Case {
    Bytes in;
    std::size_t piece;
    Bytes out;
  };
  const Case cases[] = {
      {{'I', 'D', '0', '4', '6', '0', ';'}, 1000, {'I', 'D', '0', '4', '6', '0', ';'}},
      {{'A', 255, 255, 'B'}, 1000, {'A', 255, 'B'}},
      {{'A', 255, 255, 'B'}, 2, {'A', 255, 'B'}},
      // NOP (241) and GA (249) carry nothing.
      {{'F', 255, 241, 'A', 255, 249, ';'}, 1, {'F', 'A', ';'}},
      // A COM-port answer in the middle of a reply.
      {{'F', 'A', 255, 250, 44, 107, 0, 255, 240, '1', ';'}, 3, {'F', 'A', '1', ';'}},
  };
  for (const Case& c : cases) {
    Rfc2217 p;
    EXPECT_EQ(feedAll(p, c.in, c.piece), c.out);
  }
}

TEST(Rfc2217, ServerAnswersAreRecorded) {
  Rfc2217 p;
  // SET-BAUDRATE 9600 answered (101), then data size 8, parity none, stop
  // size 2, control 1, a line state with overrun and framing set.
  feedAll(p, {255, 250, 44, 101, 0, 0, 0x25, 0x80, 255, 240, 255, 250, 44, 102, 8, 255, 240,
              255, 250, 44, 103, 1, 255, 240, 255, 250, 44, 104, 2, 255, 240, 255, 250, 44, 105, 1, 255, 240,
              255, 250, 44, 106, 0x0A, 255, 240},
          3);
  EXPECT_EQ(p.baudReported(), 9600u);
  EXPECT_EQ(p.dataSizeReported(), 8);
  EXPECT_EQ(p.parityReported(), 1);
  EXPECT_EQ(p.stopSizeReported(), 2);
  EXPECT_EQ(p.controlReported(), 1);
  EXPECT_EQ(p.takeLineState(), 0x0A);
  EXPECT_EQ(p.takeLineState(), 0);
  // A baud value with a doubled 255 in it: 0x000000FF.
  feedAll(p, {255, 250, 44, 101, 0, 0, 0, 255, 255, 255, 240});
  EXPECT_EQ(p.baudReported(), 255u);
  // Too long, the wrong option, a wrong length: dropped, nothing changed.
  feedAll(p, {255, 250, 44, 101, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 255, 240});
  feedAll(p, {255, 250, 24, 101, 0, 0, 0x96, 0, 255, 240});
  feedAll(p, {255, 250, 44, 102, 7, 7, 255, 240});
  EXPECT_EQ(p.droppedSubs(), 3u);
  EXPECT_EQ(p.baudReported(), 255u);
  EXPECT_EQ(p.dataSizeReported(), 8);
  // Data after them comes through.
  EXPECT_EQ(feedAll(p, {'O', 'K'}), (Bytes{'O', 'K'}));
}

TEST(Rfc2217, CommandsAsTheRfcSpellsThem) {
  struct Case {
    std::uint8_t command;
    std::uint32_t value;
    Bytes bytes;
  };
  const Case cases[] = {
      {Rfc2217::kSetBaud, 9600, {255, 250, 44, 1, 0, 0, 0x25, 0x80, 255, 240}},
      {Rfc2217::kSetBaud, 38400, {255, 250, 44, 1, 0, 0, 0x96, 0x00, 255, 240}},
      {Rfc2217::kSetBaud, 0xFF, {255, 250, 44, 1, 0, 0, 0, 255, 255, 255, 240}},
      {Rfc2217::kSetDataSize, 8, {255, 250, 44, 2, 8, 255, 240}},
      {Rfc2217::kSetParity, 1, {255, 250, 44, 3, 1, 255, 240}},
      {Rfc2217::kSetStopSize, 2, {255, 250, 44, 4, 2, 255, 240}},
      {Rfc2217::kSetControl, 11, {255, 250, 44, 5, 11, 255, 240}},
      {Rfc2217::kSetControl, 12, {255, 250, 44, 5, 12, 255, 240}},
  };
  std::uint8_t buf[Rfc2217::kMaxCommand];
  for (const Case& c : cases) EXPECT_EQ(Bytes(buf, buf + Rfc2217::buildCommand(c.command, c.value, buf)), c.bytes);
  std::uint8_t open[16];
  const std::size_t n = Rfc2217::buildOpening(open);
  EXPECT_EQ(Bytes(open, open + n), (Bytes{255, 251, 44, 255, 251, 0, 255, 253, 0}));
  const std::uint8_t data[] = {'A', 255, 'B'};
  std::uint8_t esc[6];
  EXPECT_EQ(Bytes(esc, esc + Rfc2217::escape(data, 3, esc)), (Bytes{'A', 255, 255, 'B'}));
}

TEST(NetSerialNames, SchemesHostsAndPorts) {
  const struct {
    const char* name;
    const char* host;
    const char* port;
    bool telnet;
  } cases[] = {
      {"tcp://shack-pi:3001", "shack-pi", "3001", false}, {"rfc2217://127.0.0.1:2000", "127.0.0.1", "2000", true},
      {"tcp://[::1]:65535", "::1", "65535", false},
  };
  NetEndpoint ep;
  for (const char* bad : {"tcp://host:0", "tcp://host:65536", "tcp://host:", "tcp://:3001", "tcp://host", "tcp://host:30x1",
                          "tcp://host:3001/x", "tcp://[::1:3001", "udp://host:3001", "/dev/ttyUSB0"})
    EXPECT_FALSE(NetSerial::parse(bad, ep)) << bad;
  for (const auto& c : cases) {
    ASSERT_TRUE(NetSerial::parse(c.name, ep)) << c.name;
    EXPECT_EQ(ep.telnet, c.telnet) << c.name;
    EXPECT_EQ(ep.host + ":" + ep.port, std::string(c.host) + ":" + c.port) << c.name;
  }
  EXPECT_TRUE(NetSerial::isNetworkPath("rfc2217://x:1"));
  EXPECT_FALSE(NetSerial::isNetworkPath("/dev/ttyS0"));
}

}  // namespace
}  // namespace hrx
