#include "SimTable.h"

#include "state/ReplyCodeTable.h"

namespace hrx::sim {
namespace {

constexpr std::uint8_t RWA = kRead | kWrite | kReport;
constexpr std::uint8_t RA = kRead | kReport;   // the radio's own values: meters, busy, status
constexpr std::uint8_t RW = kRead | kWrite;    // overviews of values reported under their own codes

using C = Cell;

constexpr ReplyForm kForms[] = {
    R("ID", "", kRead, N(C::Model, 4)),
    R("RT", "", RWA, N(C::Rt, 1)),
    R("XT", "", RWA, N(C::Xt, 1)),
    R("SF", "", RWA, N(C::Sf, 1)),
    R("BP", "00", RWA, N(C::BpMainOn, 3)),
    R("BP", "01", RWA, N(C::BpMainLevel, 3)),
    R("BP", "10", RWA, N(C::BpSubOn, 3)),
    R("BP", "11", RWA, N(C::BpSubLevel, 3)),
    R("BC", "0", RWA, N(C::BcMain, 1)),
    R("BC", "1", RWA, N(C::BcSub, 1)),
    R("CO", "00", RWA, N(C::CoMainKind, 2)),
    R("CO", "01", RWA, N(C::CoMainLevel1, 2)),
    R("CO", "02", RWA, N(C::CoMainLevel2, 2)),
    R("CO", "10", RWA, N(C::CoSubKind, 2)),
    R("CO", "11", RWA, N(C::CoSubLevel1, 2)),
    R("CO", "12", RWA, N(C::CoSubLevel2, 2)),
    R("MS", "", RWA, N(C::Ms, 1)),
    R("NR", "0", RWA, N(C::NrMain, 1)),
    R("NR", "1", RWA, N(C::NrSub, 1)),
    R("FT", "", RWA, N(C::Ft, 1)),
    R("FR", "", RWA, N(C::Fr, 1)),
    R("LK", "", RWA, Bits(C::Lk1, C::Lk2)),
    R("FS", "", RWA, Bits(C::Fs1, C::Fs2)),
    R("VS", "", RWA, N(C::Vs, 1)),
    R("NA", "0", RWA, N(C::NaMain, 1)),
    R("NA", "1", RWA, N(C::NaSub, 1)),
    R("NB", "0", RWA, N(C::NbMain, 1)),
    R("NB", "1", RWA, N(C::NbSub, 1)),
    R("RF", "0", RWA, H(C::RfMain)),
    R("GT", "0", RWA, N(C::GtMain, 1)),
    R("RA", "0", RWA, N(C::RaMain, 1)),
    R("PA", "0", RWA, N(C::PaMain, 1)),
    R("KR", "", RWA, N(C::Kr, 1)),
    R("TS", "", RWA, N(C::Ts, 1)),
    R("AN", "0", RWA, N(C::AnMain, 1), N(C::AnRx, 1)),
    R("AC", "", RWA, L('0'), L('0'), N(C::Ac, 1)),
    R("DS", "", RWA, N(C::Ds, 1)),
    R("MX", "", RWA, N(C::Mx, 1)),
    R("VX", "", RWA, N(C::Vx, 1)),
    R("BI", "", RWA, N(C::Bi, 1)),
    R("PR", "0", RWA, N(C::Pr0, 1)),
    R("PR", "1", RWA, N(C::Pr1, 1)),
    R("ML", "0", RWA, N(C::MlOn, 3)),
    R("ML", "1", RWA, N(C::MlLevel, 3)),
    R("CS", "", RWA, N(C::Cs, 1)),
    R("DP", "", RWA, N(C::Dp, 1)),
    R("RM", "0", RA, N(C::Rm0, 3)),
    R("RM", "1", RA, N(C::Rm1, 3)),
    R("RM", "2", RA, N(C::Rm2, 3)),
    R("RM", "3", RA, N(C::Rm3, 3)),
    R("RM", "4", RA, N(C::Rm4, 3)),
    R("RM", "5", RA, N(C::Rm5, 3)),
    R("RM", "6", RA, N(C::Rm6, 3)),
    R("RM", "7", RA, N(C::Rm7, 3)),
    R("RM", "8", RA, N(C::Rm8, 3)),
    R("KP", "", RWA, N(C::Kp, 2)),
    R("KS", "", RWA, N(C::Ks, 3)),
    R("SD", "", RWA, N(C::Sd, 4)),
    R("NL", "0", RWA, N(C::NlMain, 3)),
    R("NL", "1", RWA, N(C::NlSub, 3)),
    R("MG", "", RWA, N(C::Mg, 3)),
    R("PL", "", RWA, N(C::Pl, 3)),
    R("VG", "", RWA, N(C::Vg, 3)),
    R("VD", "", RWA, N(C::Vd, 4)),
    R("SQ", "0", RWA, N(C::SqMain, 3)),
    R("SQ", "1", RWA, N(C::SqSub, 3)),
    R("AG", "0", RWA, N(C::AgMain, 3)),
    R("AG", "1", RWA, N(C::AgSub, 3)),
    R("RG", "0", RWA, N(C::RgMain, 3)),
    R("RG", "1", RWA, N(C::RgSub, 3)),
    R("IF", "", RW, N(C::MemCh, 3), N(C::VfoA, 8), S(C::Clar, 4), N(C::Rt, 1), N(C::Xt, 1), H(C::ModeMain),
      N(C::VfoMem, 1), N(C::CtMain, 1), N(C::CnMain, 2), N(C::OsMain, 1)),
    R("VF", "0", RWA, N(C::VfMainP2, 1), Pick(C::VfMainVal0, C::VfMainSel, 3), N(C::VfMainSel, 1)),
    R("VF", "1", RWA, N(C::VfSubP2, 1), Pick(C::VfSubVal0, C::VfSubSel, 3), N(C::VfSubSel, 1)),
    R("IS", "0", RWA, S(C::IsMain, 4)),
    R("IS", "1", RWA, S(C::IsSub, 4)),
    R("SH", "0", RWA, N(C::ShMain, 2)),
    R("SH", "1", RWA, N(C::ShSub, 2)),
    R("RL", "0", RWA, N(C::RlMain, 2)),
    R("RL", "1", RWA, N(C::RlSub, 2)),
    R("BY", "", RA, N(C::BusyMain, 1), N(C::BusySub, 1)),
    R("FA", "", RWA, N(C::VfoA, 8)),
    R("FB", "", RWA, N(C::VfoB, 8)),
    R("RO", "", RWA, N(C::RoMotion, 1), N(C::RoAzimuth, 3), N(C::RoSpeed, 3)),
    R("SC", "", RWA, N(C::Sc, 1)),
    R("SM", "0", RA, N(C::Sm0, 3)),
    R("SM", "1", RA, N(C::Sm1, 3)),
    R("TX", "", RWA, N(C::Tx, 1)),
    R("UL", "", RA, N(C::Ul, 1)),
    R("AI", "", RWA, N(C::Ai, 1)),
    R("CN", "0", RWA, N(C::CnMain, 2)),
    R("CN", "1", RWA, N(C::CnSub, 2)),
    R("CT", "0", RWA, N(C::CtMain, 1)),
    R("CT", "1", RWA, N(C::CtSub, 1)),
    R("KM", "1", RWA, T(0)),
    R("KM", "2", RWA, T(1)),
    R("KM", "3", RWA, T(2)),
    R("KM", "4", RWA, T(3)),
    R("KM", "5", RWA, T(4)),
    R("MC", "", RWA, N(C::MemCh, 3)),
    R("OI", "", RW, L('0'), L('0'), L('0'), N(C::VfoB, 8), S(C::Clar, 4), N(C::Rt, 1), N(C::Xt, 1), H(C::ModeSub),
      N(C::VfoMemSub, 1), N(C::CtSub, 1), N(C::CnSub, 2), N(C::OsSub, 1)),
    R("OS", "0", RWA, N(C::OsMain, 1)),
    R("OS", "1", RWA, N(C::OsSub, 1)),
    R("PB", "0", RWA, N(C::PbMain, 1)),
    R("PB", "1", RWA, N(C::PbSub, 1)),
    R("PC", "", RWA, N(C::Pc, 3)),
    R("RS", "", RA, N(C::Rs, 1)),
    R("MD", "0", RWA, H(C::ModeMain)),
    R("MD", "1", RWA, H(C::ModeSub)),
    R("PS", "", RWA, N(C::Power, 1)),
    R("RI", "0", RA, H(C::Ri0)),
    R("RI", "1", RA, H(C::Ri1)),
    R("RI", "2", RA, H(C::Ri2)),
    R("RI", "3", RA, H(C::Ri3)),
    R("RI", "4", RA, H(C::Ri4)),
    R("RI", "5", RA, H(C::Ri5)),
    R("RI", "6", RA, H(C::Ri6)),
    R("RI", "7", RA, H(C::Ri7)),
    R("RI", "8", RA, H(C::Ri8)),
    R("RI", "9", RA, H(C::Ri9)),
    R("CW", "", RWA, N(C::Cw, 1)),
    R("BG", "1", RA, N(C::Bg, 2)),
    R("LM", "0", RWA, N(C::LmMain, 1)),
    R("LM", "1", RWA, N(C::LmSub, 1)),
    // The equaliser replies show the menu items that hold the same values.
    R("PE", "000", RWA, Mn(peMenuItem(0, 0, 0), 3)),
    R("PE", "001", RWA, Ms(peMenuItem(0, 0, 1), 2)),
    R("PE", "002", RWA, Mn(peMenuItem(0, 0, 2), 3)),
    R("PE", "010", RWA, Mn(peMenuItem(0, 1, 0), 3)),
    R("PE", "011", RWA, Ms(peMenuItem(0, 1, 1), 2)),
    R("PE", "012", RWA, Mn(peMenuItem(0, 1, 2), 3)),
    R("PE", "020", RWA, Mn(peMenuItem(0, 2, 0), 3)),
    R("PE", "021", RWA, Ms(peMenuItem(0, 2, 1), 2)),
    R("PE", "022", RWA, Mn(peMenuItem(0, 2, 2), 3)),
    R("PE", "200", RWA, Mn(peMenuItem(2, 0, 0), 3)),
    R("PE", "201", RWA, Ms(peMenuItem(2, 0, 1), 2)),
    R("PE", "202", RWA, Mn(peMenuItem(2, 0, 2), 3)),
    R("PE", "210", RWA, Mn(peMenuItem(2, 1, 0), 3)),
    R("PE", "211", RWA, Ms(peMenuItem(2, 1, 1), 2)),
    R("PE", "212", RWA, Mn(peMenuItem(2, 1, 2), 3)),
    R("PE", "220", RWA, Mn(peMenuItem(2, 2, 0), 3)),
    R("PE", "221", RWA, Ms(peMenuItem(2, 2, 1), 2)),
    R("PE", "222", RWA, Mn(peMenuItem(2, 2, 2), 3)),
    // Sub-VFO keypad: "KC5" + side + key.
    R("KC", "500", RWA, N(C::KcMain0, 1), N(C::KcMainPos6, 1)),
    R("KC", "501", RWA, N(C::KcMain1, 1), N(C::KcMainPos6, 1)),
    R("KC", "502", RWA, N(C::KcMain2, 1), N(C::KcMainPos6, 1)),
    R("KC", "503", RWA, N(C::KcMain3, 1), N(C::KcMainPos6, 1)),
    R("KC", "504", RWA, N(C::KcMain4, 1), N(C::KcMainPos6, 1)),
    R("KC", "505", RWA, N(C::KcMain5, 1), N(C::KcMainPos6, 1)),
    R("KC", "506", RWA, N(C::KcMain6, 1), N(C::KcMainPos6, 1)),
    R("KC", "507", RWA, N(C::KcMain7, 1), N(C::KcMainPos6, 1)),
    R("KC", "510", RWA, N(C::KcSub0, 1), N(C::KcSubPos6, 1)),
    R("KC", "511", RWA, N(C::KcSub1, 1), N(C::KcSubPos6, 1)),
    R("KC", "512", RWA, N(C::KcSub2, 1), N(C::KcSubPos6, 1)),
    R("KC", "513", RWA, N(C::KcSub3, 1), N(C::KcSubPos6, 1)),
    R("KC", "514", RWA, N(C::KcSub4, 1), N(C::KcSubPos6, 1)),
    R("KC", "515", RWA, N(C::KcSub5, 1), N(C::KcSubPos6, 1)),
    R("KC", "516", RWA, N(C::KcSub6, 1), N(C::KcSubPos6, 1)),
    R("KC", "517", RWA, N(C::KcSub7, 1), N(C::KcSubPos6, 1)),
    R("CA", "0", RWA, N(C::Ca, 3)),
};

// Every reply form is exactly as long as the program's reply table says.
constexpr bool formLengthsMatch() {
  for (const ReplyForm& f : kForms) {
    if (f.length() != ReplyCodeTable::nominalLength(f.code[0], f.code[1])) return false;
  }
  return true;
}
static_assert(formLengthsMatch(), "a reply form's length differs from the reply code table");

constexpr bool slotsFit() {
  for (const ReplyForm& f : kForms) {
    for (int i = 0; i < f.count; ++i) {
      const Slot& s = f.slots[static_cast<std::size_t>(i)];
      const bool cellSlot = s.kind == SlotKind::Num || s.kind == SlotKind::Hex || s.kind == SlotKind::Signed ||
                            s.kind == SlotKind::Indexed || s.kind == SlotKind::Bits;
      if (cellSlot && (s.ref < 0 || s.ref >= kCellCount)) return false;
      if (s.kind == SlotKind::Indexed && s.ref + 1 >= kCellCount) return false;   // two values behind ref
      if ((s.kind == SlotKind::MenuNum || s.kind == SlotKind::MenuSigned) && (s.ref < 1 || s.ref > kMenuItemCount))
        return false;
    }
  }
  return true;
}
static_assert(slotsFit());

}  // namespace

const ReplyForm* const kReplyForms = kForms;
const int kReplyFormCount = static_cast<int>(std::size(kForms));

}  // namespace hrx::sim
