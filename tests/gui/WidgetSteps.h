#pragma once
// Steps the window tests take on real widgets: a button by its object name,
// a list row, the message box a window shows.
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

namespace hrx::test {

inline void click(QWidget* parent, const char* name) {
  auto* b = parent->findChild<QPushButton*>(QString::fromUtf8(name));
  QVERIFY(b != nullptr);
  QTest::mouseClick(b, Qt::LeftButton);
}

inline void clickRow(QListWidget* list, int row) {
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

inline QMessageBox* shownBox(QWidget* parent) {
  for (QMessageBox* b : parent->findChildren<QMessageBox*>())
    if (b->isVisible()) return b;
  return nullptr;
}

}  // namespace hrx::test
