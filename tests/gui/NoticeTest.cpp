// User notices: one box at a time unless forced, notice 1 never, the guard
// the port reads while a box is up.
#include <QMessageBox>
#include <QtTest>

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
  void guardAndForce_data() {
    QTest::addColumn<QList<int>>("indexes");
    QTest::addColumn<QList<int>>("forces");
    QTest::addColumn<int>("boxes");
    QTest::newRow("one notice") << QList<int>{0} << QList<int>{0} << 1;
    QTest::newRow("two in a row show one") << QList<int>{0, 2} << QList<int>{0, 0} << 1;
    QTest::newRow("forced second shows too") << QList<int>{0, 3} << QList<int>{0, 1} << 2;
    QTest::newRow("two forced") << QList<int>{3, 3} << QList<int>{1, 1} << 2;
    QTest::newRow("notice 1 never") << QList<int>{1, 1} << QList<int>{0, 1} << 0;
    QTest::newRow("index outside the table") << QList<int>{8, -1} << QList<int>{1, 0} << 0;
    QTest::newRow("network port notice") << QList<int>{5} << QList<int>{0} << 1;
  }
  void guardAndForce() {
    QFETCH(QList<int>, indexes);
    QFETCH(QList<int>, forces);
    QFETCH(int, boxes);
    QtMainWindow w;
    w.show();
    for (int i = 0; i < indexes.size(); ++i) w.postMessage(hrx::kMsgNotice, forces[i], indexes[i]);
    QCoreApplication::processEvents();
    QCOMPARE(openBoxes(w).size(), boxes);
  }

  void textsAndGuardLifetime() {
    QtMainWindow w;
    w.show();
    QVERIFY(!w.noticeGuard());
    w.postMessage(hrx::kMsgNotice, 0, 0);
    QCoreApplication::processEvents();
    auto boxes = openBoxes(w);
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0]->text(), QStringLiteral("Failed to open the port.\nPlease confirm the port connection."));
    QCOMPARE(boxes[0]->windowTitle(), QStringLiteral("RCP for HRX900"));
    // Not modal to the application: the window goes on handling messages.
    QVERIFY(w.noticeGuard());
    // A forced box neither needs nor clears the guard.
    w.postMessage(hrx::kMsgNotice, 1, 3);
    QCoreApplication::processEvents();
    QCOMPARE(openBoxes(w).size(), 2);
    QMessageBox* forced = nullptr;
    for (QMessageBox* b : openBoxes(w))
      if (b->text() == QStringLiteral("Failed to connect the COM port.")) forced = b;
    QVERIFY(forced != nullptr);
    forced->accept();
    QCoreApplication::processEvents();
    QVERIFY(w.noticeGuard());
    // Closing the guarded box lets the next notice through.
    boxes = openBoxes(w);
    QCOMPARE(boxes.size(), 1);
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

int runNoticeTests(int argc, char** argv) {
  NoticeTest t;
  return QTest::qExec(&t, argc, argv);
}

#include "NoticeTest.moc"
