// User notices: one box at a time unless forced, notice 1 never, the guard
// the port reads while a box is up.
#include <QMessageBox>
#include <QtTest>

#include "GuiSuites.h"

#include "GuiRig.h"
#include "app/gui/QtMainWindow.h"

using hrx::gui::QtMainWindow;

namespace {

QList<QMessageBox*> openBoxes(const QtMainWindow& w) {
  QList<QMessageBox*> out;
  for (QMessageBox* b : w.findChildren<QMessageBox*>())
    if (b->isVisible()) out << b;
  return out;
}

}  // namespace

class NoticeTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // {index, forced} in turn -> the boxes shown.
  void guardAndForce() {
    struct Row {
      QList<int> indexes, forces;
      int boxes;
    };
    const Row rows[] = {
        {{0}, {0}, 1},       {{0, 2}, {0, 0}, 1}, {{0, 3}, {0, 1}, 2}, {{3, 3}, {1, 1}, 2},
        {{1, 1}, {0, 1}, 0}, {{15, -1}, {1, 0}, 0}, {{5}, {0}, 1},
    };
    for (const auto& [indexes, forces, boxes] : rows) {
      QtMainWindow w;
      w.show();
      for (int i = 0; i < indexes.size(); ++i) w.postMessage(hrx::kMsgNotice, forces[i], indexes[i]);
      QCoreApplication::processEvents();
      QCOMPARE(openBoxes(w).size(), boxes);
    }
  }

  // The texts; the guard set while the box is up (not modal: the window
  // goes on handling messages); a forced box neither needs nor clears it.
  void textsAndGuardLifetime() {
    QtMainWindow w;
    w.show();
    QVERIFY(!w.noticeGuard());
    w.postMessage(hrx::kMsgNotice, 0, 0);
    w.postMessage(hrx::kMsgNotice, 1, 3);
    QCoreApplication::processEvents();
    auto boxes = openBoxes(w);
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(boxes[0]->text(), QStringLiteral("Failed to open the port.\nPlease confirm the port connection."));
    QCOMPARE(boxes[0]->windowTitle(), QStringLiteral("RCP for HRX900"));
    QCOMPARE(boxes[1]->text(), QStringLiteral("Failed to connect the COM port."));
    QVERIFY(w.noticeGuard());
    boxes[1]->accept();
    QCoreApplication::processEvents();
    QVERIFY(w.noticeGuard());
    boxes[0]->accept();
    QCoreApplication::processEvents();
    QVERIFY(!w.noticeGuard());
    w.postMessage(hrx::kMsgNotice, 0, 2);
    QCoreApplication::processEvents();
    boxes = openBoxes(w);
    QCOMPARE(boxes.size(), 1);
    QVERIFY(boxes[0]->text().startsWith(QStringLiteral("Failed to read the COM port configuration file.")));
  }
};

static const hrx::test::GuiSuite kSuite("Notice", hrx::test::runSuite<NoticeTest>);

#include "NoticeTest.moc"
