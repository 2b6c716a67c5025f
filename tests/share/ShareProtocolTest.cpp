// The rig-control protocol handler: one request line and a state snapshot
// in, the answer and the composer operations out.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "share/ShareProtocol.h"

namespace hrx::share {
namespace {

// The radio as the rows find it unless a row changes it: VFO A receiving
// and transmitting at 14.074 MHz USB 2400 Hz, VFO B 7.05 MHz LSB.
Snapshot base() {
  Snapshot s;
  s.vfoA = 14074000;
  s.vfoB = 7050000;
  s.modeMain = 2;
  s.modeSub = 1;
  s.widthMain = 14;
  s.widthSub = 17;
  s.frStat = 0;
  s.ftStat = 0;
  s.txStat = 0;
  s.psStat = 1;
  s.sMeter = 0;
  s.swrMeter = 0;
  s.powerSetting = 50;
  s.linkUp = true;
  return s;
}

struct Op {
  Action::Kind kind;
  int op;
  std::int32_t value;
  bool operator==(const Op&) const = default;
};
constexpr Action::Kind O = Action::Kind::Operation;
constexpr Action::Kind P = Action::Kind::Ptt;

std::ostream& operator<<(std::ostream& o, const Op& x) {
  return o << (x.kind == P ? "ptt " : "op ") << x.op << " = " << x.value;
}

struct Row {
  std::string_view line;
  std::function<void(Snapshot&)> change;
  const char* answer;
  std::vector<Op> ops;
};

TEST(ShareProtocol, RequestsAnswersAndOperations) {
  const Row rows[] = {
      // Frequency: the receiving VFO; sets go to FA or FB (operations 82, 83).
      {"f", nullptr, "14074000\n", {}},
      {"f\r", nullptr, "14074000\n", {}},
      {"\\get_freq", nullptr, "14074000\n", {}},
      {"f", [](Snapshot& s) { s.frStat = 4; }, "7050000\n", {}},
      {"+f", nullptr, "get_freq:\nFrequency: 14074000\nRPRT 0\n", {}},
      {";\\get_freq", nullptr, "get_freq:;Frequency: 14074000;RPRT 0\n", {}},
      {"F 14074055.000000", nullptr, "RPRT 0\n", {{O, 82, 14074055}}},
      {"F 21074000", nullptr, "RPRT 0\n", {{O, 82, 21074000}}},
      {"F 7074000", [](Snapshot& s) { s.frStat = 5; }, "RPRT 0\n", {{O, 83, 7074000}}},
      {"+F 21074000", nullptr, "set_freq: 21074000\nRPRT 0\n", {{O, 82, 21074000}}},
      {"F 14074000", nullptr, "RPRT 0\n", {}},
      {"F 29999", nullptr, "RPRT -1\n", {}},
      {"F 60000001", nullptr, "RPRT -1\n", {}},
      {"F 60000000", nullptr, "RPRT 0\n", {{O, 82, 60000000}}},
      {"F 14.2e6", nullptr, "RPRT 0\n", {{O, 82, 14200000}}},
      {"F nan", nullptr, "RPRT -1\n", {}},
      {"F 1e999", nullptr, "RPRT -1\n", {}},
      {"F 14074000x", nullptr, "RPRT -1\n", {}},
      {"F", nullptr, "RPRT -1\n", {}},
      // Mode: the radio's codes both ways; the mode key (193) takes the
      // code less one, the width (103) the WIDTH index.
      {"m", nullptr, "USB\n2400\n", {}},
      {"+m", nullptr, "get_mode:\nMode: USB\nPassband: 2400\nRPRT 0\n", {}},
      {"m", [](Snapshot& s) { s.modeMain = 12; }, "PKTUSB\n1700\n", {}},
      {"m", [](Snapshot& s) { s.modeMain = 3; s.widthMain = 10; }, "CW\n500\n", {}},
      {"m", [](Snapshot& s) { s.modeMain = 11; }, "FM\n16000\n", {}},
      {"m", [](Snapshot& s) { s.frStat = 4; }, "LSB\n2700\n", {}},
      {"m", [](Snapshot& s) { s.modeMain = 0; }, "RPRT -11\n", {}},
      {"M USB 2400", nullptr, "RPRT 0\n", {}},
      {"M USB 1800", nullptr, "RPRT 0\n", {{O, 103, 9}}},
      {"M LSB 2400", nullptr, "RPRT 0\n", {{O, 193, 0}}},
      {"M PKTUSB -1", nullptr, "RPRT 0\n", {{O, 193, 11}}},
      {"M PKTUSB 0", nullptr, "RPRT 0\n", {{O, 193, 11}}},
      {"M CW 500", nullptr, "RPRT 0\n", {{O, 193, 2}, {O, 103, 10}}},
      {"M AM 6000", nullptr, "RPRT 0\n", {{O, 193, 4}}},
      {"M RTTYR", nullptr, "RPRT 0\n", {{O, 193, 8}}},
      {"|M USB 2400", nullptr, "set_mode: USB 2400|RPRT 0\n", {}},
      {"M ?", nullptr, "USB LSB CW CWR RTTY RTTYR AM FM PKTUSB PKTLSB PKTFM\n", {}},
      {"M WFM", nullptr, "RPRT -1\n", {}},
      {"M USB wide", nullptr, "RPRT -1\n", {}},
      {"M USB -2", nullptr, "RPRT -1\n", {}},
      {"M LSB", [](Snapshot& s) { s.frStat = 4; }, "RPRT -11\n", {}},
      // VFO: the VFO keys (189, 191), only when the receiver is elsewhere.
      {"v", nullptr, "VFOA\n", {}},
      {"v", [](Snapshot& s) { s.frStat = 5; }, "VFOB\n", {}},
      {"V VFOB", nullptr, "RPRT 0\n", {{O, 191, 0}}},
      {"V VFOA", nullptr, "RPRT 0\n", {}},
      {"V VFOA", [](Snapshot& s) { s.frStat = 4; }, "RPRT 0\n", {{O, 189, 0}}},
      {"V VFOB", [](Snapshot& s) { s.frStat = 4; }, "RPRT 0\n", {}},
      {"V currVFO", nullptr, "RPRT 0\n", {}},
      {"V VFOB", [](Snapshot& s) { s.frStat = 2; }, "RPRT -11\n", {}},
      {"V MEM", nullptr, "RPRT -1\n", {}},
      {"V", nullptr, "RPRT -1\n", {}},
      // Split: the transmit VFO keys (34 "FT0;", 63 "FT1;").
      {"s", nullptr, "0\nVFOA\n", {}},
      {"s", [](Snapshot& s) { s.ftStat = 1; }, "1\nVFOB\n", {}},
      {"+s", nullptr, "get_split_vfo:\nSplit: 0\nTX VFO: VFOA\nRPRT 0\n", {}},
      {"S 1 VFOB", nullptr, "RPRT 0\n", {{O, 63, 0}}},
      {"S 0 VFOA", [](Snapshot& s) { s.ftStat = 1; }, "RPRT 0\n", {{O, 34, 0}}},
      {"S 0 VFOA", nullptr, "RPRT 0\n", {}},
      {"S 2 VFOB", nullptr, "RPRT -1\n", {}},
      {"i", nullptr, "7050000\n", {}},
      {"I 7074000", nullptr, "RPRT 0\n", {{O, 83, 7074000}}},
      {"x", nullptr, "LSB\n2700\n", {}},
      {"X LSB 2400", nullptr, "RPRT 0\n", {}},
      {"X USB 2400", nullptr, "RPRT -11\n", {}},
      // PTT: the composer's transmit message; refused with the link down.
      {"t", nullptr, "0\n", {}},
      {"t", [](Snapshot& s) { s.txStat = 2; }, "1\n", {}},
      {"T 1", nullptr, "RPRT 0\n", {{P, 0, 1}}},
      {"T 3", nullptr, "RPRT 0\n", {{P, 0, 1}}},
      {"T 0", nullptr, "RPRT 0\n", {{P, 0, 0}}},
      {"T 1", [](Snapshot& s) { s.linkUp = false; }, "RPRT -9\n", {}},
      {"T 0", [](Snapshot& s) { s.linkUp = false; }, "RPRT 0\n", {{P, 0, 0}}},
      {"T 4", nullptr, "RPRT -1\n", {}},
      {"T on", nullptr, "RPRT -1\n", {}},
      // Levels from the meters and the power setting.
      {"l STRENGTH", nullptr, "-54\n", {}},
      {"l STRENGTH", [](Snapshot& s) { s.sMeter = 128; }, "0\n", {}},
      {"l STRENGTH", [](Snapshot& s) { s.sMeter = 255; }, "60\n", {}},
      {"l SWR", nullptr, "1.000000\n", {}},
      {"l SWR", [](Snapshot& s) { s.swrMeter = 128; }, "2.000000\n", {}},
      {"l RFPOWER", nullptr, "0.500000\n", {}},
      {"l AF", nullptr, "RPRT -11\n", {}},
      {"l", nullptr, "RPRT -1\n", {}},
      // The rest of what clients ask at start.
      {"\\get_powerstat", nullptr, "1\n", {}},
      {"\\get_powerstat", [](Snapshot& s) { s.psStat = 0; }, "0\n", {}},
      {"\\chk_vfo", nullptr, "0\n", {}},
      {"\\get_lock_mode", nullptr, "0\n", {}},
      // Nothing else reaches the radio: no raw CAT, no power switch.
      {"w FA00007000;", nullptr, "RPRT -11\n", {}},
      {"\\send_cmd FA00007000;", nullptr, "RPRT -11\n", {}},
      {"\\set_powerstat 0", nullptr, "RPRT -11\n", {}},
      {"J 100", nullptr, "RPRT -11\n", {}},
      {"+J 100", nullptr, "RPRT -11\n", {}},
      {"\\get_freqx", nullptr, "RPRT -11\n", {}},
      {"f 1 2 3 4 5", nullptr, "RPRT -1\n", {}},
      {"", nullptr, "", {}},
      {"   ", nullptr, "", {}},
      {std::string_view("\0f", 2), nullptr, "RPRT -11\n", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.line));
    Snapshot s = base();
    if (row.change) row.change(s);
    Session session;
    Reply reply;
    handleLine(row.line, s, session, reply);
    EXPECT_EQ(reply.text, row.answer);
    std::vector<Op> ops;
    for (int i = 0; i < reply.actionCount; ++i) ops.push_back({reply.actions[i].kind, reply.actions[i].op, reply.actions[i].value});
    EXPECT_EQ(ops, row.ops);
    EXPECT_FALSE(reply.close);
  }
}

TEST(ShareProtocol, QuitClosesWithoutAnswer) {
  for (const char* line : {"q", "Q", "\\quit"}) {
    Session session;
    Reply reply;
    handleLine(line, base(), session, reply);
    EXPECT_TRUE(reply.close) << line;
    EXPECT_EQ(reply.text, "") << line;
  }
}

// The session remembers who keyed the transmitter.
TEST(ShareProtocol, SessionKnowsItsTransmitter) {
  Session session;
  Reply reply;
  Snapshot s = base();
  handleLine("T 1", s, session, reply);
  EXPECT_TRUE(session.pttHeld);
  handleLine("T 0", s, session, reply);
  EXPECT_FALSE(session.pttHeld);
  s.linkUp = false;
  handleLine("T 1", s, session, reply);
  EXPECT_FALSE(session.pttHeld);
}

// A set command's answer waits for the radio's report of the change; if it
// never comes the answer says so.
TEST(ShareProtocol, SetsWaitForTheRadiosReport) {
  Session session;
  Reply reply;
  Snapshot s = base();
  handleLine("F 21074000", s, session, reply);
  EXPECT_FALSE(satisfied(reply.await, s));
  EXPECT_EQ(reply.failText, "RPRT -5\n");
  s.vfoA = 21074000;
  EXPECT_TRUE(satisfied(reply.await, s));

  handleLine("+V VFOB", base(), session, reply);
  EXPECT_EQ(reply.failText, "set_vfo: VFOB\nRPRT -5\n");
  s = base();
  EXPECT_FALSE(satisfied(reply.await, s));
  s.frStat = 4;
  EXPECT_TRUE(satisfied(reply.await, s));

  handleLine("M CW 500", base(), session, reply);
  s = base();
  s.modeMain = 3;
  EXPECT_FALSE(satisfied(reply.await, s));  // the width has not followed yet
  s.widthMain = 10;
  EXPECT_TRUE(satisfied(reply.await, s));

  handleLine("T 1", base(), session, reply);
  s = base();
  EXPECT_FALSE(satisfied(reply.await, s));
  s.txStat = 1;
  EXPECT_TRUE(satisfied(reply.await, s));

  handleLine("f", base(), session, reply);
  EXPECT_TRUE(satisfied(reply.await, base()));
}

// The radio's mode labels (LSB, USB, USB CW, FM, AM, LSB RTTY, LSB CW,
// LSB DATA, USB RTTY, FM DATA, FM, USB DATA, AM) and the protocol's names.
TEST(ShareProtocol, ModesMapBothWays) {
  const char* const names[] = {"LSB", "USB", "CW", "FM", "AM", "RTTY", "CWR", "PKTLSB", "RTTYR", "PKTFM", "FM", "PKTUSB", "AM"};
  for (int code = 1; code <= 13; ++code) EXPECT_STREQ(modeName(code), names[code - 1]) << code;
  EXPECT_EQ(modeName(0), nullptr);
  EXPECT_EQ(modeName(14), nullptr);
  const std::pair<const char*, int> back[] = {{"LSB", 1},    {"USB", 2},    {"CW", 3},     {"FM", 4},
                                              {"AM", 5},     {"RTTY", 6},   {"CWR", 7},    {"PKTLSB", 8},
                                              {"RTTYR", 9},  {"PKTFM", 10}, {"PKTUSB", 12}, {"usb", 0}, {"WFM", 0}};
  for (const auto& [name, code] : back) EXPECT_EQ(modeCode(name), code) << name;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

// Protocol 1: version, model, region; the receive range and the transmit
// bands each closed by a zero line; steps and filters closed by "0 0";
// then the numbers and the key=value lines up to "done".
TEST(ShareProtocol, DumpStateBlock) {
  Session session;
  Reply reply;
  handleLine("\\dump_state", base(), session, reply);
  const std::vector<std::string> l = lines(reply.text);
  ASSERT_GT(l.size(), 30u);
  EXPECT_EQ(l[0], "1");
  EXPECT_EQ(l[1], "2");
  EXPECT_EQ(l[2], "1");
  EXPECT_EQ(l[3].rfind("30000.000000 60000000.000000 ", 0), 0u) << l[3];
  EXPECT_EQ(l[4], "0 0 0 0 0 0 0");
  std::size_t i = 5;
  while (i < l.size() && l[i] != "0 0 0 0 0 0 0") ++i;
  EXPECT_EQ(l[5].rfind("1800000.000000 2000000.000000 ", 0), 0u) << l[5];
  EXPECT_EQ(i, 16u);  // eleven transmit bands
  while (i < l.size() && l[i] != "0 0") ++i;
  ++i;
  while (i < l.size() && l[i] != "0 0") ++i;
  ASSERT_LT(i + 13, l.size());
  EXPECT_EQ(l[i + 1], "9999");
  const std::vector<std::string> tail(l.end() - 10, l.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"vfo_ops=0x0", "ptt_type=0x1", "targetable_vfo=0x0", "has_set_vfo=1",
                                            "has_get_vfo=1", "has_set_freq=1", "has_get_freq=1", "timeout=1000",
                                            "rig_model=2", "done"}));
  EXPECT_EQ(reply.actionCount, 0);

  handleLine("+\\dump_state", base(), session, reply);
  const std::vector<std::string> e = lines(reply.text);
  EXPECT_EQ(e.front(), "dump_state:");
  EXPECT_EQ(e[e.size() - 2], "done");
  EXPECT_EQ(e.back(), "RPRT 0");
}

}  // namespace
}  // namespace hrx::share
