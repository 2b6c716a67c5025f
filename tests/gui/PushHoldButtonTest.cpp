// The press-and-hold button through real mouse and key events: press and
// release each report 0x85DA with the button's index, the space key's
// auto-repeat is one press, Enter is a press and a release at once.
#include <QtTest>
#include <vector>

#include "GuiSuites.h"
#include "app/gui/PushHoldButton.h"

using hrx::Msg;
using hrx::gui::PushHoldButton;

class PushHoldButtonTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void reportsPressAndReleaseByMouseAndKey() {
    QWidget parent;
    auto* b = new PushHoldButton(QStringLiteral("FAST"), 3, &parent);
    std::vector<Msg> got;
    b->setReceiver([&](const Msg& m) { got.push_back(m); });
    int emitted = 0;
    QObject::connect(b, &PushHoldButton::holdChanged, [&](int, bool) { ++emitted; });
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    b->setFocus();

    struct Step {
      const char* label;
      std::function<void()> act;
      std::vector<Msg> expected;
    };
    const Step steps[] = {
        {"mouse down", [&] { QTest::mousePress(b, Qt::LeftButton); }, {{0x85DA, 3, 1}}},
        {"mouse up", [&] { QTest::mouseRelease(b, Qt::LeftButton); }, {{0x85DA, 3, 0}}},
        {"right button", [&] { QTest::mouseClick(b, Qt::RightButton); }, {}},
        {"space down", [&] { QTest::keyPress(b, Qt::Key_Space); }, {{0x85DA, 3, 1}}},
        {"space repeats",
         [&] {
           QKeyEvent e(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QString(), true);
           QApplication::sendEvent(b, &e);
         },
         {}},
        {"space up", [&] { QTest::keyRelease(b, Qt::Key_Space); }, {{0x85DA, 3, 0}}},
        {"enter", [&] { QTest::keyClick(b, Qt::Key_Return); }, {{0x85DA, 3, 1}, {0x85DA, 3, 0}}},
        {"pressed then hidden", [&] { QTest::keyPress(b, Qt::Key_Space); b->hide(); }, {{0x85DA, 3, 1}, {0x85DA, 3, 0}}},
    };
    for (const Step& s : steps) {
      got.clear();
      s.act();
      QVERIFY2(got == s.expected, s.label);
    }
    QCOMPARE(emitted, 8);
    QVERIFY(!b->held());
  }
};

static const hrx::test::GuiSuite kSuite("PushHoldButton", hrx::test::runSuite<PushHoldButtonTest>);

#include "PushHoldButtonTest.moc"
