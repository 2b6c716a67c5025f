// The reply analyser: each reply layout (what a reply stores, refuses and
// announces), the dispatch around the decoders (the silence timer, the
// link-state replies ID, AI and PS, the silence time-out, the menu (EX)
// replies) and the analyser thread. Events are literal ids; the rows that
// carry their index carry it as lParam.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/ReplyAnalyser.h"
#include "menulist/MenuCatalogue.h"
#include "support/RecordingMainWindow.h"
#include "support/RecordingPostTarget.h"

namespace hrx {

inline void PrintTo(const Msg& m, std::ostream* os) {
  *os << std::hex << "0x" << m.id << std::dec << "(" << m.w << ", " << m.l << ")";
}

namespace {

using test::WindowCall;
using Msgs = std::vector<Msg>;

// An analyser wired to a fresh state store, mirror and recording fakes of
// the main window and the composer.
struct AnalyserRig {
  RadioState state;
  PanelMirror mirror;
  test::RecordingMainWindow window;
  test::RecordingPostTarget composer;
  ReplyAnalyser analyser{state, mirror, window, composer};

  // Feeds one reply as the receive side hands it over: without its ';'.
  void feed(std::string reply) {
    if (!reply.empty() && reply.back() == ';') reply.pop_back();
    analyser.dispatch(reply.data(), reply.size());
  }
  // Feeds a reply and forgets what it caused.
  void prime(const std::string& reply) {
    feed(reply);
    window.clear();
    composer.take();
  }
  std::vector<Msg> events() const { return window.posts(); }
};

// Analyser events by name (wParam 0, lParam 0).
constexpr Msg kEvFA{0x8333, 0, 0}, kEvFB{0x8334, 0, 0}, kEvRM{0x8321, 0, 0}, kEvSM{0x8337, 0, 0},
    kEvAI{0x833A, 0, 0}, kEvPS{0x8347, 0, 0}, kEvSF{0x8304, 0, 0};

static_assert(ReplyCodeTable::find("ID") == 0 && ReplyCodeTable::find("CA") == 77 && ReplyCodeTable::find("EX") < 0);

// What a case expects afterwards, by name: "RT_Stat=1" a state field or
// word, "m:RT_Stat=1" the mirror's entry.
struct Case {
  std::string reply;
  MsgId event;   // 0: rejected, no event
  std::string expect;
  std::function<void(AnalyserRig&)> before = nullptr;
};

template <typename Rows>
int indexOf(const Rows& rows, const std::string& name) {
  for (std::size_t i = 0; i < std::size(rows); ++i)
    if (name == rows[i].name) return static_cast<int>(i);
  return -1;
}

void expectHeld(const AnalyserRig& rig, const std::string& what) {
  const std::size_t eq = what.find('=');
  const bool mirror = what.rfind("m:", 0) == 0;
  const std::string name = what.substr(mirror ? 2 : 0, eq - (mirror ? 2 : 0));
  const int m = indexOf(kMirrorRows, name), i = indexOf(kIntFieldRows, name), w = indexOf(kWordFieldRows, name);
  ASSERT_TRUE(mirror ? m >= 0 : i >= 0 || w >= 0) << what;
  const std::int32_t held = mirror ? rig.mirror.get(static_cast<MirrorField>(m))
                            : i >= 0 ? rig.state.get(static_cast<IntField>(i))
                                     : rig.state.get(static_cast<WordField>(w));
  EXPECT_EQ(held, std::stoi(what.substr(eq + 1))) << what;
}

void checkAll(const std::vector<Case>& cases) {
  static const std::map<std::string, LParam> kRowIndex = {{"BP", 4},  {"CO", 6},  {"KS", 34}, {"MG", 37}, {"PL", 38},
                                                          {"IF", 44}, {"IS", 46}, {"SH", 47}, {"OI", 62}, {"PC", 65},
                                                          {"MD", 67}};
  for (const Case& c : cases) {
    SCOPED_TRACE("reply \"" + c.reply + "\"");
    AnalyserRig rig;
    if (c.before) c.before(rig);
    rig.window.clear();
    rig.feed(c.reply);
    std::vector<Msg> want;
    if (c.event != 0) {
      const auto row = kRowIndex.find(c.reply.substr(0, 2));
      want.push_back({c.event, 0, row == kRowIndex.end() ? 0 : row->second});
    }
    EXPECT_EQ(rig.events(), want);
    std::istringstream in(c.expect);
    for (std::string what; in >> what;) expectHeld(rig, what);
  }
}

auto feeding(std::string reply) {
  return [reply](AnalyserRig& rig) { rig.feed(reply); };
}

TEST(ReplyDecoders, SingleDigitStatus) {
  checkAll({
      {"RT1;", 0x8302, "RT_Stat=1 m:RT_Stat=1"}, {"RT2;", 0, "RT_Stat=0 m:RT_Stat=0"},
      {"RT;", 0, "RT_Stat=0"},   // the zero behind the code is no digit
      {"XT1;", 0x8303, "XT_Stat=1 m:XT_Stat=1"}, {"SF9;", 0, "SF_Value=8"}, {"TX2;", 0x8338, "TxStat=2"},
      {"MS5;", 0x8346, "MS_Stat=5 m:MS_Stat=5"}, {"FR3;", 0x830A, "FR_Stat=3 m:FR_Stat=3"}, {"FT1;", 0x8309, "FT_Stat=1"},
      {"VS1;", 0x830E, "VS_Stat=1 m:VS_Stat=1"}, {"DP6;", 0x8320, "DP_Stat=6"},
      {"DS1;", 0x8319, "DS_Stat=1 m:DS_Stat=1"}, {"CS1;", 0x831F, "CS_Stat=1 m:CS_Stat=1"}, {"RS1;", 0x8343, "RS_Stat=1"},
      // A refused store still refreshes the mirror from the kept value.
      {"KR5;", 0, "KR_Stat=1 m:KR_Stat=1", [](AnalyserRig& r) { r.feed("KR1;"); r.mirror.set_KR_Stat(0); }},
      {"PB1;", 0x8341, ""}, {"LM0;", 0x834E, ""}, {"CW1;", 0, ""}, {"DA0000;", 0, ""},   // never decoded
  });
}

TEST(ReplyDecoders, NumbersAtFixedPlaces) {
  checkAll({
      {"FA07000000;", 0x8333, "VfoA_Freq=7000000 m:VfoA_Freq=7000000"},
      {"FA00029999;", 0, "VfoA_Freq=14250000 m:VfoA_Freq=14250000", feeding("FA14250000;")},
      {"FA1425000;", 0, "VfoA_Freq=7000000"},   // cut short
      {"FA1425O000;", 0, "VfoA_Freq=7000000"},  // letter O
      {"FB60000000;", 0x8334, "VfoB_Freq=60000000 m:VfoB_Freq=60000000"}, {"KP75;", 0x8322, "KP_Value=75 m:KP_Value=75"},
      {"KP76;", 0, "KP_Value=0 m:KP_Value=0"}, {"KS004;", 0x8323, "KS_Value=4 m:KS_Value=4"}, {"KS003;", 0, "KS_Value=4"},
      {"SD0020;", 0x8324, "SD_Value=20 m:SD_Value=20"}, {"VD2000;", 0x8329, "VD_Value=2000"},
      {"PC004;", 0, "PC_Value=0"}, {"PC100;", 0x8342, "PC_Value=100 m:PC_Value=100"},
      {"PL050;", 0x8327, "PL_Value=50 m:PL_Value=50"}, {"MG100;", 0x8326, "MG_Value=100 m:MG_Value=100"},
      {"VG100;", 0x8328, "VG_Value=100 m:VG_Value=100"}, {"MC117;", 0x833E, "MC_Channel=117"}, {"MC118;", 0, ""},
      {"ACxx2;", 0x8318, "AC_Stat=2"},   // only position 4 is read
      {"RO0450100;", 0x8335, "RO_Value1=450 RO_Value2=100"},
      // One bad field rejects the reply; the good one is still stored.
      {"RO0451050;", 0, "RO_Value1=0 RO_Value2=50"}, {"RO04x0050;", 0, "RO_Value1=0 RO_Value2=50"},
      {"BY01;", 0x8332, "MainRx_Busy=0 SubRx_Busy=1"}, {"BY12;", 0, "MainRx_Busy=1 SubRx_Busy=0"},
  });
}

TEST(ReplyDecoders, MainSubSelectors) {
  checkAll({
      {"SM1123;", 0x8337, "SM_Meter1=123 SM_Meter0=0"}, {"SM2123;", 0, "SM_Meter0=0 SM_Meter1=0"},
      {"BC01;", 0x8306, "BC_Main=1 m:BC_Main=1 m:BC_Sub=0"}, {"BC11;", 0x8306, "BC_Sub=1 m:BC_Sub=1 BC_Main=0"},
      {"BC21;", 0x8306, "BC_Main=0 BC_Sub=0"},   // P1 other: accepted
      {"BCx1;", 0, "BC_Main=0"},
      {"NR11;", 0x8308, "NR_Sub=1 m:NR_Main=0"},   // sub has no mirror
      {"NA11;", 0x830F, "NA_Sub=1 m:NA_Sub=1"}, {"NB12;", 0x8310, "NB_Sub=2"}, {"NB13;", 0, "NB_Sub=0"},
      {"AG1255;", 0x832B, "AG_Sub=255 m:AG_Sub=255"}, {"AG0256;", 0, "AG_Main=0"}, {"SQ3100;", 0, ""},
      {"SQ0100;", 0x832A, "SQ_Main=100 m:SQ_Main=100"}, {"RG1050;", 0x832C, "RG_Sub=50 m:RG_Sub=50"},
      {"NL1010;", 0x8325, "NL_Sub=10 m:NL_Sub=10"}, {"SH031;", 0x8330, "SH_Main=31 m:SH_Main=31"},
      {"SH032;", 0, "SH_Main=16"}, {"SH2xx;", 0x8330, "SH_Main=16 SH_Sub=16"},
      {"RL115;", 0x8331, "RL_Sub=15 m:RL_Sub=15"}, {"RL000;", 0, "RL_Main=1"},
      {"IS0-0250;", 0x832F, "IS_Main=-250 m:IS_Main=-250"}, {"IS1+1000;", 0x832F, "IS_Sub=1000 m:IS_Sub=1000"},
      // A sign that is neither '+' nor '-' stores nothing but the mirror is
      // still refreshed from the kept field.
      {"IS000250;", 0, "IS_Main=100 m:IS_Main=100", [](AnalyserRig& r) { r.feed("IS0+0100;"); r.mirror.set_IS_Main(-7); }},
      {"CN149;", 0x833B, "CN_1=49"}, {"CN150;", 0, "CN_1=0"}, {"CT12;", 0x833C, "CT_Sub=2"},
      {"OS02;", 0x8340, "OS_Main=2"},
  });
}

TEST(ReplyDecoders, RepliesOfTheMainSideOnly) {
  checkAll({
      {"GT03;", 0x8312, "GT_Main=3"},
      {"GT15;", 0x8312, "GT_Main=6"},   // P1 1: accepted, nothing stored
      {"GT07;", 0, "GT_Main=6"}, {"RF0a;", 0x8311, "RF_Main=10"}, {"RF0G;", 0, "RF_Main=0"},
      {"AN04;", 0x8317, "AN_Main=3"},
      {"AN00;", 0, "AN_Main=0"},   // d - 1 = -1 is refused
      {"RA03;", 0x8313, "RA_Main=3"}, {"PA01;", 0x8314, "PA_Main=1"},
      {"CA0001;", 0x8356, "CA_Stat=1"}, {"CA1001;", 0x8356, "CA_Stat=0"}, {"CA0002;", 0, "CA_Stat=0"},
  });
}

TEST(ReplyDecoders, SwitchOrLevelReplies) {
  checkAll({
      {"BP0000x;", 0x8305, "BP_Main_On=1 m:BP_Main_On=1"},   // anything but '0' is on
      {"BP10000;", 0x8305, "BP_Sub_On=0", feeding("BP10001;")},
      {"BP11400;", 0x8305, "BP_Sub_Level=400 m:BP_Sub_Level=400"}, {"BP01401;", 0, "BP_Main_Level=0"},
      {"CO0002;", 0x8307, "CO_Main_On=1 CO_Main_OnKind=2 m:CO_Main_On=1"},
      {"CO0009;", 0x8307, "CO_Main_On=1 CO_Main_OnKind=2", feeding("CO0002;")},
      {"CO1001;", 0x8307, "CO_Sub_On=1 CO_Sub_OnKind=1 CO_Main_On=0"},
      {"CO0135;", 0x8307, "CO_Main_Level1=35 m:CO_Main_Level1=35"}, {"CO0141;", 0, "CO_Main_Level1=1"},
      {"CO1250;", 0x8307, "CO_Sub_Level2=50 m:CO_Sub_Level2=50"},
      {"ML0xx0;", 0x831E, "ML_On=0 m:ML_On=0", feeding("ML0xx5;")}, {"ML1200;", 0x831E, "ML_Level=200 m:ML_Level=200"},
      {"ML12x0;", 0, "ML_Level=0"}, {"PR0x;", 0x831D, "PR_Stat=0", feeding("PR01;")},
      {"PR11;", 0x831D, "RI_1=1 PR_Stat=0"},
      // LK and FS: P1 4..7 carry two flags as bits; anything else keeps them.
      {"LK4;", 0x830C, "LK_Flag1=0 LK_Flag2=0 m:LK_Flag1=0 m:LK_Flag2=0", feeding("LK7;")},
      {"LK5;", 0x830C, "LK_Flag1=1 LK_Flag2=0 m:LK_Flag1=1 m:LK_Flag2=0"},
      {"FS6;", 0x830D, "FS_Flag1=0 FS_Flag2=1 m:FS_Flag1=0 m:FS_Flag2=1"},
      {"LK2;", 0x830C, "LK_Flag1=1 LK_Flag2=1", feeding("LK7;")},
  });
}

TEST(ReplyDecoders, MetersAndGroupedDigits) {
  checkAll({
      {"RM5255;", 0x8321, "RM_Meter5=255"}, {"RM8001;", 0x8321, "RM_Meter8=1"}, {"RM9000;", 0, ""},
      {"RM12X0;", 0x8321, "RM_Meter1=20"}, {"RMx100;", 0x8321, "RM_Meter1=100"},   // a non-digit P1 counts as 0
      {"RM1999;", 0x8321, "RM_Meter1=0"},     // refused, still accepted
      {"KCx0315;", 0x8355, "KC_Main_Sel=3 KC_Main_Flag3=1 KC_Main_Pos6=5"},
      {"KCx1012;", 0x8355, "KC_Sub_Sel=0 KC_Sub_Flag0=1 KC_Sub_Pos6=2"},
      // Selection 8 is refused, but its value lands in flag 0 and pos 6 is kept.
      {"KCx1812;", 0, "KC_Sub_Sel=0 KC_Sub_Flag0=1 KC_Sub_Pos6=2"}, {"KCx2315;", 0x8355, "KC_Main_Sel=0"},
      {"KCx03a5;", 0, "KC_Main_Sel=0 KC_Main_Flag3=0"}, {"BG521;", 0x834D, "BG_Value1=5 BG_Value2=21"},
      {"BG5x1;", 0, "BG_Value1=3"}, {"PE011-20;", 0x834F, "PE_0_1_Level=-20"},
      {"PE011x07;", 0x834F, "PE_0_1_Level=7"}, {"PE011-21;", 0, "PE_0_1_Level=5"}, {"PE100005;", 0, ""},
      {"PE200008;", 0, "PE_2_0_Freq=0"}, {"PE222010;", 0x834F, "PE_2_2_Width=10", feeding("PE222001;")},
      {"PE030005;", 0, ""}, {"PE0030x5;", 0, "PE_0_0_Freq=0"},
  });
}

TEST(ReplyDecoders, RiNeedsAutoInformationAndAlsoAnnouncesSf) {
  AnalyserRig rig;
  rig.feed("RI31;");
  EXPECT_TRUE(rig.events().empty());
  EXPECT_EQ(rig.state.get_RI_3(), 0);
  rig.state.set_AI_Stat(1);
  for (const char* reply : {"RI31;", "RI5F;", "RI50;"}) rig.feed(reply);
  EXPECT_EQ(rig.state.get_RI_3(), 1);
  EXPECT_EQ(rig.state.get_RI_5(), 0);
  const Msg ri{0x8348, 0, 0};
  EXPECT_EQ(rig.events(), (std::vector<Msg>{ri, kEvSF, ri, kEvSF, ri, kEvSF}));
}

TEST(ReplyDecoders, KeyerMemoryTexts) {
  AnalyserRig rig;
  const std::string text = "cq cq de marvo K -- fifty characters of text here!";
  ASSERT_EQ(text.size(), 50u);
  rig.feed("KM3" + text + ";");
  rig.feed("KM5SHORT;");
  EXPECT_EQ(rig.events(), (std::vector<Msg>{{0x833D, 0, 0}, {0x833D, 0, 0}}));
  EXPECT_EQ(rig.state.text(TextField::KM_Text3), text);
  EXPECT_EQ(rig.state.text(TextField::KM_Text5), "SHORT");
  EXPECT_EQ(rig.state.text(TextField::KM_Text2), "");
  rig.window.clear();
  rig.feed("KM6" + text + ";");
  rig.feed("KM0" + text + ";");
  EXPECT_TRUE(rig.events().empty());
  EXPECT_EQ(rig.state.get_KM_LastNo(), 5);
}

// IF and OI: ten fields in one reply, each stored on its own.
TEST(ReplyDecoders, InformationReplies) {
  //               mem freq     sign clar rx tx mode vfo tone no shift
  const std::string body = "14250000-00A510C12492";
  checkAll({
      {"IF001" + body + ";", 0x832D,
       "IF_MemCh=1 IF_Freq=14250000 IF_RxClar=1 IF_TxClar=0 IF_Mode=12 IF_VfoMem=1 IF_ToneMode=2 IF_ToneNo=49 "
       "IF_Shift=2 m:VfoA_Freq=14250000 m:RT_Stat=1 m:XT_Stat=0"},
      // Memory channel 0 is refused: the reply is rejected, the rest stored.
      {"IF000" + body + ";", 0, "IF_MemCh=1 IF_Freq=14250000 IF_Mode=12"},
      {"OI999" + body + ";", 0x833F,
       "OI_Freq=14250000 OI_RxClar=1 OI_Mode=12 OI_VfoMem=1 OI_ToneNo=49 OI_Shift=2 IF_MemCh=1 IF_Freq=0 "
       "m:VfoB_Freq=14250000 m:VfoA_Freq=0 m:RT_Stat=0"},
      // OI allows VFO/memory 0..3 only.
      {"OI000" "14250000+0000" "10" "1" "4" "0" "00" "0;", 0, "OI_VfoMem=0 OI_Mode=1"},
  });
  AnalyserRig rig;
  rig.feed("IF001" + body + ";");
  EXPECT_DOUBLE_EQ(rig.state.get_IF_ClarOffset(), -5.0);   // the letter is skipped
  rig.feed("IF00114250000 9999" "10C12492;");
  EXPECT_DOUBLE_EQ(rig.state.get_IF_ClarOffset(), 9999.0);
  rig.feed("OI00014250000-0123" "10C12492;");
  EXPECT_DOUBLE_EQ(rig.state.get_OI_ClarOffset(), -123.0);
  EXPECT_DOUBLE_EQ(rig.state.get_IF_ClarOffset(), 9999.0);
}

TEST(ReplyDecoders, ModeReplyPicksItsSide) {
  auto target = [](int t, int fr = 0) {
    return [=](AnalyserRig& r) {
      r.state.set_MdReplyTarget(t);
      r.state.set_FR_Stat(fr);
    };
  };
  checkAll({
      {"MD0C;", 0x8345, "MD_Sub=12 MD_Main=0", target(4)}, {"MD0C;", 0x8345, "MD_Sub=12", target(5, 0)},
      {"MD03;", 0x8345, "MD_Main=3 MD_Sub=1", target(1, 4)}, {"MD0C;", 0x8345, "MD_Main=0 MD_Sub=1", target(-1, 2)},
      {"MD0C;", 0x8345, "MD_Sub=12", target(-1, 5)}, {"MD0C;", 0x8345, "MD_Main=12", target(3, 1)},
      {"MD9E;", 0x8345, "MD_Main=0", target(0)},   // 14 refused, still accepted
      {"MD0G;", 0, "MD_Main=0", target(0)},
  });
  AnalyserRig rig;
  rig.state.set_MdReplyTarget(4);
  rig.feed("MDx2;");
  EXPECT_EQ(rig.state.get_MdReplyTarget(), 4);   // a rejected reply answers no query
  rig.feed("MD02;");
  EXPECT_EQ(rig.state.get_MdReplyTarget(), -1);
}

TEST(ReplyDecoders, VfoReplyFieldsFollowP1AndP4) {
  checkAll({
      {"VF111231;", 0x832E, "VF_Sub_P4=1 VF_Sub_P2b=1 VF_Sub_Val1=123 VF_Sub_P2=0 VF_Sub_Val0=0"},
      {"VF011231;", 0x832E, "VF_Main_P4=1 VF_Main_P2=1 VF_Main_Val1=123 VF_Main_Val0=0"},
      {"VF101000;", 0x832E, "VF_Sub_P4=0 VF_Sub_P2=0 VF_Sub_Val0=100"},
      // A non-digit P4 acts as 0 for the stores and rejects the reply.
      {"VF01123x;", 0, "VF_Main_P2=1 VF_Main_Val0=123 VF_Main_Val1=0"},
      {"VF011232;", 0, "VF_Main_P2=0 VF_Main_Val0=0 VF_Main_Val1=0"}, {"VF211231;", 0, ""},
      {"VF0x1231;", 0, "VF_Main_P4=1 VF_Main_Val1=123"},
  });
}

const WindowCall kKill17{WindowCall::KillTimer, 17, 0, 0};
const WindowCall kSet17{WindowCall::SetTimer, 17, 3000, 0};
const Msgs kSweepStop{{0x834C, 0, 0}}, kComSwitch{{0x8501, 0, 0}}, kComSwitchOn{{0x8501, 0x100, 0}}, kIdQuery{{0x8352, 0, 0}};

// Every reply taken, whatever it is, kills the silence timer first and sets
// it again last; only accepted replies post an event in between.
TEST(AnalyserDispatch, EveryReplyRearmsThePowerSyncTimer) {
  const struct {
    const char* reply;
    Msgs events;
  } kCases[] = {
      {"FA07000000;", {kEvFA}}, {"MD02;", {{0x8345, 0, 67}}}, {"?;", {}}, {"ZZ123;", {}},
      {"MR00000000000000000000000;", {}}, {"RT7;", {}}, {"", {}}, {"EX999000;", {}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.reply);
    AnalyserRig rig;
    rig.feed(c.reply);
    std::vector<WindowCall> want = {kKill17};
    for (const Msg& m : c.events) want.push_back({WindowCall::Post, m.id, m.w, m.l});
    want.push_back(kSet17);
    EXPECT_EQ(rig.window.calls(), want);
    EXPECT_EQ(rig.state.get_PowerSyncTimerArmed(), 1);
    EXPECT_TRUE(rig.composer.msgs().empty());
  }
}

TEST(AnalyserLinkState, IdReplyStartsTheReadOutOrDropsTheLink) {
  for (const char* reply : {"ID0460;", "ID0463;", "ID0999;", "ID0464;", "IDx460;"}) {
    SCOPED_TRACE(reply);
    AnalyserRig rig;
    rig.feed(reply);
    const bool ours = reply[5] <= '3' && reply[2] != 'x';
    EXPECT_EQ(rig.composer.msgs(), ours ? (Msgs{{0x834B, 0, 0}}) : kComSwitch);
    EXPECT_EQ(rig.events(), ours ? Msgs{} : (Msgs{{0x8109, 1, 3}})) << "only ID0362 passes the ID store";
    EXPECT_EQ(rig.state.get_ID_Variant(), ours ? reply[5] - '0' : 0);
  }
  // The store and the model check are independent of each other.
  AnalyserRig rig;
  rig.feed("ID0362;");
  EXPECT_EQ(rig.state.get_ID_Value(), 362);
  EXPECT_EQ(rig.events(), (Msgs{{0x8109, 1, 3}, {0x8344, 0, 0}}));
  rig.composer.take();
  rig.feed("RS2;");   // RS 2 starts the menu read-out
  EXPECT_EQ(rig.composer.msgs(), (Msgs{{0x834F, 0, 0}}));
}

TEST(AnalyserLinkState, AutoInformationOnAsksForTheIdOnceOrOnResync) {
  AnalyserRig rig;
  rig.feed("AI1;");
  EXPECT_EQ(rig.composer.take(), kIdQuery);
  EXPECT_EQ(rig.window.calls(),
            (std::vector<WindowCall>{kKill17, {WindowCall::Send, 0x810A, 0, 0}, {WindowCall::Post, 0x833A, 0, 0}, kSet17}));
  EXPECT_EQ(rig.mirror.get_AI_Stat(), 1);
  rig.window.clear();
  rig.feed("AI1;");   // already on: nothing to ask
  EXPECT_TRUE(rig.composer.msgs().empty());
  EXPECT_EQ(rig.events(), Msgs{kEvAI});
  rig.state.set_AiResyncNeeded(1);   // unless a power cycle asked for it
  rig.window.clear();
  rig.feed("AI1;");
  EXPECT_EQ(rig.composer.take(), kIdQuery);
  EXPECT_EQ(rig.state.get_AiResyncNeeded(), 0);
  for (const WindowCall& c : rig.window.calls()) EXPECT_NE(c.kind, WindowCall::Send) << "not a fresh switch-on";
  rig.window.clear();
  rig.feed("AI2;");   // garbled: kept, nothing posted
  EXPECT_EQ(rig.state.get_AI_Stat(), 1);
  EXPECT_TRUE(rig.events().empty());
  EXPECT_TRUE(rig.composer.msgs().empty());

  // Asked for and still refused: the switch is pressed again, to bring it on.
  AnalyserRig refused;
  refused.state.set_AiOnRequested(1);
  refused.mirror.set_AI_Stat(1);
  refused.feed("AI0;");
  EXPECT_EQ(refused.composer.msgs(), kComSwitchOn);
  EXPECT_TRUE(refused.events().empty());
  EXPECT_EQ(refused.mirror.get_AI_Stat(), 0);
}

TEST(AnalyserLinkState, PowerCycleRemembersAutoInformation) {
  AnalyserRig rig;
  rig.prime("AI1;");
  rig.prime("PS1;");
  rig.prime("RM0050;");
  rig.feed("PS0;");
  EXPECT_EQ(rig.state.get_AiAtPowerOff(), 1);
  EXPECT_EQ(rig.events(), (Msgs{kEvRM, kEvSM, kEvPS}));
  EXPECT_EQ(rig.composer.take(), kSweepStop);
  EXPECT_EQ(rig.state.get_RM_Meter1(), 0);
  EXPECT_EQ(rig.mirror.get_PS_Stat(), 0);
  rig.window.clear();
  rig.feed("PS0;");   // no change: only the event
  EXPECT_EQ(rig.events(), Msgs{kEvPS});
  EXPECT_TRUE(rig.composer.msgs().empty());
  rig.window.clear();
  rig.feed("PS1;");
  EXPECT_EQ(rig.state.get_AiResyncNeeded(), 1);
  EXPECT_EQ(rig.mirror.get_AI_Stat(), 0);
  EXPECT_EQ(rig.composer.take(), kComSwitchOn);
  EXPECT_EQ(rig.events(), Msgs{kEvPS});
  EXPECT_EQ(rig.mirror.get_PS_Stat(), 1);

  // Power on without auto-information before: nothing more; a bad digit is
  // no reply.
  AnalyserRig plain;
  plain.feed("PS1;");
  plain.feed("PSx;");
  EXPECT_TRUE(plain.composer.msgs().empty());
  EXPECT_EQ(plain.state.get_AiResyncNeeded(), 0);
  EXPECT_EQ(plain.state.get_PS_Stat(), 1);
  EXPECT_EQ(plain.events(), Msgs{kEvPS});
}

// "AI0", or three seconds of silence (timer 17 comes back as 0x810C, acting
// as if the radio said "AI0"): the sweeps stop and the meters drop to zero.
TEST(AnalyserLinkState, AutoInformationOffOrSilenceStopsTheSweepsAndZeroesTheMeters) {
  for (const bool silence : {false, true}) {
    SCOPED_TRACE(silence ? "silence" : "AI0");
    AnalyserRig rig;
    rig.prime("AI1;");
    rig.prime("RM0123;");
    rig.prime("SM1200;");
    if (silence) {
      rig.state.set_AiOnRequested(1);
      rig.analyser.powerSyncTimeout();
    } else {
      rig.feed("AI0;");
    }
    EXPECT_EQ(rig.composer.msgs(), silence ? (Msgs{kSweepStop[0], kSweepStop[0]}) : kSweepStop);
    EXPECT_EQ(rig.state.get_AiOnRequested(), 0);
    EXPECT_EQ(rig.events(), (Msgs{kEvRM, kEvSM, kEvAI}));
    EXPECT_EQ(rig.state.get_RM_Meter1(), 0);
    EXPECT_EQ(rig.state.get_SM_Meter1(), 0);
    EXPECT_EQ(rig.mirror.get_AI_Stat(), 0);
    // The timer belongs to the main window and keeps running.
    for (const WindowCall& c : rig.window.calls()) EXPECT_TRUE(!silence || c.kind == WindowCall::Post);
  }
}

// Each reply's value as stored and what it announces: 0x830B for a change
// (item 11 meter type and 32 ANT3 carry their number), contour and width
// items also redraw their controls.
TEST(MenuReplies, ValuesByTypeAndWhatTheyAnnounce) {
  AnalyserRig rig;
  ASSERT_TRUE(loadBuiltInCatalogue(rig.state));
  const Msgs ex{{0x830B, 0, 0}};
  const struct {
    std::string reply;
    int item;   // 0: no item; 5 is the text item, holding the reply's text
    double value;
    Msgs events;
  } kCases[] = {
      {"EX0060;", 6, 0, {}},   // the value held already
      {"EX0063;", 6, 3, ex}, {"EX0111;", 11, 1, {{0x830B, 11, 0}}}, {"EX0322;", 32, 2, {{0x830B, 32, 0}}},
      {"EX108-10;", 108, -10, {ex[0], {0x8307, 0, 6}}}, {"EX1072;", 107, 2, {ex[0], {0x8305, 0, 4}}},
      {"EX023250;", 23, 540, ex},   // beacon time: above 240 in 30 s steps
      {"EX023240;", 23, 240, ex}, {"EX12805;", 128, 3, ex},   // span frequency: the reply counts from 2
      {"EX02225;", 22, 25, ex},     // CW weight, in tenths
      {"EX0 64;", 6, 4, ex},        // stray characters in the number are skipped
      {"EX005JA1XYZ      ;", 5, 0, ex}, {"EX005JA1XYZ      ;", 5, 0, {}}, {"EX005JA1XYZ/P    ;", 5, 0, ex},
      {"EX0001;", 0, 0, {}}, {"EX1971;", 0, 0, {}}, {"EX;", 0, 0, {}},
  };
  for (const auto& c : kCases) {
    rig.window.clear();
    rig.feed(c.reply);
    MenuListItem it;
    ASSERT_TRUE(c.item == 0 || rig.state.get_MenuItem(c.item, &it));
    EXPECT_TRUE(c.item == 0 || (c.item == 5 ? it.text == c.reply.substr(5, 12) : it.value == c.value)) << c.reply;
    EXPECT_EQ(rig.events(), c.events) << c.reply;
  }
  EXPECT_DOUBLE_EQ(menuTextValue("+1.25x", 6), 1.25);
  EXPECT_DOUBLE_EQ(menuTextValue("1234", 2), 12) << "reads no further than its width";
}

TEST(AnlRecvThread, TakesOneRecordPerMessageInOrder) {
  AnalyserRig rig;
  Sio_RingBuff ring;
  Anl_Recv_Thread thread(rig.analyser, ring);
  ASSERT_TRUE(thread.start());
  for (const char* r : {"FA14250000", "FB07100000"})
    ASSERT_GT(ring.Sio_RingBuff_Write(static_cast<std::int16_t>(std::strlen(r)), r), 0);
  for (int i = 0; i < 3; ++i) thread.post(kMsgReplyReady);   // the third finds nothing: not a reply
  thread.post(kMsgPowerSyncTimeout);
  ASSERT_TRUE(thread.stopBounded());
  EXPECT_EQ(rig.state.get_VfoB_Freq(), 7100000);
  EXPECT_EQ(rig.events(), (Msgs{kEvFA, kEvFB, kEvRM, kEvSM, kEvAI}));
  int rearmed = 0;
  for (const WindowCall& c : rig.window.calls()) rearmed += c == kSet17;
  EXPECT_EQ(rearmed, 2);
}

}  // namespace
}  // namespace hrx
