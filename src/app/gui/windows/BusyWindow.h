#pragma once
// The busy-message window: run modally before an editor that needs the
// radio's menu settings, so the operator waits for a running read-out.
#include <QDialog>

#include "platform/WindowFlags.h"

class QTimer;

namespace hrx::gui {

inline constexpr const char* kBusyText = "Reading the menu setting data now.";
inline constexpr int kBusyTimeoutMs = 10000;
// The pause before the window goes, so it is seen to close.
inline constexpr int kBusyCloseDelayMs = 100;

enum class BusyEnd { NotBusy = 1, ReadOutEnded = 2, TimedOut = 3 };

class BusyWindow final : public QDialog {
 public:
  BusyWindow(WindowFlags& flags, QWidget* parent, int timeoutMs = kBusyTimeoutMs);
  // The composer's end-of-read-out message (forwarded by the main window).
  void readOutEnded();
  int timeoutMs() const { return timeoutMs_; }

 protected:
  void showEvent(QShowEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  // Only the window itself ends its run.
  void reject() override {}

 private:
  void finish(BusyEnd how);
  WindowFlags& flags_;
  QTimer* timeout_;
  int timeoutMs_;
  bool finishing_ = false;
};

}  // namespace hrx::gui
