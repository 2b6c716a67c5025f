#include "app/gui/widgets/EqualiserGraph.h"

#include <QPaintEvent>
#include <QPainter>

#include "equaliser/EqResponse.h"

namespace hrx::gui {

namespace {

constexpr QRgb kBandRgb[eq::kBands] = {0xFFFF0000, 0xFF0000FF, 0xFF00FF00};

void dottedRow(QImage& img, int y) {
  if (y < 0 || y >= img.height()) return;
  for (int x = 0; x < img.width(); x += 2) img.setPixel(x, y, kGraphGrid);
}

void dottedColumn(QImage& img, int x) {
  if (x < 0 || x >= img.width()) return;
  for (int y = 0; y < img.height(); y += 2) img.setPixel(x, y, kGraphGrid);
}

void plot(QImage& img, const eq::Curve& c, QRgb colour) {
  eq::plotCurve(c, [&](int x, int y) { img.setPixel(x, y, colour); });
}

}  // namespace

EqGraphWidget::EqGraphWidget(QWidget* parent)
    : QWidget(parent), canvas_(eq::kCanvasWidth, eq::kCanvasHeight, QImage::Format_RGB32) {
  canvas_.fill(kGraphGround);
  setFixedSize(eq::kCanvasWidth, eq::kCanvasHeight);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void EqGraphWidget::render(const eq::EqValues& values, int lastBand) {
  canvas_.fill(kGraphGround);
  for (int hz : eq::kGridHz) dottedColumn(canvas_, static_cast<int>(eq::graphX(hz)));
  for (int y = 0; y <= eq::kZeroDbY; y += eq::kGridStep) dottedRow(canvas_, y);
  for (int y = eq::kZeroDbY - 1; y < eq::kCanvasHeight; y += eq::kGridStep) dottedRow(canvas_, y);
  // The 0 dB line, 3 pixels wide.
  for (int y = eq::kZeroDbY - 1; y <= eq::kZeroDbY + 1; ++y)
    for (int x = 0; x < eq::kCanvasWidth; ++x) canvas_.setPixel(x, y, kGraphGrid);

  plot(canvas_, eq::sumCurve(values), kGraphSum);
  for (int b = 0; b < eq::kBands; ++b)
    if (b + 1 != lastBand) plot(canvas_, eq::bandCurve(values, b), kBandRgb[b]);
  if (lastBand >= 1 && lastBand <= eq::kBands)
    plot(canvas_, eq::bandCurve(values, lastBand - 1), kBandRgb[lastBand - 1]);
  ++renders_;
  update();
}

void EqGraphWidget::paintEvent(QPaintEvent* e) {
  QPainter p(this);
  p.drawImage(e->rect().topLeft(), canvas_, e->rect());
}

}  // namespace hrx::gui
