// The polled pass-band pictures. Their geometry is our own: one 101 x 27
// picture per side in the TFT screen's filter column, the pass band as a
// trapezoid whose centre follows the IF shift and whose width follows the
// WIDTH control, the contour and notch as marks, the APF centre as a
// circle, and the shift read out below.
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cstdio>

#include "render/PanelRenderer.h"
#include "state/RadioState.h"

namespace hrx::render {

namespace {

constexpr int kGroundId = 970;
constexpr int kDigitIds[10] = {1186, 1187, 1188, 1190, 1191, 1192, 1193, 1194, 1195, 1196};
constexpr int kMinusId = 1198, kPlusId = 1199, kHzId = 1200, kShiftCaptionId = 1182;
constexpr QRgb kBandColour = 0xFF90B8E1;

}  // namespace

bool PanelRenderer::drawPassBand(int side, const RadioState& s) {
  if (side < 0 || side > 1) return false;
  const bool sub = side == 1;
  const std::array<int, 8> shape = {
      sub ? s.get_MD_Sub() : s.get_MD_Main(),
      sub ? s.get_IS_Sub() : s.get_IS_Main(),
      sub ? s.get_SH_Sub() : s.get_SH_Main(),
      sub ? s.get_CO_Sub_On() : s.get_CO_Main_On(),
      sub ? s.get_CO_Sub_Level1() : s.get_CO_Main_Level1(),
      sub ? s.get_CO_Sub_Level2() : s.get_CO_Main_Level2(),
      sub ? s.get_BP_Sub_On() : s.get_BP_Main_On(),
      sub ? s.get_BP_Sub_Level() : s.get_BP_Main_Level(),
  };
  const std::size_t k = static_cast<std::size_t>(side);
  if (passBandValid_[k] && passBandDrawn_[k] == shape) return false;
  passBandValid_[k] = true;
  passBandDrawn_[k] = shape;

  const QImage* ground = store_.LoadBitmap(kGroundId);
  QImage buffer = ground != nullptr ? ground->copy() : QImage(101, 27, QImage::Format_RGB32);
  if (ground == nullptr) buffer.fill(Qt::black);
  {
    QPainter p(&buffer);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(0x30, 0x38, 0x40));
    p.setBrush(Qt::black);
    p.drawRoundedRect(QRect(0, 0, 100, 26), 5, 6);
    const int mode = shape[0];
    const int hz = widthHz(mode, shape[2], (sub ? s.get_NA_Sub() : s.get_NA_Main()) != 0);
    const int half = std::clamp(hz > 0 ? hz / 120 : 36, 3, 44);
    const int centre = std::clamp(50 + shape[1] / 25, 6, 94);
    const QPolygon band({QPoint(centre - half, 15), QPoint(centre - half + 3, 3), QPoint(centre + half - 3, 3),
                         QPoint(centre + half, 15)});
    p.setPen(QColor::fromRgb(kBandColour));
    p.setBrush(QColor::fromRgb(kBandColour).darker(180));
    p.drawPolygon(band);
    if (shape[3] != 0) {
      // Contour: a dip; APF (kind 2): a circle at its centre.
      const int cx = std::clamp(centre - half + shape[4] * 2 * half / 40, 3, 97);
      p.setPen(QPen(QColor(0xFF, 0xD0, 0x40), 2));
      if ((sub ? s.get_CO_Sub_OnKind() : s.get_CO_Main_OnKind()) == 2) p.drawEllipse(QPoint(cx, 8), 4, 4);
      else p.drawLine(cx, 3, cx, 9);
    }
    if (shape[6] != 0) {
      const int nx = std::clamp(centre - half + shape[7] * 2 * half / 400, 2, 98);
      p.setPen(QPen(QColor(0xFF, 0x40, 0x40), 1));
      p.drawLine(nx, 2, nx, 15);
    }
  }
  // The shift read-out: caption, sign, digits, Hz.
  int x = 4;
  auto put = [&](int id, int w) {
    DrawBitmap(store_, id, buffer, x, 16, kKeyMagenta);
    x += w;
  };
  put(kShiftCaptionId, 24);
  char digits[16];
  std::snprintf(digits, sizeof digits, "%d", shape[1] < 0 ? -shape[1] : shape[1]);
  put(shape[1] < 0 ? kMinusId : kPlusId, 7);
  for (const char* c = digits; *c != '\0'; ++c) put(kDigitIds[*c - '0'], 7);
  put(kHzId, 14);
  const QRect& at = sub ? kPassBandSub : kPassBandMain;
  surface_.CopyBitmap(&buffer, at.x(), at.y());
  return true;
}

}  // namespace hrx::render
