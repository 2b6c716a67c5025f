#include "app/gui/widgets/EqualiserButtons.h"

#include "app/gui/widgets/PushHoldButton.h"

namespace hrx::gui {

QAbstractButton* makeHoldButton(QWidget* parent, int code, const QString& text, HoldSink sink) {
  auto* b = new PushHoldButton(text, code, parent);
  // Reached with Tab (and held with Space), not taken by a click.
  b->setFocusPolicy(Qt::TabFocus);
  QObject::connect(b, &PushHoldButton::holdChanged, b, [sink](int index, bool pressed) { sink(index, pressed); });
  return b;
}

}  // namespace hrx::gui
