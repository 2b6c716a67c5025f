#include "state/RadioState.h"

#include <algorithm>
#include <cstring>

namespace hrx {

RadioState::RadioState() { reset(); }

void RadioState::reset() {
  set_CommEnabled(0);
  set_AiAtPowerOff(0);
  set_AiResyncNeeded(0);
  {
    std::lock_guard lock(textMu_);
    for (auto& t : texts_) t = TextCell{};
  }
  for (int i = 0; i < kIntFieldCount; ++i) {
    ints_[i].max = kIntFieldRows[i].max;
    ints_[i].min = kIntFieldRows[i].min;
    ints_[i].value.store(kIntFieldRows[i].def, std::memory_order_relaxed);
  }
  for (int i = 0; i < kRealFieldCount; ++i) {
    reals_[i].max = kRealFieldRows[i].max;
    reals_[i].min = kRealFieldRows[i].min;
    reals_[i].value.store(kRealFieldRows[i].def, std::memory_order_relaxed);
  }
  for (int i = 0; i < kWordFieldCount; ++i) words_[i].store(kWordFieldRows[i].def, std::memory_order_relaxed);
  noteChange();
}

bool RadioState::store(IntCell& cell, std::int32_t v, bool* changed) {
  if (v < cell.min || v > cell.max) return false;
  const std::int32_t was = cell.value.exchange(v, std::memory_order_relaxed);
  if (changed != nullptr) *changed = was != v;
  return true;
}

bool RadioState::store(RealCell& cell, double v, bool* changed) {
  // NaN fails both comparisons and so is refused too.
  if (!(v >= cell.min && v <= cell.max)) return false;
  const double was = cell.value.exchange(v, std::memory_order_relaxed);
  if (changed != nullptr) *changed = was != v;
  return true;
}

bool RadioState::getText(TextField f, int n, char* dest) const {
  std::lock_guard lock(textMu_);
  // The limit word of the first text cell governs every text call.
  if (n < 0 || n > texts_[0].limit || dest == nullptr) return false;
  if (n == 0) return true;
  std::memset(dest, 0, static_cast<std::size_t>(n));
  const TextCell& t = texts_[idx(f)];
  const std::size_t len = std::min(std::strlen(t.text), static_cast<std::size_t>(n - 1));
  std::memcpy(dest, t.text, len);
  return true;
}

bool RadioState::setText(TextField f, int n, const char* src) {
  std::lock_guard lock(textMu_);
  if (n < 0 || n > texts_[0].limit || src == nullptr) return false;
  TextCell& t = texts_[idx(f)];
  std::memset(t.text, 0, sizeof t.text);
  const std::size_t cap = std::min<std::size_t>(static_cast<std::size_t>(n), static_cast<std::size_t>(t.maxLen));
  std::size_t len = 0;
  while (len < cap && src[len] != '\0') ++len;
  std::memcpy(t.text, src, len);
  noteChange();
  return true;
}

std::string RadioState::text(TextField f) const {
  std::lock_guard lock(textMu_);
  return std::string(texts_[idx(f)].text);
}

bool RadioState::get_MenuItem(int number, MenuListItem* out) const {
  if (out == nullptr) return false;
  *out = MenuListItem{};
  if (number < 1 || number > get_MenuItem_Count()) return false;
  std::lock_guard lock(menuMu_);
  *out = menu_[static_cast<std::size_t>(number)];
  return true;
}

bool RadioState::set_MenuItem(int number, const MenuListItem* record) {
  if (record == nullptr || number < 1 || number > get_MenuItem_Count()) return false;
  {
    std::lock_guard lock(menuMu_);
    menu_[static_cast<std::size_t>(number)] = *record;
  }
  noteChange();
  return true;
}

bool RadioState::get_MenuItemByType(int type, MenuListItem* out) const {
  if (out == nullptr) return false;
  *out = MenuListItem{};
  const int count = get_MenuItem_Count();
  std::lock_guard lock(menuMu_);
  for (int i = 1; i <= count; ++i) {
    if (menu_[static_cast<std::size_t>(i)].type == type) {
      *out = menu_[static_cast<std::size_t>(i)];
      return true;
    }
  }
  return false;
}

bool RadioState::get_MenuReplyLen(const char* three, int* length) const {
  if (three == nullptr || length == nullptr) return false;
  int n = 0;
  for (int i = 0; i < 3; ++i) {
    if (three[i] < '0' || three[i] > '9') return false;
    n = n * 10 + (three[i] - '0');
  }
  if (n < 1 || n > get_MenuItem_Count()) return false;
  std::lock_guard lock(menuMu_);
  *length = menu_[static_cast<std::size_t>(n)].width + 6;
  return true;
}

void RadioState::count_MenuReply(int number) {
  if (number >= 1 && number <= kMenuItemMax) menuReplies_[static_cast<std::size_t>(number)].fetch_add(1, std::memory_order_release);
}

std::uint32_t RadioState::get_MenuReplyCount(int number) const {
  if (number < 1 || number > kMenuItemMax) return 0;
  return menuReplies_[static_cast<std::size_t>(number)].load(std::memory_order_acquire);
}

}  // namespace hrx
