#include "app/gui/windows/MenuListWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/gui/windows/PortWindows.h"
#include "app/gui/MainWindowServices.h"

namespace hrx::gui {

namespace {

constexpr int kOpExSet = 42;
constexpr int kTextType = 41;

QFont listFont() {
  QFont f(QStringLiteral("Courier New"));
  f.setStyleHint(QFont::TypeWriter);
  f.setFixedPitch(true);
  f.setFamilies({QStringLiteral("Courier New"), QFontDatabase::systemFont(QFontDatabase::FixedFont).family()});
  return f;
}

QPushButton* button(QWidget* parent, const char* text, const char* name) {
  auto* b = new QPushButton(QString::fromUtf8(text), parent);
  b->setObjectName(QString::fromUtf8(name));
  b->setAutoDefault(false);
  return b;
}

// Title, the editing control, OK and CANCEL: the "MENU LIST SETTING" frame.
QVBoxLayout* settingFrame(QDialog* d, const MenuListItem& item, bool withUnit, QWidget* control) {
  d->setWindowTitle(QStringLiteral("MENU LIST SETTING"));
  auto* title = new QLabel(QString::fromStdString(menuTitle(item, withUnit)), d);
  title->setObjectName(QStringLiteral("title1004"));
  title->setFont(listFont());
  // The item's title names the control for a screen reader.
  control->setAccessibleName(title->text().simplified());
  auto* ok = button(d, "OK", "ok");
  auto* cancel = button(d, "CANCEL", "cancel");
  QObject::connect(cancel, &QPushButton::clicked, d, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(d);
  layout->addWidget(title);
  layout->addWidget(control);
  layout->addLayout(buttons);
  return layout;
}

QPushButton* okOf(QDialog* d) { return d->findChild<QPushButton*>(QStringLiteral("ok")); }

}  // namespace

std::string menuTitle(const MenuListItem& item, bool withUnit) {
  char text[160];
  const std::string name(item.name, strnlen(item.name, sizeof item.name));
  const std::string unit(item.unit, strnlen(item.unit, sizeof item.unit));
  if (withUnit && item.has_unit != 0)
    std::snprintf(text, sizeof text, "%03d  %s  (%s)", static_cast<int>(item.no), name.c_str(), unit.c_str());
  else
    std::snprintf(text, sizeof text, "%03d  %s", static_cast<int>(item.no), name.c_str());
  return text;
}

bool menuTextAcceptable(const QString& text) {
  for (QChar c : text)
    if (c.unicode() > 0x7E) return false;
  return menuTextAllowed(text.toLatin1().toStdString());
}

// ---- the chooser ----

CMenuListSettingDlg::CMenuListSettingDlg(MenuListItem& item, QWidget* parent)
    : QDialog(parent), item_(item), list_(new QListWidget(this)) {
  list_->setObjectName(QStringLiteral("list1019"));
  list_->setFont(listFont());
  settingFrame(this, item, true, list_);
  MenuEditEntries entries = menuEditEntries(item);
  entries_ = std::move(entries.texts);
  cur_ = entries.cur;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    auto* line = new QListWidgetItem(QStringLiteral(" ") + QString::fromStdString(entries_[i]), list_);
    line->setForeground(static_cast<int>(i) == cur_ ? QColor(255, 0, 0) : QColor(0, 0, 0));
  }
  list_->clearSelection();
  connect(okOf(this), &QPushButton::clicked, this, &CMenuListSettingDlg::takeSelected);
  connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* line) {
    list_->setCurrentItem(line);
    line->setSelected(true);
    takeSelected();
  });
}

void CMenuListSettingDlg::takeSelected() {
  const QList<QListWidgetItem*> chosen = list_->selectedItems();
  if (chosen.isEmpty()) {
    accept();
    return;
  }
  const int index = list_->row(chosen.front());
  double v = 0;
  if (index >= 0 && static_cast<std::size_t>(index) < entries_.size() &&
      menuValueFromEntry(item_, index, entries_[static_cast<std::size_t>(index)], &v)) {
    item_.changed = v != item_.value ? 1 : 0;
    item_.new_value = v;
  }
  accept();
}

// ---- the text entry ----

