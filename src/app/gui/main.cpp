// hrx900: the remote-control program with its drawn front panel.
#include <unistd.h>

#include <QApplication>
#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QSocketNotifier>
#include <QElapsedTimer>
#include <QDir>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "SimPty.h"
#include "SimRadio.h"
#include "app/StateDump.h"
#include "app/gui/CommandLine.h"
#include "app/gui/PowerEvents.h"
#include "app/gui/SetupCommand.h"
#include "app/gui/QtMainWindow.h"
#include "platform/WholeFile.h"
#include "serial/CommSetting.h"

namespace {

constexpr int kScreenshotDelayMs = 1500;
constexpr int kScreenshotLimitMs = 60000;
constexpr int kOpidComSw = 1;   // the connection switch

void printErr(const QString& text) { std::fprintf(stderr, "hrx900: %s\n", qPrintable(text)); }

// The panel's pixels as ARGB rows, without the rows' padding, hashed: the
// same picture gives the same text on every run.
QByteArray panelChecksum(const QImage& image) {
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  QCryptographicHash hash(QCryptographicHash::Sha256);
  for (int y = 0; y < argb.height(); ++y)
    hash.addData(QByteArrayView(reinterpret_cast<const char*>(argb.constScanLine(y)), argb.width() * 4));
  return QByteArray::number(argb.width()) + "x" + QByteArray::number(argb.height()) + " " + hash.result().toHex();
}

// Writes `bytes` as the whole of `file`; false, having said why, when not.
bool writeOut(const QString& file, const QByteArray& bytes) {
  const hrx::WholeFileResult r =
      hrx::writeWholeFile(QFile::encodeName(file).toStdString(), std::string_view(bytes.constData(), bytes.size()));
  if (!r) printErr(QStringLiteral("cannot write %1: %2").arg(file, QString::fromStdString(r.error)));
  return r.ok;
}

}  // namespace

