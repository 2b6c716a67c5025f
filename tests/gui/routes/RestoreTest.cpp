// Disp_Start and Disp_Restore draw the whole panel from the stored state:
// every display handler once, in one fixed order, and nothing to the radio.
#include <QtTest>

#include "GuiRig.h"
#include "GuiSuites.h"
#include "app/gui/QtMainWindow.h"

using hrx::gui::QtMainWindow;

namespace {

struct Ids {
  hrx::MsgId id;
  hrx::WParam w;
};
constexpr Ids kExpected[] = {
    {0x833a, 0}, {0x8333, 0}, {0x8334, 0}, {0x831b, 0}, {0x830f, 0}, {0x8317, 0}, {0x8313, 0}, {0x8301, 0},
    {0x8311, 0}, {0x830a, 0}, {0x8312, 0}, {0x8310, 0}, {0x8327, 0}, {0x8314, 0}, {0x831e, 0}, {0x8315, 0},
    {0x831c, 0}, {0x8318, 0}, {0x8309, 0}, {0x830c, 0}, {0x830d, 0}, {0x8331, 0}, {0x8348, 0}, {0x8306, 0},
    {0x8303, 0}, {0x8302, 0}, {0x832d, 0}, {0x834a, 0}, {0x8332, 0}, {0x8304, 0}, {0x8323, 0}, {0x8322, 0},
    {0x832a, 0}, {0x8326, 0}, {0x8328, 0}, {0x832b, 0}, {0x832f, 0}, {0x8330, 0}, {0x8305, 0}, {0x8307, 0},
    {0x8346, 0}, {0x832e, 0}, {0x834d, 0}, {0x8321, 0}, {0x8355, 0}, {0x833e, 0}, {0x85c8, 0}, {0x85cb, 360},
    {0x85d4, 360}, {0x85d5, 360}, {0x857a, 0}, {0x857d, 0}, {0x857e, 0}, {0x857f, 0}, {0x8580, 0}, {0x8581, 0},
    {0x8582, 0}, {0x8583, 0}, {0x8584, 0}, {0x8585, 0}, {0x8586, 0}, {0x8587, 0}, {0x8588, 0}, {0x8589, 0},
    {0x85de, 0}, {0x85df, 0}, {0x858a, 0}, {0x858b, 0}, {0x858c, 0}, {0x858d, 0}, {0x858e, 0}, {0x858f, 0},
    {0x8590, 0}, {0x8591, 0}, {0x85b6, 0}, {0x85b7, 0}, {0x85b8, 0}, {0x85b9, 0}, {0x85ba, 0}, {0x85bb, 0},
    {0x85bc, 0}, {0x85bd, 0}, {0x85ab, 0}, {0x85ac, 0}, {0x85ad, 0}, {0x85ae, 0}, {0x85af, 0}, {0x85b0, 0},
    {0x85b1, 0}, {0x85b2, 0}, {0x85b3, 0}, {0x85b4, 0}, {0x85aa, 0}, {0x85b5, 0},
    // After the switch images: mode, VFO select, S-meter.
    {0x8345, 0}, {0x830e, 0}, {0x8337, 0},
};

}  // namespace

class RestoreTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void restoreSendsTheWholeSequenceOnce() {
    hrx::test::FakeCore core;
    QtMainWindow w;
    w.setCore(&core);
    w.show();
    QVERIFY(w.startUp());
    QTRY_VERIFY(w.dispStartLog().size() == std::size(kExpected));
    for (std::size_t i = 0; i < std::size(kExpected); ++i) {
      const hrx::Msg m = w.dispStartLog()[i];
      QVERIFY2(m.id == kExpected[i].id && m.w == kExpected[i].w && m.l == 0,
               qPrintable(QStringLiteral("start message %1: %2").arg(i).arg(m.id, 0, 16)));
    }
    QCOMPARE(w.restoreCount(), 0);
    w.eraseBackground();
    QTRY_COMPARE(w.restoreCount(), 1);
    const auto& log = w.restoreLog();
    QCOMPARE(log.size(), std::size(kExpected));
    for (std::size_t i = 0; i < log.size(); ++i)
      QVERIFY2(log[i].id == kExpected[i].id && log[i].w == kExpected[i].w && log[i].l == 0,
               qPrintable(QStringLiteral("message %1: %2").arg(i).arg(log[i].id, 0, 16)));
    QCOMPARE(w.timerPeriod(13), 0u);
    QVERIFY(core.requests.empty());
    QTest::qWait(60);
    QCOMPARE(w.restoreCount(), 1);
  }
};

static const hrx::test::GuiSuite kSuite("Restore", hrx::test::runSuite<RestoreTest>);

#include "RestoreTest.moc"
