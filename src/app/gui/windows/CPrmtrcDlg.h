#pragma once
// The parametric equaliser editor's window: per band the FREQ, LEVEL and
// BWTH fields with their arrow buttons, the response graph, EXIT, CANCEL,
// APPLI, FILE SAVE and FILE LOAD. The editing itself is eq::PrmtrcEditor;
// this window gives it the catalogue, the send ring and its timers.
#include <QDialog>
#include <QPointer>
#include <QString>
#include <functional>
#include <map>

#include "app/gui/CoreLink.h"
#include "equaliser/PrmtrcEditor.h"

class QAbstractButton;
class QLineEdit;
class QMessageBox;
class QTimer;

namespace hrx::gui {

class EqGraphWidget;

inline constexpr const char* kPefFilter = "Parametric Equalizer Setting File (*.pef)";

class CPrmtrcDlg final : public QDialog, private eq::EditorHost {
 public:
  // `core` gives the core while there is one (null after the shutdown);
  // `closed` runs once when the window ends (EXIT, close box, Escape), and
  // the main window destroys it then.
  using CoreSource = std::function<CoreLink*()>;
  CPrmtrcDlg(CoreSource core, int variant, QWidget* parent, std::function<void()> closed);
  ~CPrmtrcDlg() override;

  eq::PrmtrcEditor& editor() { return editor_; }
  // A button's press or release (message 0x85DA).
  void onHoldButton(int code, bool pressed);
  // Forwarded by the main window: EX and PE reports, the AI report.
  void onMenuReport() { editor_.onMenuReport(); }
  void onAiReport() { editor_.onAiReport(); }
  void onReadOutEnded() { editor_.onReadOutEnded(); }

  // FILE SAVE and FILE LOAD once a path is chosen; the buttons ask for one
  // with the file dialogs (or with `chooser` when set).
  void saveTo(const QString& path);
  void loadFrom(const QString& path);
  // Returns the chosen path, empty for none: (save?, default name).
  std::function<QString(bool, const QString&)> chooser;

  QAbstractButton* button(int code) const;
  QLineEdit* valueField(int param) const;
  EqGraphWidget* graph() const { return graph_; }
  // The open "input range" message, or null.
  QMessageBox* badFileBox() const;
  bool timerRunning(std::uint32_t id) const;

 protected:
  void closeEvent(QCloseEvent* e) override;
  void reject() override { close(); }
  void keyPressEvent(QKeyEvent* e) override;

 private:
  // EditorHost.
  bool menuItemByType(int type, MenuListItem* out) override;
  int aiStat() override;
  void writeCommand(std::string_view command) override;
  void startTimer(std::uint32_t id, int periodMs) override;
  void killTimer(std::uint32_t id) override;
  void showBand(int band) override;
  void redrawGraph() override;
  void closeWindow() override { close(); }

  void build();
  void fileSave();
  void fileLoad();
  void drawGraph();

  CoreSource core_;
  eq::PrmtrcEditor editor_;
  std::function<void()> closed_;
  bool ended_ = false;
  EqGraphWidget* graph_ = nullptr;
  std::map<int, QAbstractButton*> buttons_;
  QLineEdit* fields_[eq::kParams] = {};
  std::map<std::uint32_t, QTimer*> timers_;
  QPointer<QMessageBox> badFile_;
};

class MainWindowServices;
// The editor the main window has open, or null.
CPrmtrcDlg* openEqualiser(MainWindowServices& w);

}  // namespace hrx::gui
