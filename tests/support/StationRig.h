#pragma once
// The whole core against the simulated radio over a real pseudo-terminal:
// a program without a screen (a headless main window whose timers tick
// into the station) and the fixture pieces the end-to-end tests share.
// Needs the simulator library (hrx900simcore). With HRX900_GUI_RIG (the GUI
// tests) also the Qt main window on the same simulated radio.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#ifdef HRX900_GUI_RIG
#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "GuiRig.h"
#include "SimPty.h"
#include "SimRadio.h"
#include "app/gui/QtMainWindow.h"
#endif
#include "SimRadio.h"
#include "app/Station.h"
#include "composer/Composer.h"
#include "platform/HeadlessMainWindow.h"

namespace hrx::test {

inline bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return done();
}

// Until the radio has heard no command for `quiet` (a read-out's last
// commands may follow its end message); false when `limit` passed first.
inline bool waitForQuiet(const sim::SimRadio& radio, std::chrono::milliseconds quiet, std::chrono::milliseconds limit) {
  std::size_t heard = radio.commandLog().size();
  auto since = std::chrono::steady_clock::now();
  return waitFor(
      [&] {
        if (const std::size_t n = radio.commandLog().size(); n != heard) {
          heard = n;
          since = std::chrono::steady_clock::now();
        }
        return std::chrono::steady_clock::now() - since > quiet;
      },
      limit);
}

class TempDir {
 public:
  TempDir() {
    char tpl[] = "/tmp/hrx900-e2e-XXXXXX";
    path_ = ::mkdtemp(tpl);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Counts the end-of-read-out message and the notices.
struct Program {
  // `log`: where the station's log lines go (empty: standard error).
  Program(const std::string& device, const std::string& dir, std::function<void(const std::string&)> log = {}) {
    StationOptions options{device, dir};
    options.log = std::move(log);
    ok = station.start(options);
  }
  ~Program() {
    station.shutdown();
    window.stop();
  }
  LParam onWindowMessage(const Msg& m) {
    if (m.id == kMsgTimer) station.onTimer(static_cast<std::uint32_t>(m.w));
    // The BP event without its row index is the read-out's last message.
    if (m.id == kMsgRedrawBandPass && m.l == 0) readOutsDone.fetch_add(1);
    if (m.id == kMsgNotice) {
      lastNotice.store(static_cast<int>(m.l));
      notices.fetch_add(1);
    }
    return 0;
  }

  std::atomic<int> readOutsDone{0};
  std::atomic<int> notices{0};
  std::atomic<int> lastNotice{-1};
  HeadlessMainWindow window{[this](const Msg& m) { return onWindowMessage(m); }};
  Station station{window};
  bool ok = false;
};

#ifdef HRX900_GUI_RIG
// One Qt program on one simulated radio, started and (unless a test does it)
// shut down again, with helpers to click, read the lamp and the digits.
struct StationRig {
  hrx::sim::SimRadio radio;
  hrx::sim::SimPty pty{radio};
  QTemporaryDir dir;
  std::unique_ptr<gui::QtMainWindow> w;
  std::unique_ptr<gui::StationLink> core;

  // `adjust` may change the options before the core is made.
  bool open(const std::function<void(hrx::StationOptions&)>& adjust = {}) {
    std::string error;
    if (!pty.open(&error) || (!pty.running() && !pty.start()) || !dir.isValid()) return false;
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
  bool open(const std::string& device, std::function<void(const std::string&)> log) {
    bool linked = true;
    const bool ok = open([&](hrx::StationOptions& o) {
      linked = pty.link(device);
      o.devicePath = device;
      o.log = std::move(log);
    });
    return ok && linked;
  }
  // The program is ended as the operator ends it (`exit`: the close box,
  // Escape or File / Exit) and gone with its windows; the radio and the
  // folder stay, what the radio said meanwhile is lost.
  void end(const std::function<void(gui::QtMainWindow&)>& exit) {
    if (w) {
      exit(*w);
      w->setCore(nullptr);
      w.reset();
    }
    core.reset();
    pty.discardUnread();
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
  bool shows(int id, int x, int y, QRgb key = 0xFF00FF00) {
    return showsBitmap(w->surfaceImage(), w->renderer().store().LoadBitmap(id), x, y, key);
  }
  bool lampLit() { return shows(1960, 14, 130); }
  bool lampDark() { return shows(1962, 14, 130); }
  void clickCom() { QTest::mouseClick(w->panelWidget(), Qt::LeftButton, {}, QPoint(30, 140)); }
  // COM pressed and the first read-out of state and menu waited for.
  bool connectAndReadOut() {
    if (!QTest::qWaitFor([&] { return station().state.get_CommEnabled() != 0; }, 5000)) return false;
    clickCom();
    if (!QTest::qWaitFor([&] { return w->readOutsDone() >= 1; }, 60000)) return false;
    // The read-out ends when its last query is sent: its last commands and
    // answers may still be on the line, and a test would see them as its own.
    // A radio made to leave some unanswered still counts as read out.
    if (!QTest::qWaitFor([&] { return everyItemAnswered(); }, 5000)) qWarning("the read-out's last answers did not come");
    return true;
  }
  bool everyItemAnswered() {
    for (int no = 1; no <= station().state.get_MenuItem_Count(); ++no)
      if (station().state.get_MenuReplyCount(no) == 0) return false;
    return true;
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
      if (!showsMainDigit(w->surfaceImage(), w->renderer().store().LoadBitmap(id), i)) return false;
    }
    return true;
  }
  void mouse(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent e(type, at, w->panelWidget()->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(w->panelWidget(), &e);
  }
  void press(QPoint at) { mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton); }
  void release(QPoint at) { mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton); }
  void click(QPoint at) {
    press(at);
    release(at);
  }
  void wheel(QPoint at, int delta) {
    QWheelEvent e(at, w->panelWidget()->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, delta), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w->panelWidget(), &e);
  }
  // What the radio received since its log was last cleared.
  int count(const std::string& cmd) {
    const std::vector<std::string> log = radio.commandLog();
    return static_cast<int>(std::count(log.begin(), log.end(), cmd));
  }
  int countPrefix(const std::string& prefix) {
    int n = 0;
    for (const std::string& c : radio.commandLog()) n += c.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
  }
  QStringList log() {
    QStringList out;
    for (const std::string& c : radio.commandLog()) out << QString::fromStdString(c);
    return out;
  }
  // Waits until the key pressed last is released again.
  bool idle() {
    return QTest::qWaitFor([&] { return w->panel().m_Op_Stats() == 0; }, 2000);
  }
};
#endif

}  // namespace hrx::test
