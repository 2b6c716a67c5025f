#pragma once
// The equaliser's 23 buttons are push-and-hold buttons that report press and
// release with their code; the editor does its own auto-repeat (timer 29).
#include <QString>
#include <functional>

class QAbstractButton;
class QWidget;

namespace hrx::gui {

// Called with the button's code, true on press and false on release.
using HoldSink = std::function<void(int code, bool pressed)>;

QAbstractButton* makeHoldButton(QWidget* parent, int code, const QString& text, HoldSink sink);

}  // namespace hrx::gui
