#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/AnalyserRig.h"

namespace hrx {
namespace {

using test::AnalyserRig;
using test::event;

// What a case expects afterwards, by name: "RT_Stat=1" a state field or
// word, "m:RT_Stat=1" the mirror's entry.
struct Case {
  std::string reply;
  bool accepted;
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

void check(const Case& c) {
  SCOPED_TRACE("reply \"" + c.reply + "\"");
  AnalyserRig rig;
  if (c.before) c.before(rig);
  rig.window.clear();
  rig.feed(c.reply);
  const int row = ReplyCodeTable::find(c.reply.c_str());
  ASSERT_GE(row, 0);
  std::vector<Msg> want;
  if (c.accepted) want.push_back(event(static_cast<ReplyRow>(row)));
  if (c.accepted && row == static_cast<int>(ReplyRow::RI)) want.push_back(event(ReplyRow::SF));
  EXPECT_EQ(rig.events(), want);
  std::istringstream in(c.expect);
  for (std::string what; in >> what;) expectHeld(rig, what);
}

void checkAll(const std::vector<Case>& cases) {
  for (const Case& c : cases) check(c);
}

auto feeding(std::string reply) {
  return [reply](AnalyserRig& rig) { rig.feed(reply); };
}

TEST(ReplyDecoders, SingleDigitStatus) {
  checkAll({
      {"RT1;", true, "RT_Stat=1 m:RT_Stat=1"}, {"RT2;", false, "RT_Stat=0 m:RT_Stat=0"},
      {"RT;", false, "RT_Stat=0"},   // the zero behind the code is no digit
      {"RTx;", false, "RT_Stat=0"}, {"SF5;", true, "SF_Value=5"}, {"SF9;", false, "SF_Value=8"},
      {"TX2;", true, "TxStat=2"}, {"MS5;", true, "MS_Stat=5 m:MS_Stat=5"}, {"FR3;", true, "FR_Stat=3 m:FR_Stat=3"},
      {"FR6;", false, "FR_Stat=0"}, {"FT1;", true, "FT_Stat=1"}, {"VS1;", true, "VS_Stat=1 m:VS_Stat=1"},
      {"DP6;", true, "DP_Stat=6"},
      // A refused store still refreshes the mirror from the kept value.
      {"KR5;", false, "KR_Stat=1 m:KR_Stat=1", [](AnalyserRig& r) { r.feed("KR1;"); r.mirror.set_KR_Stat(0); }},
  });
}

TEST(ReplyDecoders, NumbersAtFixedPlaces) {
  checkAll({
      {"FA14250000;", true, "VfoA_Freq=14250000 m:VfoA_Freq=14250000"}, {"FA07000000;", true, "VfoA_Freq=7000000"},
      {"FA00029999;", false, "VfoA_Freq=14250000 m:VfoA_Freq=14250000", feeding("FA14250000;")},
      {"FA60000001;", false, "VfoA_Freq=7000000"}, {"FA00030000;", true, "VfoA_Freq=30000"},
      {"FA1425000;", false, "VfoA_Freq=7000000"},   // cut short
      {"FA1425O000;", false, "VfoA_Freq=7000000"},  // letter O
      {"FB60000000;", true, "VfoB_Freq=60000000 m:VfoB_Freq=60000000"}, {"KP75;", true, "KP_Value=75 m:KP_Value=75"},
      {"KP76;", false, "KP_Value=0 m:KP_Value=0"}, {"KS004;", true, "KS_Value=4"}, {"KS003;", false, "KS_Value=4"},
      {"SD0020;", true, "SD_Value=20 m:SD_Value=20"}, {"SD5001;", false, "SD_Value=0"},
      {"VD2000;", true, "VD_Value=2000"}, {"PC004;", false, "PC_Value=0"},
      {"PC100;", true, "PC_Value=100 m:PC_Value=100"}, {"PL101;", false, "PL_Value=0"},
      {"MC117;", true, "MC_Channel=117"}, {"MC118;", false, "MC_Channel=0"}, {"MC1a7;", false, "MC_Channel=0"},
      {"ACxx2;", true, "AC_Stat=2"},     // only position 4 is read
      {"AC003;", false, "AC_Stat=1"}, {"RO0450100;", true, "RO_Value1=450 RO_Value2=100"},
      // One bad field rejects the reply; the good one is still stored.
      {"RO0451050;", false, "RO_Value1=0 RO_Value2=50"}, {"RO04x0050;", false, "RO_Value1=0 RO_Value2=50"},
      {"BY10;", true, "MainRx_Busy=1 SubRx_Busy=0"}, {"BY12;", false, "MainRx_Busy=1 SubRx_Busy=0"},
  });
}

TEST(ReplyDecoders, MainSubSelectors) {
  checkAll({
      {"SM1123;", true, "SM_Meter1=123 SM_Meter0=0"}, {"SM0255;", true, "SM_Meter0=255"},
      {"SM2123;", false, "SM_Meter0=0 SM_Meter1=0"}, {"SM1256;", false, "SM_Meter1=0"},
      {"BC01;", true, "BC_Main=1 m:BC_Main=1 m:BC_Sub=0"}, {"BC11;", true, "BC_Sub=1 m:BC_Sub=1 BC_Main=0"},
      {"BC21;", true, "BC_Main=0 BC_Sub=0"},   // P1 other: accepted
      {"BCx1;", false, "BC_Main=0"}, {"NR21;", false, ""},
      {"NR11;", true, "NR_Sub=1 m:NR_Main=0"},   // sub has no mirror
      {"NB12;", true, "NB_Sub=2"}, {"NB13;", false, "NB_Sub=0"}, {"AG1255;", true, "AG_Sub=255 m:AG_Sub=255"},
      {"AG0256;", false, "AG_Main=0"}, {"SQ0100;", true, "SQ_Main=100 m:SQ_Main=100"}, {"SQ3100;", false, ""},
      {"SH031;", true, "SH_Main=31 m:SH_Main=31"}, {"SH032;", false, "SH_Main=16"},
      {"SH2xx;", true, "SH_Main=16 SH_Sub=16"}, {"RL115;", true, "RL_Sub=15 m:RL_Sub=15"},
      {"RL000;", false, "RL_Main=1"}, {"IS0-0250;", true, "IS_Main=-250 m:IS_Main=-250"},
      {"IS1+1000;", true, "IS_Sub=1000 m:IS_Sub=1000"}, {"IS0+1001;", false, "IS_Main=0"},
      {"IS0-1000;", true, "IS_Main=-1000"},
      // A sign that is neither '+' nor '-' stores nothing but the mirror is
      // still refreshed from the kept field.
      {"IS000250;", false, "IS_Main=100 m:IS_Main=100",
       [](AnalyserRig& r) { r.feed("IS0+0100;"); r.mirror.set_IS_Main(-7); }},
      {"IS2+0100;", true, "IS_Main=0 IS_Sub=0"}, {"CN149;", true, "CN_1=49"}, {"CN150;", false, "CN_1=0"},
      {"CN249;", false, "CN_0=0 CN_1=0"}, {"CT12;", true, "CT_Sub=2"}, {"OS02;", true, "OS_Main=2"},
  });
}

TEST(ReplyDecoders, RepliesOfTheMainSideOnly) {
  checkAll({
      {"GT03;", true, "GT_Main=3"},
      {"GT15;", true, "GT_Main=6"},   // P1 1: accepted, nothing stored
      {"GT07;", false, "GT_Main=6"}, {"GTx3;", false, "GT_Main=6"}, {"RF0A;", true, "RF_Main=10"},
      {"RF0a;", true, "RF_Main=10"}, {"RF0B;", false, "RF_Main=0"}, {"RF0G;", false, "RF_Main=0"},
      {"AN01;", true, "AN_Main=0"}, {"AN04;", true, "AN_Main=3"},
      {"AN00;", false, "AN_Main=0"},   // d - 1 = -1 is refused
      {"AN05;", false, "AN_Main=0"}, {"RA03;", true, "RA_Main=3"}, {"PA94;", true, "PA_Main=0"},
      {"CA0001;", true, "CA_Stat=1"}, {"CA1001;", true, "CA_Stat=0"}, {"CA0002;", false, "CA_Stat=0"},
  });
}

TEST(ReplyDecoders, SwitchOrLevelReplies) {
  checkAll({
      {"BP00001;", true, "BP_Main_On=1 m:BP_Main_On=1"},
      {"BP0000x;", true, "BP_Main_On=1"},   // anything but '0' is on
      {"BP10000;", true, "BP_Sub_On=0", feeding("BP10001;")},
      {"BP01123;", true, "BP_Main_Level=123 m:BP_Main_Level=123"},
      {"BP11400;", true, "BP_Sub_Level=400 m:BP_Sub_Level=400"}, {"BP01401;", false, "BP_Main_Level=0"},
      {"BP0140x;", false, "BP_Main_Level=0"}, {"BP20001;", true, "BP_Main_On=0 BP_Sub_On=0"},
      {"CO0002;", true, "CO_Main_On=1 CO_Main_OnKind=2 m:CO_Main_On=1"},
      {"CO0000;", true, "CO_Main_On=0 CO_Main_OnKind=0", feeding("CO0002;")},
      {"CO0009;", true, "CO_Main_On=1 CO_Main_OnKind=2", feeding("CO0002;")},
      {"CO1001;", true, "CO_Sub_On=1 CO_Sub_OnKind=1 CO_Main_On=0"},
      {"CO0135;", true, "CO_Main_Level1=35 m:CO_Main_Level1=35"}, {"CO0141;", false, "CO_Main_Level1=1"},
      {"CO1250;", true, "CO_Sub_Level2=50 m:CO_Sub_Level2=50"}, {"CO03xx;", true, ""},
      {"CO2002;", true, "CO_Main_On=0 CO_Sub_On=0"}, {"ML0xx0;", true, "ML_On=0 m:ML_On=0", feeding("ML0xx5;")},
      {"ML0xx5;", true, "ML_On=1 m:ML_On=1"}, {"ML1200;", true, "ML_Level=200 m:ML_Level=200"},
      {"ML12x0;", false, "ML_Level=0"}, {"PR01;", true, "PR_Stat=1"}, {"PR0x;", true, "PR_Stat=0", feeding("PR01;")},
      {"PR11;", true, "RI_1=1 PR_Stat=0"}, {"PR21;", true, "PR_Stat=0 RI_1=0"},
  });
}

// P1 4..7 carry two flags as bits; anything else keeps them.
TEST(ReplyDecoders, FlagPairsFromOneDigit) {
  checkAll({
      {"LK4;", true, "LK_Flag1=0 LK_Flag2=0 m:LK_Flag1=0 m:LK_Flag2=0", feeding("LK7;")},
      {"LK5;", true, "LK_Flag1=1 LK_Flag2=0 m:LK_Flag1=1 m:LK_Flag2=0"},
      {"LK6;", true, "LK_Flag1=0 LK_Flag2=1 m:LK_Flag1=0 m:LK_Flag2=1"},
      {"LK7;", true, "LK_Flag1=1 LK_Flag2=1 m:LK_Flag1=1 m:LK_Flag2=1"},
      {"FS5;", true, "FS_Flag1=1 FS_Flag2=0 m:FS_Flag1=1 m:FS_Flag2=0"},
      {"FS6;", true, "FS_Flag1=0 FS_Flag2=1 m:FS_Flag1=0 m:FS_Flag2=1"},
      {"LK2;", true, "LK_Flag1=1 LK_Flag2=1", feeding("LK7;")}, {"FSx;", true, "FS_Flag1=0 FS_Flag2=0"},
  });
}

TEST(ReplyDecoders, MetersSkipStrayCharacters) {
  checkAll({
      {"RM5255;", true, "RM_Meter5=255"}, {"RM8001;", true, "RM_Meter8=1"}, {"RM9000;", false, ""},
      {"RM12X0;", true, "RM_Meter1=20"}, {"RM0100;", true, "RM_Meter1=100"},
      {"RMx100;", true, "RM_Meter1=100"},   // a non-digit P1 counts as 0
      {"RM1999;", true, "RM_Meter1=0"},     // refused, still accepted
  });
}

TEST(ReplyDecoders, GroupedDigitReplies) {
  auto aiOn = [](AnalyserRig& r) { r.state.set_AI_Stat(1); };
  checkAll({
      {"KCx0315;", true, "KC_Main_Sel=3 KC_Main_Flag3=1 KC_Main_Pos6=5"},
      {"KCx1012;", true, "KC_Sub_Sel=0 KC_Sub_Flag0=1 KC_Sub_Pos6=2"},
      // Selection 8 is refused, but its value lands in flag 0 and pos 6 is kept.
      {"KCx1812;", false, "KC_Sub_Sel=0 KC_Sub_Flag0=1 KC_Sub_Pos6=2"}, {"KCx2315;", true, "KC_Main_Sel=0"},
      {"KCx03a5;", false, "KC_Main_Sel=0 KC_Main_Flag3=0"}, {"BG521;", true, "BG_Value1=5 BG_Value2=21"},
      {"BG922;", true, "BG_Value1=3 BG_Value2=0"}, {"BG5x1;", false, "BG_Value1=3"},
      {"PE011+05;", true, "PE_0_1_Level=5"}, {"PE011-20;", true, "PE_0_1_Level=-20"},
      {"PE011x07;", true, "PE_0_1_Level=7"}, {"PE011-21;", false, "PE_0_1_Level=5"}, {"PE100005;", false, ""},
      {"PE200007;", true, "PE_2_0_Freq=7"}, {"PE200008;", false, "PE_2_0_Freq=0"},
      {"PE222010;", true, "PE_2_2_Width=10", [](AnalyserRig& r) { r.feed("PE222001;"); }},
      {"PE030005;", false, ""}, {"PE0030x5;", false, "PE_0_0_Freq=0"}, {"RI31;", true, "RI_3=1", aiOn},
      {"RI3F;", true, "RI_3=0", aiOn}, {"RI50;", true, "RI_5=0", aiOn},
  });
}

TEST(ReplyDecoders, RiNeedsAutoInformationAndAlsoAnnouncesSf) {
  AnalyserRig rig;
  rig.feed("RI31;");
  EXPECT_TRUE(rig.events().empty());
  EXPECT_EQ(rig.state.get_RI_3(), 0);
  rig.state.set_AI_Stat(1);
  rig.feed("RI31;");
  const std::vector<Msg> want = {{0x8348, 0, 0}, {0x8304, 0, 0}};
  EXPECT_EQ(rig.events(), want);
}

TEST(ReplyDecoders, KeyerMemoryTexts) {
  AnalyserRig rig;
  const std::string text = "cq cq de marvo K -- fifty characters of text here!";
  ASSERT_EQ(text.size(), 50u);
  rig.feed("KM3" + text + ";");
  EXPECT_EQ(rig.events(), std::vector<Msg>{event(ReplyRow::KM)});
  EXPECT_EQ(rig.state.get_KM_LastNo(), 3);
  EXPECT_EQ(rig.state.text(TextField::KM_Text3), text);
  EXPECT_EQ(rig.state.text(TextField::KM_Text2), "");

  rig.window.clear();
  rig.feed("KM5SHORT;");
  EXPECT_EQ(rig.state.text(TextField::KM_Text5), "SHORT");

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
      {"IF001" + body + ";", true,
       "IF_MemCh=1 IF_Freq=14250000 IF_RxClar=1 IF_TxClar=0 IF_Mode=12 IF_VfoMem=1 IF_ToneMode=2 IF_ToneNo=49 "
       "IF_Shift=2 m:VfoA_Freq=14250000 m:RT_Stat=1 m:XT_Stat=0"},
      // Memory channel 0 is refused: the reply is rejected, the rest stored.
      {"IF000" + body + ";", false, "IF_MemCh=1 IF_Freq=14250000 IF_Mode=12"},
      {"IF00114250000+0012103" "0000;", false, "IF_Mode=3 IF_RxClar=1"},
      {"OI999" + body + ";", true,
       "OI_Freq=14250000 OI_RxClar=1 OI_Mode=12 OI_VfoMem=1 OI_ToneNo=49 OI_Shift=2 IF_MemCh=1 IF_Freq=0 "
       "m:VfoB_Freq=14250000 m:VfoA_Freq=0 m:RT_Stat=0"},
      // OI allows VFO/memory 0..3 only.
      {"OI000" "14250000+0000" "10" "1" "4" "0" "00" "0;", false, "OI_VfoMem=0 OI_Mode=1"},
  });

