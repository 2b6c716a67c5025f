#include "analysis/ReplyDecoders.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "analysis/AnalyserMessages.h"

namespace hrx {
namespace {

int digitOf(char c) { return c >= '0' && c <= '9' ? c - '0' : -1; }

int hexOf(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// How one field of a reply is written.
enum class Val : std::uint8_t {
  None,
  Digits,   // `width` decimal digits from `pos`
  Hex,      // one hex digit at `pos`
  Signed,   // '+' or '-' at `pos`, then `width` digits
  Clar,     // sign at `pos`, four digits behind it with non-digits skipped;
            // a RealField, and its store never decides the result
};

struct FieldSpec {
  std::int8_t pos = 0;
  std::int8_t width = 0;
  Val kind = Val::None;
  std::int8_t bias = 0;       // added to the value read (AN stores d - 1)
  std::int16_t field = -1;    // IntField (RealField for Clar)
  std::int16_t mirror = -1;   // MirrorField refreshed after the store, or -1
};

constexpr FieldSpec digits(int pos, int width, IntField f) {
  return {static_cast<std::int8_t>(pos), static_cast<std::int8_t>(width), Val::Digits, 0,
          static_cast<std::int16_t>(f), -1};
}
constexpr FieldSpec digits(int pos, int width, IntField f, MirrorField m) {
  FieldSpec s = digits(pos, width, f);
  s.mirror = static_cast<std::int16_t>(m);
  return s;
}
constexpr FieldSpec hexDigit(int pos, IntField f) {
  return {static_cast<std::int8_t>(pos), 1, Val::Hex, 0, static_cast<std::int16_t>(f), -1};
}
constexpr FieldSpec signedDigits(int pos, int width, IntField f, MirrorField m) {
  return {static_cast<std::int8_t>(pos), static_cast<std::int8_t>(width), Val::Signed, 0,
          static_cast<std::int16_t>(f), static_cast<std::int16_t>(m)};
}
constexpr FieldSpec clarifier(RealField f) {
  return {13, 4, Val::Clar, 0, static_cast<std::int16_t>(f), -1};
}
constexpr FieldSpec minusOne(FieldSpec s) {
  s.bias = -1;
  return s;
}

enum class Family : std::uint8_t {
  None,       // recognised, never decoded, no event
  Always,     // not decoded, always accepted
  Fixed,      // every field at a fixed place; accepted when all are good and stored
  Selector,   // P1 0 picks f[0], P1 1 picks f[1]
  Custom,     // a function of its own
};

struct DecoderRow;
using CustomDecoder = bool (*)(AnalyserContext&, const DecoderRow&, const char*);

inline constexpr int kMaxFields = 10;

struct DecoderRow {
  ReplyRow row;
  Family family;
  CustomDecoder custom = nullptr;
  bool p1OtherAccepts = false;   // Selector: a P1 digit with no field is accepted
  FieldSpec f[kMaxFields] = {};
};

// Reads a field's value; false when a character is not what the layout needs.
bool readValue(const char* r, const FieldSpec& s, std::int32_t& v) {
  v = 0;
  int from = s.pos;
  bool negative = false;
  switch (s.kind) {
    case Val::Hex: {
      const int d = hexOf(r[s.pos]);
      if (d < 0) return false;
      v = d + s.bias;
      return true;
    }
    case Val::Signed:
      if (r[s.pos] != '+' && r[s.pos] != '-') return false;
      negative = r[s.pos] == '-';
      from = s.pos + 1;
      [[fallthrough]];
    case Val::Digits:
      for (int i = 0; i < s.width; ++i) {
        const int d = digitOf(r[from + i]);
        if (d < 0) return false;
        v = v * 10 + d;
      }
      v = (negative ? -v : v) + s.bias;
      return true;
    case Val::None:
    case Val::Clar:
      break;
  }
  return false;
}

void refreshMirror(AnalyserContext& ctx, const FieldSpec& s) {
  if (s.mirror >= 0) {
    ctx.mirror.set(static_cast<MirrorField>(s.mirror), ctx.state.get(static_cast<IntField>(s.field)));
  }
}

// Stores one field and refreshes its mirror entry from whatever the field
// holds afterwards, so a refused value leaves the panel on the radio's last
// good value. True when the field was good and accepted.
bool storeField(AnalyserContext& ctx, const char* r, const FieldSpec& s) {
  if (s.kind == Val::Clar) {
    double offset = 0.0;
    for (int i = 1; i <= s.width; ++i) {
      const int d = digitOf(r[s.pos + i]);
      if (d >= 0) offset = offset * 10 + d;
    }
    if (r[s.pos] == '-') offset = -offset;
    ctx.state.set(static_cast<RealField>(s.field), offset);
    return true;
  }
  std::int32_t v = 0;
  const bool ok = readValue(r, s, v) && ctx.state.set(static_cast<IntField>(s.field), v);
  refreshMirror(ctx, s);
  return ok;
}

bool decodeFixed(AnalyserContext& ctx, const DecoderRow& d, const char* r) {
  bool ok = true;
  for (const FieldSpec& s : d.f) {
    if (s.kind == Val::None) break;
    ok = storeField(ctx, r, s) && ok;
  }
  return ok;
}

bool decodeSelector(AnalyserContext& ctx, const DecoderRow& d, const char* r) {
  const int p1 = digitOf(r[2]);
  if (p1 < 0) return false;
  if (p1 > 1 || d.f[p1].kind == Val::None) return d.p1OtherAccepts;
  return storeField(ctx, r, d.f[p1]);
}

// Meters the panel shows drop to zero when the radio goes quiet or off.
void zeroMeters(AnalyserContext& ctx) {
  decodeSynthetic(ctx, ReplyRow::RM, "RM0000");
  postRowEvent(ctx, static_cast<int>(ReplyRow::RM));
  decodeSynthetic(ctx, ReplyRow::SM, "SM1000");
  postRowEvent(ctx, static_cast<int>(ReplyRow::SM));
}

bool decodeId(AnalyserContext& ctx, const DecoderRow& d, const char* r) {
  const bool ok = decodeFixed(ctx, d, r);
  if (std::memcmp(r + 2, "046", 3) == 0 && r[5] >= '0' && r[5] <= '3') {
    ctx.state.set_ID_Variant(r[5] - '0');
    ctx.composer.post(kMsgAnlSendSyncStart);
  } else {
    ctx.composer.post(kMsgOpComSw);
    ctx.window.requestNotice(kNoticeComFailed, true);
  }
  return ok;
}

bool decodeAi(AnalyserContext& ctx, const DecoderRow&, const char* r) {
  const std::int32_t before = ctx.state.get_AI_Stat();
  const int d = digitOf(r[2]);
  const bool ok = d >= 0 && ctx.state.set_AI_Stat(d);
  const std::int32_t now = ctx.state.get_AI_Stat();
  ctx.mirror.set_AI_Stat(now);
  const bool cameOn = now == 1 && before == 0;
  if (cameOn || ctx.state.get_AiResyncNeeded() != 0) {
    ctx.composer.post(kMsgAnlSendIdQuery);
    ctx.state.set_AiResyncNeeded(0);
  }
  if (cameOn) ctx.window.sendMessage(kMsgAiTurnedOn, 0, 0);
  if (now == 0) {
    if (ctx.state.get_AiOnRequested() != 0) {
      // We asked for auto-information and the radio still says no (or
      // answers a query written before): the switch asks again.
      ctx.mirror.set_AI_Stat(0);
      ctx.composer.post(kMsgOpComSw, kComSwitchOn);
      return false;
    }
    ctx.composer.post(kMsgAnlSendSweepStop);
    zeroMeters(ctx);
  }
  return ok;
}

bool decodePs(AnalyserContext& ctx, const DecoderRow&, const char* r) {
  const int d = digitOf(r[2]);
  const bool ok = d >= 0 && ctx.state.set_PS_Stat(d);
  const std::int32_t ps = ctx.state.get_PS_Stat();
  if (ps != ctx.mirror.get_PS_Stat()) {
    if (ps == 1) {
      if (ctx.state.get_AiAtPowerOff() != 0) {
        ctx.state.set_AiResyncNeeded(1);
        ctx.mirror.set_AI_Stat(0);
        ctx.composer.post(kMsgOpComSw, kComSwitchOn);
      }
    } else {
      ctx.state.set_AiAtPowerOff(ctx.mirror.get_AI_Stat());
      zeroMeters(ctx);
      ctx.composer.post(kMsgAnlSendSweepStop);
    }
  }
  ctx.mirror.set_PS_Stat(ps);
  return ok;
}

bool decodeRs(AnalyserContext& ctx, const DecoderRow& d, const char* r) {
  const bool ok = decodeFixed(ctx, d, r);
  if (ctx.state.get_RS_Stat() == 2) ctx.composer.post(kMsgAnlSendExStart);
  return ok;
}

bool decodeMd(AnalyserContext& ctx, const DecoderRow&, const char* r) {
  const int mode = hexOf(r[3]);
  if (digitOf(r[2]) < 0 || mode < 0) return false;
  auto sideOf = [](std::int32_t v) { return v == 0 || v == 1 ? 0 : v == 4 || v == 5 ? 1 : -1; };
  int side = sideOf(ctx.state.get_MdReplyTarget());
  if (side < 0) side = sideOf(ctx.state.get_FR_Stat());
  if (side == 0) ctx.state.set_MD_Main(mode);
  if (side == 1) ctx.state.set_MD_Sub(mode);
  ctx.state.set_MdReplyTarget(-1);
  return true;
}

bool decodeVf(AnalyserContext& ctx, const DecoderRow&, const char* r) {
  const int p1 = digitOf(r[2]);
  if (p1 != 0 && p1 != 1) return false;
  struct Side {
    IntField p4, p2ForVal0, p2ForVal1, val0, val1;
  };
  static constexpr Side kSides[2] = {
      {IntField::VF_Main_P4, IntField::VF_Main_P2, IntField::VF_Main_P2, IntField::VF_Main_Val0,
       IntField::VF_Main_Val1},
      {IntField::VF_Sub_P4, IntField::VF_Sub_P2, IntField::VF_Sub_P2b, IntField::VF_Sub_Val0,
       IntField::VF_Sub_Val1},
  };
  const Side& side = kSides[p1];
  const int p4digit = digitOf(r[7]);
  const int p4 = p4digit < 0 ? 0 : p4digit;
  bool ok = p4digit >= 0 && ctx.state.set(side.p4, p4);
  if (p4 > 1) return ok;
  ok = storeField(ctx, r, digits(3, 1, p4 == 0 ? side.p2ForVal0 : side.p2ForVal1)) && ok;
  ok = storeField(ctx, r, digits(4, 3, p4 == 0 ? side.val0 : side.val1)) && ok;
  return ok;
}

struct SidedFields {
  IntField on, level;
  MirrorField onMirror, levelMirror;
};

bool decodeBp(AnalyserContext& ctx, const DecoderRow&, const char* r) {
  static constexpr SidedFields kSides[2] = {
      {IntField::BP_Main_On, IntField::BP_Main_Level, MirrorField::BP_Main_On, MirrorField::BP_Main_Level},
      {IntField::BP_Sub_On, IntField::BP_Sub_Level, MirrorField::BP_Sub_On, MirrorField::BP_Sub_Level},
  };
  const int p1 = digitOf(r[2]);
  if (p1 < 0) return false;
  if (p1 > 1) return true;
  const SidedFields& s = kSides[p1];
  if (r[3] != '0') return storeField(ctx, r, digits(4, 3, s.level, s.levelMirror));
  ctx.state.set(s.on, r[6] == '0' ? 0 : 1);
  ctx.mirror.set(s.onMirror, ctx.state.get(s.on));
  return true;
}

bool decodeCo(AnalyserContext& ctx, const DecoderRow&, const char* r) {
  struct Side {
    IntField on, level1, level2;
    WordField kind;
    MirrorField onMirror, level1Mirror, level2Mirror;
  };
  static constexpr Side kSides[2] = {
      {IntField::CO_Main_On, IntField::CO_Main_Level1, IntField::CO_Main_Level2, WordField::CO_Main_OnKind,
       MirrorField::CO_Main_On, MirrorField::CO_Main_Level1, MirrorField::CO_Main_Level2},
      {IntField::CO_Sub_On, IntField::CO_Sub_Level1, IntField::CO_Sub_Level2, WordField::CO_Sub_OnKind,
       MirrorField::CO_Sub_On, MirrorField::CO_Sub_Level1, MirrorField::CO_Sub_Level2},
  };
  const int p1 = digitOf(r[2]);
  if (p1 < 0) return false;
  if (p1 > 1) return true;
  const Side& s = kSides[p1];
  switch (r[3]) {
    case '1': return storeField(ctx, r, digits(4, 2, s.level1, s.level1Mirror));
    case '2': return storeField(ctx, r, digits(4, 2, s.level2, s.level2Mirror));
    case '0': {
      const char c = r[5];
      ctx.state.set(s.on, c == '0' ? 0 : 1);
      if (c == '0' || c == '1' || c == '2') ctx.state.set(s.kind, c - '0');
      ctx.mirror.set(s.onMirror, ctx.state.get(s.on));
      return true;
    }
    default: return true;
  }
}

// LK and FS: P1 4..7 carries two flags in its low bits.
bool decodeBitFlags(AnalyserContext& ctx, const DecoderRow& d, const char* r) {
  const int p1 = digitOf(r[2]);
  if (p1 >= 4 && p1 <= 7) {
    ctx.state.set(static_cast<IntField>(d.f[0].field), (p1 - 4) & 1);
    ctx.state.set(static_cast<IntField>(d.f[1].field), ((p1 - 4) >> 1) & 1);
  }
  refreshMirror(ctx, d.f[0]);
  refreshMirror(ctx, d.f[1]);
  return true;
}

bool decodePr(AnalyserContext& ctx, const DecoderRow&, const char* r) {
  const int on = r[3] == '1' ? 1 : 0;
  if (r[2] == '0') ctx.state.set_PR_Stat(on);
  if (r[2] == '1') ctx.state.set_RI_1(on);
  return true;
}

bool decodeMl(AnalyserContext& ctx, const DecoderRow&, const char* r) {
  if (r[2] == '0') {
    ctx.state.set_ML_On(r[5] == '0' ? 0 : 1);
    ctx.mirror.set_ML_On(ctx.state.get_ML_On());
    return true;
  }
  return storeField(ctx, r, digits(3, 3, IntField::ML_Level, MirrorField::ML_Level));
}

bool decodeRm(AnalyserContext& ctx, const DecoderRow&, const char* r) {
  static constexpr IntField kMeters[9] = {
      IntField::RM_Meter1, IntField::RM_Meter1, IntField::RM_Meter2, IntField::RM_Meter3, IntField::RM_Meter4,
      IntField::RM_Meter5, IntField::RM_Meter6, IntField::RM_Meter7, IntField::RM_Meter8,
  };
  const int d = digitOf(r[2]);
  const int p1 = d < 0 ? 0 : d;
  if (p1 > 8) return false;
  std::int32_t level = 0;
  for (int i = 3; i <= 5; ++i) {
    const int c = digitOf(r[i]);
    if (c >= 0) level = level * 10 + c;
  }
  ctx.state.set(kMeters[p1], level);
  return true;
}

bool decodeRi(AnalyserContext& ctx, const DecoderRow&, const char* r) {
  if (ctx.state.get_AI_Stat() == 0) return false;
  const int n = digitOf(r[2]);
  const int v = hexOf(r[3]);
  if (n >= 0 && v >= 0) ctx.state.set(static_cast<IntField>(static_cast<int>(IntField::RI_0) + n), v);
  return true;
}
static_assert(static_cast<int>(IntField::RI_9) - static_cast<int>(IntField::RI_0) == 9);

bool decodeKm(AnalyserContext& ctx, const DecoderRow&, const char* r) {
  static constexpr TextField kTexts[5] = {TextField::KM_Text1, TextField::KM_Text2, TextField::KM_Text3,
                                          TextField::KM_Text4, TextField::KM_Text5};
  const int n = digitOf(r[2]);
  if (n < 0 || !ctx.state.set_KM_LastNo(n)) return false;
  char text[kTextMaxLen + 1] = {};
  std::memcpy(text, r + 3, kTextMaxLen);
  return ctx.state.setText(kTexts[n - 1], kTextLimit, text);
}

bool decodeKc(AnalyserContext& ctx, const DecoderRow&, const char* r) {
  struct Side {
    IntField sel, pos6, flag0;
  };
  static constexpr Side kSides[2] = {
      {IntField::KC_Main_Sel, IntField::KC_Main_Pos6, IntField::KC_Main_Flag0},
      {IntField::KC_Sub_Sel, IntField::KC_Sub_Pos6, IntField::KC_Sub_Flag0},
  };
  const int side = digitOf(r[3]);
  if (side < 0) return false;
  if (side > 1) return true;
  const int sel = digitOf(r[4]), value = digitOf(r[5]), pos6 = digitOf(r[6]);
  if (sel < 0 || value < 0 || pos6 < 0) return false;
  const Side& s = kSides[side];
  const int flag = static_cast<int>(s.flag0) + (sel >= 1 && sel <= 7 ? sel : 0);
  bool ok = ctx.state.set(s.sel, sel);
  ok = ctx.state.set(s.pos6, pos6) && ok;
  ok = ctx.state.set(static_cast<IntField>(flag), value) && ok;
  return ok;
}
static_assert(static_cast<int>(IntField::KC_Main_Flag7) - static_cast<int>(IntField::KC_Main_Flag0) == 7);
static_assert(static_cast<int>(IntField::KC_Sub_Flag7) - static_cast<int>(IntField::KC_Sub_Flag0) == 7);

bool decodeBg(AnalyserContext& ctx, const DecoderRow&, const char* r) {
  const int a = digitOf(r[2]), b = digitOf(r[3]), c = digitOf(r[4]);
  if (a < 0 || b < 0 || c < 0) return false;
  ctx.state.set_BG_Value1(a);
  ctx.state.set_BG_Value2(b * 10 + c);
  return true;
}

bool decodePe(AnalyserContext& ctx, const DecoderRow&, const char* r) {
  // [set 0 or 2][band][parameter]
  static constexpr IntField kFields[2][3][3] = {
      {{IntField::PE_0_0_Freq, IntField::PE_0_0_Level, IntField::PE_0_0_Width},
       {IntField::PE_0_1_Freq, IntField::PE_0_1_Level, IntField::PE_0_1_Width},
       {IntField::PE_0_2_Freq, IntField::PE_0_2_Level, IntField::PE_0_2_Width}},
      {{IntField::PE_2_0_Freq, IntField::PE_2_0_Level, IntField::PE_2_0_Width},
       {IntField::PE_2_1_Freq, IntField::PE_2_1_Level, IntField::PE_2_1_Width},
       {IntField::PE_2_2_Freq, IntField::PE_2_2_Level, IntField::PE_2_2_Width}},
  };
  const int set = digitOf(r[2]), band = digitOf(r[3]), param = digitOf(r[4]);
  if ((set != 0 && set != 2) || band < 0 || band > 2 || param < 0 || param > 2) return false;
  const IntField f = kFields[set / 2][band][param];
  std::int32_t v = 0;
  if (param == 1) {
    const int hi = digitOf(r[6]), lo = digitOf(r[7]);
    if (hi < 0 || lo < 0) return false;
    v = hi * 10 + lo;
    if (r[5] == '-') v = -v;
  } else if (!readValue(r, digits(5, 3, f), v)) {
    return false;
  }
  return ctx.state.set(f, v);
}

// One row per ReplyCodeTable row, in the same order.
constexpr DecoderRow kDecoderRows[] = {
    {ReplyRow::ID, Family::Custom, decodeId, false, {digits(2, 4, IntField::ID_Value)}},
    {ReplyRow::RT, Family::Fixed, nullptr, false, {digits(2, 1, IntField::RT_Stat, MirrorField::RT_Stat)}},
    {ReplyRow::XT, Family::Fixed, nullptr, false, {digits(2, 1, IntField::XT_Stat, MirrorField::XT_Stat)}},
    {ReplyRow::SF, Family::Fixed, nullptr, false, {digits(2, 1, IntField::SF_Value)}},
    {ReplyRow::BP, Family::Custom, decodeBp},
    {ReplyRow::BC, Family::Selector, nullptr, true,
     {digits(3, 1, IntField::BC_Main, MirrorField::BC_Main), digits(3, 1, IntField::BC_Sub, MirrorField::BC_Sub)}},
    {ReplyRow::CO, Family::Custom, decodeCo},
    {ReplyRow::MS, Family::Fixed, nullptr, false, {digits(2, 1, IntField::MS_Stat, MirrorField::MS_Stat)}},
    {ReplyRow::NR, Family::Selector, nullptr, false,
     {digits(3, 1, IntField::NR_Main, MirrorField::NR_Main), digits(3, 1, IntField::NR_Sub)}},
    {ReplyRow::FT, Family::Fixed, nullptr, false, {digits(2, 1, IntField::FT_Stat)}},
    {ReplyRow::FR, Family::Fixed, nullptr, false, {digits(2, 1, IntField::FR_Stat, MirrorField::FR_Stat)}},
    {ReplyRow::LK, Family::Custom, decodeBitFlags, false,
     {digits(2, 1, IntField::LK_Flag1, MirrorField::LK_Flag1),
      digits(2, 1, IntField::LK_Flag2, MirrorField::LK_Flag2)}},
    {ReplyRow::FS, Family::Custom, decodeBitFlags, false,
     {digits(2, 1, IntField::FS_Flag1, MirrorField::FS_Flag1),
      digits(2, 1, IntField::FS_Flag2, MirrorField::FS_Flag2)}},
    {ReplyRow::VS, Family::Fixed, nullptr, false, {digits(2, 1, IntField::VS_Stat, MirrorField::VS_Stat)}},
    {ReplyRow::NA, Family::Selector, nullptr, false,
     {digits(3, 1, IntField::NA_Main, MirrorField::NA_Main), digits(3, 1, IntField::NA_Sub, MirrorField::NA_Sub)}},
    {ReplyRow::NB, Family::Selector, nullptr, false,
     {digits(3, 1, IntField::NB_Main), digits(3, 1, IntField::NB_Sub)}},
    {ReplyRow::RF, Family::Selector, nullptr, true, {hexDigit(3, IntField::RF_Main)}},
    {ReplyRow::GT, Family::Selector, nullptr, true, {digits(3, 1, IntField::GT_Main)}},
    {ReplyRow::RA, Family::Selector, nullptr, true, {digits(3, 1, IntField::RA_Main)}},
    {ReplyRow::PA, Family::Selector, nullptr, true, {digits(3, 1, IntField::PA_Main)}},
    {ReplyRow::KR, Family::Fixed, nullptr, false, {digits(2, 1, IntField::KR_Stat, MirrorField::KR_Stat)}},
    {ReplyRow::TS, Family::Fixed, nullptr, false, {digits(2, 1, IntField::TS_Stat)}},
    {ReplyRow::AN, Family::Selector, nullptr, true, {minusOne(digits(3, 1, IntField::AN_Main))}},
    {ReplyRow::AC, Family::Fixed, nullptr, false, {digits(4, 1, IntField::AC_Stat)}},
    {ReplyRow::DS, Family::Fixed, nullptr, false, {digits(2, 1, IntField::DS_Stat, MirrorField::DS_Stat)}},
    {ReplyRow::MX, Family::Fixed, nullptr, false, {digits(2, 1, IntField::MX_Stat, MirrorField::MX_Stat)}},
    {ReplyRow::VX, Family::Fixed, nullptr, false, {digits(2, 1, IntField::VX_Stat, MirrorField::VX_Stat)}},
    {ReplyRow::BI, Family::Fixed, nullptr, false, {digits(2, 1, IntField::BI_Stat, MirrorField::BI_Stat)}},
    {ReplyRow::PR, Family::Custom, decodePr},
    {ReplyRow::ML, Family::Custom, decodeMl},
    {ReplyRow::CS, Family::Fixed, nullptr, false, {digits(2, 1, IntField::CS_Stat, MirrorField::CS_Stat)}},
    {ReplyRow::DP, Family::Fixed, nullptr, false, {digits(2, 1, IntField::DP_Stat)}},
    {ReplyRow::RM, Family::Custom, decodeRm},
    {ReplyRow::KP, Family::Fixed, nullptr, false, {digits(2, 2, IntField::KP_Value, MirrorField::KP_Value)}},
    {ReplyRow::KS, Family::Fixed, nullptr, false, {digits(2, 3, IntField::KS_Value, MirrorField::KS_Value)}},
    {ReplyRow::SD, Family::Fixed, nullptr, false, {digits(2, 4, IntField::SD_Value, MirrorField::SD_Value)}},
    {ReplyRow::NL, Family::Selector, nullptr, false,
     {digits(3, 3, IntField::NL_Main, MirrorField::NL_Main), digits(3, 3, IntField::NL_Sub, MirrorField::NL_Sub)}},
    {ReplyRow::MG, Family::Fixed, nullptr, false, {digits(2, 3, IntField::MG_Value, MirrorField::MG_Value)}},
    {ReplyRow::PL, Family::Fixed, nullptr, false, {digits(2, 3, IntField::PL_Value, MirrorField::PL_Value)}},
    {ReplyRow::VG, Family::Fixed, nullptr, false, {digits(2, 3, IntField::VG_Value, MirrorField::VG_Value)}},
    {ReplyRow::VD, Family::Fixed, nullptr, false, {digits(2, 4, IntField::VD_Value)}},
    {ReplyRow::SQ, Family::Selector, nullptr, false,
     {digits(3, 3, IntField::SQ_Main, MirrorField::SQ_Main), digits(3, 3, IntField::SQ_Sub, MirrorField::SQ_Sub)}},
    {ReplyRow::AG, Family::Selector, nullptr, false,
     {digits(3, 3, IntField::AG_Main, MirrorField::AG_Main), digits(3, 3, IntField::AG_Sub, MirrorField::AG_Sub)}},
    {ReplyRow::RG, Family::Selector, nullptr, false,
     {digits(3, 3, IntField::RG_Main, MirrorField::RG_Main), digits(3, 3, IntField::RG_Sub, MirrorField::RG_Sub)}},
    {ReplyRow::IF, Family::Fixed, nullptr, false,
     {digits(2, 3, IntField::IF_MemCh), digits(5, 8, IntField::IF_Freq, MirrorField::VfoA_Freq),
      clarifier(RealField::IF_ClarOffset), digits(18, 1, IntField::IF_RxClar, MirrorField::RT_Stat),
      digits(19, 1, IntField::IF_TxClar, MirrorField::XT_Stat), hexDigit(20, IntField::IF_Mode),
      digits(21, 1, IntField::IF_VfoMem), digits(22, 1, IntField::IF_ToneMode), digits(23, 2, IntField::IF_ToneNo),
      digits(25, 1, IntField::IF_Shift)}},
    {ReplyRow::VF, Family::Custom, decodeVf},
    {ReplyRow::IS, Family::Selector, nullptr, true,
     {signedDigits(3, 4, IntField::IS_Main, MirrorField::IS_Main),
      signedDigits(3, 4, IntField::IS_Sub, MirrorField::IS_Sub)}},
    {ReplyRow::SH, Family::Selector, nullptr, true,
     {digits(3, 2, IntField::SH_Main, MirrorField::SH_Main), digits(3, 2, IntField::SH_Sub, MirrorField::SH_Sub)}},
    {ReplyRow::RL, Family::Selector, nullptr, true,
     {digits(3, 2, IntField::RL_Main, MirrorField::RL_Main), digits(3, 2, IntField::RL_Sub, MirrorField::RL_Sub)}},
    {ReplyRow::BY, Family::Fixed, nullptr, false,
     {digits(2, 1, IntField::MainRx_Busy), digits(3, 1, IntField::SubRx_Busy)}},
    {ReplyRow::FA, Family::Fixed, nullptr, false, {digits(2, 8, IntField::VfoA_Freq, MirrorField::VfoA_Freq)}},
    {ReplyRow::FB, Family::Fixed, nullptr, false, {digits(2, 8, IntField::VfoB_Freq, MirrorField::VfoB_Freq)}},
    {ReplyRow::RO, Family::Fixed, nullptr, false,
     {digits(3, 3, IntField::RO_Value1), digits(6, 3, IntField::RO_Value2)}},
    {ReplyRow::SC, Family::Fixed, nullptr, false, {digits(2, 1, IntField::SC_Stat)}},
    {ReplyRow::SM, Family::Selector, nullptr, false,
     {digits(3, 3, IntField::SM_Meter0), digits(3, 3, IntField::SM_Meter1)}},
    {ReplyRow::TX, Family::Fixed, nullptr, false, {digits(2, 1, IntField::TxStat)}},
    {ReplyRow::UL, Family::Fixed, nullptr, false, {digits(2, 1, IntField::UL_Stat)}},
    {ReplyRow::AI, Family::Custom, decodeAi},
    {ReplyRow::CN, Family::Selector, nullptr, false, {digits(3, 2, IntField::CN_0), digits(3, 2, IntField::CN_1)}},
    {ReplyRow::CT, Family::Selector, nullptr, false,
     {digits(3, 1, IntField::CT_Main), digits(3, 1, IntField::CT_Sub)}},
    {ReplyRow::KM, Family::Custom, decodeKm},
    {ReplyRow::MC, Family::Fixed, nullptr, false, {digits(2, 3, IntField::MC_Channel)}},
    {ReplyRow::OI, Family::Fixed, nullptr, false,
     {digits(5, 8, IntField::OI_Freq, MirrorField::VfoB_Freq), clarifier(RealField::OI_ClarOffset),
      digits(18, 1, IntField::OI_RxClar), digits(19, 1, IntField::OI_TxClar), hexDigit(20, IntField::OI_Mode),
      digits(21, 1, IntField::OI_VfoMem), digits(22, 1, IntField::OI_ToneMode), digits(23, 2, IntField::OI_ToneNo),
      digits(25, 1, IntField::OI_Shift)}},
    {ReplyRow::OS, Family::Selector, nullptr, false,
     {digits(3, 1, IntField::OS_Main), digits(3, 1, IntField::OS_Sub)}},
    {ReplyRow::PB, Family::Always},
    {ReplyRow::PC, Family::Fixed, nullptr, false, {digits(2, 3, IntField::PC_Value, MirrorField::PC_Value)}},
    {ReplyRow::RS, Family::Custom, decodeRs, false, {digits(2, 1, IntField::RS_Stat)}},
    {ReplyRow::MD, Family::Custom, decodeMd},
    {ReplyRow::PS, Family::Custom, decodePs},
    {ReplyRow::RI, Family::Custom, decodeRi},
    {ReplyRow::CW, Family::None},
    {ReplyRow::BG, Family::Custom, decodeBg},
    {ReplyRow::LM, Family::Always},
    {ReplyRow::PE, Family::Custom, decodePe},
    {ReplyRow::DA, Family::None},
    {ReplyRow::MR, Family::None},
    {ReplyRow::KC, Family::Custom, decodeKc},
    {ReplyRow::CA, Family::Selector, nullptr, true, {digits(3, 3, IntField::CA_Stat)}},
};

constexpr bool rowsFollowTheCodeTable() {
  if (std::size(kDecoderRows) != static_cast<std::size_t>(ReplyCodeTable::kCount)) return false;
  for (int i = 0; i < ReplyCodeTable::kCount; ++i) {
    if (static_cast<int>(kDecoderRows[i].row) != i) return false;
    if ((kDecoderRows[i].family == Family::Custom) != (kDecoderRows[i].custom != nullptr)) return false;
  }
  return true;
}
static_assert(rowsFollowTheCodeTable());

}  // namespace

bool rowIsDecoded(int row) {
  return row >= 0 && row < ReplyCodeTable::kCount && kDecoderRows[row].family != Family::None;
}

bool decodeReply(AnalyserContext& ctx, int row, const char* reply) {
  if (reply == nullptr || row < 0 || row >= ReplyCodeTable::kCount) return false;
  if (ReplyCodeTable::row(row).length == 0) return false;
  const DecoderRow& d = kDecoderRows[row];
  switch (d.family) {
    case Family::None: return false;
    case Family::Always: return true;
    case Family::Fixed: return decodeFixed(ctx, d, reply);
    case Family::Selector: return decodeSelector(ctx, d, reply);
    case Family::Custom: return d.custom(ctx, d, reply);
  }
  return false;
}

void postRowEvent(AnalyserContext& ctx, int row) {
  ctx.window.postMessage(ReplyCodeTable::row(row).event, 0, eventLParam(row));
}

bool decodeSynthetic(AnalyserContext& ctx, ReplyRow row, const char* text) {
  char buf[kReplyBufferBytes] = {};
  std::memcpy(buf, text, strnlen(text, kReplyBufferBytes - 1));
  return decodeReply(ctx, static_cast<int>(row), buf);
}

double menuTextValue(const char* text, std::size_t width) {
  std::size_t i = 0;
  while (i < width && text[i] == ' ') ++i;
  bool negative = false;
  if (i < width && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  double v = 0;
  for (; i < width && digitOf(text[i]) >= 0; ++i) v = v * 10 + digitOf(text[i]);
  if (i < width && text[i] == '.') {
    double scale = 0.1;
    for (++i; i < width && digitOf(text[i]) >= 0; ++i, scale /= 10) v += digitOf(text[i]) * scale;
  }
  return negative ? -v : v;
}

bool decodeMenuReply(AnalyserContext& ctx, const char* reply) {
  int n = 0;
  for (int i = 2; i <= 4; ++i) {
    const int d = digitOf(reply[i]);
    if (d >= 0) n = n * 10 + d;
  }
  // The value sits at 5 onwards and must end inside the reply buffer.
  constexpr int kValueStart = 5;
  constexpr int kMaxWidth = static_cast<int>(kReplyBufferBytes) - kValueStart - 1;
  const char* value = reply + kValueStart;
  int type = 0;
  const bool changed = ctx.state.edit_MenuItem(n, [&](MenuListItem& item) {
    type = item.type;
    const int w = item.width;
    if (w <= 0 || w > kMaxWidth) return false;
    const auto width = static_cast<std::size_t>(w);
    if (item.type == 41) {
      // A text item changes when its text does; its number stays as it is.
      char text[sizeof item.text] = {};
      std::memcpy(text, value, strnlen(value, std::min(width, sizeof text - 1)));
      if (std::strncmp(text, item.text, sizeof text) == 0) return false;
      std::memcpy(item.text, text, sizeof text);
      return true;
    }
    double v = menuTextValue(value, width);
    if (item.type == 16 && v > 240) v = (v - 240) * 30 + 240;
    if (item.type == 40) v -= 2;
    if (v == item.value) return false;
    item.value = v;
    return true;
  });
  ctx.state.count_MenuReply(n);
  if (!changed) return false;
  const WParam w = n == kExMeterTypeSelect || n == kExAnt3Setting ? static_cast<WParam>(n) : 0;
  ctx.window.postMessage(WM_ANL_EVT_EX, w, 0);
  if (type == 11) postRowEvent(ctx, static_cast<int>(ReplyRow::CO));
  if (type == 12) postRowEvent(ctx, static_cast<int>(ReplyRow::BP));
  return true;
}

}  // namespace hrx
