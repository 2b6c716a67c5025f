// Disp_Restore draws the whole panel again from the stored state: every
// display handler once, in the fixed order of the start-up drawing, and
// nothing to the radio.
#include <QtTest>

#include "GuiRig.h"
#include "GuiSuites.h"
#include "DisplaySequence.h"
#include "app/gui/QtMainWindow.h"

using hrx::gui::QtMainWindow;

namespace {

// A restore sends what the display start sends.
constexpr const auto& kExpectedRestore = hrx::test::kExpectedDispStart;

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
    QTRY_VERIFY(w.dispStartLog().size() == std::size(kExpectedRestore));
    QCOMPARE(w.restoreCount(), 0);
    w.eraseBackground();
    QTRY_COMPARE(w.restoreCount(), 1);
    const auto& log = w.restoreLog();
    QCOMPARE(log.size(), std::size(kExpectedRestore));
    for (std::size_t i = 0; i < log.size(); ++i)
      QVERIFY2(log[i].id == kExpectedRestore[i].id && log[i].w == kExpectedRestore[i].w && log[i].l == 0,
               qPrintable(QStringLiteral("message %1: %2").arg(i).arg(log[i].id, 0, 16)));
    QCOMPARE(w.timerPeriod(13), 0u);
    QVERIFY(core.requests.empty());
    QTest::qWait(60);
    QCOMPARE(w.restoreCount(), 1);
  }
};

static const hrx::test::GuiSuite kSuite("Restore", [](int argc, char** argv) {
  RestoreTest t;
  return QTest::qExec(&t, argc, argv);
});

#include "RestoreTest.moc"
