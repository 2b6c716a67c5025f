#include "app/gui/windows/OptionDialog.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "app/gui/MainWindowServices.h"

namespace hrx::gui {

QSize dialogUnits(const QWidget& w, int x, int y) {
  const QFontMetrics fm(w.font());
  return {x * fm.averageCharWidth() / 4, y * fm.height() / 8};
}

void makeValueLabel(QLabel& label) {
  QFont f(QStringLiteral("Arial"));
  const qreal dpi = label.logicalDpiY() > 0 ? label.logicalDpiY() : 96;
  f.setPixelSize(static_cast<int>(50 * dpi / 96));
  label.setFont(f);
  label.setAutoFillBackground(true);
  label.setAlignment(Qt::AlignCenter);
  label.setFrameShape(QFrame::Box);
  QPalette p = label.palette();
  p.setColor(QPalette::Window, Qt::white);
  p.setColor(QPalette::WindowText, Qt::black);
  label.setPalette(p);
}

void setTextColour(QLabel& label, const QColor& colour) {
  QPalette p = label.palette();
  p.setColor(QPalette::WindowText, colour);
  label.setPalette(p);
}

QString controlName(int id) { return QString::number(id); }

OptionDialog::OptionDialog(MainWindowServices& window, const char* caption, MsgId closeMsg, int widthDu, int heightDu)
    : QDialog(&window.widget()), w_(window), closeMsg_(closeMsg) {
  setWindowTitle(QString::fromUtf8(caption));
  setModal(false);
  if (widthDu > 0) resize(dialogUnits(*this, widthDu, heightDu));
}

void OptionDialog::finish() {
  if (finished_) return;
  finished_ = true;
  hide();
  w_.postMessage(closeMsg_, 0, 0);
}

void OptionDialog::reject() { finish(); }

QPushButton* OptionDialog::opButton(int id, const QString& text, int op) {
  auto* b = new QPushButton(text, this);
  b->setObjectName(controlName(id));
  b->setAutoDefault(false);
  connect(b, &QPushButton::clicked, this, [this, op] { request(op); });
  return b;
}

void OptionDialog::request(int op, bool subSide, std::int32_t value) {
  if (w_.core() != nullptr) w_.core()->request(op, subSide, value);
}

}  // namespace hrx::gui
