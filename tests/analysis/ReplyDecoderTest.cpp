#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "analysis/AnalyserRig.h"

namespace hrx {
namespace {

using test::AnalyserRig;
using test::event;

// What a case expects to find afterwards: a state field, a word or a mirror
// entry holding a value.
struct Expect {
  enum Kind { Field, Word, Mirror } kind;
  int id;
  std::int32_t value;
};
Expect F(IntField f, std::int32_t v) { return {Expect::Field, static_cast<int>(f), v}; }
Expect W(WordField f, std::int32_t v) { return {Expect::Word, static_cast<int>(f), v}; }
Expect M(MirrorField f, std::int32_t v) { return {Expect::Mirror, static_cast<int>(f), v}; }

struct Case {
  std::string reply;
  bool accepted;
  std::vector<Expect> expect;
  std::function<void(AnalyserRig&)> before = nullptr;
};

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
  for (const Expect& e : c.expect) {
    switch (e.kind) {
      case Expect::Field:
        EXPECT_EQ(rig.state.get(static_cast<IntField>(e.id)), e.value) << kIntFieldRows[e.id].name;
        break;
      case Expect::Word:
        EXPECT_EQ(rig.state.get(static_cast<WordField>(e.id)), e.value) << kWordFieldRows[e.id].name;
        break;
      case Expect::Mirror:
        EXPECT_EQ(rig.mirror.get(static_cast<MirrorField>(e.id)), e.value) << "mirror " << kMirrorRows[e.id].name;
        break;
    }
  }
}

void checkAll(const std::vector<Case>& cases) {
  for (const Case& c : cases) check(c);
}

auto feeding(std::string reply) {
  return [reply](AnalyserRig& rig) { rig.feed(reply); };
}

TEST(ReplyDecoders, SingleDigitStatus) {
  checkAll({
      {"RT1;", true, {F(IntField::RT_Stat, 1), M(MirrorField::RT_Stat, 1)}},
      {"RT2;", false, {F(IntField::RT_Stat, 0), M(MirrorField::RT_Stat, 0)}},
      {"RT;", false, {F(IntField::RT_Stat, 0)}},   // the zero behind the code is no digit
      {"RTx;", false, {F(IntField::RT_Stat, 0)}},
      {"SF5;", true, {F(IntField::SF_Value, 5)}},
      {"SF9;", false, {F(IntField::SF_Value, 8)}},
      {"TX2;", true, {F(IntField::TxStat, 2)}},
      {"MS5;", true, {F(IntField::MS_Stat, 5), M(MirrorField::MS_Stat, 5)}},
      {"FR3;", true, {F(IntField::FR_Stat, 3), M(MirrorField::FR_Stat, 3)}},
      {"FR6;", false, {F(IntField::FR_Stat, 0)}},
      {"FT1;", true, {F(IntField::FT_Stat, 1)}},
      {"VS1;", true, {F(IntField::VS_Stat, 1), M(MirrorField::VS_Stat, 1)}},
      {"DP6;", true, {F(IntField::DP_Stat, 6)}},
      // A refused store still refreshes the mirror from the kept value.
      {"KR5;", false, {F(IntField::KR_Stat, 1), M(MirrorField::KR_Stat, 1)}, [](AnalyserRig& r) {
         r.feed("KR1;");
         r.mirror.set_KR_Stat(0);
       }},
  });
}

TEST(ReplyDecoders, NumbersAtFixedPlaces) {
  checkAll({
      {"FA14250000;", true, {F(IntField::VfoA_Freq, 14250000), M(MirrorField::VfoA_Freq, 14250000)}},
      {"FA07000000;", true, {F(IntField::VfoA_Freq, 7000000)}},
      {"FA00029999;", false, {F(IntField::VfoA_Freq, 14250000), M(MirrorField::VfoA_Freq, 14250000)},
       feeding("FA14250000;")},
      {"FA60000001;", false, {F(IntField::VfoA_Freq, 7000000)}},
      {"FA00030000;", true, {F(IntField::VfoA_Freq, 30000)}},
      {"FA1425000;", false, {F(IntField::VfoA_Freq, 7000000)}},   // cut short
      {"FA1425O000;", false, {F(IntField::VfoA_Freq, 7000000)}},  // letter O
      {"FB60000000;", true, {F(IntField::VfoB_Freq, 60000000), M(MirrorField::VfoB_Freq, 60000000)}},
      {"KP75;", true, {F(IntField::KP_Value, 75), M(MirrorField::KP_Value, 75)}},
      {"KP76;", false, {F(IntField::KP_Value, 0), M(MirrorField::KP_Value, 0)}},
      {"KS004;", true, {F(IntField::KS_Value, 4)}},
      {"KS003;", false, {F(IntField::KS_Value, 4)}},
      {"SD0020;", true, {F(IntField::SD_Value, 20), M(MirrorField::SD_Value, 20)}},
      {"SD5001;", false, {F(IntField::SD_Value, 0)}},
      {"VD2000;", true, {F(IntField::VD_Value, 2000)}},
      {"PC004;", false, {F(IntField::PC_Value, 0)}},
      {"PC100;", true, {F(IntField::PC_Value, 100), M(MirrorField::PC_Value, 100)}},
      {"PL101;", false, {F(IntField::PL_Value, 0)}},
      {"MC117;", true, {F(IntField::MC_Channel, 117)}},
      {"MC118;", false, {F(IntField::MC_Channel, 0)}},
      {"MC1a7;", false, {F(IntField::MC_Channel, 0)}},
      {"ACxx2;", true, {F(IntField::AC_Stat, 2)}},     // only position 4 is read
      {"AC003;", false, {F(IntField::AC_Stat, 1)}},
      {"RO0450100;", true, {F(IntField::RO_Value1, 450), F(IntField::RO_Value2, 100)}},
      // One bad field rejects the reply; the good one is still stored.
      {"RO0451050;", false, {F(IntField::RO_Value1, 0), F(IntField::RO_Value2, 50)}},
      {"RO04x0050;", false, {F(IntField::RO_Value1, 0), F(IntField::RO_Value2, 50)}},
      {"BY10;", true, {F(IntField::MainRx_Busy, 1), F(IntField::SubRx_Busy, 0)}},
      {"BY12;", false, {F(IntField::MainRx_Busy, 1), F(IntField::SubRx_Busy, 0)}},
  });
}

TEST(ReplyDecoders, MainSubSelectors) {
  checkAll({
      {"SM1123;", true, {F(IntField::SM_Meter1, 123), F(IntField::SM_Meter0, 0)}},
      {"SM0255;", true, {F(IntField::SM_Meter0, 255)}},
      {"SM2123;", false, {F(IntField::SM_Meter0, 0), F(IntField::SM_Meter1, 0)}},
      {"SM1256;", false, {F(IntField::SM_Meter1, 0)}},
      {"BC01;", true, {F(IntField::BC_Main, 1), M(MirrorField::BC_Main, 1), M(MirrorField::BC_Sub, 0)}},
      {"BC11;", true, {F(IntField::BC_Sub, 1), M(MirrorField::BC_Sub, 1), F(IntField::BC_Main, 0)}},
      {"BC21;", true, {F(IntField::BC_Main, 0), F(IntField::BC_Sub, 0)}},   // P1 other: accepted
      {"BCx1;", false, {F(IntField::BC_Main, 0)}},
      {"NR21;", false, {}},
      {"NR11;", true, {F(IntField::NR_Sub, 1), M(MirrorField::NR_Main, 0)}},   // sub has no mirror
      {"NB12;", true, {F(IntField::NB_Sub, 2)}},
      {"NB13;", false, {F(IntField::NB_Sub, 0)}},
      {"AG1255;", true, {F(IntField::AG_Sub, 255), M(MirrorField::AG_Sub, 255)}},
      {"AG0256;", false, {F(IntField::AG_Main, 0)}},
      {"SQ0100;", true, {F(IntField::SQ_Main, 100), M(MirrorField::SQ_Main, 100)}},
      {"SQ3100;", false, {}},
      {"SH031;", true, {F(IntField::SH_Main, 31), M(MirrorField::SH_Main, 31)}},
      {"SH032;", false, {F(IntField::SH_Main, 16)}},
      {"SH2xx;", true, {F(IntField::SH_Main, 16), F(IntField::SH_Sub, 16)}},
      {"RL115;", true, {F(IntField::RL_Sub, 15), M(MirrorField::RL_Sub, 15)}},
      {"RL000;", false, {F(IntField::RL_Main, 1)}},
      {"IS0-0250;", true, {F(IntField::IS_Main, -250), M(MirrorField::IS_Main, -250)}},
      {"IS1+1000;", true, {F(IntField::IS_Sub, 1000), M(MirrorField::IS_Sub, 1000)}},
      {"IS0+1001;", false, {F(IntField::IS_Main, 0)}},
      {"IS0-1000;", true, {F(IntField::IS_Main, -1000)}},
      // A sign that is neither '+' nor '-' stores nothing but the mirror is
      // still refreshed from the kept field.
      {"IS000250;", false, {F(IntField::IS_Main, 100), M(MirrorField::IS_Main, 100)}, [](AnalyserRig& r) {
         r.feed("IS0+0100;");
         r.mirror.set_IS_Main(-7);
       }},
      {"IS2+0100;", true, {F(IntField::IS_Main, 0), F(IntField::IS_Sub, 0)}},
      {"CN149;", true, {F(IntField::CN_1, 49)}},
      {"CN150;", false, {F(IntField::CN_1, 0)}},
      {"CN249;", false, {F(IntField::CN_0, 0), F(IntField::CN_1, 0)}},
      {"CT12;", true, {F(IntField::CT_Sub, 2)}},
      {"OS02;", true, {F(IntField::OS_Main, 2)}},
  });
}

TEST(ReplyDecoders, RepliesOfTheMainSideOnly) {
  checkAll({
      {"GT03;", true, {F(IntField::GT_Main, 3)}},
      {"GT15;", true, {F(IntField::GT_Main, 6)}},   // P1 1: accepted, nothing stored
      {"GT07;", false, {F(IntField::GT_Main, 6)}},
      {"GTx3;", false, {F(IntField::GT_Main, 6)}},
      {"RF0A;", true, {F(IntField::RF_Main, 10)}},
      {"RF0a;", true, {F(IntField::RF_Main, 10)}},
      {"RF0B;", false, {F(IntField::RF_Main, 0)}},
      {"RF0G;", false, {F(IntField::RF_Main, 0)}},
      {"AN01;", true, {F(IntField::AN_Main, 0)}},
      {"AN04;", true, {F(IntField::AN_Main, 3)}},
      {"AN00;", false, {F(IntField::AN_Main, 0)}},   // d - 1 = -1 is refused
      {"AN05;", false, {F(IntField::AN_Main, 0)}},
      {"RA03;", true, {F(IntField::RA_Main, 3)}},
      {"PA94;", true, {F(IntField::PA_Main, 0)}},
      {"CA0001;", true, {F(IntField::CA_Stat, 1)}},
      {"CA1001;", true, {F(IntField::CA_Stat, 0)}},
      {"CA0002;", false, {F(IntField::CA_Stat, 0)}},
  });
}

TEST(ReplyDecoders, SwitchOrLevelReplies) {
  checkAll({
      {"BP00001;", true, {F(IntField::BP_Main_On, 1), M(MirrorField::BP_Main_On, 1)}},
      {"BP0000x;", true, {F(IntField::BP_Main_On, 1)}},   // anything but '0' is on
      {"BP10000;", true, {F(IntField::BP_Sub_On, 0)}, feeding("BP10001;")},
      {"BP01123;", true, {F(IntField::BP_Main_Level, 123), M(MirrorField::BP_Main_Level, 123)}},
      {"BP11400;", true, {F(IntField::BP_Sub_Level, 400), M(MirrorField::BP_Sub_Level, 400)}},
      {"BP01401;", false, {F(IntField::BP_Main_Level, 0)}},
      {"BP0140x;", false, {F(IntField::BP_Main_Level, 0)}},
      {"BP20001;", true, {F(IntField::BP_Main_On, 0), F(IntField::BP_Sub_On, 0)}},
      {"CO0002;", true, {F(IntField::CO_Main_On, 1), W(WordField::CO_Main_OnKind, 2), M(MirrorField::CO_Main_On, 1)}},
      {"CO0000;", true, {F(IntField::CO_Main_On, 0), W(WordField::CO_Main_OnKind, 0)}, feeding("CO0002;")},
      {"CO0009;", true, {F(IntField::CO_Main_On, 1), W(WordField::CO_Main_OnKind, 2)}, feeding("CO0002;")},
      {"CO1001;", true, {F(IntField::CO_Sub_On, 1), W(WordField::CO_Sub_OnKind, 1), F(IntField::CO_Main_On, 0)}},
      {"CO0135;", true, {F(IntField::CO_Main_Level1, 35), M(MirrorField::CO_Main_Level1, 35)}},
      {"CO0141;", false, {F(IntField::CO_Main_Level1, 1)}},
      {"CO1250;", true, {F(IntField::CO_Sub_Level2, 50), M(MirrorField::CO_Sub_Level2, 50)}},
      {"CO03xx;", true, {}},
      {"CO2002;", true, {F(IntField::CO_Main_On, 0), F(IntField::CO_Sub_On, 0)}},
      {"ML0xx0;", true, {F(IntField::ML_On, 0), M(MirrorField::ML_On, 0)}, feeding("ML0xx5;")},
      {"ML0xx5;", true, {F(IntField::ML_On, 1), M(MirrorField::ML_On, 1)}},
      {"ML1200;", true, {F(IntField::ML_Level, 200), M(MirrorField::ML_Level, 200)}},
      {"ML12x0;", false, {F(IntField::ML_Level, 0)}},
      {"PR01;", true, {F(IntField::PR_Stat, 1)}},
      {"PR0x;", true, {F(IntField::PR_Stat, 0)}, feeding("PR01;")},
      {"PR11;", true, {F(IntField::RI_1, 1), F(IntField::PR_Stat, 0)}},
      {"PR21;", true, {F(IntField::PR_Stat, 0), F(IntField::RI_1, 0)}},
  });
}

TEST(ReplyDecoders, FlagPairsFromOneDigit) {
  const struct {
    char p1;
    int flag1, flag2;
  } kBits[] = {{'4', 0, 0}, {'5', 1, 0}, {'6', 0, 1}, {'7', 1, 1}};
  for (const auto& b : kBits) {
    checkAll({
        {std::string("LK") + b.p1 + ";", true,
         {F(IntField::LK_Flag1, b.flag1), F(IntField::LK_Flag2, b.flag2), M(MirrorField::LK_Flag1, b.flag1),
          M(MirrorField::LK_Flag2, b.flag2)}},
        {std::string("FS") + b.p1 + ";", true,
         {F(IntField::FS_Flag1, b.flag1), F(IntField::FS_Flag2, b.flag2), M(MirrorField::FS_Flag1, b.flag1),
          M(MirrorField::FS_Flag2, b.flag2)}},
    });
  }
  checkAll({
      {"LK2;", true, {F(IntField::LK_Flag1, 1), F(IntField::LK_Flag2, 1)}, feeding("LK7;")},
      {"FSx;", true, {F(IntField::FS_Flag1, 0), F(IntField::FS_Flag2, 0)}},
  });
}

TEST(ReplyDecoders, MetersSkipStrayCharacters) {
  checkAll({
      {"RM5255;", true, {F(IntField::RM_Meter5, 255)}},
      {"RM8001;", true, {F(IntField::RM_Meter8, 1)}},
      {"RM9000;", false, {}},
      {"RM12X0;", true, {F(IntField::RM_Meter1, 20)}},
      {"RM0100;", true, {F(IntField::RM_Meter1, 100)}},
      {"RMx100;", true, {F(IntField::RM_Meter1, 100)}},   // a non-digit P1 counts as 0
      {"RM1999;", true, {F(IntField::RM_Meter1, 0)}},     // refused, still accepted
  });
}

TEST(ReplyDecoders, GroupedDigitReplies) {
  auto aiOn = [](AnalyserRig& r) { r.state.set_AI_Stat(1); };
  checkAll({
      {"KCx0315;", true, {F(IntField::KC_Main_Sel, 3), F(IntField::KC_Main_Flag3, 1), F(IntField::KC_Main_Pos6, 5)}},
      {"KCx1012;", true, {F(IntField::KC_Sub_Sel, 0), F(IntField::KC_Sub_Flag0, 1), F(IntField::KC_Sub_Pos6, 2)}},
      // Selection 8 is refused, but its value lands in flag 0 and pos 6 is kept.
      {"KCx1812;", false, {F(IntField::KC_Sub_Sel, 0), F(IntField::KC_Sub_Flag0, 1), F(IntField::KC_Sub_Pos6, 2)}},
      {"KCx2315;", true, {F(IntField::KC_Main_Sel, 0)}},
      {"KCx03a5;", false, {F(IntField::KC_Main_Sel, 0), F(IntField::KC_Main_Flag3, 0)}},
      {"BG521;", true, {F(IntField::BG_Value1, 5), F(IntField::BG_Value2, 21)}},
      {"BG922;", true, {F(IntField::BG_Value1, 3), F(IntField::BG_Value2, 0)}},
      {"BG5x1;", false, {F(IntField::BG_Value1, 3)}},
      {"PE011+05;", true, {F(IntField::PE_0_1_Level, 5)}},
      {"PE011-20;", true, {F(IntField::PE_0_1_Level, -20)}},
      {"PE011x07;", true, {F(IntField::PE_0_1_Level, 7)}},
      {"PE011-21;", false, {F(IntField::PE_0_1_Level, 5)}},
      {"PE100005;", false, {}},
      {"PE200007;", true, {F(IntField::PE_2_0_Freq, 7)}},
      {"PE200008;", false, {F(IntField::PE_2_0_Freq, 0)}},
      {"PE222010;", true, {F(IntField::PE_2_2_Width, 10)}, [](AnalyserRig& r) { r.feed("PE222001;"); }},
      {"PE030005;", false, {}},
      {"PE0030x5;", false, {F(IntField::PE_0_0_Freq, 0)}},
      {"RI31;", true, {F(IntField::RI_3, 1)}, aiOn},
      {"RI3F;", true, {F(IntField::RI_3, 0)}, aiOn},
      {"RI50;", true, {F(IntField::RI_5, 0)}, aiOn},
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
       {F(IntField::IF_MemCh, 1), F(IntField::IF_Freq, 14250000), F(IntField::IF_RxClar, 1),
        F(IntField::IF_TxClar, 0), F(IntField::IF_Mode, 12), F(IntField::IF_VfoMem, 1), F(IntField::IF_ToneMode, 2),
        F(IntField::IF_ToneNo, 49), F(IntField::IF_Shift, 2), M(MirrorField::VfoA_Freq, 14250000),
        M(MirrorField::RT_Stat, 1), M(MirrorField::XT_Stat, 0)}},
      // Memory channel 0 is refused: the reply is rejected, the rest stored.
      {"IF000" + body + ";", false, {F(IntField::IF_MemCh, 1), F(IntField::IF_Freq, 14250000), F(IntField::IF_Mode, 12)}},
      {"IF00114250000+0012103" "0000;", false, {F(IntField::IF_Mode, 3), F(IntField::IF_RxClar, 1)}},
      {"OI999" + body + ";", true,
       {F(IntField::OI_Freq, 14250000), F(IntField::OI_RxClar, 1), F(IntField::OI_Mode, 12),
        F(IntField::OI_VfoMem, 1), F(IntField::OI_ToneNo, 49), F(IntField::OI_Shift, 2), F(IntField::IF_MemCh, 1),
        F(IntField::IF_Freq, 0), M(MirrorField::VfoB_Freq, 14250000), M(MirrorField::VfoA_Freq, 0),
        M(MirrorField::RT_Stat, 0)}},
      // OI allows VFO/memory 0..3 only.
      {"OI000" "14250000+0000" "10" "1" "4" "0" "00" "0;", false, {F(IntField::OI_VfoMem, 0), F(IntField::OI_Mode, 1)}},
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
      {"MD0C;", true, {F(IntField::MD_Sub, 12), F(IntField::MD_Main, 0)}, target(4)},
      {"MD0C;", true, {F(IntField::MD_Sub, 12)}, target(5, 0)},
      {"MD03;", true, {F(IntField::MD_Main, 3), F(IntField::MD_Sub, 1)}, target(1, 4)},
      {"MD0C;", true, {F(IntField::MD_Main, 0), F(IntField::MD_Sub, 1)}, target(-1, 2)},
      {"MD0C;", true, {F(IntField::MD_Sub, 12)}, target(-1, 5)},
      {"MD0C;", true, {F(IntField::MD_Main, 12)}, target(3, 1)},
      {"MD9E;", true, {F(IntField::MD_Main, 0)}, target(0)},   // 14 refused, still accepted
      {"MDx2;", false, {F(IntField::MD_Main, 0)}, target(0)},
      {"MD0G;", false, {F(IntField::MD_Main, 0)}, target(0)},
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
      {"VF111231;", true,
       {F(IntField::VF_Sub_P4, 1), F(IntField::VF_Sub_P2b, 1), F(IntField::VF_Sub_Val1, 123),
        F(IntField::VF_Sub_P2, 0), F(IntField::VF_Sub_Val0, 0)}},
      {"VF011231;", true,
       {F(IntField::VF_Main_P4, 1), F(IntField::VF_Main_P2, 1), F(IntField::VF_Main_Val1, 123),
        F(IntField::VF_Main_Val0, 0)}},
      {"VF101000;", true, {F(IntField::VF_Sub_P4, 0), F(IntField::VF_Sub_P2, 0), F(IntField::VF_Sub_Val0, 100)}},
      // A non-digit P4 acts as 0 for the stores and rejects the reply.
      {"VF01123x;", false, {F(IntField::VF_Main_P2, 1), F(IntField::VF_Main_Val0, 123), F(IntField::VF_Main_Val1, 0)}},
      {"VF011232;", false, {F(IntField::VF_Main_P2, 0), F(IntField::VF_Main_Val0, 0), F(IntField::VF_Main_Val1, 0)}},
      {"VF211231;", false, {}},
      {"VF012561;", false, {F(IntField::VF_Main_P2, 1), F(IntField::VF_Main_Val1, 0)}},
      {"VF0x1231;", false, {F(IntField::VF_Main_P4, 1), F(IntField::VF_Main_Val1, 123)}},
  });
}

}  // namespace
}  // namespace hrx