CMenuListTextDlg::CMenuListTextDlg(MenuListItem& item, QWidget* parent)
    : QDialog(parent), item_(item), edit_(new QLineEdit(this)) {
  edit_->setObjectName(QStringLiteral("edit1041"));
  edit_->setMaxLength(kMenuTextMax);
  edit_->setText(QString::fromLatin1(item.text, static_cast<int>(strnlen(item.text, sizeof item.text))));
  settingFrame(this, item, false, edit_);
  connect(okOf(this), &QPushButton::clicked, this, &CMenuListTextDlg::takeText);
  connect(edit_, &QLineEdit::returnPressed, this, &CMenuListTextDlg::takeText);
}

void CMenuListTextDlg::takeText() {
  const QString t = edit_->text();
  if (t.isEmpty()) return;
  if (!menuTextAcceptable(t)) {
    auto* box = new QMessageBox(QMessageBox::Warning, QString::fromUtf8(kInvalidTextCaption),
                                QString::fromUtf8(kInvalidTextMessage), QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    return;
  }
  const QByteArray bytes = t.toLatin1();
  if (std::strncmp(bytes.constData(), item_.text, sizeof item_.text) == 0) {
    item_.changed = 0;
  } else {
    std::memset(item_.new_text, 0, sizeof item_.new_text);
    std::memcpy(item_.new_text, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    item_.changed = 1;
  }
  accept();
}

// ---- the list window ----

CMenuListDlg::CMenuListDlg(MainWindowServices& w)
    : QDialog(&w.widget()), w_(w), items_(std::make_unique<MenuListItem[]>(kMenuItemMax)), list_(new QListWidget(this)) {
  setWindowTitle(QStringLiteral("MENU LIST"));
  setModal(false);
  setFont(listFont());
  // 578 x 273 dialog units; the list at its pixel rectangle (21,100)-(990,460).
  setFixedSize(1012, 478);
  auto* ok = button(this, "OK", "ok");
  ok->setGeometry(926, 12, 75, 21);
  auto* cancelButton = button(this, "CANCEL", "cancel");
  cancelButton->setGeometry(926, 40, 75, 21);
  struct Heading {
    const char* text;
    int x, width;
  };
  static constexpr Heading kHeadings[] = {
      {"NO", 12, 19}, {"USER NAME", 30, 84}, {"SETTING RANGE", 113, 381}, {"SETTING", 493, 63}};
  for (const Heading& h : kHeadings) {
    auto* l = new QLabel(QString::fromUtf8(h.text), this);
    l->setGeometry(h.x * 7 / 4, 80, h.width * 7 / 4, 16);
  }
  list_->setObjectName(QStringLiteral("list1001"));
  list_->setAccessibleName(QStringLiteral("Menu items"));
  list_->setFont(listFont());
  list_->setGeometry(21, 100, 969, 360);
  list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->installEventFilter(this);
  connect(ok, &QPushButton::clicked, this, &CMenuListDlg::apply);
  connect(cancelButton, &QPushButton::clicked, this, &CMenuListDlg::cancel);
  connect(list_, &QListWidget::itemDoubleClicked, this, [this] { editSelected(); });
}

void CMenuListDlg::fill() {
  applying_ = false;
  aiAtOpen_ = w_.core() != nullptr && w_.core()->state().get_AI_Stat() != 0;
  list_->clear();
  count_ = 0;
  if (w_.core() != nullptr) {
    const RadioState& st = w_.core()->state();
    const int n = std::min(st.get_MenuItem_Count(), kMenuItemMax);
    for (int i = 1; i <= n; ++i) {
      MenuListItem& rec = items_[static_cast<std::size_t>(count_)];
      if (!st.get_MenuItem(i, &rec)) continue;
      rec.changed = 0;
      ++count_;
      list_->addItem(QString::fromStdString(menuListLine(rec)));
    }
  }
  if (sel_ >= count_) sel_ = 0;
  list_->setCurrentRow(sel_);
  list_->setFocus();
}

void CMenuListDlg::editSelected() {
  if (applying_ || editor_ != nullptr) return;
  const int row = list_->currentRow();
  if (row < 0 || row >= count_) return;
  sel_ = row;
  MenuListItem& rec = items_[static_cast<std::size_t>(row)];
  QDialog* d = rec.type == kTextType ? static_cast<QDialog*>(new CMenuListTextDlg(rec, this))
                                     : static_cast<QDialog*>(new CMenuListSettingDlg(rec, this));
  d->setAttribute(Qt::WA_DeleteOnClose);
  editor_ = d;
  connect(d, &QDialog::finished, this, [this, row](int result) {
    editor_ = nullptr;
    if (result != QDialog::Accepted) return;
    list_->item(row)->setText(QString::fromStdString(menuListLine(items_[static_cast<std::size_t>(row)])));
    list_->setCurrentRow(row);
  });
  d->open();
}

void CMenuListDlg::apply() {
  if (applying_ || editor_ != nullptr) return;
  sel_ = std::max(list_->currentRow(), 0);
  bool changed = false;
  bool catRate = false;
  int catIndex = 0;
  Station* st = w_.core() != nullptr ? w_.core()->stationOrNull() : nullptr;
  // A CAT RATE change is a port change: while another runs it is refused
  // before anything is stored, and the window stays as it is.
  const bool portChange = std::any_of(items_.get(), items_.get() + count_, [](const MenuListItem& rec) {
    return rec.changed != 0 && rec.type == kCatRateType;
  });
  // Nor while a set-up restore holds the changer for its read-back: the
  // menu write would change items under it.
  PortChanger& changer = w_.part<PortPart>().changer;
  const bool anyChange =
      std::any_of(items_.get(), items_.get() + count_, [](const MenuListItem& rec) { return rec.changed != 0; });
  if (st != nullptr && (portChange || (anyChange && changer.running())) && !changer.begin(this)) return;
  for (int i = 0; i < count_ && st != nullptr; ++i) {
    MenuListItem& rec = items_[static_cast<std::size_t>(i)];
    if (rec.changed == 0) continue;
    rec.value = rec.new_value;
    // The stored text follows the edit as the value does, so the list shows
    // it next time also when the radio does not report it back.
    if (rec.type == kTextType) std::memcpy(rec.text, rec.new_text, sizeof rec.text);
    st->state.set_MenuItem(rec.no, &rec);
    changed = true;
    // Found by what it is, not by a number another item might carry.
    if (rec.type == kCatRateType) {
      catRate = true;
      catIndex = IntOf(rec.value);
    }
  }
  // The radio moves to the new speed as soon as the write reaches it; told
  // before the write is asked for, so that the exit sees it go out.
  if (catRate) st->setSpeedTold(4800 << std::clamp(catIndex, 0, 3));
  if (changed) w_.core()->request(kOpExSet, false, 0);
  applying_ = true;
  hide();
  const bool reconnect = aiAtOpen_;
  QTimer::singleShot(kRateSettleMs, Qt::PreciseTimer, this, [this, changed, catRate, catIndex, reconnect] {
    if (!catRate) {
      end(changed);
      return;
    }
    w_.part<PortPart>().changer.Cat_Rate_Change(catIndex, reconnect, [this, changed] { end(changed); });
  });
}

void CMenuListDlg::cancel() {
  if (applying_) return;
  sel_ = std::max(list_->currentRow(), 0);
  end(false);
}

void CMenuListDlg::end(bool changed) {
  hide();
  applying_ = false;
  w_.sendMessage(kMsgMenuListEnd, changed ? 1 : 0, 0);
}

void CMenuListDlg::closeEvent(QCloseEvent* e) {
  e->ignore();
  cancel();
}

bool CMenuListDlg::eventFilter(QObject* o, QEvent* e) {
  if (o != list_ || e->type() != QEvent::KeyPress) return QDialog::eventFilter(o, e);
  auto* k = static_cast<QKeyEvent*>(e);
  switch (k->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      editSelected();
      return true;
    case Qt::Key_Escape:
      cancel();
      return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return false;
    default:
      break;
  }
  // The main window's keys first (the keyboard commands); Escape and Enter
  // stay the window's own, since the main window would close on Escape.
  QKeyEvent offer(k->type(), k->key(), k->modifiers(), k->text(), k->isAutoRepeat(), k->count());
  offer.setAccepted(false);
  QCoreApplication::sendEvent(&w_.widget(), &offer);
  return offer.isAccepted();
}

}  // namespace hrx::gui
