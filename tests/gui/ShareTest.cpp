// Option > Share with other programs: the menu entry against the real core
// and the simulated radio, a taken port told in the window, the setting
// remembered, the panel following a frequency another program set; and the
// command line's --share options.
#include <QAction>
#include <QFile>
#include <QMessageBox>
#include <QtTest>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "../support/LineClient.h"
#include "StationRig.h"
#include "app/gui/CommandLine.h"
#include "GuiSuites.h"

namespace {

constexpr int kCmdShare = 32790;

// A listening socket on a free loopback port, to take that port.
struct TakenPort {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  int port = 0;
  TakenPort() {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    ::listen(fd, 1);
    socklen_t len = sizeof sa;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
    port = ntohs(sa.sin_port);
  }
  void release() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  ~TakenPort() { release(); }
};

QString readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QStringLiteral("(none)");
}

}  // namespace

class ShareTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void menuSharesTheRadioAndThePanelFollows() {
    TakenPort taken;
    hrx::test::StationRig rig;
    QVERIFY(rig.open([&](hrx::StationOptions& o) { o.share.port = taken.port; }));
    QTRY_VERIFY_WITH_TIMEOUT(rig.station().state.get_CommEnabled() != 0, 5000);
    rig.clickCom();
    QTRY_VERIFY_WITH_TIMEOUT(rig.w->readOutsDone() >= 1, 60000);
    QAction* share = rig.w->commandAction(kCmdShare);
    QVERIFY(share != nullptr);
    QVERIFY(share->isEnabled());
    QVERIFY(share->isCheckable());
    QVERIFY(!share->isChecked());
    const QString setting = rig.dir.path() + QStringLiteral("/CommoFiles/ShareSetting.txt");

    // The port is taken: said in the window, nothing shared, nothing remembered.
    share->trigger();
    QMessageBox* box = rig.w->findChild<QMessageBox*>(QStringLiteral("shareError"));
    QVERIFY(box != nullptr);
    QTRY_VERIFY(box->isVisible());
    QCOMPARE(box->text(), QStringLiteral("The radio cannot be shared: cannot listen on 127.0.0.1:%1: the port is "
                                         "already in use.")
                              .arg(taken.port));
    QVERIFY(!share->isChecked());
    QVERIFY(!rig.core->sharing());
    QVERIFY(!QFile::exists(setting));
    box->close();

    taken.release();
    share->trigger();
    QVERIFY(rig.core->sharing());
    QVERIFY(share->isChecked());
    QCOMPARE(readAll(setting), QStringLiteral("1\n"));

    // Another program tunes the radio; the panel's main display follows.
    hrx::test::LineClient client(taken.port);
    std::string answer;
    QVERIFY(client.ask("F 14074000", 1, &answer));
    QCOMPARE(QString::fromStdString(answer), QStringLiteral("RPRT 0\n"));
    QCOMPARE(rig.radio.cell(hrx::sim::Cell::VfoA), 14074000);
    QTRY_VERIFY(rig.showsFrequency(14074000));

    share->trigger();
    QVERIFY(!rig.core->sharing());
    QVERIFY(!share->isChecked());
    QCOMPARE(readAll(setting), QStringLiteral("0\n"));
    QVERIFY(client.closedByPeer());
  }

  // Remembered on: the next start shares at once, without a connection.
  void rememberedSettingSharesAtStart() {
    hrx::test::StationRig rig;
    QVERIFY(rig.dir.isValid());
    QVERIFY(QDir(rig.dir.path()).mkpath(QStringLiteral("CommoFiles")));
    QFile f(rig.dir.path() + QStringLiteral("/CommoFiles/ShareSetting.txt"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("1\n");
    f.close();
    QVERIFY(rig.open([](hrx::StationOptions& o) { o.share.port = 0; }));
    QTRY_VERIFY(rig.core->sharing());
    QTRY_VERIFY(rig.w->commandAction(kCmdShare)->isChecked());
    rig.w->close();
    QVERIFY(!rig.core->sharing());
  }

  void commandLineOptions() {
    struct Row {
      QStringList args;
      bool ok;
      bool share;
      const char* address;
      int port;
      int allowed;
      const char* message;
    };
    const Row rows[] = {
        {{}, true, false, "127.0.0.1", 4532, 0, ""},
        {{"--share"}, true, true, "127.0.0.1", 4532, 0, ""},
        {{"--share=127.0.0.1:4600"}, true, true, "127.0.0.1", 4600, 0, ""},
        {{"--share=:4601"}, true, true, "127.0.0.1", 4601, 0, ""},
        {{"--share=0.0.0.0:4532", "--share-allow", "192.168.1.0/24,10.0.0.5"}, true, true, "0.0.0.0", 4532, 2, ""},
        {{"--share=0.0.0.0:4532"}, false, true, "", 0, 0,
         "--share=0.0.0.0:4532 reaches beyond this computer: name the networks that may connect with --share-allow."},
        {{"--share=127.0.0.1:99999"}, false, true, "", 0, 0, "--share needs ADDR:PORT, such as 127.0.0.1:4532."},
        {{"--share="}, false, true, "", 0, 0, "--share needs ADDR:PORT, such as 127.0.0.1:4532."},
        {{"--share-allow", "10.0.0.0/8"}, false, false, "", 0, 0, "--share-allow needs --share."},
        {{"--share=0.0.0.0:4532", "--share-allow", "10.0.0.0/40"}, false, true, "", 0, 0,
         "--share-allow needs networks such as 192.168.1.0/24."},
    };
    for (const Row& r : rows) {
      const hrx::gui::CommandLine cl = hrx::gui::parseCommandLine(QStringList{QStringLiteral("hrx900")} + r.args);
      const QString what = r.args.join(QLatin1Char(' '));
      QVERIFY2((cl.action == hrx::gui::CommandLine::Action::Run) == r.ok, qPrintable(what));
      QVERIFY2(cl.share == r.share, qPrintable(what));
      if (r.ok) {
        QCOMPARE(QString::fromStdString(cl.shareConfig.address), QString::fromUtf8(r.address));
        QCOMPARE(cl.shareConfig.port, r.port);
        QCOMPARE(static_cast<int>(cl.shareConfig.allow.size()), r.allowed);
      } else {
        QCOMPARE(cl.message, QString::fromUtf8(r.message));
      }
    }
  }
};

int runShareTests(int argc, char** argv) {
  ShareTest t;
  return QTest::qExec(&t, argc, argv);
}

static const hrx::test::GuiSuite kSuite("Share", runShareTests);

#include "ShareTest.moc"
