// Suspend and resume from the desktop reach the window as its power
// events and close the port; over a private bus when one can be started.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

#include "GuiSuites.h"

#include "GuiRig.h"
#include "app/gui/PowerEvents.h"
#include "app/gui/QtMainWindow.h"

using hrx::gui::PowerEvents;

namespace {

QDBusMessage sleepSignal(bool sleeping) {
  QDBusMessage m = QDBusMessage::createSignal(PowerEvents::kLogindPath, PowerEvents::kLogindInterface,
                                              QStringLiteral("PrepareForSleep"));
  m << sleeping;
  return m;
}

}  // namespace

class PowerEventsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // Only the named service's signal counts.
  void overAPrivateBus() {
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty()) QSKIP("no dbus-daemon on this machine");
    QProcess bus;
    bus.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
    // A machine that cannot run a private bus (no machine id, say) is no
    // fault of ours; what is tested starts once the bus is up.
    if (!bus.waitForStarted() || !bus.waitForReadyRead(5000))
      QSKIP(qPrintable(QStringLiteral("no private bus: %1").arg(QString::fromUtf8(bus.readAllStandardError()))));
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();
    {
      QDBusConnection listener = QDBusConnection::connectToBus(address, QStringLiteral("listener"));
      QDBusConnection logind = QDBusConnection::connectToBus(address, QStringLiteral("logind"));
      QDBusConnection stranger = QDBusConnection::connectToBus(address, QStringLiteral("stranger"));
      if (!listener.isConnected() || !logind.isConnected() || !stranger.isConnected()) {
        bus.kill();
        bus.waitForFinished();
        QSKIP("the private bus took no connections");
      }
      QVERIFY(logind.registerService(PowerEvents::kLogindService));
      PowerEvents power(listener);
      QVERIFY(power.listening());
      QSignalSpy spy(&power, &PowerEvents::powerEvent);
      QVERIFY(stranger.send(sleepSignal(true)));
      QTest::qWait(200);
      QCOMPARE(spy.size(), 0);
      QVERIFY(logind.send(sleepSignal(true)));
      QVERIFY(logind.send(sleepSignal(false)));
      QTRY_COMPARE(spy.size(), 2);
      QCOMPARE(spy.at(0).at(0).toInt(), 4);
      QCOMPARE(spy.at(1).at(0).toInt(), 18);
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("listener"));
    QDBusConnection::disconnectFromBus(QStringLiteral("logind"));
    QDBusConnection::disconnectFromBus(QStringLiteral("stranger"));
    bus.kill();
    bus.waitForFinished();
  }
};

static const hrx::test::GuiSuite kSuite("PowerEvents", hrx::test::runSuite<PowerEventsTest>);

#include "PowerEventsTest.moc"
