#pragma once
// One program on one simulated radio over a pseudo-terminal: the real core,
// the Qt main window, and helpers to click, read the lamp and the digits.
#include <QApplication>
#include <QMouseEvent>
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

namespace hrx::test {

constexpr QRgb kKey = 0xFF00FF00;
constexpr int kLampX = 14;
constexpr int kLampY = 130;

// One program on one simulated radio, started and (unless a test does it)
// shut down again.
struct StationRig {
  hrx::sim::SimRadio radio;
  hrx::sim::SimPty pty{radio};
  QTemporaryDir dir;
  std::unique_ptr<gui::QtMainWindow> w;
  std::unique_ptr<gui::StationLink> core;

  // `adjust` may change the options before the core is made.
  bool open(const std::function<void(hrx::StationOptions&)>& adjust = {}) {
    std::string error;
    if (!pty.open(&error) || !pty.start() || !dir.isValid()) return false;
    w = std::make_unique<gui::QtMainWindow>();
    hrx::StationOptions options{pty.slavePath(), dir.path().toStdString()};
    if (adjust) adjust(options);
    core = std::make_unique<gui::StationLink>(*w, options);
    w->setCore(core.get());
    w->show();
    return w->startUp();
  }
  // The program opens `device`, a link made to the pseudo-terminal; its log
  // lines go to `log`.
  bool open(const std::string& device, std::function<void(const std::string&)> log = {}) {
    bool linked = true;
    const bool ok = open([&](hrx::StationOptions& o) {
      std::string error;
      linked = pty.link(device, &error);
      o.devicePath = device;
      o.log = std::move(log);
    });
    return ok && linked;
  }
  ~StationRig() {
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
  void clickMenuKey() { QTest::mouseClick(w->panelWidget(), Qt::LeftButton, {}, QPoint(470, 105)); }
  // COM pressed and the first read-out of state and menu waited for.
  bool connectAndReadOut() {
    if (!QTest::qWaitFor([&] { return station().state.get_CommEnabled() != 0; }, 5000)) return false;
    clickCom();
    return QTest::qWaitFor([&] { return w->readOutsDone() >= 1; }, 60000);
  }
  // `skip`: a display position 0..7 (from the left) not compared, such as
  // a digit drawn highlighted.
  bool showsFrequency(std::int32_t hz, int skip = -1) {
    static constexpr int kGlyph[] = {1331, 1332, 1333, 1334, 1347, 1335, 1336, 1337, 1338, 1339};
    char text[16];
    std::snprintf(text, sizeof text, "%8d", static_cast<int>(hz));
    for (int i = 0; i < 8; ++i) {
      if (i == skip) continue;
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
