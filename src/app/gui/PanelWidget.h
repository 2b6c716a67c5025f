#pragma once
// The drawn panel: the main window's central widget.
#include <QPoint>
#include <QWidget>

#include "panel/WheelNotches.h"

class QImage;

namespace hrx::gui {

class QtMainWindow;

// Shows the panel surface unscaled and hands the mouse to the controller.
// The main window's central widget, made and owned by it; GUI thread only.
class PanelWidget final : public QWidget {
 public:
  PanelWidget(QtMainWindow& window, const QImage& image);
  QPoint lastPos() const { return lastPos_; }
  bool leftDown() const { return leftDown_; }
  bool rightDown() const { return rightDown_; }
  // A pop-up that takes the mouse also takes the button's release.
  void forgetButtons() { leftDown_ = rightDown_ = false; }
  // Another window took the mouse (the panel is blocked or inactive): its
  // release will not come here, so a held button is let go as now.
  void buttonsLost();

 protected:
  void paintEvent(QPaintEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;

 private:
  QtMainWindow& window_;
  const QImage& image_;
  QPoint lastPos_;
  bool leftDown_ = false;
  bool rightDown_ = false;
  panel::WheelNotches wheel_;
};

}  // namespace hrx::gui
