#pragma once
// A panel host that records what the controller asks of the window.
#include <cstdint>
#include <map>
#include <vector>

#include "GuiRig.h"
#include "panel/PanelCtrl.h"

namespace hrx::test {

struct FakeHost final : panel::PanelHost {
  bool requestOp(int op, bool subSide, std::int32_t value) override {
    requests.push_back({op, subSide, value});
    return true;
  }
  void setTimer(std::uint32_t id, std::uint32_t ms) override { timers[id] = ms; }
  void killTimer(std::uint32_t id) override { timers.erase(id); }
  void cursor(int& x, int& y) override {
    x = cx;
    y = cy;
  }
  bool leftButtonDown() override { return down; }
  bool rightButtonDown() override { return rdown; }
  void look(hrx::MsgId msg, hrx::WParam w, hrx::LParam l) override { looks.push_back({msg, w, l}); }
  bool vfoSelected() override { return vfo; }
  std::uint64_t nowMs() override { return clock; }
  const hrx::RadioState* radio() override { return &st; }
  void showPopup(const panel::PopupMenu& m) override { popups.push_back(m.key); }
  void openEntryWindow() override { ++entryOpens; }
  void entryDigit(int d) override { entryDigits.push_back(d); }
  void menuAction() override { ++menuActions; }
  void focusBusyWindow() override { ++focusCalls; }
  bool connected() override { return link; }
  void connectionNotice(bool show) override { notices.push_back(show); }
  void connectionFailed() override { ++failures; }

  std::vector<Request> requests;
  std::map<std::uint32_t, std::uint32_t> timers;
  std::vector<hrx::Msg> looks;
  int cx = 0, cy = 0;
  bool down = false;
  bool rdown = false;
  bool vfo = false;
  std::uint64_t clock = 1000;
  hrx::RadioState st;
  std::vector<int> popups;
  int entryOpens = 0;
  std::vector<int> entryDigits;
  int menuActions = 0;
  int focusCalls = 0;
  bool link = true;
  std::vector<bool> notices;
  int failures = 0;
};

}  // namespace hrx::test