int main(int argc, char** argv) {
  // The panel is drawn in whole device pixels: a screen scaled by 1.5 shows
  // it at 2 from the @2x images rather than blurred at 1.5.
  QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
  // The command line is read before any window system is needed, so that
  // --help and mistakes are answered without a display.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  const hrx::gui::CommandLine cl = hrx::gui::parseCommandLine(arguments);
  switch (cl.action) {
    case hrx::gui::CommandLine::Action::Help:
      std::fputs(qPrintable(cl.message), stdout);
      return 0;
    case hrx::gui::CommandLine::Action::Version:
      std::printf("hrx900 %s\n", HRX900_VERSION);
      return 0;
    case hrx::gui::CommandLine::Action::Error:
      printErr(cl.message);
      std::fprintf(stderr, "Try 'hrx900 --help'.\n");
      return 2;
    case hrx::gui::CommandLine::Action::Run:
      break;
  }

  const bool setupForm = cl.setup != hrx::gui::CommandLine::Setup::None;
  // The set-up forms are for scripts: no display needed.
  if (setupForm && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("hrx900"));
  QApplication::setApplicationVersion(QStringLiteral(HRX900_VERSION));

  hrx::StationOptions options;
  options.share = cl.shareConfig;
  options.shareRequested = cl.share;
  // CommoFiles below the working directory when it is there already, else in
  // the user's configuration folder, created on the first start.
  const QString userDir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
  options.settingsDir = hrx::settingsBase(userDir.toStdString());
  if (options.settingsDir == userDir.toStdString()) QDir().mkpath(userDir);
  std::unique_ptr<hrx::sim::SimRadio> radio;
  std::unique_ptr<hrx::sim::SimPty> pty;
  if (cl.simulate) {
    radio = std::make_unique<hrx::sim::SimRadio>();
    pty = std::make_unique<hrx::sim::SimPty>(*radio);
    // Like a radio on a serial line, unless the operator wants speed.
    pty->setBaud(cl.instantLine ? hrx::sim::SimPty::kInstantLine : hrx::sim::SimPty::kPortsOwnSpeed);
    std::string error;
    if (!pty->open(&error) || !pty->start()) {
      printErr(QStringLiteral("cannot start the simulated radio: %1").arg(QString::fromStdString(error)));
      return 1;
    }
    options.devicePath = pty->slavePath();
  } else if (!cl.device.isEmpty()) {
    QString reason;
    if (!hrx::gui::deviceUsable(cl.device, &reason)) {
      printErr(QStringLiteral("cannot use device %1: %2").arg(cl.device, reason));
      return setupForm ? 2 : 1;
    }
    options.devicePath = cl.device.toStdString();
  }

  int status = 0;
  {
    hrx::gui::QtMainWindow window;
    options.noticeGuard = &window.noticeGuard();
    hrx::gui::StationLink core(window, options);
    window.setCore(&core);
    // Suspend and resume close the port; the next command opens it again.
    hrx::gui::PowerEvents power;
    QObject::connect(&power, &hrx::gui::PowerEvents::powerEvent, &window,
                     [&window](int pbt) { window.onPowerEvent(pbt); });
    if (!setupForm) window.show();
    if (!window.startUp()) {
      printErr(QStringLiteral("the worker threads would not start"));
      window.shutdown();
      return setupForm ? 2 : 1;
    }
    bool setupRefused = false;
    if (setupForm) {
      auto* command = new hrx::gui::SetupCommand(window, cl.setup, cl.setupFile, [&status](int code) {
        status = code;
        QCoreApplication::quit();
      });
      setupRefused = !command->start();
    }
    if (!cl.screenshot.isEmpty() || !cl.dumpState.isEmpty()) {
      // COM is switched on once the catalogue is loaded, as a click would.
      auto* com = new QTimer(&window);
      QObject::connect(com, &QTimer::timeout, &window, [&core, com] {
        if (core.station().state.get_CommEnabled() != 0 && core.request(kOpidComSw, false, 0)) com->stop();
      });
      com->start(100);
    }
    if (!cl.screenshot.isEmpty()) {
      // The picture is taken after the read-out: the panel is saved when the
      // read-out has ended (or when it does not end within the limit).
      auto* poll = new QTimer(&window);
      QElapsedTimer started;
      started.start();
      // The lambda keeps its own clock: it runs after this block.
      QObject::connect(poll, &QTimer::timeout, &window, [&, poll, since = started]() {
        const bool done = window.readOutsDone() > 0 && since.elapsed() > kScreenshotDelayMs;
        if (!done && since.elapsed() < kScreenshotLimitMs) return;
        poll->stop();
        QByteArray png;
        QBuffer buffer(&png);
        if (!buffer.open(QIODevice::WriteOnly) || !window.surfaceImage().save(&buffer, "PNG")) {
          printErr(QStringLiteral("cannot make the picture for %1").arg(cl.screenshot));
          status = 1;
        } else if (!writeOut(cl.screenshot, png)) {
          status = 1;
        }
        window.close();
      });
      poll->start(100);
    }
    if (!cl.dumpState.isEmpty()) {
      // Whoever drives the session (the replayer) says when it is over by
      // closing our standard input; nothing is polled meanwhile.
      auto* input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &window);
      QObject::connect(input, &QSocketNotifier::activated, &window, [&, input] {
        char buf[256];
        if (::read(STDIN_FILENO, buf, sizeof buf) > 0) return;
        input->setEnabled(false);
        const std::string text = hrx::dumpState(core.station().state);
        if (!writeOut(cl.dumpState, "panel=" + panelChecksum(window.surfaceImage()) + "\n" +
                                        QByteArray(text.data(), static_cast<qsizetype>(text.size()))))
          status = 1;
        window.close();
      });
    }
    const int rc = setupRefused ? 0 : app.exec();
    if (status == 0) status = rc;
    window.shutdown();
    window.setCore(nullptr);
  }
  if (pty) pty->stop();
  return status;
}
