// The drawn panel: its paint, and the mouse handed to the panel controller.
#include "app/gui/PanelWidget.h"

#include <QMouseEvent>
#include <QPainter>

#include "app/gui/QtMainWindow.h"

namespace hrx::gui {

PanelWidget::PanelWidget(QtMainWindow& window, const QImage& image) : window_(window), image_(image) {
  setFixedSize(image.size());
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
}

void PanelWidget::paintEvent(QPaintEvent* e) {
  QPainter p(this);
  if (window_.isMinimized()) {
    // What a minimised window still shows: the icon in the middle.
    p.fillRect(rect(), QColor(0x26, 0x29, 0x2E));
    const QImage& icon = window_.iconImage();
    p.drawImage(QPoint((width() - icon.width()) / 2, (height() - icon.height()) / 2), icon);
    return;
  }
  window_.onPanelPaint();
  const QImage& hiRes = window_.surface_.hiResImage();
  if (hiRes.isNull()) {
    p.drawImage(e->rect().topLeft(), image_, e->rect());
  } else {
    const QRect r = e->rect();
    p.drawImage(QRectF(r), hiRes, QRectF(r.x() * 2, r.y() * 2, r.width() * 2, r.height() * 2));
  }
}

void PanelWidget::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  // Shown again after the start: what it showed is to be drawn anew. The
  // window system's own shows (un-minimising) are handled by changeEvent.
  if (window_.started_ && !e->spontaneous()) window_.eraseBackground();
}

void PanelWidget::mousePressEvent(QMouseEvent* e) {
  lastPos_ = e->position().toPoint();
  if (e->button() == Qt::LeftButton) {
    leftDown_ = true;
    window_.panel_.OnLButtonDown(lastPos_.x(), lastPos_.y());
  } else if (e->button() == Qt::RightButton) {
    rightDown_ = true;
    window_.panel_.OnRButtonDown(lastPos_.x(), lastPos_.y());
  }
}

// A double click is a second press, as the window system reports it.
void PanelWidget::mouseDoubleClickEvent(QMouseEvent* e) { mousePressEvent(e); }

void PanelWidget::mouseReleaseEvent(QMouseEvent* e) {
  lastPos_ = e->position().toPoint();
  // A button already let go by buttonsLost() is not released twice.
  if (e->button() == Qt::LeftButton && leftDown_) {
    leftDown_ = false;
    window_.panel_.OnLButtonUp(lastPos_.x(), lastPos_.y());
  } else if (e->button() == Qt::RightButton && rightDown_) {
    rightDown_ = false;
    window_.panel_.OnRButtonUp(lastPos_.x(), lastPos_.y());
  }
}

void PanelWidget::buttonsLost() {
  if (leftDown_) {
    leftDown_ = false;
    window_.panel_.OnLButtonUp(lastPos_.x(), lastPos_.y());
  }
  if (rightDown_) {
    rightDown_ = false;
    window_.panel_.OnRButtonUp(lastPos_.x(), lastPos_.y());
  }
}

void PanelWidget::mouseMoveEvent(QMouseEvent* e) { lastPos_ = e->position().toPoint(); }

void PanelWidget::wheelEvent(QWheelEvent* e) {
  e->accept();
  const int notches = wheel_.add(e->angleDelta().y(), e->pixelDelta().y(), e->timestamp());
  const QPoint at = e->position().toPoint();
  for (int i = 0; i < (notches < 0 ? -notches : notches); ++i)
    window_.panel_.OnMouseWheel(notches < 0 ? -panel::kWheelNotch : panel::kWheelNotch, at.x(), at.y());
}

}  // namespace hrx::gui
