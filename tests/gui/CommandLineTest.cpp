// The command line: options, their values and the mistakes, with the
// sharing options.
#include <QtTest>

#include "GuiSuites.h"
#include "app/gui/CommandLine.h"

using hrx::gui::CommandLine;
using hrx::gui::parseCommandLine;
using A = CommandLine::Action;

class CommandLineTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void options() {
    struct Row {
      QStringList args;
      A action;
      const char* device;
      bool simulate;
      const char* screenshot;
    };
    const Row rows[] = {
        {{}, A::Run, "", false, ""},
        {{"--device", "/dev/ttyUSB0"}, A::Run, "/dev/ttyUSB0", false, ""},
        {{"--device=/dev/ttyS1"}, A::Run, "/dev/ttyS1", false, ""},
        {{"--simulate", "--screenshot", "p.png"}, A::Run, "", true, "p.png"},
        {{"--help"}, A::Help, "", false, ""},
        {{"--version"}, A::Version, "", false, ""},
        {{"--bogus"}, A::Error, "", false, ""},
        {{"--device"}, A::Error, "", false, ""},
        {{"--device", ""}, A::Error, "", false, ""},
        {{"--device", "/dev/x", "--simulate"}, A::Error, "", false, ""},
        {{"COM1"}, A::Error, "", false, ""},
        {{"--screenshot"}, A::Error, "", false, ""},
        {{"--device", "/dev/ttyUSB0", "--restore-setup", "s.hrxsetup"}, A::Run, "/dev/ttyUSB0", false, ""},
        {{"--save-setup", "a", "--compare-setup", "b"}, A::Error, "", false, ""},
        {{"--compare-setup", "a", "--screenshot", "p.png"}, A::Error, "", false, ""},
    };
    for (const Row& r : rows) {
      const CommandLine cl = parseCommandLine(QStringList{"hrx900"} + r.args);
      const QByteArray what = r.args.join(' ').toUtf8();
      QVERIFY2(cl.action == r.action, what);
      QVERIFY2((r.action == A::Error || r.action == A::Help) == !cl.message.isEmpty(), what);
      if (r.action != A::Run) continue;
      QCOMPARE(cl.device, QString::fromUtf8(r.device));
      QCOMPARE(cl.simulate, r.simulate);
      QCOMPARE(cl.screenshot, QString::fromUtf8(r.screenshot));
      QCOMPARE(cl.setup == CommandLine::Setup::Restore, r.args.contains("--restore-setup"));
    }
    QVERIFY(parseCommandLine({"hrx900", "--simulate", "--instant-line"}).instantLine);
    QVERIFY(!parseCommandLine({"hrx900", "--simulate"}).instantLine);
    QCOMPARE(parseCommandLine({"hrx900", "--instant-line"}).action, A::Error);
    const CommandLine help = parseCommandLine({"hrx900", "--help"});
    for (const char* o : {"hrx900", "--device", "--simulate", "--screenshot", "--version"}) QVERIFY(help.message.contains(o));
  }

  // What --share and --share-allow make of their values (the parsers
  // themselves: tests/share).
  void shareOptions() {
    struct Row {
      QStringList args;
      bool share;
      const char* address;   // empty: refused with `message`
      int port, allowed;
      const char* message;
    };
    const Row rows[] = {
        {{}, false, "127.0.0.1", 4532, 0, ""},
        {{"--share"}, true, "127.0.0.1", 4532, 0, ""},
        {{"--share=0.0.0.0:4532", "--share-allow", "192.168.1.0/24,10.0.0.5"}, true, "0.0.0.0", 4532, 2, ""},
        {{"--share=0.0.0.0:4532"}, true, "", 0, 0,
         "--share=0.0.0.0:4532 reaches beyond this computer: name the networks that may connect with --share-allow."},
        {{"--share=127.0.0.1:99999"}, true, "", 0, 0, "--share needs ADDR:PORT, such as 127.0.0.1:4532."},
        {{"--share-allow", "10.0.0.0/8"}, false, "", 0, 0, "--share-allow needs --share."},
        {{"--share=0.0.0.0:4532", "--share-allow", "10.0.0.0/40"}, true, "", 0, 0,
         "--share-allow needs networks such as 192.168.1.0/24."},
    };
    for (const Row& r : rows) {
      const CommandLine cl = parseCommandLine(QStringList{"hrx900"} + r.args);
      const QByteArray what = r.args.join(' ').toUtf8();
      const bool ok = *r.address != '\0';
      QVERIFY2((cl.action == A::Run) == ok, what);
      QVERIFY2(cl.share == r.share, what);
      if (!ok) {
        QCOMPARE(cl.message, QString::fromUtf8(r.message));
        continue;
      }
      QCOMPARE(QString::fromStdString(cl.shareConfig.address), QString::fromUtf8(r.address));
      QCOMPARE(cl.shareConfig.port, r.port);
      QCOMPARE(static_cast<int>(cl.shareConfig.allow.size()), r.allowed);
    }
  }

  void devicesThatAreNotPorts() {
    QString reason;
    QVERIFY(!hrx::gui::deviceUsable("/etc/hostname", &reason));
    QCOMPARE(reason, QStringLiteral("not a character device"));
    QVERIFY(hrx::gui::deviceUsable("/dev/null", &reason));
  }
};

static const hrx::test::GuiSuite kSuite("CommandLine", hrx::test::runSuite<CommandLineTest>);

#include "CommandLineTest.moc"
