// The first slice end to end: the real core and the simulated radio on a
// pseudo-terminal behind the Qt main window.
#include <QTemporaryDir>
#include <QtTest>

#include "GuiRig.h"
#include "SimPty.h"
#include "SimRadio.h"
#include "app/gui/QtMainWindow.h"

using hrx::gui::QtMainWindow;
using hrx::gui::StationLink;

class StationSliceTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void comClickConnectsAndTheDisplayFollowsTheRadio() {
    hrx::sim::SimRadio radio;
    hrx::sim::SimPty pty(radio);
    std::string error;
    QVERIFY2(pty.open(&error) && pty.start(), error.c_str());
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    {
      QtMainWindow w;
      StationLink core(w, hrx::StationOptions{pty.slavePath(), dir.path().toStdString()});
      w.setCore(&core);
      w.show();
      QVERIFY(w.startUp());
      // The composer's keep-alive timer, set from its own thread.
      QTRY_COMPARE(w.timerPeriod(8), 1000u);
      QTRY_VERIFY(core.station().state.get_CommEnabled() != 0);
      QVERIFY(core.station().port.IsOpen());
      QTRY_COMPARE(w.dispStartLog().size(), 97u);
      auto& store = w.renderer().store();
      QVERIFY(hrx::test::showsBitmap(w.surfaceImage(), store.LoadBitmap(1962), 14, 130, 0xFF00FF00));

      // COM: the radio goes into auto-information mode, the lamp lights.
      QTest::mouseClick(w.panelWidget(), Qt::LeftButton, {}, QPoint(30, 140));
      QTRY_VERIFY_WITH_TIMEOUT(
          hrx::test::showsBitmap(w.surfaceImage(), store.LoadBitmap(1960), 14, 130, 0xFF00FF00), 10000);

      // A change made on the radio itself reaches the main display.
      QVERIFY(radio.applyLocal("FA14074000;"));
      const int digits[] = {1332, 1347, 1331, 1337, 1347, 1331, 1331, 1331};
      QTRY_VERIFY_WITH_TIMEOUT(
          [&] {
            for (int i = 0; i < 8; ++i)
              if (!hrx::test::showsMainDigit(w.surfaceImage(), store.LoadBitmap(digits[i]), i)) return false;
            return true;
          }(),
          10000);

      // Turning the main dial 20 degrees counter-clockwise sends 2 steps.
      const std::int32_t before = core.station().state.get_VfoA_Freq();
      QMouseEvent press(QEvent::MouseButtonPress, QPointF(794, 189), w.panelWidget()->mapToGlobal(QPointF(794, 189)),
                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(w.panelWidget(), &press);
      QMouseEvent move(QEvent::MouseMove, QPointF(784, 163), w.panelWidget()->mapToGlobal(QPointF(784, 163)),
                       Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(w.panelWidget(), &move);
      QTRY_VERIFY_WITH_TIMEOUT(core.station().state.get_VfoA_Freq() != before, 10000);
      QMouseEvent release(QEvent::MouseButtonRelease, QPointF(784, 163),
                          w.panelWidget()->mapToGlobal(QPointF(784, 163)), Qt::LeftButton, Qt::NoButton,
                          Qt::NoModifier);
      QApplication::sendEvent(w.panelWidget(), &release);

      w.close();
      QCOMPARE(w.shutdownCount(), 1);
      QVERIFY(!core.station().running());
      w.setCore(nullptr);
    }
    pty.stop();
  }
};

int runStationSliceTests(int argc, char** argv) {
  StationSliceTest t;
  return QTest::qExec(&t, argc, argv);
}

#include "StationSliceTest.moc"
