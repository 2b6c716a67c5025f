// Each reply layout: what a reply stores, refuses and announces. Events are
// the spec's literal ids; the rows that carry their index carry it as lParam.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/AnalyserRig.h"

namespace hrx {
namespace {

using test::AnalyserRig;

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
  const std::int32_t want = std::stoi(what.substr(eq + 1));
  if (mirror) {
    const int i = indexOf(kMirrorRows, name);
    ASSERT_GE(i, 0) << what;
    EXPECT_EQ(rig.mirror.get(static_cast<MirrorField>(i)), want) << what;
  } else if (const int i = indexOf(kIntFieldRows, name); i >= 0) {
    EXPECT_EQ(rig.state.get(static_cast<IntField>(i)), want) << what;
  } else {
    const int w = indexOf(kWordFieldRows, name);
    ASSERT_GE(w, 0) << what;
    EXPECT_EQ(rig.state.get(static_cast<WordField>(w)), want) << what;
  }
}

void checkAll(const std::vector<Case>& cases) {
  static const std::map<std::string, LParam> kRowIndex = {{"BP", 4},  {"CO", 6},  {"KS", 34}, {"MG", 37},
                                                          {"PL", 38}, {"IF", 44}, {"IS", 46}, {"SH", 47},
                                                          {"OI", 62}, {"PC", 65}, {"MD", 67}};
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
  EXPECT_EQ(rig.events(), (std::vector<Msg>{ri, test::kEvSF, ri, test::kEvSF, ri, test::kEvSF}));
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

}  // namespace
}  // namespace hrx
