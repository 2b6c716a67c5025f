#pragma once
// The Qt main window over the real core and a simulated radio on a
// pseudo-terminal, started and (unless a test does it) shut down again.
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "GuiRig.h"
#include "SimPty.h"
#include "SimRadio.h"
#include "app/gui/QtMainWindow.h"

using hrx::gui::QtMainWindow;
using hrx::gui::StationLink;

namespace hrx::test {

constexpr QRgb kKey = 0xFF00FF00;
constexpr int kLampX = 14;
constexpr int kLampY = 130;

// One program on one simulated radio, started and (unless a test does it)
// shut down again.
struct Rig {
  hrx::sim::SimRadio radio;
  hrx::sim::SimPty pty{radio};
  QTemporaryDir dir;
  std::unique_ptr<QtMainWindow> w;
  std::unique_ptr<StationLink> core;

  // `device`: the path the program opens (a link to the pseudo-terminal);
  // empty: the pseudo-terminal itself.
  bool open(const std::string& device = {}, std::function<void(const std::string&)> log = {}) {
    std::string error;
    if (!pty.open(&error) || !pty.start() || !dir.isValid()) return false;
    if (!device.empty() && !pty.link(device, &error)) return false;
    w = std::make_unique<QtMainWindow>();
    hrx::StationOptions options{device.empty() ? pty.slavePath() : device, dir.path().toStdString()};
    options.log = std::move(log);
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
    return hrx::test::showsBitmap(w->surfaceImage(), w->renderer().store().LoadBitmap(1960), kLampX, kLampY, kKey);
  }
  bool lampDark() {
    return hrx::test::showsBitmap(w->surfaceImage(), w->renderer().store().LoadBitmap(1962), kLampX, kLampY, kKey);
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
