// The hrx900 program itself: the simulated radio, the screenshot, exits.
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "GuiSuites.h"

class ProgramTest : public QObject {
  Q_OBJECT

  // The user's configuration folder is `dir`/config: a run never touches
  // the real one.
  static QProcess* run(const QStringList& args, const QString& dir) {
    auto* p = new QProcess;
    p->setWorkingDirectory(dir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", dir + "/config");
    p->setProcessEnvironment(env);
    p->start(QStringLiteral(HRX900_PROGRAM), args);
    return p;
  }

 private Q_SLOTS:
  void simulatedScreenshot() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // A working folder that has CommoFiles keeps the settings there.
    QVERIFY(QDir(dir.path()).mkdir("CommoFiles"));
    const QString shot = dir.filePath("panel.png");
    std::unique_ptr<QProcess> p(run({"--simulate", "--screenshot", shot}, dir.path()));
    QVERIFY(p->waitForFinished(30000));
    QCOMPARE(p->exitStatus(), QProcess::NormalExit);
    QCOMPARE(p->exitCode(), 0);
    const QImage img(shot);
    QCOMPARE(img.size(), QSize(1024, 335));
    // The main display shows the default frequency 7.000.000 in digits.
    QVERIFY(img.copy(621, 53, 18, 26) != img.copy(641, 53, 18, 26));
    // The port settings were saved on the way out.
    QVERIFY(QFile::exists(dir.filePath("CommoFiles/CommSetting.csv")));
    QVERIFY(!QFile::exists(dir.filePath("config/hrx900")));
  }

  void settingsInUserFolderWithoutCommoFiles() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath("config/hrx900/CommoFiles"));
    // Without CommoFiles in the working folder, the user's folder holds the
    // settings: read at the start (defaults would be written back otherwise).
    QFile map(dir.filePath("config/hrx900/CommoFiles/CommSetting.csv"));
    QVERIFY(map.open(QIODevice::WriteOnly));
    map.write("7,9600,5\n");
    map.close();
    const QString shot = dir.filePath("panel.png");
    std::unique_ptr<QProcess> p(run({"--simulate", "--screenshot", shot}, dir.path()));
    QVERIFY(p->waitForFinished(30000));
    QCOMPARE(p->exitCode(), 0);
    QVERIFY(!QFile::exists(dir.filePath("CommoFiles")));
    QVERIFY(map.open(QIODevice::ReadOnly));
    QCOMPARE(map.readAll(), QByteArray("7,9600,5\n"));
  }

  // The parser's own cases are unit tests; these are the exit codes.
  void mistakesExitNonZero() {
    struct Row {
      QStringList args;
      int code;
      QString says;
    };
    const Row rows[] = {{{"--bogus"}, 2, "Unknown option"},
                        {{"--device", "/nonexistent/ttyUSB7"}, 1, "/nonexistent/ttyUSB7"},
                        {{"--device", "/etc/hostname"}, 1, "not a character device"}};
    for (const auto& [args, code, says] : rows) {
      QTemporaryDir dir;
      std::unique_ptr<QProcess> p(run(args, dir.path()));
      QVERIFY(p->waitForFinished(30000));
      QCOMPARE(p->exitCode(), code);
      QVERIFY2(QString::fromLocal8Bit(p->readAllStandardError()).contains(says), qPrintable(says));
    }
  }

  void version() {
    QTemporaryDir dir;
    std::unique_ptr<QProcess> version(run({"--version"}, dir.path()));
    QVERIFY(version->waitForFinished(30000));
    QCOMPARE(version->exitCode(), 0);
    QVERIFY(version->readAllStandardOutput().startsWith("hrx900 "));
  }
};

static const hrx::test::GuiSuite kSuite("Program", hrx::test::runSuite<ProgramTest>);

#include "ProgramTest.moc"
