// The exact bytes each operation queues for representative values and
// stored state, one wake-up of the send thread per command.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "composer/ComposerRig.h"
#include "menulist/MenuCatalogue.h"

namespace hrx {
namespace {

using test::ComposerRig;
using Setup = std::function<void(ComposerRig&)>;

struct OpCase {
  int op;
  WParam w;
  std::int32_t value;
  const char* want;   // the commands queued, one after the other
  Setup setup = nullptr;
};

constexpr WParam S = kSubSide;
#define SET(...) [](ComposerRig& r) { __VA_ARGS__; }

// Operations that always send the same command.
const std::pair<int, const char*> kFixed[] = {
    {20, "VS0;"},  {21, "VS1;"},  {22, "MK0;"},  {23, "MK1;"},  {24, "MK2;"},  {26, "MK5;"},  {27, "MK6;"},
    {28, "QI;"},   {29, "QR;"},   {34, "FT0;"},  {37, "AB;"},   {38, "SV;"},   {39, "VM;"},   {40, "MA;"},
    {41, "AM;"},   {43, "BS10;"}, {44, "BS00;"}, {45, "BS01;"}, {46, "BS03;"}, {47, "BS04;"}, {48, "BS05;"},
    {49, "BS06;"}, {50, "BS07;"}, {51, "BS08;"}, {52, "BS09;"}, {53, "BS11;"}, {56, "RC;"},   {63, "FT1;"},
    {65, "SF2;"},  {66, "SF3;"},  {68, "SF5;"},  {69, "SF4;"},  {70, "FK1;"},  {71, "FK2;"},  {72, "FK3;"},
    {73, "FK4;"},  {74, "FK5;"},  {75, "FK6;"},  {76, "FK7;"},  {109, "LM01;"}, {110, "LM02;"}, {111, "LM03;"},
    {112, "LM04;"}, {113, "LM05;"}, {114, "LM00;"}, {115, "PB01;"}, {116, "PB02;"}, {117, "PB03;"}, {118, "PB04;"},
    {119, "PB05;"}, {120, "PB00;"}, {121, "LM11;"}, {122, "LM10;"}, {123, "PB11;"}, {124, "PB10;"}, {129, "KY1;"},
    {130, "KY2;"}, {131, "KY3;"}, {132, "KY4;"}, {133, "KY5;"}, {134, "KY6;"}, {135, "KY7;"}, {136, "KY8;"},
    {137, "KY9;"}, {138, "KYA;"}, {151, "DN00;"}, {152, "UP00;"}, {12, "KR1;"},  {19, "CS1;"},  {30, "NA01;"},
    {35, "FS1;"},  {58, "BP00001;"}, {59, "BC01;"}, {61, "NR01;"}, {207, "PR11;"}, {210, "NR01;"},
    // Sending nothing: 42 with nothing edited, 147 starts the keyer
    // read-out timer only, 107 is a wake-up without a command.
    {42, ""}, {147, ""}, {64, ""}, {67, ""}, {163, ""}, {164, ""}, {167, ""}, {212, ""}, {107, ""},
};

const OpCase kCases[] = {
    // Toggles and flips of a stored value.
    {3, 0, 0, "DS1;"}, {3, 0, 0, "DS0;", SET(r.mirror.set_DS_Stat(1))}, {3, 0, 0, "", SET(r.mirror.set_DS_Stat(2))},
    {4, 0, 0, "MX0;", SET(r.mirror.set_MX_Stat(1))}, {5, 0, 0, "VX1;"}, {10, 0, 0, "ML0001;"},
    {10, 0, 0, "ML0000;", SET(r.mirror.set_ML_On(7))}, {18, 0, 0, "BI0;", SET(r.state.set_BI_Stat(1))},
    {18, 0, 0, "BI1;"}, {36, 0, 0, "LK0;", SET(r.mirror.set_LK_Flag1(1))}, {148, 0, 0, "CA0001;"},
    {148, 0, 0, "CA0000;", SET(r.mirror.set_CA_Stat(1))}, {205, 0, 0, "VX1;"},
    {205, 0, 0, "VX0;", SET(r.state.set_VX_Stat(1))}, {211, 0, 0, "BC00;", SET(r.state.set_BC_Main(1))},
    // Values through the digit writer, the side digit, ranges and lists.
    {6, 0, 2, "AC002;"}, {7, S, 2, "AN12;"}, {7, 0, 4, ""}, {8, 0, 3, "AN04;"}, {8, 0, -1, ""}, {9, S, 0, "AN15;"},
    {11, 0, 1, "PR10;"}, {13, 0, 3, "RA03;"}, {13, 0, 4, ""}, {14, 0, 0, "PA01;"}, {14, 0, 2, "PA00;"},
    {14, 0, 3, ""}, {15, 0, 5, "RF05;"}, {15, 0, 6, ""}, {16, 0, 1, "GT04;"}, {16, 0, 4, "GT03;"}, {16, 0, 5, ""},
    {17, 0, 2, "NB02;"}, {17, S, 2, ""}, {32, 0, 1, "TS1;"}, {57, S, 1, "VF1100;"}, {60, 0, 5, "CO0005;"},
    {77, 0, 3, "DP3;"}, {86, 0, 2, "MS2;"}, {87, 0, 200, "ML1200;"}, {88, 0, 50, "PL050;"}, {89, 0, 20, "KS020;"},
    {90, 0, 7, "KP07;"}, {91, 0, 10, "NL0010;"}, {92, 0, 255, "SQ0255;"}, {93, 0, 100, "MG100;"},
    {94, 0, 5, "VG005;"}, {96, 0, 1, "SQ1001;"}, {97, 0, 99, "AG1099;"}, {98, 0, 0, "RG1000;"},
    {99, 0, 1000, "AG0000;"},   // too many digits: the field stays '0'
    {100, 0, 30, "RG0030;"}, {101, 0, 400, "BP01400;"}, {103, 0, 16, "SH016;"}, {104, 0, 20, "CO0120;"},
    {105, 0, 8, "RL008;"}, {108, 0, 100, "PC100;"}, {139, S, 0, "CT10;"}, {140, 0, 0, "CT02;"}, {141, S, 0, "CT11;"},
    {142, S, 12, "CN112;"}, {143, 0, 0, "OS00;"}, {144, S, 0, "OS11;"}, {145, 0, 0, "OS02;"}, {149, 0, 255, "NL1255;"},
    {150, 0, 2, "SQ1002;"}, {154, 0, 31, "SH031;"}, {155, 0, 1, "CO0101;"}, {156, 0, 50, "CO0250;"},
    {159, 0, 1, "BP01001;"}, {160, 0, 15, "RL015;"}, {162, 0, 5, "SH105;"}, {168, 0, 3, "RL103;"},
    {171, 0, 3, "KC5031;"}, {172, 0, 10, "KC5001;"}, {173, 0, 0, "KC5001;"}, {174, 0, 4, "KC5041;"},
    {175, 0, 5, "KC5051;"}, {176, 0, 6, "KC5061;"}, {177, 0, 7, "KC5071;"}, {178, 0, 8, "KC5081;"},
    {179, 0, 9, "KC5191;"}, {180, 0, 1, "KC5111;"}, {181, 0, 2, "KC5121;"}, {182, 0, 3, "KC5131;"},
    {183, 0, 4, "KC5141;"}, {184, 0, 5, "KC5151;"}, {185, 0, 6, "KC5161;"}, {186, 0, 7, "KC5171;"},
    {187, 0, 3, "AN03;"}, {187, 0, 4, ""}, {202, 0, 10, "SH010;"}, {203, 0, 128, "AG0128;"},
    // Chosen by the value.
    {31, 0, 0, "FT0;"}, {31, 0, 2, "QS;"}, {31, 0, 1, ""}, {125, 0, 0, "RO0;"}, {125, 0, 1, "RO1;"},
    {126, 0, 5, "RO2;"}, {126, 0, 0, "RO0;"}, {127, 0, 1, "RO3;"}, {127, 0, 0, ""}, {128, 0, 1, "RO4;"},
    {146, 0, 0, "IF;"}, {146, S, 0, "OI;"}, {169, 0, 1, "SF3;"}, {169, 0, 0, ""}, {170, 0, 1, "SF2;"},
    {170, 0, 0, "SF5;"}, {193, 0, 0, "MD01;"}, {193, 0, 8, "MD09;"}, {193, 0, 12, "MD0D;"}, {193, 0, 13, "MD01;"},
    {195, 0, 1, "SF1;"}, {195, 0, 2, "SF7;"}, {195, 0, 0, "SF5;"}, {196, 0, 1, "SF3;"}, {196, 0, 2, "SF2;"},
    {196, 0, 5, "SF5;"},
    // Chosen by the stored state.
    {25, 0, 0, "MK3;"}, {25, 0, 0, "MK4;", SET(r.mirror.set_MK_Flag(1))}, {33, 0, 0, "FR1;"},
    {33, 0, 0, "FR3;", SET(r.mirror.set_FR_Stat(2))}, {33, 0, 0, "", SET(r.mirror.set_FR_Stat(4))},
    {62, 0, 0, "FR2;"}, {62, 0, 0, "FR1;", SET(r.mirror.set_FR_Stat(3))}, {54, 0, 0, "RT1;"},
    {54, 0, 0, "FS3;", SET(r.state.set_SF_Value(4))},
    {54, 0, 0, "FS2;", SET(r.state.set_SF_Value(4), r.state.set_FS_Flag2(1))},
    {55, 0, 0, "XT0;", SET(r.state.set_XT_Stat(1))}, {55, 0, 0, "LK3;", SET(r.state.set_SF_Value(4))},
    {190, 0, 0, "FT3;"}, {192, 0, 0, "FT2;", SET(r.state.set_FT_Stat(1))},
    {194, 0, 0, "SF5;", SET(r.state.set_SF_Value(4))}, {194, 0, 0, "SF4;"},
    {209, 0, 0, "MS2;", SET(r.state.set_MS_Stat(5))}, {209, 0, 0, "MS4;", SET(r.state.set_MS_Stat(0))},
    {206, 0, 0, "PR01;", SET(r.state.set_MD_Main(1))},
    {206, 0, 0, "OS02;", SET(r.state.set_MD_Main(4), r.state.set_OS_Main(1))},
    {208, 0, 0, "KR1;", SET(r.state.set_MD_Main(1))},
    {208, 0, 0, "CT00;", SET(r.state.set_MD_Main(10), r.state.set_CT_Main(2))},
    // The contour switch walks through its kinds; off in a mode without one.
    {188, 0, 0, "CO0001;", SET(r.state.set_MD_Main(3))},
    {188, 0, 0, "CO0002;", SET(r.state.set_MD_Main(3), r.state.set_CO_Main_OnKind(1))},
    {188, 0, 0, "CO0000;", SET(r.state.set_MD_Main(7), r.state.set_CO_Main_OnKind(2))},
    {188, 0, 0, "CO0000;", SET(r.state.set_MD_Main(1), r.state.set_CO_Main_On(1))},
    // Dials and frequencies.
    {78, 0, 1, "ED001;"}, {78, 0, -99, "EU099;"}, {78, 0, 100, ""}, {78, 0, 0, ""}, {79, 0, 5, "ED105;"},
    {84, 0, -2, "EU102;"}, {80, 0, 5, "EU205;"}, {81, 0, -3, "ED303;"}, {82, 0, 14250000, "FA14250000;"},
    {82, 0, 60000000, "FA60000000;"}, {82, 0, 60000001, ""}, {82, 0, 3000, "FA00003000;"}, {82, 0, 2999, ""},
    {83, S, 7000000, "FB07000000;"},
    // Steps and shifts.
    {85, 0, -3, "VF01-3;"}, {85, S, 12, "VF11+0;"}, {157, 0, 2, "VF01+2;", SET(r.state.set_KC_Main_Flag5(1))},
    {158, 0, -1, "VF00-1;"}, {165, 0, 3, "VF11+3;", SET(r.state.set_KC_Sub_Flag5(1))}, {166, 0, 3, "VF10+3;"},
    {102, 0, -250, "IS0-0250;"}, {153, 0, -20, "IS0+0080;", SET(r.state.set_IS_Main(100))},
    {153, 0, 45, "IS0+0160;", SET(r.state.set_IS_Main(100))}, {161, 0, -30, "IS1-0080;", SET(r.state.set_IS_Sub(-40))},
    {201, 0, 5, "IS0+0020;"}, {201, 0, -5, "IS0-0020;"}, {201, 0, 0, "IS0+0000;"}, {201, 0, 1000, "IS0+1000;"},
    {201, 0, 35, "IS0+0020;", SET(r.state.set_IS_Main(100))},   // turning down
    {201, 0, 5, "", SET(r.state.set_MD_Main(4))}, {95, 0, 1500, "VD1500;SD1500;"}, {204, 0, 100, "RG0100;"},
    {204, 0, 100, "SQ0100;", [](ComposerRig& r) {
       ASSERT_TRUE(loadBuiltInCatalogue(r.state));
       r.state.edit_MenuItem(36, [](MenuListItem& m) { m.value = 1; return true; });
     }},
    // Knobs that step towards the value.
    {197, 0, 21, "EU401;", SET(r.state.set_MD_Main(3), r.state.set_KS_Value(20))},
    {197, 0, 49, "ED401;", SET(r.state.set_MD_Main(2), r.state.set_MG_Value(50))},
    {197, 0, 49, "", SET(r.state.set_MD_Main(6))},
    {198, 0, 11, "EU501;", SET(r.state.set_MD_Main(1), r.state.set_PL_Value(10))},
    {198, 0, 40, "ED501;", SET(r.state.set_MD_Main(4), r.state.set_PC_Value(50))}, {199, 0, 90, ""},
    {199, 0, 90, "ED601;", SET(r.state.set_BP_Main_On(1), r.state.set_BP_Main_Level(100))},
    {200, 0, 20, "EU701;",
     SET(r.state.set_CO_Main_On(1), r.state.set_CO_Main_OnKind(2), r.state.set_CO_Main_Level2(10))},
    {200, 0, 20, "", SET(r.state.set_CO_Main_On(1))},
    // The VFO receive keys.
    {189, 0, 0, "FR1;"}, {189, 0, 0, "FR0;", SET(r.state.set_FR_Stat(4))}, {189, 0, 0, "", SET(r.state.set_FR_Stat(2))},
    {191, 0, 0, "FR5;", SET(r.state.set_FR_Stat(4))}, {191, 0, 0, "FR4;", SET(r.state.set_FR_Stat(1))},
    // Link and power (their side effects have tests of their own).
    {1, 0, 0, "AI1;AI;"}, {1, 0, 0, "AI0;AI;", SET(r.mirror.set_AI_Stat(1))},
    {1, 0, 0, "", SET(r.mirror.set_AI_Stat(2))},
    {2, 0, 0, "PS1;PS1;"}, {2, 0, 0, "PS0;", SET(r.mirror.set_PS_Stat(1))}, {106, 0, 0, ""},
    {106, 0, 0, "PS;", SET(r.state.set_AI_Stat(1))},
    {106, 0, 0, "PS;AI;", SET(r.state.set_AI_Stat(1), r.state.set_PS_Stat(1))},
};

std::vector<std::string> split(const std::string& s) {
  std::vector<std::string> out;
  for (std::size_t start = 0, end; (end = s.find(';', start)) != std::string::npos; start = end + 1)
    out.push_back(s.substr(start, end + 1 - start));
  return out;
}

void check(const OpCase& c, std::set<int>& covered) {
  const OperationInfo* info = operationInfo(c.op);
  ASSERT_NE(info, nullptr) << c.op;
  SCOPED_TRACE(std::string(info->name) + " (op " + std::to_string(c.op) + ", V " + std::to_string(c.value) + ")");
  covered.insert(c.op);
  ComposerRig rig;
  if (c.setup) c.setup(rig);
  EXPECT_EQ(rig.handle(info->msg, c.w, c.value), c.op != 67) << "operation 67 has no handler";
  const auto want = split(c.want);
  EXPECT_EQ(rig.sent(), want);
  EXPECT_EQ(rig.kicks(), c.op == 107 ? 1u : want.size());
}

TEST(ComposerOperations, EveryOperationQueuesItsExactCommands) {
  std::set<int> covered;
  for (const auto& [op, want] : kFixed) check({op, 0, 0, want}, covered);
  for (const OpCase& c : kCases) check(c, covered);
  for (int op = 1; op <= kOperationCount; ++op) EXPECT_TRUE(covered.count(op)) << "no case for operation " << op;
}

TEST(ComposerOperations, TableRowsAreNumberedAndTheirMessagesUnique) {
  std::set<MsgId> ids;
  for (int op = 1; op <= kOperationCount; ++op) {
    const OperationInfo* info = operationInfo(op);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->op, op);
    EXPECT_TRUE(ids.insert(info->msg).second) << "op " << op << " shares 0x" << std::hex << info->msg;
  }
  for (int i = 0; i < controlMessageCount(); ++i) {
    EXPECT_TRUE(ids.insert(controlMessage(i)->msg).second) << controlMessage(i)->name;
  }
  EXPECT_EQ(operationInfo(0), nullptr);
  EXPECT_EQ(operationInfo(213), nullptr);
  EXPECT_EQ(operationInfo(1)->msg, 0x8501u);
  EXPECT_EQ(operationInfo(148)->msg, 0x8594u);
  EXPECT_EQ(operationInfo(212)->msg, 0x85D4u);
}

TEST(ComposerOperations, RequestFlagsCountOnlyWhenExactlyOne) {
  test::RecordingPostTarget composer;
  EXPECT_TRUE(Anl_Send_Request(composer, 3, 0, 0, 0, 0));
  EXPECT_TRUE(Anl_Send_Request(composer, 7, 1, 1, 1, -5));
  EXPECT_TRUE(Anl_Send_Request(composer, 7, 2, 3, 255, 2));
  EXPECT_FALSE(Anl_Send_Request(composer, 0, 0, 0, 0, 0));
  EXPECT_FALSE(Anl_Send_Request(composer, 213, 0, 0, 0, 0));
  const std::vector<Msg> want = {{0x8503, 0, 0}, {0x8507, 0x10100001, -5}, {0x8507, 0, 2}};
  EXPECT_EQ(composer.msgs(), want);
}

}  // namespace
}  // namespace hrx
