#pragma once
// The Qt main window over the real core and the simulated radio on a
// pseudo-terminal: one program on one simulated radio, started and (unless
// a test does it) shut down again.
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <functional>
#include <memory>

#include "GuiRig.h"
#include "SimPty.h"
#include "SimRadio.h"
#include "app/gui/QtMainWindow.h"

namespace hrx::test {

using hrx::gui::QtMainWindow;
using hrx::gui::StationLink;

constexpr QRgb kRigKey = 0xFF00FF00;
constexpr int kRigLampX = 14;
constexpr int kRigLampY = 130;

// One program on one simulated radio, started and (unless a test does it)
// shut down again.
struct Rig {
  hrx::sim::SimRadio radio;
  hrx::sim::SimPty pty{radio};
  QTemporaryDir dir;
  std::unique_ptr<QtMainWindow> w;
  std::unique_ptr<StationLink> core;

  // `adjust` may change the options before the core is made.
  bool open(const std::function<void(hrx::StationOptions&)>& adjust = {}) {
    std::string error;
    if (!pty.open(&error) || !pty.start() || !dir.isValid()) return false;
    w = std::make_unique<QtMainWindow>();
    hrx::StationOptions options{pty.slavePath(), dir.path().toStdString()};
    if (adjust) adjust(options);
    core = std::make_unique<StationLink>(*w, options);
    w->setCore(core.get());
    w->show();
    return w->startUp();
  }
  ~Rig() {
    if (w) {
      w->close();
      w->setCore(nullptr);
      w.reset();
    }
    pty.stop();
  }
  hrx::Station& station() { return core->station(); }
  bool lampLit() {
    return hrx::test::showsBitmap(w->surfaceImage(), w->renderer().store().LoadBitmap(1960), kRigLampX, kRigLampY, kRigKey);
  }
  bool lampDark() {
    return hrx::test::showsBitmap(w->surfaceImage(), w->renderer().store().LoadBitmap(1962), kRigLampX, kRigLampY, kRigKey);
  }
  void clickCom() { QTest::mouseClick(w->panelWidget(), Qt::LeftButton, {}, QPoint(30, 140)); }
  bool showsFrequency(std::int32_t hz) {
    static constexpr int kGlyph[] = {1331, 1332, 1333, 1334, 1347, 1335, 1336, 1337, 1338, 1339};
    char text[16];
    std::snprintf(text, sizeof text, "%8d", static_cast<int>(hz));
    for (int i = 0; i < 8; ++i) {
      const int id = text[i] == ' ' ? 1330 : kGlyph[text[i] - '0'];
      if (!hrx::test::showsMainDigit(w->surfaceImage(), w->renderer().store().LoadBitmap(id), i)) return false;
    }
    return true;
  }
  void mouse(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent e(type, at, w->panelWidget()->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(w->panelWidget(), &e);
  }
};

}  // namespace hrx::test
