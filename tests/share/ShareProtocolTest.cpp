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

// Unless a row changes it: VFO A receiving and transmitting at 14.074 MHz
// USB 2400 Hz, VFO B 7.05 MHz LSB.
Snapshot base() {
  return {.vfoA = 14074000, .vfoB = 7050000, .modeMain = 2, .modeSub = 1, .widthMain = 14, .widthSub = 17,
          .psStat = 1, .powerSetting = 50, .linkUp = true};
}

struct Op {
  Action::Kind kind;
  int op;
  std::int32_t value;
  bool operator==(const Op&) const = default;
};
constexpr Action::Kind O = Action::Kind::Operation;
constexpr Action::Kind P = Action::Kind::Ptt;
std::ostream& operator<<(std::ostream& o, const Op& x) { return o << (x.kind == P ? "ptt " : "op ") << x.op << "=" << x.value; }

#define SET(...) [](Snapshot& s) { s.__VA_ARGS__; }

struct Row {
  std::string_view line;
  std::function<void(Snapshot&)> change;
  const char* answer;
  std::vector<Op> ops;
};

TEST(ShareProtocol, RequestsAnswersAndOperations) {
  const Row rows[] = {
      // Frequency: the receiving VFO; sets go to FA or FB (operations 82, 83).
      {"f\r", {}, "14074000\n", {}}, {"f", SET(frStat = 4), "7050000\n", {}},
      {"+\\get_freq", {}, "get_freq:\nFrequency: 14074000\nRPRT 0\n", {}},
      {";\\get_freq", {}, "get_freq:;Frequency: 14074000;RPRT 0\n", {}},
      {"F 14074055.000000", {}, "RPRT 0\n", {{O, 82, 14074055}}},
      {"F 7074000", SET(frStat = 5), "RPRT 0\n", {{O, 83, 7074000}}},
      {"+F 21074000", {}, "set_freq: 21074000\nRPRT 0\n", {{O, 82, 21074000}}},
      {"F 14074000", {}, "RPRT 0\n", {}}, {"F 29999", {}, "RPRT -1\n", {}},
      {"F 30000", {}, "RPRT 0\n", {{O, 82, 30000}}}, {"F 60000001", {}, "RPRT -1\n", {}},
      {"F 60000000", {}, "RPRT 0\n", {{O, 82, 60000000}}}, {"F 14.2e6", {}, "RPRT 0\n", {{O, 82, 14200000}}},
      {"F nan", {}, "RPRT -1\n", {}}, {"F 14074000x", {}, "RPRT -1\n", {}}, {"F", {}, "RPRT -1\n", {}},
      // Mode: the radio's codes both ways; the mode key (193) takes the
      // code less one, the width (103) the WIDTH index.
      {"+m", {}, "get_mode:\nMode: USB\nPassband: 2400\nRPRT 0\n", {}},
      {"m", SET(modeMain = 12), "PKTUSB\n1700\n", {}}, {"m", SET(modeMain = 3, s.widthMain = 10), "CW\n500\n", {}},
      {"m", SET(modeMain = 11), "FM\n16000\n", {}}, {"m", SET(frStat = 4), "LSB\n2700\n", {}},
      {"m", SET(modeMain = 0), "RPRT -11\n", {}},
      {"M USB 2400", {}, "RPRT 0\n", {}}, {"M USB 1800", {}, "RPRT 0\n", {{O, 103, 9}}},
      {"M PKTUSB -1", {}, "RPRT 0\n", {{O, 193, 11}}}, {"M CW 500", {}, "RPRT 0\n", {{O, 193, 2}, {O, 103, 10}}},
      {"M RTTYR", {}, "RPRT 0\n", {{O, 193, 8}}}, {"|M USB 2400", {}, "set_mode: USB 2400|RPRT 0\n", {}},
      {"M ?", {}, "USB LSB CW CWR RTTY RTTYR AM FM PKTUSB PKTLSB PKTFM\n", {}},
      // The new mode's width decides whether WIDTH is needed, not the old one's.
      {"M USB 2400", SET(modeMain = 12, s.widthMain = 16), "RPRT 0\n", {{O, 193, 1}, {O, 103, 14}}},
      {"M WFM", {}, "RPRT -1\n", {}}, {"M USB -2", {}, "RPRT -1\n", {}}, {"M LSB", SET(frStat = 4), "RPRT 0\n", {}},
      {"M AMS", {}, "RPRT -1\n", {}}, {"M FM-D", {}, "RPRT -1\n", {}}, {"M SAH -1", {}, "RPRT -1\n", {}},
      // While VFO B receives the mode key and WIDTH (162, SH1) reach it.
      {"M CW 500", SET(frStat = 4), "RPRT 0\n", {{O, 193, 2}, {O, 162, 10}}},
      // Width 0 is the mode's normal width (its first filter in dump_state),
      // -1 or none keeps the width.
      {"M CW 0", SET(widthMain = 1), "RPRT 0\n", {{O, 193, 2}, {O, 103, 10}}},
      {"M USB 0", SET(widthMain = 9), "RPRT 0\n", {{O, 103, 14}}}, {"M USB -1", SET(widthMain = 9), "RPRT 0\n", {}},
      {"M PKTUSB 0", {}, "RPRT 0\n", {{O, 193, 11}, {O, 103, 16}}}, {"M RTTY 0", {}, "RPRT 0\n", {{O, 193, 5}, {O, 103, 10}}},
      {"M FM 0", SET(modeMain = 4, s.naMain = 1), "RPRT 0\n", {{O, 30, 0}}}, {"M AM 0", {}, "RPRT 0\n", {{O, 193, 4}}},
      // AM has one fixed filter.
      {"m", SET(modeMain = 5), "AM\n6000\n", {}}, {"x", SET(modeSub = 13), "AM\n6000\n", {}},
      // FM and AM each have two codes: the name the client read back is no change.
      {"M FM -1", SET(modeMain = 11), "RPRT 0\n", {}}, {"M AM 6000", SET(modeMain = 13), "RPRT 0\n", {}},
      {"m", SET(modeMain = 4, s.naMain = 1), "FM\n9000\n", {}}, {"M FM 9000", SET(modeMain = 4), "RPRT 0\n", {{O, 30, 0}}},
      {"M FM 16000", SET(modeMain = 11, s.naMain = 1), "RPRT 0\n", {{O, 30, 0}}},
      {"M FM 9000", SET(modeMain = 11, s.naMain = 1), "RPRT 0\n", {}}, {"x", SET(modeSub = 11, s.naSub = 1), "FM\n9000\n", {}},
      // With the link down no set reaches the radio.
      {"F 21074000", SET(linkUp = false), "RPRT -9\n", {}}, {"M CW 500", SET(linkUp = false), "RPRT -9\n", {}},
      {"S 1 VFOB", SET(linkUp = false), "RPRT -9\n", {}}, {"I 7074000", SET(linkUp = false), "RPRT -9\n", {}},
      // VFO: the session's target only; the receiver is never moved.
      {"v", SET(frStat = 5), "VFOB\n", {}}, {"V VFOB", {}, "RPRT 0\n", {}}, {"V VFOA", SET(frStat = 4), "RPRT 0\n", {}},
      {"V currVFO", {}, "RPRT 0\n", {}}, {"V VFOB", SET(frStat = 2), "RPRT 0\n", {}}, {"V MEM", {}, "RPRT -11\n", {}},
      {"V VFOX", {}, "RPRT -1\n", {}},
      // Split: the transmit VFO keys (34 "FT0;", 63 "FT1;").
      {"s", SET(ftStat = 1), "1\nVFOB\n", {}}, {"S 1 VFOB", {}, "RPRT 0\n", {{O, 63, 0}}},
      {"S 0 VFOA", SET(ftStat = 1), "RPRT 0\n", {{O, 34, 0}}}, {"S 0 VFOA", {}, "RPRT 0\n", {}},
      {"S 2 VFOB", {}, "RPRT -1\n", {}}, {"i", {}, "7050000\n", {}}, {"I 7074000", {}, "RPRT 0\n", {{O, 83, 7074000}}},
      {"x", {}, "LSB\n2700\n", {}}, {"X LSB 2700", {}, "RPRT 0\n", {}}, {"X LSB -1", {}, "RPRT 0\n", {}},
      {"X USB 2400", SET(frStat = 2), "RPRT -11\n", {}},
      // PTT: the composer's transmit message; refused with the link down.
      {"t", SET(txStat = 2), "1\n", {}}, {"T 1", {}, "RPRT 0\n", {{P, 0, 1}}}, {"T 3", {}, "RPRT 0\n", {{P, 0, 1}}},
      {"T 0", {}, "RPRT 0\n", {{P, 0, 0}}}, {"T 1", SET(linkUp = false), "RPRT -9\n", {}},
      {"T 0", SET(linkUp = false), "RPRT 0\n", {{P, 0, 0}}}, {"T 4", {}, "RPRT -1\n", {}},
      // Levels from the meters and the power setting.
      {"l STRENGTH", SET(sMeter = 128), "0\n", {}}, {"l STRENGTH", SET(sMeter = 255), "60\n", {}},
      {"l SWR", SET(swrMeter = 128), "2.000000\n", {}}, {"l RFPOWER", {}, "0.500000\n", {}}, {"l AF", {}, "RPRT -11\n", {}},
      {"\\get_powerstat", SET(psStat = 0), "0\n", {}}, {"\\get_powerstat", SET(linkUp = false), "0\n", {}},
      // The link off or the radio counted gone: no read answers from held state.
      {"f", SET(linkUp = false), "RPRT -5\n", {}}, {"+\\get_freq", SET(linkUp = false), "get_freq:\nRPRT -5\n", {}},
      {"m", SET(linkUp = false), "RPRT -5\n", {}}, {"v", SET(linkUp = false), "RPRT -5\n", {}},
      {"s", SET(linkUp = false), "RPRT -5\n", {}}, {"i", SET(linkUp = false), "RPRT -5\n", {}},
      {"x", SET(linkUp = false), "RPRT -5\n", {}}, {"t", SET(linkUp = false), "RPRT -5\n", {}},
      {"l STRENGTH", SET(linkUp = false), "RPRT -5\n", {}}, {"\\dump_state", SET(linkUp = false), dumpState().c_str(), {}}, {"\\send_cmd FA00007000;", {}, "RPRT -11\n", {}},
      {"+J 100", {}, "RPRT -11\n", {}}, {"\\get_freqx", {}, "RPRT -11\n", {}},
      {"f 1 2 3 4 5", {}, "RPRT -1\n", {}}, {"   ", {}, "", {}}, {std::string_view("\0f", 2), {}, "RPRT -11\n", {}},
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
  for (const char* line : {"q", "Q", "\\quit"}) {
    Session session;
    Reply reply;
    handleLine(line, base(), session, reply);
    EXPECT_TRUE(reply.close && reply.text.empty()) << line;
  }
}

// Every line the network client (rigctl 4.5, model 2) sends, as it sends
// them: at its start, then for each of its commands that reaches the
// server (the others it answers itself or refuses from dump_state). Each
// gets its answer or RPRT -11, never silence.
TEST(ShareProtocol, EveryCommandTheClientSends) {
  const std::pair<const char*, const char*> rows[] = {
      {"\\chk_vfo", "0\n"}, {"v", "VFOA\n"}, {"f", "14074000\n"}, {"V VFOB", "RPRT 0\n"}, {"s", "0\nVFOA\n"},
      {"m", "USB\n2400\n"}, {"\\get_powerstat", "1\n"}, {"\\get_lock_mode", "0\n"}, {"\\set_lock_mode 0", "RPRT 0\n"},
      {"\\set_lock_mode 1", "RPRT -11\n"}, {"F 14074000.000000", "RPRT 0\n"}, {"M USB 2400", "RPRT 0\n"},
      {"I 7050000.000000", "RPRT 0\n"}, {"i", "7050000\n"}, {"X LSB 2700", "RPRT 0\n"}, {"x", "LSB\n2700\n"},
      {"S 0 VFOA", "RPRT 0\n"}, {"\\get_split_vfo", "0\nVFOA\n"}, {"T 0", "RPRT 0\n"}, {"t", "0\n"},
      {"l STRENGTH", "-54\n"}, {"l SWR", "1.000000\n"}, {"l RFPOWER", "0.500000\n"},
      {"\\power2mW 0.500 14074000 USB", "50000\n"}, {"\\mW2power 50000 14074000 USB", "0.500000\n"},
      {"\\set_vfo_opt 0", "RPRT 0\n"}, {"\\get_vfo_info VFOA", "RPRT -11\n"}, {"\\get_rig_info", "RPRT -11\n"},
      {"N 100", "RPRT -11\n"}, {"n", "RPRT -11\n"}, {"R +", "RPRT -11\n"}, {"r", "RPRT -11\n"},
      {"O 600", "RPRT -11\n"}, {"o", "RPRT -11\n"}, {"C 885", "RPRT -11\n"}, {"c", "RPRT -11\n"},
      {"D 23", "RPRT -11\n"}, {"d", "RPRT -11\n"}, {"\\set_ctcss_sql 885", "RPRT -11\n"},
      {"\\get_ctcss_sql", "RPRT -11\n"}, {"\\set_dcs_sql 23", "RPRT -11\n"}, {"\\get_dcs_sql", "RPRT -11\n"},
      {"E 1", "RPRT -11\n"}, {"e ", "RPRT -11\n"}, {"B 1", "RPRT -11\n"}, {"_", "RPRT -11\n"},
      {"J 100", "RPRT -11\n"}, {"j", "RPRT -11\n"}, {"Z 100", "RPRT -11\n"}, {"z", "RPRT -11\n"},
      {"Y 0 0", "RPRT -11\n"}, {"y 1", "RPRT -11\n"}, {"\\set_powerstat 1", "RPRT -11\n"},
      {"\\send_dtmf 123", "RPRT -11\n"}, {"\\recv_dtmf", "RPRT -11\n"}, {"w FA;", "RPRT -11\n"},
      {"W FA; 11", "RPRT -11\n"}, {"\\send_morse CQ", "RPRT -11\n"}, {"\\stop_morse", "RPRT -11\n"},
      {"\\send_voice_mem 1", "RPRT -11\n"}, {"\\get_dcd", "RPRT -11\n"}, {"\\password x", "RPRT -11\n"},
  };
  for (const auto& [line, answer] : rows) {
    Session session;
    Reply reply;
    handleLine(line, base(), session, reply);
    EXPECT_EQ(reply.text, answer) << line;
  }
}

// A client reading VFO B changes nothing on the radio; its gets answer
// for the VFO it chose and its sets go there, each session on its own.
TEST(ShareProtocol, EachSessionWorksOnItsOwnVfo) {
  struct Step {
    int session;
    const char* line;
    const char* answer;
    std::vector<Op> ops;
  };
  struct Case {
    const char* name;
    std::function<void(Snapshot&)> change;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {"VFO A receives",
       {},
       {{0, "V VFOB", "RPRT 0\n", {}},
        {0, "v", "VFOB\n", {}},
        {0, "f", "7050000\n", {}},
        {0, "m", "LSB\n2700\n", {}},
        {1, "f", "14074000\n", {}},
        {1, "v", "VFOA\n", {}},
        {0, "F 7074000", "RPRT 0\n", {{O, 83, 7074000}}},
        {0, "M USB 2400", "RPRT 0\n", {{O, 191, 0}}},
        {0, "V currVFO", "RPRT 0\n", {}},
        {0, "v", "VFOB\n", {}},
        {0, "V VFOA", "RPRT 0\n", {}},
        {0, "f", "14074000\n", {}},
        {0, "F 14074055", "RPRT 0\n", {{O, 82, 14074055}}},
        {0, "M CW 500", "RPRT 0\n", {{O, 193, 2}, {O, 103, 10}}}}},
      {"VFO B receives",
       SET(frStat = 4),
       {{0, "v", "VFOB\n", {}},
        {0, "V VFOA", "RPRT 0\n", {}},
        {0, "m", "USB\n2400\n", {}},
        {0, "F 21074000", "RPRT 0\n", {{O, 82, 21074000}}},
        {0, "M CW 500", "RPRT 0\n", {{O, 189, 0}}},
        {0, "V RX", "RPRT 0\n", {}},
        {0, "f", "7050000\n", {}},
        {0, "M LSB", "RPRT 0\n", {}},
        {1, "\\set_vfo VFOB", "RPRT 0\n", {}},
        {1, "F 7074000", "RPRT 0\n", {{O, 83, 7074000}}}}},
  };
  for (const Case& c : cases) {
    Snapshot s = base();
    if (c.change) c.change(s);
    Session sessions[2];
    for (const Step& step : c.steps) {
      SCOPED_TRACE(std::string(c.name) + ": " + step.line);
      Reply reply;
      handleLine(step.line, s, sessions[step.session], reply);
      EXPECT_EQ(reply.text, step.answer);
      std::vector<Op> ops;
      for (int i = 0; i < reply.actionCount; ++i) ops.push_back({reply.actions[i].kind, reply.actions[i].op, reply.actions[i].value});
      EXPECT_EQ(ops, step.ops);
    }
  }
}

// A set command's answer waits for the radio's report of the change; if it
// never comes the answer says so.
TEST(ShareProtocol, SetsWaitForTheRadiosReport) {
  struct Case {
    const char* line;
    std::function<void(Snapshot&)> partly, fully;
    const char* failText;
  };
  const Case cases[] = {
      {"F 21074000", {}, SET(vfoA = 21074000), "RPRT -5\n"},
      {"+F 7074000", {}, SET(vfoA = 7074000), "set_freq: 7074000\nRPRT -5\n"},
      {"M CW 500", SET(modeMain = 3), SET(modeMain = 3, s.widthMain = 10), nullptr},  // the width follows
      {"T 1", {}, SET(txStat = 1), nullptr},
      {"S 1 VFOB", {}, SET(ftStat = 1), "RPRT -5\n"},  // s right after reads the split back
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Session session;
    Reply reply;
    handleLine(c.line, base(), session, reply);
    if (c.failText) {
      EXPECT_EQ(reply.failText, c.failText);
    }
    Snapshot s = base();
    if (c.partly) c.partly(s);
    EXPECT_FALSE(satisfied(reply.await, s));
    c.fully(s);
    EXPECT_TRUE(satisfied(reply.await, s));
  }
  Session session;
  Reply reply;
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
  const std::pair<const char*, int> back[] = {{"PKTFM", 10}, {"PKTUSB", 12}, {"CWR", 7}, {"usb", 0}, {"WFM", 0}};
  for (const auto& [name, code] : back) EXPECT_EQ(modeCode(name), code) << name;
}

// Protocol 1: version, model, region; the receive range and the eleven
// transmit bands each closed by a zero line; steps and filters closed by
// "0 0"; then the numbers and the key=value lines up to "done".
TEST(ShareProtocol, DumpStateBlock) {
  Session session;
  Reply reply;
  handleLine("+\\dump_state", base(), session, reply);
  std::vector<std::string> l;
  std::istringstream in(reply.text);
  for (std::string x; std::getline(in, x);) l.push_back(x);
  ASSERT_GT(l.size(), 30u);
  EXPECT_EQ((std::vector<std::string>(l.begin(), l.begin() + 4)), (std::vector<std::string>{"dump_state:", "1", "2", "1"}));
  EXPECT_EQ(l[4].rfind("30000.000000 60000000.000000 ", 0), 0u) << l[4];
  EXPECT_EQ(l[6].rfind("1800000.000000 2000000.000000 ", 0), 0u) << l[6];
  std::size_t i = 6;
  while (i < l.size() && l[i] != "0 0 0 0 0 0 0") ++i;
  EXPECT_EQ(i, 17u);
  for (int closes = 0; closes < 2; ++i) closes += i < l.size() && l[i] == "0 0" ? 1 : 0;
  ASSERT_LT(i + 12, l.size());
  EXPECT_EQ(l[i], "9999");
  EXPECT_EQ(std::vector<std::string>(l.end() - 4, l.end()), (std::vector<std::string>{"timeout=1000", "rig_model=2", "done", "RPRT 0"}));
  EXPECT_EQ(reply.actionCount, 0);
}

// A mode set for the VFO that does not receive: that VFO receives for the
// set alone (a receive key, 189 for VFO A, 191 for VFO B), the mode key and
// WIDTH, then the receiver goes back as it was, each step after the radio's
// report of the one before.
TEST(ShareProtocol, ModeOfTheVfoThatDoesNotReceiveInSteps) {
  struct Step {
    std::function<void(Snapshot&)> report;  // what the radio reported meanwhile
    bool late;
    std::vector<Op> ops;  // empty: the set is over
  };
  struct Case {
    const char* name;
    std::function<void(Snapshot&)> start;
    std::vector<const char*> lines;  // the last one is the set
    std::vector<Op> first;
    std::vector<Step> steps;
    SetStep end;
    const char* answer;
  };
  const Case cases[] = {
      {"the split start of a digital-mode program",
       {},
       {"S 1 VFOB", "V VFOB", "F 14250000", "V VFOA", "X PKTUSB -1"},
       {{O, 191, 0}},
       {{SET(frStat = 4), false, {{O, 193, 11}}}, {SET(modeSub = 12), false, {{O, 189, 0}}}, {SET(frStat = 0), false, {}}},
       SetStep::Done,
       "RPRT 0\n"},
      {"M with VFO B as the target, a width too",
       {},
       {"V VFOB", "+M CW 500"},
       {{O, 191, 0}},
       {{SET(frStat = 4), false, {{O, 193, 2}, {O, 162, 10}}},
        {SET(modeSub = 3, s.widthSub = 10), false, {{O, 189, 0}}},
        {SET(frStat = 0), false, {}}},
       SetStep::Done,
       "set_mode: CW 500\nRPRT 0\n"},
      {"VFO B receives, VFO A's mode",
       SET(frStat = 4),
       {"X CW -1"},
       {{O, 189, 0}},
       {{SET(frStat = 0), false, {{O, 193, 2}}}, {SET(modeMain = 3), false, {{O, 191, 0}}}, {SET(frStat = 4), false, {}}},
       SetStep::Done,
       "RPRT 0\n"},
      {"FR 1 takes two presses back",
       SET(frStat = 1),
       {"X USB"},
       {{O, 191, 0}},
       {{SET(frStat = 4), false, {{O, 193, 1}}},
        {SET(modeSub = 2), false, {{O, 189, 0}}},
        {SET(frStat = 0), false, {{O, 189, 0}}},
        {SET(frStat = 1), false, {}}},
       SetStep::Done,
       "RPRT 0\n"},
      {"the mode never reported: the receiver still goes back",
       {},
       {"X PKTUSB -1"},
       {{O, 191, 0}},
       {{SET(frStat = 4), false, {{O, 193, 11}}}, {{}, true, {{O, 189, 0}}}, {SET(frStat = 0), false, {}}},
       SetStep::Failed,
       "RPRT -5\n"},
      {"the receiver never moved: no mode key",
       {},
       {"X PKTUSB -1"},
       {{O, 191, 0}},
       {{{}, true, {}}},
       SetStep::Failed,
       "RPRT -5\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Snapshot s = base();
    if (c.start) c.start(s);
    Session session;
    Reply reply;
    for (const char* line : c.lines) handleLine(line, s, session, reply);
    auto ops = [](const Reply& r) {
      std::vector<Op> v;
      for (int i = 0; i < r.actionCount; ++i) v.push_back({r.actions[i].kind, r.actions[i].op, r.actions[i].value});
      return v;
    };
    EXPECT_EQ(ops(reply), c.first);
    ASSERT_TRUE(reply.continues);
    EXPECT_FALSE(satisfied(reply.await, s));
    SetStep step = SetStep::More;
    for (const Step& st : c.steps) {
      if (st.report) st.report(s);
      EXPECT_EQ(satisfied(reply.await, s), !st.late);
      Reply next;
      step = continueSet(s, session, st.late, next);
      EXPECT_EQ(ops(next), st.ops);
      EXPECT_EQ(step == SetStep::More, !st.ops.empty());
      if (step != SetStep::More) break;
      reply.await = next.await;
    }
    EXPECT_EQ(step, c.end);
    EXPECT_EQ(c.end == SetStep::Done ? reply.text : reply.failText, c.answer);
  }
}

// `M ?` lists what M sets, for either VFO; names it does not know stay invalid.
TEST(ShareProtocol, EveryListedModeCanBeSet) {
  Session session;
  Reply reply;
  handleLine("M ?", base(), session, reply);
  EXPECT_EQ(reply.text, "USB LSB CW CWR RTTY RTTYR AM FM PKTUSB PKTLSB PKTFM\n");
  std::istringstream in(reply.text);
  for (std::string name; in >> name;) {
    for (const char* vfo : {"VFOA", "VFOB"}) {
      SCOPED_TRACE(name + " " + vfo);
      Session sess;
      Reply r;
      handleLine(std::string("V ") + vfo, base(), sess, r);
      handleLine("M " + name + " -1", base(), sess, r);
      EXPECT_EQ(r.text, "RPRT 0\n");
      const std::string_view current = modeName(std::string_view(vfo) == "VFOA" ? base().modeMain : base().modeSub);
      EXPECT_EQ(r.actionCount == 0, name == current);
    }
  }
}

}  // namespace
}  // namespace hrx::share