  AnalyserRig rig;
  rig.feed("IF001" + body + ";");
  EXPECT_DOUBLE_EQ(rig.state.get_IF_ClarOffset(), -5.0);   // the letter is skipped
  rig.feed("IF00114250000+00A510C12492;");
  EXPECT_DOUBLE_EQ(rig.state.get_IF_ClarOffset(), 5.0);
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
      {"MD0C;", true, "MD_Sub=12 MD_Main=0", target(4)}, {"MD0C;", true, "MD_Sub=12", target(5, 0)},
      {"MD03;", true, "MD_Main=3 MD_Sub=1", target(1, 4)}, {"MD0C;", true, "MD_Main=0 MD_Sub=1", target(-1, 2)},
      {"MD0C;", true, "MD_Sub=12", target(-1, 5)}, {"MD0C;", true, "MD_Main=12", target(3, 1)},
      {"MD9E;", true, "MD_Main=0", target(0)},   // 14 refused, still accepted
      {"MDx2;", false, "MD_Main=0", target(0)}, {"MD0G;", false, "MD_Main=0", target(0)},
  });
  AnalyserRig rig;
  rig.state.set_MdReplyTarget(4);
  rig.feed("MDx2;");
  EXPECT_EQ(rig.state.get_MdReplyTarget(), 4);   // a rejected reply answers no query
  rig.feed("MD02;");
  EXPECT_EQ(rig.state.get_MdReplyTarget(), -1);
  EXPECT_EQ(rig.events(), (std::vector<Msg>{{0x8345, 0, 67}}));
}

TEST(ReplyDecoders, VfoReplyFieldsFollowP1AndP4) {
  checkAll({
      {"VF111231;", true, "VF_Sub_P4=1 VF_Sub_P2b=1 VF_Sub_Val1=123 VF_Sub_P2=0 VF_Sub_Val0=0"},
      {"VF011231;", true, "VF_Main_P4=1 VF_Main_P2=1 VF_Main_Val1=123 VF_Main_Val0=0"},
      {"VF101000;", true, "VF_Sub_P4=0 VF_Sub_P2=0 VF_Sub_Val0=100"},
      // A non-digit P4 acts as 0 for the stores and rejects the reply.
      {"VF01123x;", false, "VF_Main_P2=1 VF_Main_Val0=123 VF_Main_Val1=0"},
      {"VF011232;", false, "VF_Main_P2=0 VF_Main_Val0=0 VF_Main_Val1=0"}, {"VF211231;", false, ""},
      {"VF012561;", false, "VF_Main_P2=1 VF_Main_Val1=0"}, {"VF0x1231;", false, "VF_Main_P4=1 VF_Main_Val1=123"},
  });
}

}  // namespace
}  // namespace hrx
