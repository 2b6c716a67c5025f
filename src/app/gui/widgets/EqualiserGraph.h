#pragma once
// The equaliser's response graph: a 900 x 352 canvas drawn from the nine
// values (grid, the sum in black, then the bands in their colours, the band
// changed last on top) and shown unscaled.
#include <QImage>
#include <QWidget>

#include "equaliser/EqValues.h"

namespace hrx::gui {

// The canvas's ground before anything is drawn on it.
inline constexpr QRgb kGraphGround = 0xFFFFFFFF;
inline constexpr QRgb kGraphGrid = 0xFFFF8000;
inline constexpr QRgb kGraphSum = 0xFF000000;

class EqGraphWidget final : public QWidget {
 public:
  explicit EqGraphWidget(QWidget* parent);
  // Draws the canvas anew; lastBand 1..3 (0: none) is drawn on top.
  void render(const eq::EqValues& values, int lastBand);
  const QImage& canvas() const { return canvas_; }
  int renders() const { return renders_; }

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  QImage canvas_;
  int renders_ = 0;
};

}  // namespace hrx::gui
