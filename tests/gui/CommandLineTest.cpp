// The command line: options, their values and the mistakes.
#include <QtTest>

#include "app/gui/CommandLine.h"

using hrx::gui::CommandLine;
using hrx::gui::parseCommandLine;

Q_DECLARE_METATYPE(CommandLine::Action)

class CommandLineTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void parse_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<CommandLine::Action>("action");
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("simulate");
    QTest::addColumn<QString>("screenshot");
    using A = CommandLine::Action;
    QTest::newRow("nothing") << QStringList{} << A::Run << "" << false << "";
    QTest::newRow("device") << QStringList{"--device", "/dev/ttyUSB0"} << A::Run << "/dev/ttyUSB0" << false << "";
    QTest::newRow("device=") << QStringList{"--device=/dev/ttyS1"} << A::Run << "/dev/ttyS1" << false << "";
    QTest::newRow("simulate and shot") << QStringList{"--simulate", "--screenshot", "p.png"} << A::Run << "" << true
                                       << "p.png";
    QTest::newRow("help") << QStringList{"--help"} << A::Help << "" << false << "";
    QTest::newRow("version") << QStringList{"--version"} << A::Version << "" << false << "";
    QTest::newRow("unknown option") << QStringList{"--bogus"} << A::Error << "" << false << "";
    QTest::newRow("device without path") << QStringList{"--device"} << A::Error << "" << false << "";
    QTest::newRow("empty device") << QStringList{"--device", ""} << A::Error << "" << false << "";
    QTest::newRow("device and simulate") << QStringList{"--device", "/dev/x", "--simulate"} << A::Error
                                         << "/dev/x" << true << "";
    QTest::newRow("stray argument") << QStringList{"COM1"} << A::Error << "" << false << "";
    QTest::newRow("screenshot without file") << QStringList{"--screenshot"} << A::Error << "" << false << "";
  }
  void parse() {
    QFETCH(QStringList, args);
    QFETCH(CommandLine::Action, action);
    QFETCH(QString, device);
    QFETCH(bool, simulate);
    QFETCH(QString, screenshot);
    const CommandLine cl = parseCommandLine(QStringList{"hrx900"} + args);
    QCOMPARE(cl.action, action);
    if (action == CommandLine::Action::Error || action == CommandLine::Action::Help) QVERIFY(!cl.message.isEmpty());
    if (action != CommandLine::Action::Run && action != CommandLine::Action::Error) return;
    if (action == CommandLine::Action::Error && device.isEmpty()) return;
    QCOMPARE(cl.device, device);
    QCOMPARE(cl.simulate, simulate);
    QCOMPARE(cl.screenshot, screenshot);
  }

  void helpNamesTheOptions() {
    const CommandLine cl = parseCommandLine({"hrx900", "--help"});
    for (const char* o : {"--device", "--simulate", "--screenshot", "--version"}) QVERIFY(cl.message.contains(o));
    QVERIFY(cl.message.contains("hrx900"));
  }

  void devicesThatAreNotPorts() {
    QString reason;
    QVERIFY(!hrx::gui::deviceUsable("/etc/hostname", &reason));
    QCOMPARE(reason, QStringLiteral("not a character device"));
    QVERIFY(hrx::gui::deviceUsable("/dev/null", &reason));
  }
};

int runCommandLineTests(int argc, char** argv) {
  CommandLineTest t;
  return QTest::qExec(&t, argc, argv);
}

#include "CommandLineTest.moc"
