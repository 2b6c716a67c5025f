// The hrx900 program itself: one run with the simulated radio (screenshot,
// settings), then the exits that need no window.
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
  static int run(const QStringList& args, const QString& dir, QByteArray* out = nullptr, QByteArray* err = nullptr) {
    QProcess p;
    p.setWorkingDirectory(dir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", dir + "/config");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(HRX900_PROGRAM), args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit) return -1;
    if (out != nullptr) *out = p.readAllStandardOutput();
    if (err != nullptr) *err = p.readAllStandardError();
    return p.exitCode();
  }

 private Q_SLOTS:
  // No CommoFiles in the working folder: the user's folder holds the
  // settings, read at the start and written on the way out (one value a
  // line in, the program's own line out).
  void simulatedRunWithTheUsersSettings() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("config/hrx900/CommoFiles"));
    QFile settings(dir.filePath("config/hrx900/CommoFiles/CommSetting.csv"));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write("7\n9600\n5\n");
    settings.close();
    const QString shot = dir.filePath("panel.png");
    QCOMPARE(run({"--simulate", "--screenshot", shot}, dir.path()), 0);
    const QImage img(shot);
    QCOMPARE(img.size(), QSize(1024, 335));
    // The main display shows the default frequency 7.000.000 in digits.
    QVERIFY(img.copy(621, 53, 18, 26) != img.copy(641, 53, 18, 26));
    QVERIFY(!QFile::exists(dir.filePath("CommoFiles")));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QCOMPARE(settings.readAll(), QByteArray("7,9600,5\n"));
  }

  // The parser's own cases are unit tests (gui.CommandLine); these are the
  // exit codes and what the program says.
  void exitsWithoutAWindow() {
    struct Row {
      QStringList args;
      int code;
      const char* says;
      bool onStdout;
    };
    const Row rows[] = {{{"--bogus"}, 2, "Unknown option", false},
                        {{"--device", "/nonexistent/ttyUSB7"}, 1, "/nonexistent/ttyUSB7", false},
                        {{"--device", "/etc/hostname"}, 1, "not a character device", false},
                        {{"--version"}, 0, "hrx900 ", true}};
    for (const Row& r : rows) {
      QTemporaryDir dir;
      QByteArray out, err;
      QCOMPARE(run(r.args, dir.path(), &out, &err), r.code);
      QVERIFY2(r.onStdout ? out.startsWith(r.says) : err.contains(r.says), r.says);
    }
  }
};

static const hrx::test::GuiSuite kSuite("Program", hrx::test::runSuite<ProgramTest>);

#include "ProgramTest.moc"
