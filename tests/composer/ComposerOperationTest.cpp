// The exact bytes operations queue for representative values and stored
// state, one case or a few per kind of handler, one wake-up of the send
// thread per command.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "composer/ComposerRig.h"
#include "menulist/MenuCatalogue.h"

namespace hrx {
namespace {

using test::ComposerRig;

struct OpCase {
  int op;   // an operation number, or a control message of the composer
  WParam w;
  std::int32_t value;
  const char* want;   // the commands queued, one after the other
  std::function<void(ComposerRig&)> setup = nullptr;
};

constexpr WParam S = kSubSide;
#define SET(...) [](ComposerRig& r) { __VA_ARGS__; }

const OpCase kCases[] = {
    // Fixed commands; 42 with nothing edited sends nothing, 107 only wakes
    // the send thread, 67 has no handler.
    {20, 0, 0, "VS0;"}, {53, 0, 0, "BS11;"}, {109, 0, 0, "LM01;"}, {120, 0, 0, "PB00;"}, {138, 0, 0, "KYA;"},
    {58, 0, 0, "BP00001;"}, {42, 0, 0, ""}, {107, 0, 0, ""}, {67, 0, 0, ""},
    // Toggles and flips of a stored value.
    {3, 0, 0, "DS1;"}, {3, 0, 0, "DS0;", SET(r.mirror.set_DS_Stat(1))}, {3, 0, 0, "", SET(r.mirror.set_DS_Stat(2))},
    {18, 0, 0, "BI0;", SET(r.state.set_BI_Stat(1))}, {148, 0, 0, "CA0001;"},
    // Values through the digit writer, the side digit, ranges and lists.
    {7, S, 2, "AN12;"}, {7, 0, 4, ""}, {8, 0, -1, ""}, {14, 0, 2, "PA00;"}, {16, 0, 1, "GT04;"}, {16, 0, 5, ""},
    {17, S, 2, ""}, {57, S, 1, "VF1100;"}, {149, 0, 255, "NL1255;"},
    {99, 0, 1000, "AG0000;"},   // too many digits: the field stays '0'
    {101, 0, 400, "BP01400;"}, {142, S, 12, "CN112;"}, {172, 0, 10, "KC5001;"}, {179, 0, 9, "KC5191;"},
    // Chosen by the value.
    {31, 0, 2, "QS;"}, {31, 0, 1, ""}, {126, 0, 5, "RO2;"}, {146, S, 0, "OI;"}, {193, 0, 12, "MD0D;"},
    {193, 0, 13, "MD01;"}, {195, 0, 2, "SF7;"},
    // Chosen by the stored state.
    {25, 0, 0, "MK4;", SET(r.mirror.set_MK_Flag(1))}, {33, 0, 0, "FR3;", SET(r.mirror.set_FR_Stat(2))},
    {33, 0, 0, "", SET(r.mirror.set_FR_Stat(4))}, {54, 0, 0, "RT1;"},
    {54, 0, 0, "FS2;", SET(r.state.set_SF_Value(4), r.state.set_FS_Flag2(1))},
    {208, 0, 0, "CT00;", SET(r.state.set_MD_Main(10), r.state.set_CT_Main(2))},
    // Operation 206 by the receiving side's mode: FR_Stat 4 and 5 receive on the sub side.
    {206, 0, 0, "PR01;", SET(r.state.set_FR_Stat(3), r.state.set_MD_Main(1), r.state.set_MD_Sub(10))},
    {206, 0, 0, "OS01;", SET(r.state.set_FR_Stat(4), r.state.set_MD_Main(1), r.state.set_MD_Sub(10))},
    {206, 0, 0, "OS01;", SET(r.state.set_FR_Stat(5), r.state.set_MD_Main(1), r.state.set_MD_Sub(10))},
    // The contour switch walks through its kinds; off in a mode without one.
    {188, 0, 0, "CO0002;", SET(r.state.set_MD_Main(3), r.state.set_CO_Main_OnKind(1))},
    {188, 0, 0, "CO0000;", SET(r.state.set_MD_Main(1), r.state.set_CO_Main_On(1))},
    // Dials and frequencies.
    {78, 0, -99, "EU099;"}, {78, 0, 100, ""}, {78, 0, 0, ""}, {81, 0, -3, "ED303;"}, {83, S, 7000000, "FB07000000;"},
    {82, 0, 60000000, "FA60000000;"}, {82, 0, 60000001, ""}, {82, 0, 3000, "FA00003000;"}, {82, 0, 2999, ""},
    // Steps and shifts.
    {85, 0, -3, "VF01-3;"}, {85, S, 12, "VF11+0;"}, {165, 0, 3, "VF11+3;", SET(r.state.set_KC_Sub_Flag5(1))},
    {102, 0, -250, "IS0-0250;"}, {153, 0, -20, "IS0+0080;", SET(r.state.set_IS_Main(100))},
    {201, 0, 35, "IS0+0020;", SET(r.state.set_IS_Main(100))},   // turning down
    {201, 0, 5, "", SET(r.state.set_MD_Main(4))}, {95, 0, 1500, "VD1500;SD1500;"}, {204, 0, 100, "RG0100;"},
    {204, 0, 100, "SQ0100;", [](ComposerRig& r) {
       ASSERT_TRUE(loadBuiltInCatalogue(r.state));
       r.state.edit_MenuItem(36, [](MenuListItem& m) { m.value = 1; return true; });
     }},
    // Knobs that step towards the value.
    {197, 0, 49, "", SET(r.state.set_MD_Main(6))},
    {198, 0, 40, "ED501;", SET(r.state.set_MD_Main(4), r.state.set_PC_Value(50))}, {199, 0, 90, ""},
    {200, 0, 20, "EU701;",
     SET(r.state.set_CO_Main_On(1), r.state.set_CO_Main_OnKind(2), r.state.set_CO_Main_Level2(10))},
    // The VFO receive keys.
    {189, 0, 0, "FR0;", SET(r.state.set_FR_Stat(4))}, {189, 0, 0, "", SET(r.state.set_FR_Stat(2))},
    // Polls and soft keys.
    {kMsgRmPoll, 0, 0, "RM3;"}, {kMsgRmPoll, 0, 0, "RM8;", SET(r.mirror.set_MS_Stat(5))}, {kMsgSmPoll, 0, 0, "SM1;"},
    {kMsgOiRead, 0, 0, "OI;"}, {kMsgSendCs, 7, 0, "CS1;"}, {kMsgSendSq, 42, 0, "SQ0042;"}, {kMsgSendTx, 1, 0, "TX1;"},
    // Link and power (their side effects have tests of their own).
    {1, 0, 0, "AI1;AI;"}, {1, 0, 0, "AI0;AI;", SET(r.mirror.set_AI_Stat(1))},
    {1, 0, 0, "", SET(r.mirror.set_AI_Stat(2))}, {2, 0, 0, "PS1;PS1;"}, {2, 0, 0, "PS0;", SET(r.mirror.set_PS_Stat(1))},
    {106, 0, 0, ""}, {106, 0, 0, "PS;AI;", SET(r.state.set_AI_Stat(1), r.state.set_PS_Stat(1))},
};

TEST(ComposerOperations, OperationsQueueTheirExactCommands) {
  for (const OpCase& c : kCases) {
    const OperationInfo* info = operationInfo(c.op);
    ASSERT_TRUE(info || c.op > 0x8000) << c.op;
    SCOPED_TRACE((info ? info->name : "message") + (" " + std::to_string(c.op) + ", V " + std::to_string(c.value)));
    ComposerRig rig;
    if (c.setup) c.setup(rig);
    EXPECT_EQ(rig.handle(info ? info->msg : static_cast<MsgId>(c.op), c.w, c.value), c.op != 67);
    std::vector<std::string> want;
    for (std::string s = c.want; !s.empty(); s.erase(0, s.find(';') + 1)) want.push_back(s.substr(0, s.find(';') + 1));
    EXPECT_EQ(rig.sent(), want);
    EXPECT_EQ(rig.kicks(), c.op == 107 ? 1u : want.size());
  }
}

// Operation n is thread message 0x8500 + n; no two rows share a message.
TEST(ComposerOperations, RequestsPostTheirMessageAndFlagsCountOnlyWhenExactlyOne) {
  test::RecordingPostTarget composer;
  EXPECT_TRUE(Anl_Send_Request(composer, 1, 0, 0, 0, 0));
  EXPECT_TRUE(Anl_Send_Request(composer, 148, 1, 1, 1, -5));
  EXPECT_TRUE(Anl_Send_Request(composer, 212, 2, 3, 255, 2));
  EXPECT_FALSE(Anl_Send_Request(composer, 213, 0, 0, 0, 0));
  const std::vector<Msg> want = {{0x8501, 0, 0}, {0x8594, 0x10100001, -5}, {0x85D4, 0, 2}};
  EXPECT_EQ(composer.msgs(), want);
}

}  // namespace
}  // namespace hrx
