#include "app/gui/windows/VersionDlg.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "app/gui/windows/OptionDialog.h"

namespace hrx::gui {

QString CVersionDlg::programVersion() {
  const QString v = QCoreApplication::applicationVersion();
  return v.isEmpty() ? QStringLiteral("hrx900") : QStringLiteral("hrx900 ") + v;
}

CVersionDlg::CVersionDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromUtf8(kVersionCaption));
  auto* grid = new QGridLayout(this);
  auto* icon = new QLabel(this);
  if (parent != nullptr) icon->setPixmap(parent->windowIcon().pixmap(32, 32));
  grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
  auto* product = new QLabel(QString::fromUtf8(kVersionText), this);
  product->setObjectName(QStringLiteral("product"));
  auto* program = new QLabel(programVersion(), this);
  program->setObjectName(QStringLiteral("program"));
  grid->addWidget(product, 0, 1);
  grid->addWidget(program, 1, 1);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setDefault(true);
  grid->addWidget(ok, 0, 2, Qt::AlignTop);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  resize(dialogUnits(*this, 274, 49));
}

CVersionDlg* openVersionWindow(QWidget* parent) {
  auto* dlg = new CVersionDlg(parent);
  dlg->setAttribute(Qt::WA_DeleteOnClose);
  dlg->open();
  return dlg;
}

}  // namespace hrx::gui
