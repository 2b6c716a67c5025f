// The first slice through the real window: the COM lamp and its connection
// notice, the lamps following AI and PS, the main frequency on FA and timer 6.
#include <QMessageBox>
#include <QMouseEvent>
#include <QtTest>

#include "GuiSuites.h"

#include "GuiRig.h"
#include "analysis/AnalyserMessages.h"
#include "app/gui/QtMainWindow.h"

using hrx::gui::QtMainWindow;
using hrx::test::FakeCore;
using hrx::test::showsBitmap;

namespace {

constexpr QRgb kGreen = 0xFF00FF00;

void mouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButtons buttons) {
  QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

struct Rig {
  Rig() {
    w.setCore(&core);
    w.show();
    w.startUp();
    // Let Disp_Start draw the panel once.
    QTRY_COMPARE(w.dispStartLog().size(), 97u);
  }
  const QImage* img(int id) { return w.renderer().store().LoadBitmap(id); }
  FakeCore core;
  QtMainWindow w;
};

}  // namespace

class SliceTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void comLampPressedLookAndConnectionNotice_data() {
    QTest::addColumn<bool>("aiComes");
    QTest::newRow("AI reported") << true;
    QTest::newRow("time-out") << false;
  }
  void comLampPressedLookAndConnectionNotice() {
    QFETCH(bool, aiComes);
    Rig r;
    mouse(r.w.panelWidget(), QEvent::MouseButtonPress, {30, 140}, Qt::LeftButton);
    QVERIFY(showsBitmap(r.w.surfaceImage(), r.img(1961), 14, 130, kGreen));
    mouse(r.w.panelWidget(), QEvent::MouseButtonRelease, {30, 140}, Qt::NoButton);
    // Not connected: the notice is up and holds the key down.
    QVERIFY(r.w.connectionNoticeWidget() != nullptr && r.w.connectionNoticeWidget()->isVisible());
    QCOMPARE(r.w.timerPeriod(22), 5000u);
    QVERIFY(showsBitmap(r.w.surfaceImage(), r.img(1961), 14, 130, kGreen));
    if (aiComes) r.w.sendMessage(hrx::kMsgAiTurnedOn, 0, 0);
    else r.w.onTimerTick(22);
    QVERIFY(!r.w.connectionNoticeWidget()->isVisible());
    QCOMPARE(r.w.timerPeriod(22), 0u);
    QTRY_VERIFY(showsBitmap(r.w.surfaceImage(), r.img(1962), 14, 130, kGreen));
    bool failedBox = false;
    for (QMessageBox* b : r.w.findChildren<QMessageBox*>())
      if (b->isVisible() && b->text() == QStringLiteral("Failed to connect the COM port.")) failedBox = true;
    QCOMPARE(failedBox, !aiComes);
  }

  // {AI, PS} -> the COM and ON/OFF lamps.
  void lampsFollowAiAndPs() {
    const int rows[][4] = {{0, 0, 1962, 1225}, {1, 0, 1960, 1225}, {0, 1, 1962, 1227}, {1, 1, 1960, 1227}};
    for (const auto& [ai, ps, comImage, onOffImage] : rows) {
      Rig r;
      // Start from the opposite state so the event has something to change.
      QVERIFY(r.core.st.set_AI_Stat(1 - ai) && r.core.st.set_PS_Stat(1 - ps));
      r.w.postMessage(hrx::WM_ANL_EVT_AI, 0, 0);
      r.w.postMessage(hrx::WM_ANL_EVT_PS, 0, 0);
      QCoreApplication::processEvents();
      QVERIFY(r.core.st.set_AI_Stat(ai) && r.core.st.set_PS_Stat(ps));
      r.w.postMessage(hrx::WM_ANL_EVT_AI, 0, 1);
      r.w.postMessage(hrx::WM_ANL_EVT_PS, 0, 1);
      QCoreApplication::processEvents();
      QVERIFY(showsBitmap(r.w.surfaceImage(), r.img(comImage), 14, 130, kGreen));
      QVERIFY(showsBitmap(r.w.surfaceImage(), r.img(onOffImage), 18, 48, kGreen));
    }
  }

  void comPressWhileConnectedShowsTheLitPressedLamp() {
    Rig r;
    QVERIFY(r.core.st.set_AI_Stat(1));
    r.w.postMessage(hrx::WM_ANL_EVT_AI, 0, 1);
    QCoreApplication::processEvents();
    mouse(r.w.panelWidget(), QEvent::MouseButtonPress, {30, 140}, Qt::LeftButton);
    QVERIFY(showsBitmap(r.w.surfaceImage(), r.img(1963), 14, 130, kGreen));
    mouse(r.w.panelWidget(), QEvent::MouseButtonRelease, {30, 140}, Qt::NoButton);
  }

  void mainFrequencyOnFaAndOnTimer6() {
    Rig r;
    QVERIFY(r.w.timerPeriod(6) == 30);
    // Timer 6 alone brings a changed frequency to the display.
    QVERIFY(r.core.st.set_VfoA_Freq(21074000));
    QTRY_VERIFY(showsBitmap(r.w.surfaceImage(), r.img(1333), 621, 53, kGreen) &&
                showsBitmap(r.w.surfaceImage(), r.img(1332), 641, 53, kGreen));
    // The FA event draws at once, without waiting for the timer.
    r.w.killTimer(6);
    QVERIFY(r.core.st.set_VfoA_Freq(3573000));
    r.w.postMessage(hrx::WM_ANL_EVT_FA, 0, 1);
    QCoreApplication::processEvents();
    const int expected[] = {1330, 1334, 1335, 1337, 1334, 1331, 1331, 1331};
    for (int i = 0; i < 8; ++i) QVERIFY(hrx::test::showsMainDigit(r.w.surfaceImage(), r.img(expected[i]), i));
  }
};

static const hrx::test::GuiSuite kSuite("Slice", hrx::test::runSuite<SliceTest>);

#include "SliceTest.moc"
