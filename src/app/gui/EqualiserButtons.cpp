#include "app/gui/EqualiserButtons.h"

#include <QPushButton>

namespace hrx::gui {

QAbstractButton* makeHoldButton(QWidget* parent, int code, const QString& text, HoldSink sink) {
  auto* b = new QPushButton(text, parent);
  b->setAutoDefault(false);
  b->setFocusPolicy(Qt::NoFocus);
  QObject::connect(b, &QPushButton::pressed, b, [sink, code] { sink(code, true); });
  QObject::connect(b, &QPushButton::released, b, [sink, code] { sink(code, false); });
  return b;
}

}  // namespace hrx::gui
