// The knobs as drawn: the red pointer marks of the four concentric knobs,
// redrawn from the stored state whenever a reply about one of their values
// comes, and the CLAR/VFO-B dial turned by its own drags and wheel notches,
// by the third dial and by the select dials' functions.
#include <QPainter>
#include <array>
#include <cmath>

#include "analysis/AnalyserMessages.h"
#include "app/gui/routes/DisplayPart.h"
#include "panel/KnobPointer.h"
#include "panel/PanelCtrl.h"

namespace hrx::gui {

namespace {

constexpr int kBackgroundId = 1221;
constexpr int kKnobY = 285;
constexpr std::array<int, 4> kKnobX = {140, 254, 367, 480};
constexpr int kKnobHalf = 28;   // the outer ring (radius 27) and its edge
constexpr int kKnobSide = 2 * kKnobHalf + 1;
constexpr QRgb kPointerRed = 0xFFFF0000;

// The CLAR/VFO-B dial face; the third dial and the select dials' functions
// have no face of their own and turn this one.
constexpr int kSubDialFaceId = 1329;
constexpr int kSubDialX = 895, kSubDialY = 231;
constexpr int kDimpleRadius = 30;
constexpr int kDimpleSize = 9;

struct KnobPart final : WindowPart {
  explicit KnobPart(MainWindowServices&) {}
  std::array<QImage, 4> knobs;   // composed off screen, copied whole
  QImage dimple;
  int subDialAngle = 90;
};

// Each knob's inner (even) and outer (odd) control.
void RealDispDial(MainWindowServices& w, int knob) {
  const QImage* bg = w.renderer().store().LoadBitmap(kBackgroundId);
  if (bg == nullptr) return;
  KnobPart& part = w.part<KnobPart>();
  QImage& buf = part.knobs[static_cast<std::size_t>(knob)];
  if (buf.isNull()) buf = QImage(kKnobSide, kKnobSide, QImage::Format_RGB32);
  const int cx = kKnobX[static_cast<std::size_t>(knob)];
  const int left = cx - kKnobHalf, top = kKnobY - kKnobHalf;
  QPainter p(&buf);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.drawImage(0, 0, *bg, left, top, kKnobSide, kKnobSide);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QPen(QColor::fromRgb(kPointerRed), 2));
  const RadioState& st = displayState(w);
  for (int inner = 0; inner < 2; ++inner) {
    const int id = panel::kIdFirstKnob + 2 * knob + 1 - inner;
    const panel::PointerLine l = panel::pointerLine(cx, kKnobY, inner == 1, panel::knobPointerAngle(id, st));
    p.drawLine(l.x0 - left, l.y0 - top, l.x1 - left, l.y1 - top);
  }
  p.end();
  w.renderer().surface().CopyBitmap(&buf, left, top);
}

LParam onMicSpeedKnob(MainWindowServices& w, const Msg&) {
  RealDispDial(w, 0);
  return 0;
}

LParam onNotchKnob(MainWindowServices& w, const Msg&) {
  RealDispDial(w, 1);
  return 0;
}

LParam onShiftKnob(MainWindowServices& w, const Msg&) {
  RealDispDial(w, 2);
  return 0;
}

LParam onAfKnob(MainWindowServices& w, const Msg&) {
  RealDispDial(w, 3);
  return 0;
}

// The face with its finger mark at `angle`; 360 (at rest) keeps the mark
// where it was.
LParam onSubDialAngle(MainWindowServices& w, const Msg& m) {
  KnobPart& part = w.part<KnobPart>();
  if (m.w < static_cast<WParam>(panel::kAngleAtRest)) part.subDialAngle = static_cast<int>(m.w);
  render::PanelSurface& surface = w.renderer().surface();
  const QImage* face = w.renderer().store().LoadBitmap(kSubDialFaceId);
  if (surface.DrawBitmap(face, kSubDialX, kSubDialY, render::kKeyGreen) != render::kDrawn) return 0;
  if (part.dimple.isNull()) {
    part.dimple = QImage(kDimpleSize, kDimpleSize, QImage::Format_RGB32);
    part.dimple.fill(render::kKeyGreen);
    const int r = kDimpleSize / 2;
    for (int y = 0; y < kDimpleSize; ++y)
      for (int x = 0; x < kDimpleSize; ++x)
        if ((x - r) * (x - r) + (y - r) * (y - r) <= r * r) part.dimple.setPixel(x, y, 0xFF2A2C30);
  }
  const double a = part.subDialAngle * M_PI / 180.0;
  const int cx = kSubDialX + face->width() / 2;
  const int cy = kSubDialY + face->height() / 2;
  const int px = cx + static_cast<int>(std::lround(kDimpleRadius * std::cos(a)));
  const int py = cy - static_cast<int>(std::lround(kDimpleRadius * std::sin(a)));
  surface.DrawBitmap(&part.dimple, px - kDimpleSize / 2, py - kDimpleSize / 2, render::kKeyGreen);
  return 0;
}

constexpr WindowRow kMessages[] = {
    {WM_ANL_EVT_KS, onMicSpeedKnob},
    {WM_ANL_EVT_MG, onMicSpeedKnob},
    {WM_ANL_EVT_PL, onMicSpeedKnob},
    {WM_ANL_EVT_PC, onMicSpeedKnob},
    // The mode or the worked side picks what the first knob means.
    {WM_ANL_EVT_MD, onMicSpeedKnob},
    {WM_ANL_EVT_VS, onMicSpeedKnob},
    {WM_ANL_EVT_BP, onNotchKnob},
    {WM_ANL_EVT_CO, onNotchKnob},
    {WM_ANL_EVT_IS, onShiftKnob},
    {WM_ANL_EVT_SH, onShiftKnob},
    {WM_ANL_EVT_SQ, onAfKnob},
    {WM_ANL_EVT_AG, onAfKnob},
    {WM_ANL_EVT_RG, onAfKnob},
    {panel::kMsgSubDialAngle, onSubDialAngle},
    {panel::kMsgThirdDialAngle, onSubDialAngle},
    {panel::kMsgFourthDialAngle, onSubDialAngle},
    {0x85F2, onSubDialAngle}, {0x85F3, onSubDialAngle}, {0x85F4, onSubDialAngle}, {0x85F5, onSubDialAngle},
    {0x85F6, onSubDialAngle}, {0x85F7, onSubDialAngle}, {0x85F8, onSubDialAngle}, {0x85F9, onSubDialAngle},
    {0x85FA, onSubDialAngle}, {0x85FB, onSubDialAngle}, {0x85FC, onSubDialAngle}, {0x85FD, onSubDialAngle},
    {0x85FE, onSubDialAngle}, {0x85FF, onSubDialAngle}, {0x8600, onSubDialAngle}, {0x8601, onSubDialAngle},
};

}  // namespace

extern const WindowRoutes kKnobRoutes{"knobs", kMessages, {}, {}};

}  // namespace hrx::gui
