// The telnet COM-port decoder and builders against byte sequences of RFC 2217
// and of ser2net's telnet mode; the network port names.
#include "platform/Rfc2217.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/NetSerial.h"

namespace hrx {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes feedAll(Rfc2217& p, const Bytes& in, std::size_t piece = 1000) {
  Bytes out;
  for (std::size_t i = 0; i < in.size(); i += piece) {
    std::uint8_t buf[1000];
    out.insert(out.end(), buf, buf + p.feed(in.data() + i, std::min(piece, in.size() - i), buf));
  }
  return out;
}

Bytes replies(Rfc2217& p) {
  std::uint8_t buf[Rfc2217::kReplyCapacity];
  return Bytes(buf, buf + p.takeReplies(buf, sizeof buf));
}

TEST(Rfc2217, Ser2netOpeningIsAnsweredOnceAndComPortAccepted) {
  // What ser2net's telnet(rfc2217) accepter sends first: WILL SGA, DO SGA,
  // WILL ECHO, DONT ECHO, DO BINARY, WILL BINARY, DO COM-PORT-OPTION.
  const Bytes opening = {255, 251, 3, 255, 253, 3, 255, 251, 1, 255, 254, 1, 255, 253, 0, 255, 251, 0, 255, 253, 44};
  for (const std::size_t piece : {std::size_t{1000}, std::size_t{1}}) {
    Rfc2217 p;
    EXPECT_TRUE(feedAll(p, opening, piece).empty());
    EXPECT_EQ(p.comPort(), Rfc2217::ComPortAnswer::Accepted);
    // DO SGA, WILL SGA, DONT ECHO, WONT ECHO; binary and the COM-port
    // option were offered by us and are not answered again.
    EXPECT_EQ(replies(p), (Bytes{255, 253, 3, 255, 251, 3, 255, 254, 1, 255, 252, 1})) << piece;
    feedAll(p, opening);
    EXPECT_TRUE(replies(p).empty()) << "no negotiation loop";
  }
  Rfc2217 refused;
  feedAll(refused, {255, 254, 44});
  EXPECT_EQ(refused.comPort(), Rfc2217::ComPortAnswer::Refused);
}

TEST(Rfc2217, DataComesThroughWithDoubledIacUndoneAcrossCalls) {
  const struct {
    Bytes in;
    std::size_t piece;
    Bytes out;
  } cases[] = {
      {{'A', 255, 255, 'B'}, 1000, {'A', 255, 'B'}},
      {{'A', 255, 255, 'B'}, 2, {'A', 255, 'B'}},
      {{'F', 255, 241, 'A', 255, 249, ';'}, 1, {'F', 'A', ';'}},  // NOP and GA carry nothing
      {{'F', 'A', 255, 250, 44, 107, 0, 255, 240, '1', ';'}, 3, {'F', 'A', '1', ';'}},  // a COM-port answer amid a reply
  };
  for (const auto& c : cases) {
    Rfc2217 p;
    EXPECT_EQ(feedAll(p, c.in, c.piece), c.out);
  }
}

TEST(Rfc2217, ServerAnswersAreRecorded) {
  Rfc2217 p;
  // SET-BAUDRATE 9600 answered (101), stop size 2, a line state with
  // overrun and framing set.
  feedAll(p, {255, 250, 44, 101, 0, 0, 0x25, 0x80, 255, 240, 255, 250, 44, 104, 2, 255, 240, 255, 250, 44, 106, 0x0A, 255, 240}, 3);
  EXPECT_EQ(p.baudReported(), 9600u);
  EXPECT_EQ(p.stopSizeReported(), 2);
  EXPECT_EQ(p.takeLineState(), 0x0A);
  EXPECT_EQ(p.takeLineState(), 0);
  feedAll(p, {255, 250, 44, 101, 0, 0, 0, 255, 255, 255, 240});  // 0x000000FF, its 255 doubled
  EXPECT_EQ(p.baudReported(), 255u);
  // Too long, the wrong option, a wrong length: dropped, nothing changed.
  feedAll(p, {255, 250, 44, 101, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 255, 240});
  feedAll(p, {255, 250, 24, 101, 0, 0, 0x96, 0, 255, 240});
  feedAll(p, {255, 250, 44, 104, 1, 1, 255, 240});
  EXPECT_EQ(p.droppedSubs(), 3u);
  EXPECT_EQ(p.baudReported(), 255u);
  EXPECT_EQ(p.stopSizeReported(), 2);
  EXPECT_EQ(feedAll(p, {'O', 'K'}), (Bytes{'O', 'K'}));
}

TEST(Rfc2217, CommandsAsTheRfcSpellsThem) {
  const struct {
    std::uint8_t command;
    std::uint32_t value;
    Bytes bytes;
  } cases[] = {
      {Rfc2217::kSetBaud, 9600, {255, 250, 44, 1, 0, 0, 0x25, 0x80, 255, 240}},
      {Rfc2217::kSetBaud, 0xFF, {255, 250, 44, 1, 0, 0, 0, 255, 255, 255, 240}},
      {Rfc2217::kSetDataSize, 8, {255, 250, 44, 2, 8, 255, 240}},
      {Rfc2217::kSetParity, 1, {255, 250, 44, 3, 1, 255, 240}},
      {Rfc2217::kSetStopSize, 2, {255, 250, 44, 4, 2, 255, 240}},
      {Rfc2217::kSetControl, 11, {255, 250, 44, 5, 11, 255, 240}},
  };
  std::uint8_t buf[Rfc2217::kMaxCommand];
  for (const auto& c : cases) EXPECT_EQ(Bytes(buf, buf + Rfc2217::buildCommand(c.command, c.value, buf)), c.bytes);
  std::uint8_t open[16];
  EXPECT_EQ(Bytes(open, open + Rfc2217::buildOpening(open)), (Bytes{255, 251, 44, 255, 251, 0, 255, 253, 0}));
  const std::uint8_t data[] = {'A', 255, 'B'};
  std::uint8_t esc[6];
  EXPECT_EQ(Bytes(esc, esc + Rfc2217::escape(data, 3, esc)), (Bytes{'A', 255, 255, 'B'}));
}

TEST(NetSerialNames, SchemesHostsAndPorts) {
  NetEndpoint ep;
  for (const char* bad : {"tcp://host:0", "tcp://host:65536", "tcp://:3001", "tcp://host", "tcp://host:30x1",
                          "tcp://[::1:3001", "udp://host:3001", "/dev/ttyUSB0", "tls://host", "tls://:3003",
                          "tls:/host:3003", "tls://host:3003/x"})
    EXPECT_FALSE(NetSerial::parse(bad, ep)) << bad;
  const struct {
    const char* name;
    const char* hostPort;
    bool telnet;
    bool tls;
  } cases[] = {{"tcp://shack-pi:3001", "shack-pi:3001", false, false},
               {"rfc2217://127.0.0.1:2000", "127.0.0.1:2000", true, false},
               {"tcp://[::1]:65535", "::1:65535", false, false},
               {"tls://shack.example.org:3003", "shack.example.org:3003", false, true},
               {"tls://[2001:db8::7]:3003", "2001:db8::7:3003", false, true}};
  for (const auto& c : cases) {
    ASSERT_TRUE(NetSerial::parse(c.name, ep)) << c.name;
    EXPECT_TRUE(NetSerial::isNetworkPath(c.name)) << c.name;
    EXPECT_EQ(ep.telnet, c.telnet) << c.name;
    EXPECT_EQ(ep.tls, c.tls) << c.name;
    EXPECT_EQ(ep.host + ":" + ep.port, c.hostPort) << c.name;
  }
  EXPECT_FALSE(NetSerial::isNetworkPath("/dev/ttyS0"));
}

}  // namespace
}  // namespace hrx
