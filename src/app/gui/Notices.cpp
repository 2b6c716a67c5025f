// The operator's notices over the main window: the warnings, the splash and the connection notice.
#include "app/gui/Notices.h"

#include <QLabel>
#include <QMessageBox>
#include <iterator>

#include "app/gui/MainWindowServices.h"
#include "render/PanelSurface.h"

namespace hrx::gui {

QWidget* Notices::splash() const { return splash_.data(); }
QWidget* Notices::connectionNotice() const { return comNotice_.data(); }

void Notices::show(int index, bool force) {
  if (index < 0 || index >= static_cast<int>(std::size(kNoticeTable))) return;
  const Notice& n = kNoticeTable[index];
  if (!n.shown) return;
  if (!force) {
    if (guard_.exchange(true)) return;
  }
  auto* box = new QMessageBox(QMessageBox::Warning, QString::fromUtf8(kCaption), QString::fromUtf8(n.text),
                              QMessageBox::Ok, &window_);
  box->setAttribute(Qt::WA_DeleteOnClose);
  if (!force) QObject::connect(box, &QMessageBox::finished, &window_, [this] { guard_ = false; });
  box->open();
}

void Notices::showSplash(QWidget& panel) {
  auto* splash = new QLabel(QStringLiteral("RCP for HRX900\n\nstarting..."), &panel);
  splash->setAlignment(Qt::AlignCenter);
  splash->setStyleSheet(QStringLiteral("background:#101216;color:#d8d8d8;font:bold 20px;"));
  splash->setGeometry(0, 0, render::kPanelWidth, render::kPanelHeight);
  splash->show();
  splash_ = splash;
}

void Notices::closeSplash() {
  if (splash_) splash_->close();
}

void Notices::connection(bool show, QWidget& panel) {
  if (!show) {
    if (comNotice_) comNotice_->hide();
    return;
  }
  if (!comNotice_) {
    comNotice_ = new QLabel(QStringLiteral("Connecting to the radio..."), &panel);
    comNotice_->setAlignment(Qt::AlignCenter);
    comNotice_->setStyleSheet(QStringLiteral("background:#202428;color:#e0e0e0;border:2px solid #808890;"));
    comNotice_->setGeometry(312, 130, 400, 60);
  }
  comNotice_->show();
  comNotice_->raise();
}

}  // namespace hrx::gui
