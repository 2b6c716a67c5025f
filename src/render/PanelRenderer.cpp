#include "render/PanelRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "render/Transmitting.h"
#include "state/RadioState.h"

namespace hrx::render {

namespace {

constexpr bool isFmMode(int mode) { return mode == 4 || mode == 10 || mode == 11; }

}  // namespace

void PanelRenderer::LoadPanelImages() {
  for (std::size_t e = 0; e < slots_.size(); ++e) {
    const SwitchImageGroup& g = kPanelImageCatalogue[e];
    slots_[e].clear();
    for (int i = 0; i < g.count; ++i) {
      BitmapSlot s;
      s.bitmap = store_.LoadBitmap(g.ids[static_cast<std::size_t>(i)]);
      s.x = g.x;
      s.y = g.y;
      s.width = s.bitmap != nullptr ? g.width : 0;
      s.height = s.bitmap != nullptr ? g.height : 0;
      slots_[e].push_back(s);
    }
  }
}

int PanelRenderer::drawBackground() {
  return surface_.CopyBitmap(store_.LoadBitmap(kPanelBackgroundId), 0, 0);
}

int PanelRenderer::drawSwitch(Switch element, int state) {
  const auto& slots = slots_[static_cast<std::size_t>(element)];
  if (state < 0 || state >= static_cast<int>(slots.size())) return kNoBitmap;
  shown_[static_cast<std::size_t>(element)] = state;
  return surface_.DrawBitmap(slots[static_cast<std::size_t>(state)]);
}

void PanelRenderer::drawAllSwitches(int state) {
  for (int e = 0; e < static_cast<int>(Switch::Count); ++e)
    if (kPanelImageCatalogue[e].kind == ImageKind::Switch) drawSwitch(static_cast<Switch>(e), state);
}

int PanelRenderer::DrawMainDigit(int glyph, int position, bool highlighted) {
  if (position < 0 || position >= static_cast<int>(kMainDigitX.size())) return kNoBitmap;
  int id = kMainGlyphBlank;
  if (glyph >= 0 && glyph <= 9) {
    id = highlighted ? kMainGlyphChosen[static_cast<std::size_t>(glyph)] : kMainGlyph[static_cast<std::size_t>(glyph)];
  } else if (glyph == kGlyphToneT) {
    id = kMainToneT;
  } else if (glyph == kGlyphToneD) {
    id = kMainToneD;
  }
  BitmapSlot slot{store_.LoadBitmap(id), kMainDigitX[static_cast<std::size_t>(position)], kMainDigitY,
                  kMainDigitWidth, kMainDigitHeight};
  return surface_.DrawBitmap(slot);
}

void PanelRenderer::DrawMainFrequency(const RadioState& state, std::int32_t frequency) {
  // The kHz point overlaps a digit's last column: redrawn alike, the two
  // would change that column back and forth every time.
  const DamageBatch batch(surface_, QRect(kMainDigitX[0], kMainDigitY, kMainDigitX[7] + kMainDigitWidth - kMainDigitX[0],
                                          kMainDigitHeight));
  char text[16];
  std::snprintf(text, sizeof text, "%8d", static_cast<int>(frequency));
  if (isFmMode(state.get_IF_Mode())) {
    int tone;
    int tx;
    if (state.get_FT_Stat() == 0) {
      tone = state.get_CT_Main();
      tx = rememberedTx_ = state.get_TxStat();
    } else {
      tone = state.get_IF_ToneMode();
      tx = rememberedTx_;
    }
    char mark = ' ';
    if (tone == 1) mark = isTransmitting(tx) ? 't' : 'd';
    else if (tone == 2) mark = isTransmitting(tx) ? 't' : ' ';
    text[7] = mark;
  }
  for (int i = 0; i < 8; ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') DrawMainDigit(c - '0', i, i == 8 - chosenMainDigit_);
    else if (c == 't') DrawMainDigit(kGlyphToneT, i, false);
    else if (c == 'd') DrawMainDigit(kGlyphToneD, i, false);
    else DrawMainDigit(kGlyphBlank, i, false);
  }
  const bool mhzDigit = text[1] >= '0' && text[1] <= '9';
  surface_.DrawBitmap(BitmapSlot{store_.LoadBitmap(mhzDigit ? kMainPointLit : kMainPointBlank), kMainMhzPointX,
                                 kMainPointY, 4, 4});
  surface_.DrawBitmap(BitmapSlot{store_.LoadBitmap(kMainPointLit), kMainKhzPointX, kMainPointY, 4, 4});
}

namespace {

struct Ramp {
  std::array<QRgb, 64> bar;
  std::array<QRgb, 64> peak;
};

constexpr QRgb grey(int v) { return 0xFF000000u | (static_cast<QRgb>(v) << 16) | (static_cast<QRgb>(v) << 8) | static_cast<QRgb>(v); }
constexpr QRgb red(int r, int g) { return 0xFF000000u | (static_cast<QRgb>(r) << 16) | (static_cast<QRgb>(g) << 8); }

// First bar: 32 greys rising to white, then reds; second bar: a slower grey
// ramp. The peak marks are the same ramps a step brighter.
constexpr std::array<Ramp, 2> makeRamps() {
  std::array<Ramp, 2> r{};
  for (int i = 0; i < 64; ++i) {
    const std::size_t k = static_cast<std::size_t>(i);
    int g = i < 30 ? 104 + 5 * i : (i == 30 ? 253 : 255);
    r[0].bar[k] = i < 32 ? grey(g) : red(i == 32 ? 255 : 253, i == 32 ? 2 : (i == 33 ? 1 : 0));
    r[0].peak[k] = i < 32 ? grey(255) : red(255, 96);
    const int slow = 104 + 2 * i;
    r[1].bar[k] = grey(slow);
    r[1].peak[k] = grey(slow + 24 > 255 ? 255 : slow + 24);
  }
  return r;
}
constexpr std::array<Ramp, 2> kRamps = makeRamps();

int menuItemValue(const RadioState& s, int item) {
  MenuListItem m;
  return s.get_MenuItem(item, &m) ? static_cast<int>(m.value) : 0;
}

int segmentsOf(int value) { return kBarSegments[static_cast<std::size_t>(std::clamp(value, 0, 255))]; }

}  // namespace

void PanelRenderer::drawBar(QImage& buffer, int bar, int segments, int top, int bottom) {
  Bar& b = bars_[static_cast<std::size_t>(bar)];
  const Ramp& ramp = kRamps[static_cast<std::size_t>(bar)];
  if (peakHoldTicks_ > 0) {
    if (segments >= b.held) {
      b.held = segments;
      b.countdown = peakHoldTicks_;
    } else if (b.countdown == 0) {
      b.held = segments;
    }
  }
  auto line = [&](int i, QRgb colour) {
    const int x = kBarFirstX + 2 * i;
    if (x < 0 || x >= buffer.width()) return;
    for (int y = top; y <= bottom && y < buffer.height(); ++y) buffer.setPixel(x, y, colour);
  };
  for (int i = 0; i < segments && i < 64; ++i) line(i, ramp.bar[static_cast<std::size_t>(i)]);
  if (peakHoldTicks_ > 0 && b.held >= 1) line(b.held - 1, ramp.peak[static_cast<std::size_t>(b.held - 1)]);
}

bool PanelRenderer::peakHoldTick() {
  bool ranOut = false;
  for (Bar& b : bars_) {
    if (b.countdown > 0 && --b.countdown == 0) ranOut = true;
  }
  return ranOut;
}

int PanelRenderer::drawMeterStrip(const RadioState& state, int value) {
  const int selection = state.get_MS_Stat();
  if (selection < 0 || selection >= kMeterSelections) return kNoBitmap;
  const bool bars = menuItemValue(state, kMeterTypeItem) != 0;
  const std::size_t sel = static_cast<std::size_t>(selection);
  const QImage* face = store_.LoadBitmap(bars ? kBarFace[sel] : kAnalogFace[sel]);
  if (face == nullptr) return kNoBitmap;
  QImage buffer = face->copy();
  const bool transmitting = isTransmitting(state.get_TxStat());
  if (transmitting)
    DrawBitmap(store_, kMeterTxLampId, buffer, kMeterLampX, kMeterLampY, kKeyMagenta);
  else if (state.get_MainRx_Busy() != 0)
    DrawBitmap(store_, kMeterBusyLampId, buffer, kMeterLampX, kMeterLampY, kKeyMagenta);
  if (bars) {
    peakHoldTicks_ = peakHoldTicks(menuItemValue(state, kPeakHoldItem));
    if (selection != meterSelection_) bars_ = {};
    if (selection == kSelectionPo) {
      if (transmitting) DrawBitmap(store_, kBarPoLabelId, buffer, 6, 29, kKeyMagenta);
      drawBar(buffer, 0, segmentsOf(value), 25, 30);
    } else {
      if (transmitting) DrawBitmap(store_, kBarPoLabelId, buffer, 6, 21, kKeyMagenta);
      drawBar(buffer, 0, segmentsOf(value), 16, 21);
      drawBar(buffer, 1, segmentsOf(state.get_RM_Meter2()), 37, 40);
    }
  } else {
    peakHoldTicks_ = 0;
    int shown = value;
    if (transmitting) {
      shown = state.get_RM_Meter2();
      DrawBitmap(store_, kAnalogTxLabel[sel], buffer, kMeterTxLabelX, kMeterTxLabelY, kKeyMagenta);
    }
    shown = std::clamp(shown, 0, static_cast<int>(kNeedleFrame.size()) - 1);
    DrawBitmap(store_, kNeedleFrame[static_cast<std::size_t>(shown)], buffer, 0, 0, kKeyBlack);
  }
  meterSelection_ = selection;
  return surface_.CopyBitmap(&buffer, kMeterStrip.x(), kMeterStrip.y());
}

int PanelRenderer::drawBlockIconStrip() {
  return surface_.CopyBitmap(store_.LoadBitmap(kBlockIconBackgroundId), kBlockIconStrip.x(), kBlockIconStrip.y());
}

void PanelRenderer::DrawTFT_VFO_B_Freq(const RadioState& state, std::int32_t frequency) {
  surface_.DrawBitmap(store_.LoadBitmap(kVfoBCaptionId), kVfoBCaptionX, kVfoBCaptionY, kKeyMagenta);
  const int mode = state.get_OI_Mode();
  if (mode >= 0 && mode < static_cast<int>(kVfoBModeLabel.size()) && kVfoBModeLabel[static_cast<std::size_t>(mode)] != 0)
    surface_.DrawBitmap(store_.LoadBitmap(kVfoBModeLabel[static_cast<std::size_t>(mode)]), kVfoBModeX, kVfoBModeY,
                        kKeyMagenta);
  surface_.DrawBitmap(store_.LoadBitmap(state.get_FS_Flag2() != 0 ? kVfoBFastOn : kVfoBFastOff), kVfoBFastX,
                      kVfoBFastY, kKeyMagenta);
  surface_.DrawBitmap(store_.LoadBitmap(state.get_LK_Flag2() != 0 ? kVfoBLockOn : kVfoBLockOff), kVfoBLockX,
                      kVfoBLockY, kKeyMagenta);
  char text[16];
  std::snprintf(text, sizeof text, "%8d", static_cast<int>(frequency));
  for (std::size_t i = 0; i < kVfoBDigitX.size(); ++i) {
    const char c = text[i];
    int id = kVfoBDigitBlank;
    if (c >= '0' && c <= '9') {
      const int d = c - '0';
      id = static_cast<int>(i) == 8 - chosenVfoBDigit_ ? kVfoBDigitChosen[static_cast<std::size_t>(d)]
                                                       : kVfoBDigitFirst + d;
    }
    surface_.DrawBitmap(store_.LoadBitmap(id), kVfoBDigitX[i], kVfoBDigitY, kKeyMagenta);
  }
  surface_.DrawBitmap(store_.LoadBitmap(frequency >= 1000000 ? kVfoBPoint : kVfoBPointBlank), kVfoBMhzPointX,
                      kVfoBDigitY, kKeyMagenta);
  surface_.DrawBitmap(store_.LoadBitmap(frequency >= 1000 ? kVfoBPoint : kVfoBPointBlank), kVfoBKhzPointX,
                      kVfoBDigitY, kKeyMagenta);
}

int PanelRenderer::drawMainDial(int angle) {
  if (angle >= 0 && angle < kDialAtRest) mainDialAngle_ = angle;
  const QImage* face = store_.LoadBitmap(kMainDialId);
  const int r = surface_.DrawBitmap(face, kMainDialX, kMainDialY, kKeyGreen);
  if (r != kDrawn) return r;
  // The finger dimple, drawn into the surface over the face.
  const double a = mainDialAngle_ * M_PI / 180.0;
  const int cx = kMainDialX + face->width() / 2;
  const int cy = kMainDialY + face->height() / 2;
  const int px = cx + static_cast<int>(std::lround(62 * std::cos(a)));
  const int py = cy - static_cast<int>(std::lround(62 * std::sin(a)));
  if (dimple_.isNull()) {
    dimple_ = QImage(13, 13, QImage::Format_RGB32);
    dimple_.fill(kKeyGreen);
    for (int y = 0; y < 13; ++y)
      for (int x = 0; x < 13; ++x)
        if ((x - 6) * (x - 6) + (y - 6) * (y - 6) <= 36) dimple_.setPixel(x, y, 0xFF2A2C30);
  }
  return surface_.DrawBitmap(&dimple_, px - 6, py - 6, kKeyGreen);
}

}  // namespace hrx::render
